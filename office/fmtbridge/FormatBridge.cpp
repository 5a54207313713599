// libfmtbridge.so, the format library of the conversions without Word on
// Linux: NoWordConvert, GetSourceFormatList and GetDestFormatList. The work is
// done by the office stand-ins (libquillet-office.so, in this library's own
// folder), loaded on first use and kept for the life of the process, so that
// the conversions share the office of the stand-in applications.
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>

#define BRIDGE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

// The caller's error buffer holds this many bytes, the terminating zero included.
constexpr int kErrorBufferSize = 1024;

using ConvertFn = int (*)(const char*, const char*, const char*, const char*, char*, int);
using ListFn = int (*)(int, char*, int);
using ReleaseFn = void (*)();
using AbortFn = void (*)();

// Trivially destructible: nothing of it needs to run when this library goes.
struct StandIns {
  ConvertFn convert = nullptr;
  ListFn list = nullptr;
  ReleaseFn release = nullptr;
  AbortFn abort = nullptr;  // optional
  char failure[512] = "";   // why they could not be loaded
};

std::string OwnFolder() {
  Dl_info info{};
  if (!::dladdr(reinterpret_cast<void*>(&OwnFolder), &info) || !info.dli_fname) return ".";
  std::string path = info.dli_fname;
  if (char* real = ::realpath(path.c_str(), nullptr)) {
    path = real;
    std::free(real);
  }
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

std::mutex g_lock;
bool g_loaded = false;
StandIns g_standIns;  // the office library itself is never unloaded

const StandIns& Loaded() {
  std::lock_guard<std::mutex> guard(g_lock);
  if (g_loaded) return g_standIns;
  g_loaded = true;
  StandIns& s = g_standIns;
  const std::string library = OwnFolder() + "/libquillet-office.so";
  if (void* h = ::dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL)) {
    s.convert = reinterpret_cast<ConvertFn>(::dlsym(h, "FormatLibraryConvert"));
    s.list = reinterpret_cast<ListFn>(::dlsym(h, "FormatLibraryList"));
    s.release = reinterpret_cast<ReleaseFn>(::dlsym(h, "FormatLibraryRelease"));
    s.abort = reinterpret_cast<AbortFn>(::dlsym(h, "FormatLibraryAbort"));
    if (!s.convert || !s.list || !s.release) {
      std::snprintf(s.failure, sizeof s.failure, "%s lacks the format library's entry points", library.c_str());
      s.convert = nullptr;
      s.list = nullptr;
    }
  } else {
    const char* why = ::dlerror();
    std::snprintf(s.failure, sizeof s.failure, "%s", why ? why : ("cannot load " + library).c_str());
  }
  return s;
}

void Fail(char* errorText, const std::string& why) {
  if (errorText)
    std::snprintf(errorText, kErrorBufferSize, "The format library cannot reach LibreOffice: %s", why.c_str());
}

// When the converter unloads this library, the office it held is let go.
__attribute__((destructor)) void Unloaded() {
  std::lock_guard<std::mutex> guard(g_lock);
  if (g_loaded && g_standIns.release) g_standIns.release();
}

}  // namespace

BRIDGE_EXPORT int NoWordConvert(const char* src, const char* openFormat, const char* dest, const char* destFormat,
                                char* errorText) {
  const StandIns& s = Loaded();
  if (!s.convert) {
    Fail(errorText, s.failure);
    return 0;
  }
  return s.convert(src, openFormat, dest, destFormat, errorText, kErrorBufferSize);
}

// Ends the conversion in progress, from another thread: NoWordConvert then
// returns with an error. Does nothing when none runs.
BRIDGE_EXPORT void NoWordAbort() {
  const StandIns& s = Loaded();
  if (s.abort) s.abort();
}

namespace {

// Which: 0 the formats read, 1 those written; an empty list without the stand-ins.
int List(int which, char* buffer, int size) {
  const StandIns& s = Loaded();
  if (s.list) return s.list(which, buffer, size);
  if (buffer && size > 0) buffer[0] = 0;
  return 0;
}

}  // namespace

BRIDGE_EXPORT int GetSourceFormatList(char* buffer, int size) { return List(0, buffer, size); }

BRIDGE_EXPORT int GetDestFormatList(char* buffer, int size) { return List(1, buffer, size); }
