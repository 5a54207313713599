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

bool TOfficeApplications::Held(TApplication app) const {
  switch (app) {
    case TApplication::Acrobat:
      return acrobatStarted_;
    case TApplication::NoWord:
      return formatBridgeLoaded_;
    default:
      return Slot(app).Started;
  }
}

const TApplicationSlot& TOfficeApplications::Slot(TApplication app) const {
  const TApplicationSlot* slot = const_cast<TOfficeApplications&>(*this).SlotOf(app);
  if (!slot) throw Error("\"" + std::string(ApplicationInfo(app).Name) + "\" has no application slot");
  return *slot;
}

TApplicationSlot* TOfficeApplications::OfficeSlot(TApplication app) {
  switch (app) {
    case TApplication::Word:
      return &word_;
    case TApplication::Excel:
      return &excel_;
    case TApplication::PowerPoint:
      return &powerPoint_;
    default:
      return nullptr;
  }
}

TApplicationSlot* TOfficeApplications::SlotOf(TApplication app) {
  return app == TApplication::Acrobat ? &acrobatServer_ : OfficeSlot(app);
}

const ole::Variant& TOfficeApplications::OfficeApplication(TApplication app) const {
  const std::string name(ApplicationInfo(app).Name);
  const TApplicationSlot* slot = const_cast<TOfficeApplications&>(*this).OfficeSlot(app);
  if (!slot) throw Error("\"" + name + "\" is not an Office application");
  if (!slot->Started) throw Error(name + " is not running");
  return slot->Object;
}

std::string TOfficeApplications::DisplayName(const TApplicationSlot& slot) const {
  if (&slot == &acrobatServer_) return std::string(ApplicationInfo(TApplication::Acrobat).DisplayName);
  if (&slot == &excel_) return std::string(ApplicationInfo(TApplication::Excel).DisplayName);
  if (&slot == &powerPoint_) return std::string(ApplicationInfo(TApplication::PowerPoint).DisplayName);
  return std::string(ApplicationInfo(TApplication::Word).DisplayName);
}

void TOfficeApplications::GiveUp(TApplicationSlot& slot, uint32_t threadId) {
  if (&slot != &acrobatServer_) {
    slot.GiveUp(threadId);
    return;
  }
  if (!acrobatServer_.Started) return;
  // The bridge has no window to show again. A bridge of the converter's own
  // has been ended (or has died): its reference is released; one it attached
  // to may not answer a release and is let go without one.
  if (acrobatServer_.Created) {
    Ignoring([&] { acrobatBridge_ = ole::Variant(); });
  } else {
    acrobatBridge_.Leak();
  }
  acrobatStarted_ = false;
  acrobatServer_.GiveUp(threadId, TApplicationSlot::kNotShown);
}

void TOfficeApplications::NoWordConvert(const char* src, const char* openFormat, const char* dest,
                                        const char* destFormat, char* errorText) {
  bridgeConverting_ = true;
  noWordConvertProc_(src, openFormat, dest, destFormat, errorText);
  bridgeConverting_ = false;
}

bool TOfficeApplications::StopNoWordConvert() {
  if (!noWordAbortProc_ || !bridgeConverting_.exchange(false)) return false;
  noWordAbortProc_();
  return true;
}

Status TOfficeApplications::LoadFormatBridge() {
  if (formatBridgeLoaded_) return Status::Ok();
  // A module kept from an earlier failed attempt is given back first: retries
  // do not pile up references, and a library that was replaced in the
  // meantime is really loaded afresh rather than found already in memory.
  formatBridgeModule_.reset();
  formatBridgeModule_ = os::Module::Load(os::LibraryFileName(kFormatBridgeName));
  if (!formatBridgeModule_) return Status(ErrorCode::NotInstalled, texts::kCannotLoadFormatBridge);
  noWordConvertProc_ = reinterpret_cast<NoWordConvertFn>(formatBridgeModule_.Symbol("NoWordConvert"));
  if (!noWordConvertProc_) return Status(ErrorCode::NotInstalled, texts::FormatBridgeEntryMissing("NoWordConvert"));
  getSourceFormatListProc_ = reinterpret_cast<BridgeProc>(formatBridgeModule_.Symbol("GetSourceFormatList"));
  if (!getSourceFormatListProc_)
    return Status(ErrorCode::NotInstalled, texts::FormatBridgeEntryMissing("GetSourceFormatList"));
  getDestFormatListProc_ = reinterpret_cast<BridgeProc>(formatBridgeModule_.Symbol("GetDestFormatList"));
  if (!getDestFormatListProc_)
    return Status(ErrorCode::NotInstalled, texts::FormatBridgeEntryMissing("GetDestFormatList"));
  noWordAbortProc_ = reinterpret_cast<BridgeProc>(formatBridgeModule_.Symbol("NoWordAbort"));
  formatBridgeLoaded_ = true;
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
  word_.Close();
  return true;
}

bool TOfficeApplications::CloseExcel() {
  excel_.Close();
  return true;
}

bool TOfficeApplications::ClosePowerPoint() {
  powerPoint_.Close();
  return true;
}

bool TOfficeApplications::UnloadFormatBridge() {
  // The entry points go with the module: nothing may call into unmapped code.
  formatBridgeLoaded_ = false;
  noWordConvertProc_ = nullptr;
  getSourceFormatListProc_ = nullptr;
  getDestFormatListProc_ = nullptr;
  noWordAbortProc_ = nullptr;
  formatBridgeModule_.reset();
  return true;
}

}  // namespace quillet
