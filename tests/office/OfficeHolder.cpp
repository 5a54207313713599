// A program that holds the Word stand-in, for the tests of what becomes of
// its office when a program ends: it creates Word through the server
// registry of QUILLET_AUTOMATION_REGISTRY, prints the process id of the
// office it started, and then exits ("exit") or waits to be killed ("wait").
// It exits the way a program using libquillet.so does: with Word still
// held, which the library's own clean-up, running after the stand-ins'
// exit handler, quits and releases.
#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>

#include "utilities/automation/Automation.h"

namespace {

quillet::ole::Variant* g_word = nullptr;

void GiveWordBack() {
  try {
    g_word->Call("Quit");
  } catch (const std::exception&) {
    // the office may already be gone
  }
  *g_word = quillet::ole::Variant();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  try {
    static quillet::ole::Variant word;
    g_word = &word;
    std::atexit(GiveWordBack);  // registered first, so it runs last
    word = quillet::ole::Variant(quillet::ole::CreateOleObject("Word.Application"));
    word.Get("Documents");  // the office is taken by the first member that needs it
    void* lib = ::dlopen(argv[1], RTLD_NOW | RTLD_NOLOAD);
    auto started = lib ? reinterpret_cast<int (*)()>(::dlsym(lib, "OfficeStartedProcess")) : nullptr;
    std::printf("%d\n", started ? started() : -1);
    std::fflush(stdout);
    if (std::strcmp(argv[2], "wait") == 0)
      for (;;) ::pause();
    std::exit(0);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
}
