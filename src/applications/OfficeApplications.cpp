// Getting hold of Word, Excel and PowerPoint, loading the format library, and
// giving everything back when the converter goes. Acrobat: AcrobatControl.cpp.
#include "applications/OfficeApplications.h"

#include <optional>

#include "platform/error.h"
#include "utilities/Guarded.h"
#include "utilities/Messages.h"

namespace quillet {

namespace {

// The format library is looked for by plain name, with the system's search
// rules. Its messages name the Windows file on every system.
constexpr const char* kFormatBridgeName = "fmtbridge";

}  // namespace

TOfficeApplications::TOfficeApplications() = default;

// The engine gives everything back first (CloseApplications); what is left
// here is released without any call.
TOfficeApplications::~TOfficeApplications() = default;

bool TOfficeApplications::StartApplication(const std::string& appName, std::string& errorText) {
  const std::optional<TApplication> app = ApplicationNamed(appName);
  if (!app) return false;
  switch (*app) {
    case TApplication::Word:
    case TApplication::Excel:
    case TApplication::PowerPoint:
      return StartOffice(*app, errorText);
    case TApplication::Acrobat:
      return StartAcrobat(errorText);
    case TApplication::NoWord:
      return LoadFormatBridge(errorText);
  }
  return false;
}

bool TOfficeApplications::StartOffice(TApplication app, std::string& errorText) {
  TApplicationSlot& slot = *OfficeSlot(app);
  if (slot.Started) return true;
  const TApplicationInfo& info = ApplicationInfo(app);
  if (!slot.Start(info.ProgIds)) {
    errorText = info.NotInstalledText;
    return false;
  }
  if (app != TApplication::PowerPoint) {
    Ignoring([&] { slot.Object.Put("Visible", false); });
  } else if (!slot.Created) {
    // A PowerPoint of the user's is minimised while the converter holds it;
    // one that the converter made is left as it starts.
    Ignoring([&] { slot.Object.Put("WindowState", 2); });
  }
  return true;
}

TApplicationSlot* TOfficeApplications::OfficeSlot(TApplication app) {
  switch (app) {
    case TApplication::Word:
      return &WordApp;
    case TApplication::Excel:
      return &ExcelApp;
    case TApplication::PowerPoint:
      return &PowerPointApp;
    default:
      return nullptr;
  }
}

TApplicationSlot* TOfficeApplications::OfficeSlot(const std::string& appName) {
  const std::optional<TApplication> app = ApplicationNamed(appName);
  return app ? OfficeSlot(*app) : nullptr;
}

const TApplicationSlot* TOfficeApplications::OfficeSlot(const std::string& appName) const {
  return const_cast<TOfficeApplications&>(*this).OfficeSlot(appName);
}

TApplicationSlot* TOfficeApplications::SlotOf(TApplication app) {
  return app == TApplication::Acrobat ? &AcrobatServer : OfficeSlot(app);
}

const ole::Variant& TOfficeApplications::OfficeApplication(const std::string& appName) const {
  const TApplicationSlot* slot = OfficeSlot(appName);
  if (!slot) throw Error("\"" + appName + "\" is not an Office application");
  if (!slot->Started) throw Error(appName + " is not running");
  return slot->Object;
}

std::string TOfficeApplications::DisplayName(const TApplicationSlot& slot) const {
  if (&slot == &AcrobatServer) return std::string(ApplicationInfo(TApplication::Acrobat).DisplayName);
  if (&slot == &ExcelApp) return std::string(ApplicationInfo(TApplication::Excel).DisplayName);
  if (&slot == &PowerPointApp) return std::string(ApplicationInfo(TApplication::PowerPoint).DisplayName);
  return std::string(ApplicationInfo(TApplication::Word).DisplayName);
}

void TOfficeApplications::GiveUp(TApplicationSlot& slot, uint32_t threadId) {
  if (&slot != &AcrobatServer) {
    slot.GiveUp(threadId);
    return;
  }
  if (!AcrobatServer.Started) return;
  // The bridge has no window to show again. A bridge of the converter's own
  // has been ended (or has died): its reference is released; one it attached
  // to may not answer a release and is let go without one.
  if (AcrobatServer.Created) {
    Ignoring([&] { AcrobatBridge = ole::Variant(); });
  } else {
    AcrobatBridge.Leak();
  }
  AcrobatStarted = false;
  AcrobatServer.GiveUp(threadId, TApplicationSlot::kNotShown);
}

void TOfficeApplications::NoWordConvert(const char* src, const char* openFormat, const char* dest,
                                        const char* destFormat, char* errorText) {
  bridgeConverting_ = true;
  NoWordConvertProc(src, openFormat, dest, destFormat, errorText);
  bridgeConverting_ = false;
}

bool TOfficeApplications::StopNoWordConvert() {
  if (!NoWordAbortProc || !bridgeConverting_.exchange(false)) return false;
  NoWordAbortProc();
  return true;
}

bool TOfficeApplications::LoadFormatBridge(std::string& errorText) {
  if (FormatBridgeLoaded) return true;
  // A module kept from an earlier failed attempt is given back first: retries
  // do not pile up references, and a library that was replaced in the
  // meantime is really loaded afresh rather than found already in memory.
  FormatBridgeModule.reset();
  FormatBridgeModule = os::Module::Load(os::LibraryFileName(kFormatBridgeName));
  if (!FormatBridgeModule) {
    errorText = texts::kCannotLoadFormatBridge;
    return false;
  }
  NoWordConvertProc = reinterpret_cast<NoWordConvertFn>(FormatBridgeModule.Symbol("NoWordConvert"));
  if (!NoWordConvertProc) {
    errorText = texts::FormatBridgeEntryMissing("NoWordConvert");
    return false;
  }
  GetSourceFormatListProc = reinterpret_cast<BridgeProc>(FormatBridgeModule.Symbol("GetSourceFormatList"));
  if (!GetSourceFormatListProc) {
    errorText = texts::FormatBridgeEntryMissing("GetSourceFormatList");
    return false;
  }
  GetDestFormatListProc = reinterpret_cast<BridgeProc>(FormatBridgeModule.Symbol("GetDestFormatList"));
  if (!GetDestFormatListProc) {
    errorText = texts::FormatBridgeEntryMissing("GetDestFormatList");
    return false;
  }
  NoWordAbortProc = reinterpret_cast<BridgeProc>(FormatBridgeModule.Symbol("NoWordAbort"));
  FormatBridgeLoaded = true;
  return true;
}

void TOfficeApplications::CloseApplications() {
  // Each step on its own: an application that cannot be shown again (it was
  // closed by its user, or its process died) must not keep the others from
  // being quit or shown, nor the format library from being unloaded. This also
  // keeps the destructor, which calls this, free of exceptions.
  Ignoring([&] { CloseWord(); });
  Ignoring([&] { CloseExcel(); });
  Ignoring([&] { ClosePowerPoint(); });
  Ignoring([&] { ReleaseAcrobatBridge(); });
  Ignoring([&] { UnloadFormatBridge(); });
}

bool TOfficeApplications::CloseWord() {
  WordApp.Close();
  return true;
}

bool TOfficeApplications::CloseExcel() {
  ExcelApp.Close();
  return true;
}

bool TOfficeApplications::ClosePowerPoint() {
  PowerPointApp.Close();
  return true;
}

bool TOfficeApplications::UnloadFormatBridge() {
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
