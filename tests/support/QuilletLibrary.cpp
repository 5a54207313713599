#include "QuilletLibrary.h"

#include <stdexcept>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#define ENTRY_CALL __stdcall
#else
#include <dlfcn.h>
#define ENTRY_CALL
#endif

namespace quillet::test {

namespace {

using ConvertSingleFileFn = uint8_t(ENTRY_CALL*)(const char*, const char*, const char*, const char*, char*);
using ConvertFolderFn = uint8_t(ENTRY_CALL*)(const char*, const char*, const char*, int32_t, const char*, const char*);
using GetFieldValueFn = int32_t(ENTRY_CALL*)(const char*, const char*, char*, int32_t, char*);

void* Entry(void* handle, const char* name) {
#ifdef _WIN32
  return reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(handle), name));
#else
  return ::dlsym(handle, name);
#endif
}

}  // namespace

QuilletLibrary::QuilletLibrary(const std::string& libraryPath) : path_(libraryPath) { Load(); }

void QuilletLibrary::Reload() {
  Unload();
  Load();
}

void QuilletLibrary::Load() {
  const std::string& libraryPath = path_;
#ifdef _WIN32
  std::string path = libraryPath;
  if (!path.empty() && path[0] == '/') path = "Z:" + path;
  for (char& c : path)
    if (c == '/') c = '\\';
  handle_ = ::LoadLibraryA(path.c_str());
#else
  handle_ = ::dlopen(libraryPath.c_str(), RTLD_NOW | RTLD_LOCAL);
#endif
  if (!handle_) throw std::runtime_error("cannot load " + libraryPath);
  convertSingleFile_ = Entry(handle_, "ConvertSingleFile");
  convertFolder_ = Entry(handle_, "ConvertFolder");
  getFieldValue_ = Entry(handle_, "GetFieldValue");
  if (!convertSingleFile_ || !convertFolder_ || !getFieldValue_)
    throw std::runtime_error(libraryPath + " lacks an entry point");
}

QuilletLibrary::~QuilletLibrary() { Unload(); }

void QuilletLibrary::Unload() {
  if (!handle_) return;
#ifdef _WIN32
  ::FreeLibrary(static_cast<HMODULE>(handle_));
#else
  ::dlclose(handle_);
#endif
  handle_ = nullptr;
}

QuilletLibrary::Outcome QuilletLibrary::ConvertSingleFile(const std::string& src, const std::string& dest,
                                                          const std::string& destFormat, const std::string& option) {
  std::vector<char> error(64 * 1024, '#');
  const uint8_t ok = reinterpret_cast<ConvertSingleFileFn>(convertSingleFile_)(
      src.c_str(), dest.c_str(), destFormat.c_str(), option.c_str(), error.data());
  return {ok != 0, error.data()};
}

bool QuilletLibrary::ConvertSingleFileRaw(const char* src, const char* dest, const char* destFormat, const char* option,
                                          char* errorText) {
  return reinterpret_cast<ConvertSingleFileFn>(convertSingleFile_)(src, dest, destFormat, option, errorText) != 0;
}

bool QuilletLibrary::ConvertFolder(const std::string& src, const std::string& dest, const std::string& destFormat,
                                   int32_t isSubFolder, const std::string& option, const std::string& reportFile) {
  return reinterpret_cast<ConvertFolderFn>(convertFolder_)(src.c_str(), dest.c_str(), destFormat.c_str(), isSubFolder,
                                                           option.c_str(), reportFile.c_str()) != 0;
}

QuilletLibrary::Field QuilletLibrary::GetFieldValue(const std::string& name) {
  std::vector<char> error(64 * 1024, '#');
  const int32_t len = GetFieldValueRaw(name.c_str(), "", nullptr, 0, error.data());
  std::string value(static_cast<size_t>(len) + 1, '#');
  GetFieldValueRaw(name.c_str(), "", value.data(), len, error.data());
  value.resize(static_cast<size_t>(len));
  return {value, error.data()};
}

int32_t QuilletLibrary::GetFieldValueRaw(const char* name, const char* param, char* value, int32_t valueLen,
                                         char* error) {
  return reinterpret_cast<GetFieldValueFn>(getFieldValue_)(name, param, value, valueLen, error);
}

}  // namespace quillet::test
