// The format library double. One source, four builds: the full library and
// three that each lack one export (FMTBRIDGE_WITHOUT names it). Calls of
// NoWordConvert are appended to <QUILLET_DOUBLES_DIR>/fmtbridge.transcript;
// <QUILLET_DOUBLES_DIR>/fmtbridge.script, when present and not empty, holds
// the error text that every conversion returns. Otherwise a conversion writes
// the destination: one line naming the source, the open format and the
// destination format, or for a destination whose path holds ".htm" a web page
// with that line and a picture in its supporting folder.
// <QUILLET_DOUBLES_DIR>/fmtbridge.hang, when present, makes a conversion
// hang until NoWordAbort is called; it then fails with "The conversion was
// stopped".
#include <atomic>
#include <chrono>
#include <thread>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "BridgeExport.h"

#define WITHOUT_NoWordConvert 1
#define WITHOUT_GetSourceFormatList 2
#define WITHOUT_GetDestFormatList 3

namespace {

[[maybe_unused]] std::string ControlFile(const char* leaf) {
  const char* dir = std::getenv("QUILLET_DOUBLES_DIR");
  return dir && *dir ? std::string(dir) + "/" + leaf : std::string();
}

[[maybe_unused]] std::string Quoted(const char* s) {
  std::string out = "\"";
  for (const char* p = s ? s : ""; *p; ++p) {
    if (*p == '"') out += '"';
    out += *p;
  }
  return out + "\"";
}

[[maybe_unused]] bool WriteFile(const std::string& file, const std::string& bytes) {
  FILE* f = std::fopen(file.c_str(), "wb");
  if (!f) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && written;
}

// The destination as a converter would write it; the error text, empty when
// it was written.
[[maybe_unused]] std::string Convert(const char* src, const char* openFormat, const char* dest,
                                     const char* destFormat) {
  const std::string path = dest ? dest : "";
  const std::string line = "fmtbridge converted " + Quoted(src) + " with open format " + Quoted(openFormat) +
                           " to format " + Quoted(destFormat);
  if (path.find(".htm") == std::string::npos) return WriteFile(path, line + "\r\n") ? "" : "Can not write " + path;
  // A web page and its supporting folder: <page without extension>.files.
  const size_t delimiter = path.find_last_of("\\/:");
  const size_t start = delimiter == std::string::npos ? 0 : delimiter + 1;
  const size_t dot = path.find_last_of('.');
  const std::string stem = dot != std::string::npos && dot >= start ? path.substr(0, dot) : path;
  const std::string folderName = stem.substr(start) + ".files";
  const std::string page = "<html><head><title>converted</title></head>\r\n<body>\r\n<p>" + line +
                           "</p>\r\n<p><img src=\"" + folderName +
                           "/image001.gif\" width=1 height=1></p>\r\n"
                           "</body></html>\r\n";
  if (!WriteFile(path, page)) return "Can not write " + path;
  std::error_code ec;
  std::filesystem::create_directories(stem + ".files", ec);
  if (ec || !WriteFile(stem + ".files/image001.gif", "GIF89a")) return "Can not write the pictures of " + path;
  return "";
}

std::atomic<bool> g_stopped{false};

// A conversion that never ends by itself: it waits for NoWordAbort.
[[maybe_unused]] bool HangUntilStopped() {
  const std::string hang = ControlFile("fmtbridge.hang");
  if (hang.empty() || !std::filesystem::exists(hang)) return false;
  g_stopped = false;
  while (!g_stopped) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  return true;
}

}  // namespace

BRIDGE_EXPORT void BRIDGE_CALL NoWordAbort() { g_stopped = true; }

#if FMTBRIDGE_WITHOUT != WITHOUT_NoWordConvert
BRIDGE_EXPORT int BRIDGE_CALL NoWordConvert(const char* src, const char* openFormat, const char* dest,
                                            const char* destFormat, char* errorText) {
  const std::string transcript = ControlFile("fmtbridge.transcript");
  if (!transcript.empty()) {
    if (FILE* f = std::fopen(transcript.c_str(), "ab")) {
      std::fprintf(f, "call NoWordConvert %s, %s, %s, %s, %s\n", Quoted(src).c_str(), Quoted(openFormat).c_str(),
                   Quoted(dest).c_str(), Quoted(destFormat).c_str(), Quoted(errorText).c_str());
      std::fclose(f);
    }
  }
  char error[1024] = "";
  if (HangUntilStopped()) {
    if (errorText) std::strcpy(errorText, "The conversion was stopped");
    return 0;
  }
  const std::string script = ControlFile("fmtbridge.script");
  if (FILE* f = script.empty() ? nullptr : std::fopen(script.c_str(), "rb")) {
    const size_t n = std::fread(error, 1, sizeof error - 1, f);
    error[n] = 0;
    std::fclose(f);
  }
  if (!error[0]) {
    const std::string failure = Convert(src, openFormat, dest, destFormat);
    std::snprintf(error, sizeof error, "%s", failure.c_str());
  }
  if (errorText) std::strcpy(errorText, error);
  return error[0] ? 0 : 1;
}
#endif

#if FMTBRIDGE_WITHOUT != WITHOUT_GetSourceFormatList
BRIDGE_EXPORT int BRIDGE_CALL GetSourceFormatList(char* buffer, int size) {
  static const char kList[] = "Word Documents(*.doc):0:*.doc:";
  if (buffer && size > 0) std::snprintf(buffer, static_cast<size_t>(size), "%s", kList);
  return static_cast<int>(sizeof kList - 1);
}
#endif

#if FMTBRIDGE_WITHOUT != WITHOUT_GetDestFormatList
BRIDGE_EXPORT int BRIDGE_CALL GetDestFormatList(char* buffer, int size) {
  static const char kList[] = "2=Text only(*.txt):2:*.txt:";
  if (buffer && size > 0) std::snprintf(buffer, static_cast<size_t>(size), "%s", kList);
  return static_cast<int>(sizeof kList - 1);
}
#endif
