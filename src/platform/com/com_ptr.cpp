// The out-of-line half of ComPtr: reference counting through IUnknown.
#include "platform/com/com_ptr.h"

#include "platform/com/com.h"
#include "platform/error.h"

namespace quillet::com::detail {

void AddRefUnknown(void* unknown) { static_cast<IUnknown*>(unknown)->AddRef(); }

void ReleaseUnknown(void* unknown) { static_cast<IUnknown*>(unknown)->Release(); }

void RaiseNoInterface() {
  std::string text = SystemText(E_NOINTERFACE);
  if (text.empty()) text = "No such interface supported";
  throw Error(text);
}

}  // namespace quillet::com::detail
