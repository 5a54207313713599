// Getting hold of Word, Excel and PowerPoint, loading the format library, and
// giving everything back when the converter goes. Acrobat: AcrobatControl.cpp.
#include "engine/OfficeConvert.h"
#include "engine/Options.h"
#include "utilities/Guarded.h"

namespace quillet {

namespace {

// The format library is looked for by plain name, with the system's search
// rules. Its messages name the Windows file on every system.
constexpr const char* kFormatBridgeName = "fmtbridge";

}  // namespace

bool TOfficeConvertClass::StartApplication(const std::string& appName, std::string& errorText) {
  TConvertBaseClass::StartApplication(appName, errorText);
  if (appName == options::kMsWord) return StartWord(errorText);
  if (appName == options::kMsExcel) return StartExcel(errorText);
  if (appName == options::kMsPowerpoint) return StartPowerPoint(errorText);
  if (appName == options::kAdobeAcrobat) return StartAcrobat(errorText);
  if (appName == options::kNoMsWord) return LoadFormatBridge(errorText);
  return false;
}

bool TOfficeConvertClass::StartWord(std::string& errorText) {
  if (WordApp.Started) return true;
  if (!WordApp.Start({"Word.Application", "Word.Application.8", "Word.Application.9", "Word.Application.10",
                      "Word.Basic"})) {
    errorText = "Can not load Microsoft Word, you must install Microsoft Word first, please try again!";
    return false;
  }
  Ignoring([&] { WordApp.Object.Put("Visible", false); });
  return true;
}

bool TOfficeConvertClass::StartExcel(std::string& errorText) {
  if (ExcelApp.Started) return true;
  if (!ExcelApp.Start({"Excel.Application"})) {
    errorText = "Can not load Microsoft Excel, you must install Microsoft Excel first, please try again!";
    return false;
  }
  Ignoring([&] { ExcelApp.Object.Put("Visible", false); });
  return true;
}

bool TOfficeConvertClass::StartPowerPoint(std::string& errorText) {
  if (PowerPointApp.Started) return true;
  if (!PowerPointApp.Start({"PowerPoint.Application"})) {
    errorText =
        "Can not load Microsoft PowerPoint, you must install Microsoft PowerPoint first, please try again!";
    return false;
  }
  // A PowerPoint of the user's is minimised while the converter holds it; one
  // that the converter made is left as it starts.
  if (!PowerPointApp.Created) Ignoring([&] { PowerPointApp.Object.Put("WindowState", 2); });
  return true;
}

bool TOfficeConvertClass::LoadFormatBridge(std::string& errorText) {
  if (FormatBridgeLoaded) return true;
  // A module kept from an earlier failed attempt is given back first: retries
  // do not pile up references, and a library that was replaced in the
  // meantime is really loaded afresh rather than found already in memory.
  FormatBridgeModule.reset();
  FormatBridgeModule = os::Module::Load(os::LibraryFileName(kFormatBridgeName));
  if (!FormatBridgeModule) {
    errorText = "Error, Can not load \"fmtbridge.dll\"";
    return false;
  }
  NoWordConvertProc = reinterpret_cast<NoWordConvertFn>(FormatBridgeModule.Symbol("NoWordConvert"));
  if (!NoWordConvertProc) {
    errorText = "Error, Can not get \"NoWordConvert\" address of \"fmtbridge.dll\"";
    return false;
  }
  GetSourceFormatListProc = reinterpret_cast<BridgeProc>(FormatBridgeModule.Symbol("GetSourceFormatList"));
  if (!GetSourceFormatListProc) {
    errorText = "Error, Can not get \"GetSourceFormatList\" address of \"fmtbridge.dll\"";
    return false;
  }
  GetDestFormatListProc = reinterpret_cast<BridgeProc>(FormatBridgeModule.Symbol("GetDestFormatList"));
  if (!GetDestFormatListProc) {
    errorText = "Error, Can not get \"GetDestFormatList\" address of \"fmtbridge.dll\"";
    return false;
  }
  NoWordAbortProc = reinterpret_cast<BridgeProc>(FormatBridgeModule.Symbol("NoWordAbort"));
  FormatBridgeLoaded = true;
  return true;
}

bool TOfficeConvertClass::CloseApplications() {
  TConvertBaseClass::CloseApplications();
  // Each step on its own: an application that cannot be shown again (it was
  // closed by its user, or its process died) must not keep the others from
  // being quit or shown, nor the format library from being unloaded. This also
  // keeps the destructor, which calls this, free of exceptions.
  Ignoring([&] { CloseWord(); });
  Ignoring([&] { CloseExcel(); });
  Ignoring([&] { ClosePowerPoint(); });
  Ignoring([&] { ReleaseAcrobatBridge(); });
  Ignoring([&] { UnloadFormatBridge(); });
  return true;
}

bool TOfficeConvertClass::CloseWord() {
  WordApp.Close();
  return true;
}

bool TOfficeConvertClass::CloseExcel() {
  ExcelApp.Close();
  return true;
}

bool TOfficeConvertClass::ClosePowerPoint() {
  PowerPointApp.Close();
  return true;
}

bool TOfficeConvertClass::UnloadFormatBridge() {
  // The entry points go with the module: nothing may call into unmapped code.
  FormatBridgeLoaded = false;
  NoWordConvertProc = nullptr;
  GetSourceFormatListProc = nullptr;
  GetDestFormatListProc = nullptr;
  NoWordAbortProc = nullptr;
  FormatBridgeModule.reset();
  return true;
}

}  // namespace quillet
