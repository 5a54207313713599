// The plug-in bridge double, "plugkit.PKApplication": the object the
// converter's Acrobat route talks to. It shares the "Acrobat" script and
// transcript with the Acrobat program double, so that one transcript shows
// the order of what the program and the bridge saw.
//
// PKApplication members:
//   IsPlug_insLoadOk  (method or get) the script's PlugInsLoadOk (default 1)
//   ConvertFile(SrcFile, DestFile, Option, ErrorText)
//     reads SrcFile as the double's stand-in for a PDF, a text file whose
//     lines hold cells separated by "|", and writes DestFile with one line per
//     source line, CR LF after each, its cells joined by the character after
//     "delimit=" in Option (by one blank without a delimiter option). The
//     answer goes into ErrorText, which must be passed by reference as a text:
//     empty on success, the script's ConvertAnswer when one is scripted
//     (nothing is written then), "Can not open <SrcFile>" for a source that
//     cannot be read, "Can not write <DestFile>" for a destination that cannot
//     be written.
#pragma once

#include "platform/com/com.h"

namespace quillet::doubles {

const CLSID& PlugKitClsid();

// A new PKApplication with one reference for the caller.
IDispatch* CreatePlugKit();

// The class factory of PKApplication, with one reference for the caller.
IClassFactory* CreatePlugKitFactory();

}  // namespace quillet::doubles
