// The application doubles: Word, Excel, PowerPoint and Internet Explorer as
// automation objects with the members the converter calls. One source for both systems: the
// Linux servers and the Windows local servers only wrap these factories.
#pragma once

#include "platform/com/com.h"

namespace quillet::doubles {

// The three applications, the two objects of the PDF software, and Internet
// Explorer. The numbers are those of the tests' App (DoubleControl.h).
enum class AppKind { Word = 0, Excel = 1, PowerPoint = 2, PdfMaker = 3, PdfDocument = 4, InternetExplorer = 7 };

// "Word", "Excel", "PowerPoint", "PdfMaker", "PdfDocument", "InternetExplorer":
// the transcript's and the script's prefix.
const char* AppName(AppKind kind);
// The kind of "Word", "Excel" or "PowerPoint" (Word for any other name).
AppKind AppKindOf(const std::string& name);
// The class identifier the double is registered under.
const CLSID& AppClsid(AppKind kind);

// A new Application object (for the PDF software, its one object) with one
// reference for the caller; null when the script refuses the creation
// (RefuseCreation=1). Automation: started by automation (hidden) rather than
// by a user (visible).
IDispatch* CreateApplication(AppKind kind, bool automation);

// The class factory of Kind, with one reference for the caller. OnCreate, when
// given, runs after every object it makes.
IClassFactory* CreateFactory(AppKind kind, bool automation, void (*onCreate)() = nullptr);

}  // namespace quillet::doubles
