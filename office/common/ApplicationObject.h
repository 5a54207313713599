// The Application object that the three stand-ins have in common: its name
// and version, the settings a caller puts and reads back (Visible,
// DisplayAlerts, WindowState, ScreenUpdating), and Quit. An application runs
// without a window, so these settings change nothing in the office.
#pragma once

#include <memory>
#include <string>

#include "automation/DispatchObject.h"
#include "common/AppState.h"
#include "platform/com/ComPtr.h"

namespace quillet::office {

// The version every stand-in reports: that of the office generation whose
// formats and object model they answer to (Office 2016 and later say "16.0").
inline constexpr const char* kOfficeVersion = "16.0";

class ApplicationObject : public DispatchObject {
 public:
  // Name: "Microsoft Word"; Module: the part of LibreOffice it drives;
  // DisplayAlerts starts as that value.
  ApplicationObject(const std::string& name, uno::Module module, VARIANT displayAlerts);

 protected:
  // The control of the library's own servers (platform/com/ServerControl.h).
  HRESULT QueryOther(REFIID riid, void** object) override;
  const std::shared_ptr<AppState>& app() const { return app_; }
  // A property that keeps what is put and answers it back.
  void Setting(const std::string& name, VARIANT initial);

 private:
  std::shared_ptr<AppState> app_;
  std::vector<std::shared_ptr<com::UniqueVariant>> settings_;
};

using automation::BoolVariant;
using automation::IntVariant;

}  // namespace quillet::office
