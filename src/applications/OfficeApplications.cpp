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

Status TOfficeApplications::StartApplication(TApplication app) {
  switch (app) {
    case TApplication::Word:
    case TApplication::Excel:
    case TApplication::PowerPoint:
      return StartOffice(app);
    case TApplication::Acrobat:
      return StartAcrobat();
    case TApplication::NoWord:
      return LoadFormatBridge();
  }
  throw Error("Not an application: " + std::to_string(static_cast<int>(app)));
}

Status TOfficeApplications::StartOffice(TApplication app) {
  TApplicationSlot* const held = OfficeSlot(app);
  if (!held) throw Error("\"" + std::string(ApplicationInfo(app).Name) + "\" is not an Office application");
  TApplicationSlot& slot = *held;
  if (slot.Started) return Status::Ok();
  const TApplicationInfo& info = ApplicationInfo(app);
  if (!slot.Start(info.ProgIds)) return Status(ErrorCode::NotInstalled, std::string(info.NotInstalledText));
  if (app != TApplication::PowerPoint) {
    Ignoring([&] { slot.Object.Put("Visible", false); });
  } else if (!slot.Created) {
    // A PowerPoint of the user's is minimised while the converter holds it;
    // one that the converter made is left as it starts.
    Ignoring([&] { slot.Object.Put("WindowState", 2); });
  }
  return Status::Ok();
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

TApplicationSlot* TOfficeApplications::SlotOf(TApplication app) {
  return app == TApplication::Acrobat ? &AcrobatServer : OfficeSlot(app);
}

const ole::Variant& TOfficeApplications::OfficeApplication(TApplication app) const {
  return OfficeApplication(std::string(ApplicationInfo(app).Name));
}

const ole::Variant& TOfficeApplications::OfficeApplication(const std::string& appName) const {
  const std::optional<TApplication> app = ApplicationNamed(appName);
  const TApplicationSlot* slot = app ? const_cast<TOfficeApplications&>(*this).OfficeSlot(*app) : nullptr;
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

Status TOfficeApplications::LoadFormatBridge() {
  if (FormatBridgeLoaded) return Status::Ok();
  // A module kept from an earlier failed attempt is given back first: retries
  // do not pile up references, and a library that was replaced in the
  // meantime is really loaded afresh rather than found already in memory.
  FormatBridgeModule.reset();
  FormatBridgeModule = os::Module::Load(os::LibraryFileName(kFormatBridgeName));
  if (!FormatBridgeModule) return Status(ErrorCode::NotInstalled, texts::kCannotLoadFormatBridge);
  NoWordConvertProc = reinterpret_cast<NoWordConvertFn>(FormatBridgeModule.Symbol("NoWordConvert"));
  if (!NoWordConvertProc) return Status(ErrorCode::NotInstalled, texts::FormatBridgeEntryMissing("NoWordConvert"));
  GetSourceFormatListProc = reinterpret_cast<BridgeProc>(FormatBridgeModule.Symbol("GetSourceFormatList"));
  if (!GetSourceFormatListProc)
    return Status(ErrorCode::NotInstalled, texts::FormatBridgeEntryMissing("GetSourceFormatList"));
  GetDestFormatListProc = reinterpret_cast<BridgeProc>(FormatBridgeModule.Symbol("GetDestFormatList"));
  if (!GetDestFormatListProc)
    return Status(ErrorCode::NotInstalled, texts::FormatBridgeEntryMissing("GetDestFormatList"));
  NoWordAbortProc = reinterpret_cast<BridgeProc>(FormatBridgeModule.Symbol("NoWordAbort"));
  FormatBridgeLoaded = true;
  return Status::Ok();
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
