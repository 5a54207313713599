#include "common/ApplicationObject.h"

#include "automation/Failure.h"
#include "common/PdfExport.h"
#include "common/ServerControl.h"

namespace quillet::office {

ApplicationObject::ApplicationObject(const std::string& name, uno::Module module, VARIANT displayAlerts)
    : DispatchObject(name), app_(std::make_shared<AppState>(name, module)) {
  Property("Name", [name](const CallArgs&, Result& r) { r.Text(name); });
  Property("Version", [](const CallArgs&, Result& r) { r.Text(kOfficeVersion); });
  Setting("Visible", BoolVariant(false));
  Setting("DisplayAlerts", displayAlerts);
  Setting("WindowState", IntVariant(1));
  Setting("ScreenUpdating", BoolVariant(true));
  // Not members of Office's object model: what the library asks of its own
  // servers after a save (see common/FontRecord.h).
  Property("SubstitutedFonts", [this](const CallArgs&, Result& r) { r.Text(SubstitutedFontsText(app_->Fonts())); });
  Property("FallbackFonts", [this](const CallArgs&, Result& r) { r.Text(FallbackFontsText(app_->Fonts())); });
  // The options of LibreOffice's PDF export that Office's ExportAsFixedFormat
  // has no argument for, which the library hands its own servers before the
  // export (see common/PdfExport.h). The text is checked as it is set.
  Property(
      "PdfExportOptions", [this](const CallArgs&, Result& r) { r.Text(app_->pdfExportOptions); },
      [this](const CallArgs& a) {
        const std::string text = a.PutText();
        ReadPdfExportOptions(text);
        app_->pdfExportOptions = text;
      });
  Method("Quit", {"SaveChanges", "OriginalFormat", "RouteDocument"},
         [this](const CallArgs&, Result&) { app_->Quit(); });
}

HRESULT ApplicationObject::QueryOther(REFIID riid, void** object) {
  if (riid != com::IID_IQuilletServerControl) return DispatchObject::QueryOther(riid, object);
  *object = static_cast<IQuilletServerControl*>(new ServerControl(this));
  return S_OK;
}

void ApplicationObject::Setting(const std::string& name, VARIANT initial) {
  auto value = std::make_shared<com::UniqueVariant>();
  **value = initial;
  settings_.push_back(value);
  Property(
      name,
      [this, value](const CallArgs&, Result& r) {
        app_->CheckRunning();  // a quit application answers nothing
        const VARIANT& v = **value;
        if (v.vt == VT_BOOL)
          r.Bool(v.boolVal != VARIANT_FALSE);
        else
          r.Int(v.lVal);
      },
      [this, value](const CallArgs& a) {
        app_->CheckRunning();
        const bool boolean = (**value).vt == VT_BOOL;
        **value = boolean ? BoolVariant(a.PutBool()) : IntVariant(a.PutInt());
      });
}

}  // namespace quillet::office
