#include "applications/ApplicationSlot.h"

#include "utilities/Guarded.h"

namespace quillet {

ole::Variant AttachOrCreateOleObject(const std::string& progId, bool& created) {
  created = false;
  ole::OleObject object;
  if (ole::GetActiveOleObject(progId, object)) return ole::Variant(std::move(object));
  object = ole::CreateOleObject(progId);
  created = true;
  return ole::Variant(std::move(object));
}

bool TApplicationSlot::Start(std::initializer_list<const char*> progIds) {
  Created = false;
  Started = false;
  for (const char* progId : progIds) {
    try {
      bool made = false;
      Object = AttachOrCreateOleObject(progId, made);
      Created = made;
      Started = true;
      return true;
    } catch (const std::exception&) {
      // not registered, not running and not creatable: the next ProgID
    }
  }
  return false;
}

void TApplicationSlot::Close() {
  if (!Started) return;
  if (Created) {
    Ignoring([&] { Object.Call("Quit"); });
    Ignoring([&] { Object = ole::Variant(); });
  } else {
    Object.Put("Visible", true);
  }
}

}  // namespace quillet
