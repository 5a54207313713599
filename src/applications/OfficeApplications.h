// The applications the converter holds for its whole life: Word, Excel and
// PowerPoint in their slots, Acrobat with its plug-in bridge, the format
// library of the route without Word, and the PDF software. Each is got hold
// of the first time a request needs it, kept for the requests after, given up
// when it runs past a deadline or dies, and given back at the converter's end.
//
// Its state is its own: the layers above start applications and read the few
// things a route needs (a slot, an application's object, the bridge, whether
// an application is held); the deadline of a request (TRequestDeadline) is
// the one other object that reaches inside, to release and give up what a
// request waits on.
//
// Thread-safety: one request at a time, on the converter's thread. Only what
// the deadline's watchdog calls may run on another thread while that thread
// waits: a slot's Interrupt, StopNoWordConvert and the deadline-passed flag.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "applications/AcrobatControl.h"
#include "applications/ApplicationSlot.h"
#include "platform/module.h"
#include "platform/status.h"
#include "utilities/ApplicationTable.h"
#include "utilities/automation/Automation.h"

namespace quillet {

class TOfficeApplications {
 public:
  TOfficeApplications();
  ~TOfficeApplications();
  TOfficeApplications(const TOfficeApplications&) = delete;
  TOfficeApplications& operator=(const TOfficeApplications&) = delete;

  // Makes App ready: ok at once when it is held already, else the reason it
  // cannot be had. (Names are the caller's to turn into an application: a
  // name that is none is no concern of this class.)
  Status StartApplication(TApplication app);
  // Word, Excel or PowerPoint: the first of its ProgIDs that can be attached
  // to or created (NotInstalled when none can). A borrowed Word or Excel is
  // hidden, a borrowed PowerPoint minimised. Raises Error for any other App.
  Status StartOffice(TApplication app);
  Status StartWord() { return StartOffice(TApplication::Word); }
  Status StartExcel() { return StartOffice(TApplication::Excel); }
  Status StartPowerPoint() { return StartOffice(TApplication::PowerPoint); }
  // The format library with its three entry points (NotInstalled when the
  // library or one of them cannot be had; the module is kept until the next
  // attempt or the converter's end either way).
  Status LoadFormatBridge();
  // Acrobat and its plug-in bridge (AcrobatControl.cpp): on Windows Acrobat is
  // made to run first (launched hidden when it does not, and its plug-in
  // awaited within AcrobatWaitLimits()); then the bridge is made and asked
  // whether the plug-in is loaded. A bridge whose plug-in is not loaded is
  // kept and asked again by the next start.
  Status StartAcrobat();

  // Gives everything back: quits what was created, shows again what was
  // borrowed, lets the bridge go, unloads the format library. Each step on
  // its own; nothing escapes.
  void CloseApplications();

  // Whether App is held and ready for a request: Word's, Excel's or
  // PowerPoint's slot is started; Acrobat's bridge runs with its plug-in
  // loaded; the format library is loaded with its entry points.
  bool Held(TApplication app) const;
  // The slot of Word, Excel or PowerPoint, or the bridge server's for Acrobat
  // (whose object is AcrobatBridge()). Raises Error for the format library,
  // which has none.
  const TApplicationSlot& Slot(TApplication app) const;
  // The Application object of Word, Excel or PowerPoint. Raises Error for any
  // other application or one that is not held.
  const ole::Variant& OfficeApplication(TApplication app) const;
  // The plug-in bridge object: empty until StartAcrobat made it.
  const ole::Variant& AcrobatBridge() const { return acrobatBridge_; }

  // How long starting Acrobat waits for each stage (the defaults of
  // AcrobatWaits until set).
  const AcrobatWaits& AcrobatWaitLimits() const { return acrobatWaits_; }
  void SetAcrobatWaits(const AcrobatWaits& waits) { acrobatWaits_ = waits; }

