// The format lists through the exported C entry point of the built library,
// the way a program in any language asks for them, and the library's unload
// giving Word back.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "DoubleControl.h"
#include "WordFormatLists.h"

#ifdef _WIN32
#include <windows.h>
#define FIELD_CALL __stdcall
#else
#include <dlfcn.h>
#define FIELD_CALL
#endif

namespace quillet {
namespace {

using GetFieldValueFn = int32_t(FIELD_CALL*)(const char*, const char*, char*, int32_t, char*);
using doubles::App;
using Lines = std::vector<std::string>;

class Library {
 public:
  Library() {
#ifdef _WIN32
    std::string path = QUILLET_LIBRARY;
    if (!path.empty() && path[0] == '/') path = "Z:" + path;
    for (char& c : path)
      if (c == '/') c = '\\';
    handle_ = ::LoadLibraryA(path.c_str());
    if (handle_) getFieldValue = reinterpret_cast<GetFieldValueFn>(reinterpret_cast<void*>(::GetProcAddress(handle_, "GetFieldValue")));
#else
    handle_ = ::dlopen(QUILLET_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    if (handle_) getFieldValue = reinterpret_cast<GetFieldValueFn>(::dlsym(handle_, "GetFieldValue"));
#endif
  }
  ~Library() { Unload(); }
  void Unload() {
#ifdef _WIN32
    if (handle_) ::FreeLibrary(handle_);
#else
    if (handle_) ::dlclose(handle_);
#endif
    handle_ = nullptr;
  }
  GetFieldValueFn getFieldValue = nullptr;

 private:
#ifdef _WIN32
  HMODULE handle_ = nullptr;
#else
  void* handle_ = nullptr;
#endif
};

TEST(ExportedField, DestinationListThroughTheCEntryPoint) {
  doubles::Doubles d;
  {
    Library lib;
    ASSERT_NE(lib.getFieldValue, nullptr);
    char error[1024] = "x";
    // First the length, then the text.
    const int32_t len = lib.getFieldValue("destformatlist", nullptr, nullptr, 0, error);
    const std::string expected = test::kWordDestList;
    EXPECT_EQ(len, static_cast<int32_t>(expected.size()));
    EXPECT_STREQ(error, "");
    std::string value(static_cast<size_t>(len) + 1, '#');
    EXPECT_EQ(lib.getFieldValue("destformatlist", "", value.data(), len, error), len);
    EXPECT_EQ(value.c_str(), expected);
    EXPECT_EQ(d.Calls(App::Word).front(), "Word.Visible put False");
    const size_t calls = d.Calls(App::Word).size();
    // Unloading the library destroys the converter, which quits the Word it made.
    lib.Unload();
    const Lines after = d.Calls(App::Word);
    ASSERT_EQ(after.size(), calls + 1);
    EXPECT_EQ(after.back(), "Word.Quit method");
  }
  EXPECT_TRUE(d.WaitForServersToExit());
  EXPECT_EQ(d.LiveObjects(App::Word), Lines{});
}

TEST(ExportedField, WordMissingComesBackAsTheErrorText) {
  doubles::Doubles d;
  d.Unregister("Word.Application");
  Library lib;
  ASSERT_NE(lib.getFieldValue, nullptr);
  char error[1024] = "x";
  char value[16] = "untouched";
  EXPECT_EQ(lib.getFieldValue("sourceformatlist", "", value, 0, error), 0);
  EXPECT_STREQ(error, "Can not load Microsoft Word, you must install Microsoft Word first, please try again!");
  EXPECT_STREQ(value, "untouched");
}

}  // namespace
}  // namespace quillet
