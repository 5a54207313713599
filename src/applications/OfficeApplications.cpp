// Getting hold of Word, Excel and PowerPoint, loading the format library, and
// giving everything back when the converter goes.
#include <initializer_list>

#include "engine/OfficeConvert.h"
#include "engine/Options.h"
#include "platform/error.h"

namespace quillet {

namespace {

// The format library is looked for by plain name, with the system's search
// rules. Its messages name the Windows file on every system.
constexpr const char* kFormatBridgeName = "fmtbridge";

const char* const kWordProgIds[] = {"Word.Application", "Word.Application.8", "Word.Application.9",
                                    "Word.Application.10", "Word.Basic"};

// Tries each ProgID in order and keeps the first object obtained.
bool StartOffice(std::initializer_list<const char*> progIds, ole::Variant& app, bool& started, bool& created) {
  created = false;
  started = false;
  for (const char* progId : progIds) {
    try {
      bool made = false;
      app = TOfficeConvertClass::AttachOrCreateOleObject(progId, made);
      created = made;
      started = true;
      return true;
    } catch (const std::exception&) {
      // not registered, not running and not creatable: the next ProgID
    }
  }
  return false;
}

// A step whose failure is of no consequence.
template <class F>
void Ignoring(F step) {
  try {
    step();
  } catch (const std::exception&) {
  }
}

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

ole::Variant TOfficeConvertClass::AttachOrCreateOleObject(const std::string& progId, bool& created) {
  created = false;
  ole::OleObject object;
  if (ole::GetActiveOleObject(progId, object)) return ole::Variant(std::move(object));
  object = ole::CreateOleObject(progId);
  created = true;
  return ole::Variant(std::move(object));
}

bool TOfficeConvertClass::StartWord(std::string& errorText) {
  if (WordStarted) return true;
  if (!StartOffice({kWordProgIds[0], kWordProgIds[1], kWordProgIds[2], kWordProgIds[3], kWordProgIds[4]}, WordApp,
                   WordStarted, WordCreated)) {
    errorText = "Can not load Microsoft Word, you must install Microsoft Word first, please try again!";
    return false;
  }
  Ignoring([&] { WordApp.Put("Visible", false); });
  return true;
}

bool TOfficeConvertClass::StartExcel(std::string& errorText) {
  if (ExcelStarted) return true;
  if (!StartOffice({"Excel.Application"}, ExcelApp, ExcelStarted, ExcelCreated)) {
    errorText = "Can not load Microsoft Excel, you must install Microsoft Excel first, please try again!";
    return false;
  }
  Ignoring([&] { ExcelApp.Put("Visible", false); });
  return true;
}

bool TOfficeConvertClass::StartPowerPoint(std::string& errorText) {
  if (PowerPointStarted) return true;
  if (!StartOffice({"PowerPoint.Application"}, PowerPointApp, PowerPointStarted, PowerPointCreated)) {
    errorText =
        "Can not load Microsoft PowerPoint, you must install Microsoft PowerPoint first, please try again!";
    return false;
  }
  // A PowerPoint of the user's is minimised while the converter holds it; one
  // that the converter made is left as it starts.
  if (!PowerPointCreated) Ignoring([&] { PowerPointApp.Put("WindowState", 2); });
  return true;
}

bool TOfficeConvertClass::StartAcrobat(std::string& errorText) {
  errorText = "Can not start Adobe Acrobat: Acrobat control is not available in this build";
  return false;
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

namespace {

// Quits an application the converter created; shows again one it borrowed
// (that call may raise, and the caller decides what happens then).
void CloseOffice(bool started, bool created, ole::Variant& app) {
  if (!started) return;
  if (created) {
    Ignoring([&] { app.Call("Quit"); });
    Ignoring([&] { app = ole::Variant(); });
  } else {
    app.Put("Visible", true);
  }
}

}  // namespace

bool TOfficeConvertClass::CloseWord() {
  CloseOffice(WordStarted, WordCreated, WordApp);
  return true;
}

bool TOfficeConvertClass::CloseExcel() {
  CloseOffice(ExcelStarted, ExcelCreated, ExcelApp);
  return true;
}

bool TOfficeConvertClass::ClosePowerPoint() {
  CloseOffice(PowerPointStarted, PowerPointCreated, PowerPointApp);
  return true;
}

bool TOfficeConvertClass::ReleaseAcrobatBridge() {
  // Acrobat itself is neither quit nor shown, whoever started it.
  if (AcrobatStarted) AcrobatBridge = ole::Variant();
  return true;
}

bool TOfficeConvertClass::UnloadFormatBridge() {
  // The entry points go with the module: nothing may call into unmapped code.
  FormatBridgeLoaded = false;
  NoWordConvertProc = nullptr;
  GetSourceFormatListProc = nullptr;
  GetDestFormatListProc = nullptr;
  FormatBridgeModule.reset();
  return true;
}

}  // namespace quillet
