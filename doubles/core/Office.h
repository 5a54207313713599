// The application doubles: Word, Excel and PowerPoint as automation objects
// with the members the converter calls. One source for both systems: the
// Linux servers and the Windows local servers only wrap these factories.
#pragma once

#include "platform/com/com.h"

namespace quillet::doubles {

// The three applications, and the two objects of the PDF software.
enum class AppKind { Word, Excel, PowerPoint, PdfMaker, PdfDocument };

// "Word", "Excel", "PowerPoint", "PdfMaker", "PdfDocument": the transcript's
// and the script's prefix.
const char* AppName(AppKind kind);
// The class identifier the double is registered under.
const CLSID& AppClsid(AppKind kind);

// A new Application object (for the PDF software, its one object) with one
// reference for the caller. Automation: started by automation (hidden)
// rather than by a user (visible).
IDispatch* CreateApplication(AppKind kind, bool automation);

// The class factory of Kind, with one reference for the caller. OnCreate, when
// given, runs after every object it makes.
IClassFactory* CreateFactory(AppKind kind, bool automation, void (*onCreate)() = nullptr);

}  // namespace quillet::doubles
