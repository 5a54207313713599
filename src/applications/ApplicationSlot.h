// The converter's hold on one office application: its Application object,
// whether it is held (Started) and whether the converter made it itself
// (Created) or borrowed an instance that was already running.
//
// Started is cleared only when the application is given up because it ran
// past a deadline or died: a dead or hung application is never used again.
// Created has meaning only while Started is true.
//
// Thread-safety: used on the converter's thread, except Interrupt, which the
// watchdog calls while that thread waits in a call on the application.
#pragma once

#include <cstdint>
#include <initializer_list>

#include "utilities/Automation.h"

namespace quillet {

class TApplicationSlot {
 public:
  ole::Variant Object;
  bool Started = false;
  bool Created = false;

  // Gets hold of the application by the first of ProgIds that can be attached
  // to or created, in order; false (and Started false) when none can. After
  // a borrowed instance was given up, only a new one is created.
  bool Start(std::initializer_list<const char*> progIds);

  // At the converter's end: quits an application the converter created and
  // lets its object go; shows a borrowed one again and keeps the reference
  // (that call may raise; the caller decides what happens then).
  void Close();

  // Called from another thread while the converter's thread waits in a call
  // on the application past its deadline: releases that call and ends the
  // application's process when the converter started it, never otherwise.
  // ThreadId is the waiting thread. True when the process was ended.
  bool Interrupt(uint32_t threadId) const;

  // False when the application is known to be gone: its process ended, or
  // the failure Reason of its last call says so.
  bool Alive(const std::string& reason) const;

  // Gives the application up after a deadline or its death: the next request
  // starts a new one. A borrowed instance is let go without any further call
  // (it may not answer) and is not attached to again.
  void GiveUp();

 private:
  // The server process seen to start with a created application (Windows),
  // 0 when unknown.
  uint32_t processId_ = 0;
  // The control of the library's own servers (the stand-ins), when offered.
  ole::ServerControl control_;
  bool avoidRunning_ = false;
};

// Gets hold of a running instance of ProgID (unless AllowAttach is false), or
// creates one; Created tells which. Raises Error when neither works.
ole::Variant AttachOrCreateOleObject(const std::string& progId, bool& created, bool allowAttach = true);

}  // namespace quillet
