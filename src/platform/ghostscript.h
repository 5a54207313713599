// The Ghostscript library, bound by its five-call interface: an
// initialisation with the argument vector, the begin, continue and end of an
// execution, and the exit.
//
// Windows: "GSDLL32.dll" ("GSDLL64.dll" in the 64-bit build), loaded by plain
// name with the system's search rules, its five exports looked up by name.
// The failure texts name gsdll32.dll in every build: callers match on them. Linux: Debian's libgs (libgs.so.10),
// whose interface is the newer gsapi_* one; the five calls are an adapter
// over it: the initialisation makes an instance and runs the arguments (the
// interpreter's "quit" after -dBATCH is its normal end, not a failure), the
// execution calls run strings on an interpreter that is still running (and
// do nothing once it has quit), and the exit ends and deletes the instance.
// The older library's .setpdfwrite, which newer ones have dropped, is defined
// for the arguments as doing nothing (what newer ones do by default).
// Either way the library is never unloaded once bound.
#pragma once

#include "platform/module.h"

namespace quillet::os {

// The library's message callback: a message code, a text and its length.
using GhostscriptCallbackFn = int(QUILLET_LIBRARY_CALL*)(int message, char* text, unsigned long length);

struct GhostscriptEntries {
  int(QUILLET_LIBRARY_CALL* init)(GhostscriptCallbackFn callback, void* window, int argc, char** argv) = nullptr;
  int(QUILLET_LIBRARY_CALL* executeBegin)() = nullptr;
  int(QUILLET_LIBRARY_CALL* executeCont)(const char* text, int length) = nullptr;
  int(QUILLET_LIBRARY_CALL* executeEnd)() = nullptr;
  int(QUILLET_LIBRARY_CALL* exit)() = nullptr;
};

// Loads the library and binds all five entry points. False when the library
// cannot be loaded or lacks one of them; a library that was loaded stays so.
bool BindGhostscript(GhostscriptEntries& entries);

}  // namespace quillet::os
