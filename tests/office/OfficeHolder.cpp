// A program that holds the Word stand-in, for the tests of what becomes of
// its office when a program ends: it creates Word through the server
// registry of QUILLET_AUTOMATION_REGISTRY, prints the process id of the
// office it started, and then ends ("exit": a plain exit without Quit) or
// waits to be killed ("wait").
#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <exception>

#include "utilities/Automation.h"

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  try {
    quillet::ole::Variant word(quillet::ole::CreateOleObject("Word.Application"));
    void* lib = ::dlopen(argv[1], RTLD_NOW | RTLD_NOLOAD);
    auto started = lib ? reinterpret_cast<int (*)()>(::dlsym(lib, "OfficeStartedProcess")) : nullptr;
    std::printf("%d\n", started ? started() : -1);
    std::fflush(stdout);
    if (std::strcmp(argv[2], "wait") == 0)
      for (;;) ::pause();
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
}
