// The converter's hold on one office application: its Application object,
// whether it is held (Started) and whether the converter made it itself
// (Created) or borrowed an instance that was already running.
//
// Started is never cleared once set: the application is kept for the
// converter's whole life. Created has meaning only while Started is true.
#pragma once

#include <initializer_list>

#include "utilities/Automation.h"

namespace quillet {

class TApplicationSlot {
 public:
  ole::Variant Object;
  bool Started = false;
  bool Created = false;

  // Gets hold of the application by the first of ProgIds that can be attached
  // to or created, in order; false (and Started false) when none can.
  bool Start(std::initializer_list<const char*> progIds);

  // At the converter's end: quits an application the converter created and
  // lets its object go; shows a borrowed one again and keeps the reference
  // (that call may raise; the caller decides what happens then).
  void Close();
};

// Gets hold of a running instance of ProgID, or creates one; Created tells
// which. Raises Error when neither works.
ole::Variant AttachOrCreateOleObject(const std::string& progId, bool& created);

}  // namespace quillet