  // The object that makes a PDF from a PostScript file (FileToPdf) and the one
  // that edits a PDF's document information (Open, SetInfo, Save, Close), in
  // PdfSoftware.cpp: created on first use and kept. Raise Error naming what to
  // install when the object cannot be created; the next request tries again.
  const ole::Variant& PdfMaker();
  const ole::Variant& PdfDocument();

  // Runs the format library's conversion (the library must be loaded); while
  // it runs, the request's deadline may end it from another thread.
  void NoWordConvert(const char* src, const char* openFormat, const char* dest, const char* destFormat,
                     char* errorText);

  // The format library's entry points. Of the three it must have, only
  // NoWordConvert is ever called. NoWordAbort is optional: a library that has
  // it can be told, from another thread, to end the conversion in progress
  // (NoWordConvert then returns with an error); only such a library is bound
  // by the deadline.
  using NoWordConvertFn = int32_t(QUILLET_LIBRARY_CALL*)(const char* src, const char* openFormat, const char* dest,
                                                         const char* destFormat, char* errorText);
  using BridgeProc = void(QUILLET_LIBRARY_CALL*)();

 private:
  // The deadline of a request releases, stops and gives up what the request
  // waits on; the tests read what no caller needs (tests/support).
  friend class TRequestDeadline;
  friend struct TOfficeApplicationsTestAccess;

  // The slot of Word, Excel or PowerPoint; null for any other application.
  TApplicationSlot* OfficeSlot(TApplication app);
  // The slot a request for App waits on while it starts or converts: the
  // Office application's, the bridge server's for Acrobat, none for the
  // format library.
  TApplicationSlot* SlotOf(TApplication app);
  // Slot's application as messages name it ("Microsoft Word").
  std::string DisplayName(const TApplicationSlot& slot) const;
  // Gives Slot's application up after a deadline or its death: the next
  // request starts a new one. ThreadId is the calling thread.
  void GiveUp(TApplicationSlot& slot, uint32_t threadId);
  // Called by the deadline's watchdog: tells a format library that can stop
  // its conversion to do so. True when one was told.
  bool StopNoWordConvert();

  // Makes sure Acrobat runs, noting in acrobatLaunched_ whether this call
  // started it (AcrobatControl.cpp).
  Status LaunchAcrobat();
  bool CloseWord();
  bool CloseExcel();
  bool ClosePowerPoint();
  bool ReleaseAcrobatBridge();
  bool UnloadFormatBridge();

  // Word's, Excel's and PowerPoint's Application objects with their started
  // and created flags.
  TApplicationSlot word_;
  TApplicationSlot excel_;
  TApplicationSlot powerPoint_;

  // The plug-in bridge object; whether it is held and its plug-in loaded;
  // whether the converter started Acrobat itself. Acrobat is left running at
  // the end, whoever started it.
  ole::Variant acrobatBridge_;
  // The bridge's server as a conversion past its deadline sees it: whether
  // the converter created it and the process that serves it (its object is
  // acrobatBridge_, not kept here).
  TApplicationSlot acrobatServer_;
  bool acrobatStarted_ = false;
  bool acrobatLaunched_ = false;
  AcrobatWaits acrobatWaits_;
  // Set when the deadline of the request in progress has passed: the waits
  // of the calling thread that no released call would end (those of
  // Acrobat's start) end then too.
  std::atomic<bool> deadlinePassed_{false};

  // The format library: loaded with all three entry points found; the module
  // (kept after a failed look-up too); the entry points.
  bool formatBridgeLoaded_ = false;
  os::Module formatBridgeModule_;
  NoWordConvertFn noWordConvertProc_ = nullptr;
  BridgeProc getSourceFormatListProc_ = nullptr;
  BridgeProc getDestFormatListProc_ = nullptr;
  BridgeProc noWordAbortProc_ = nullptr;
  // True while NoWordConvert runs: what the deadline's watchdog may stop.
  std::atomic<bool> bridgeConverting_{false};

  ole::Variant pdfMaker_;
  ole::Variant pdfDocument_;
};

}  // namespace quillet
