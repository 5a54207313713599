// What the tests read of TOfficeApplications that no caller of it needs: how
// Acrobat came to run, and the format library's module and entry points.
#pragma once

#include "applications/OfficeApplications.h"

namespace quillet {

struct TOfficeApplicationsTestAccess {
  // Whether the last start of Acrobat launched its program (Windows).
  static bool AcrobatLaunched(const TOfficeApplications& apps) { return apps.acrobatLaunched_; }
  // Whether the format library's module is held, loaded or not.
  static bool FormatBridgeModuleHeld(const TOfficeApplications& apps) {
    return static_cast<bool>(apps.formatBridgeModule_);
  }
  static TOfficeApplications::NoWordConvertFn NoWordConvertProc(const TOfficeApplications& apps) {
    return apps.noWordConvertProc_;
  }
  static TOfficeApplications::BridgeProc GetSourceFormatListProc(const TOfficeApplications& apps) {
    return apps.getSourceFormatListProc_;
  }
  static TOfficeApplications::BridgeProc GetDestFormatListProc(const TOfficeApplications& apps) {
    return apps.getDestFormatListProc_;
  }
};

}  // namespace quillet
