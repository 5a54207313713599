// Windows: the doubles are local servers in processes of their own, which
// the converter starts, watches and ends itself; they offer no control of
// the library's own servers.
#include "core/Application.h"

namespace quillet::doubles {

HRESULT OfferServerControl(IDispatch*, const std::shared_ptr<Session>&, REFIID, void** object) {
  *object = nullptr;
  return E_NOINTERFACE;
}

}  // namespace quillet::doubles
