// Acrobat control: where Acrobat and its plug-ins folder are, and what the
// start of Acrobat with its plug-in bridge waits for. The converter's part
// (StartAcrobat, LaunchAcrobat, ReleaseAcrobatBridge) is in AcrobatControl.cpp.
//
// Conversions through Acrobat do not drive Acrobat's own automation: the
// converter's plug-in inside Acrobat does the work, reached through the bridge
// server "plugkit.PKApplication" (plugkit.dll). On Windows the converter makes
// sure Acrobat runs (starting it hidden and waiting until its plug-ins have
// loaded), registers plugkit.dll when its class is missing, and asks the
// bridge whether the plug-in is loaded. On Linux the bridge is a stand-in that
// converts by itself: there is no Acrobat program to start or window to find.
#pragma once

#include "utilities/Maker.h"
#include <cstdint>
#include <string>

namespace quillet {

// The product name under which "set.ini" keeps the plug-ins folder.
inline constexpr const char* kAcrobatProductName = "Quillet COM";
// The bridge's ProgID.
inline constexpr const char* kPlugKitProgId = "plugkit.PKApplication";
// The mutex the plug-in holds while it loads inside Acrobat and lets go of
// when it is ready (the lower-cased address of the maker's help page; the
// plug-in uses the same name).
// The help page address in lower case (it is so already).
inline constexpr const char* kPlugInMutexName = kMakerHelpPage;

// How long starting Acrobat waits for each stage, in milliseconds.
struct AcrobatWaits {
  // Acrobat's DDE server window after the launch; when it does not appear in
  // time, the start goes on without waiting for the plug-in.
  uint32_t DdeServerMs = 500000;
  // The plug-in's mutex to exist.
  uint32_t MutexOpenMs = 10000;
  // The plug-in to let go of its mutex (it holds it while it loads).
  uint32_t PlugInReadyMs = 120000;
};

// The folder of Acrobat's program with a trailing delimiter, from the
// registry's application path of "Acrobat.exe" (its default value's folder,
// else its "path" value up to the first ";"); empty when the registry does not
// name one (always on Linux).
std::string GetAcrobatFolder();

// Acrobat's plug-ins folder: the "Plug-ins Path" of the section
// "Tarnwick\<ProductName>" of "set.ini" in the folder of the running
// program, when that section has any entry; otherwise (and when it lacks the
// key) GetAcrobatFolder() + "plug_ins" + a delimiter.
std::string GetAcrobatPlugInsFolder(const std::string& productName);

// The text for a plug-in that still holds its mutex after WaitMs.
std::string PlugInNotReadyText(uint32_t waitMs);

}  // namespace quillet
