// The built library loaded the way a program in any language uses it: by
// path at run time, its four C entry points looked up by name. Unloading it
// destroys its converter, which gives the office applications back.
#pragma once

#include <cstdint>
#include <string>

namespace quillet::test {

class QuilletLibrary {
 public:
  // Loads the library at Path (a path of the build tree; under Wine it is
  // turned into a Windows path). Raises std::runtime_error when it cannot.
  explicit QuilletLibrary(const std::string& path);
  ~QuilletLibrary();
  QuilletLibrary(const QuilletLibrary&) = delete;
  QuilletLibrary& operator=(const QuilletLibrary&) = delete;

  void Unload();
  // Unloads and loads the library again: a new converter, which starts its
  // applications afresh (and so reads the doubles' scripts again).
  void Reload();

  struct Outcome {
    bool ok = false;
    std::string errorText;
  };
  // ConvertSingleFile with an error buffer of 64 KiB.
  Outcome ConvertSingleFile(const std::string& src, const std::string& dest, const std::string& destFormat,
                            const std::string& option);
  // The raw entry point, for null pointers where texts go.
  bool ConvertSingleFileRaw(const char* src, const char* dest, const char* destFormat, const char* option,
                            char* errorText);
  // ConvertFolder; the report is what ReportFile holds afterwards.
  bool ConvertFolder(const std::string& src, const std::string& dest, const std::string& destFormat,
                     int32_t isSubFolder, const std::string& option, const std::string& reportFile);
  struct Field {
    std::string value;
    std::string errorText;
  };
  // GetFieldValue by the two-call protocol: the length, then the value.
  Field GetFieldValue(const std::string& name);
  // The raw entry point, for tests of the length protocol itself.
  int32_t GetFieldValueRaw(const char* name, const char* param, char* value, int32_t valueLen, char* error);

 private:
  void Load();

  std::string path_;
  void* handle_ = nullptr;
  void* convertSingleFile_ = nullptr;
  void* convertFolder_ = nullptr;
  void* getFieldValue_ = nullptr;
};

}  // namespace quillet::test
