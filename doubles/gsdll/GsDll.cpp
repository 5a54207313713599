// The Ghostscript library double, GSDLL32.dll (GSDLL64.dll in the 64-bit
// build): the five entry points of the library's older interface. It writes
// Ghostscript.transcript in the control folder (one line per call; gsdll_init
// also one "arg" line per entry of its argument vector) and reads
// Ghostscript.script at every gsdll_init:
//   Fail=gsdll_execute_begin   that entry point answers -1 (repeatable)
// gsdll_init runs the "conversion" as the library does: the PostScript file
// after -f must exist and start with "%!" (else it answers -100), and the
// file of -sOutputFile= gets a small PDF naming it. The callback is given
// one line of output.
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "core/Files.h"
#include "core/Printing.h"
#include "core/Session.h"
#include "platform/file.h"

namespace {

using Callback = int(__stdcall*)(int message, char* text, unsigned long length);

std::set<std::string> g_failing;

void Write(const std::string& line) {
  const std::string dir = quillet::doubles::ControlDir();
  if (dir.empty()) return;
  if (const quillet::os::UniqueFile f{std::fopen((dir + "\\Ghostscript.transcript").c_str(), "ab")})
    std::fputs((line + "\n").c_str(), f.get());
}

void ReadScript() {
  g_failing.clear();
  const std::string dir = quillet::doubles::ControlDir();
  if (dir.empty()) return;
  std::ifstream in(dir + "\\Ghostscript.script");
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.rfind("Fail=", 0) == 0) g_failing.insert(line.substr(5));
  }
}

int Answer(const char* entry) { return g_failing.count(entry) ? -1 : 0; }

// What the real library does inside its initialisation with -dBATCH: the
// whole conversion.
int Convert(int argc, char** argv) {
  std::string ps, pdf;
  for (int i = 0; i < argc; ++i) {
    const std::string a = argv[i] ? argv[i] : "";
    if (a.rfind("-sOutputFile=", 0) == 0) pdf = a.substr(13);
    if (a == "-f" && i + 1 < argc && argv[i + 1]) ps = argv[i + 1];
  }
  std::ifstream in(ps, std::ios::binary);
  char head[2] = {};
  if (!in || !in.read(head, 2) || head[0] != '%' || head[1] != '!') return -100;
  try {
    quillet::doubles::WriteWholeFile(pdf,
                                     quillet::doubles::SmallPdf("Distilled from " + quillet::doubles::BaseName(ps)));
  } catch (const std::exception&) {
    return -100;
  }
  return 0;
}

}  // namespace

extern "C" __declspec(dllexport) int __stdcall gsdll_init(Callback callback, HWND window, int argc, char** argv) {
  ReadScript();
  Write(std::string("call gsdll_init ") + (callback ? "<callback>" : "Null") + ", " + (window ? "<window>" : "Null") +
        ", " + std::to_string(argc));
  for (int i = 0; i < argc; ++i) Write(std::string("arg ") + (argv[i] ? argv[i] : "Null"));
  if (callback) {
    char text[] = "Ghostscript double\n";
    callback(2, text, sizeof text - 1);
  }
  if (const int failed = Answer("gsdll_init")) return failed;
  return Convert(argc, argv);
}

extern "C" __declspec(dllexport) int __stdcall gsdll_execute_begin() {
  Write("call gsdll_execute_begin");
  return Answer("gsdll_execute_begin");
}

extern "C" __declspec(dllexport) int __stdcall gsdll_execute_cont(const char* text, int length) {
  Write(std::string("call gsdll_execute_cont ") +
        (text ? "\"" + std::string(text, length > 0 ? length : 0) + "\"" : "Null") + ", " + std::to_string(length));
  return Answer("gsdll_execute_cont");
}

extern "C" __declspec(dllexport) int __stdcall gsdll_execute_end() {
  Write("call gsdll_execute_end");
  return Answer("gsdll_execute_end");
}

extern "C" __declspec(dllexport) int __stdcall gsdll_exit() {
  Write("call gsdll_exit");
  return Answer("gsdll_exit");
}
