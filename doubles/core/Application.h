// The Application object of each double: Version, Visible, WindowState,
// DisplayAlerts and Quit for all three; Word's FileConverters and Documents,
// Excel's Workbooks and AskToUpdateLinks, PowerPoint's Presentations.
#pragma once

#include <memory>

#include "DispObject.h"
#include "Office.h"
#include "Values.h"

namespace quillet::doubles {

class Application : public DispObject {
 public:
  Application(std::shared_ptr<Session> session, AppKind kind);

 protected:
  // Linux: the control of the library's own servers, so that the converter
  // can abort a call that hangs (the double's process is the caller's own:
  // it reports that id as the process it started).
  HRESULT QueryOther(REFIID riid, void** object) override;

 private:
  Stored visible_, windowState_, displayAlerts_, askToUpdateLinks_;
};

// Linux: the control of the library's own servers for an object of Session
// (Owner, kept alive by it), when Riid asks for it; E_NOINTERFACE otherwise.
HRESULT OfferServerControl(IDispatch* owner, const std::shared_ptr<Session>& session, REFIID riid, void** object);

}  // namespace quillet::doubles
