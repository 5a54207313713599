// The tests' side of the application doubles: registering them as automation
// servers, scripting them, starting a "user" instance that is registered as
// running, and reading what they received.
//
// Transcript (<dir>/<App>.transcript, App = Word, Excel, PowerPoint,
// InternetExplorer), one line per event, in the order the double saw them:
//   new <object>                      an object was made
//   del <object>                      its last reference went
//   call <object>.<Member> <kind>[ <args>]
//   dialog <caption> pressed <button> a dialog raised inside an open ended with
//                                     the button captioned <button> (Windows)
//   dialog <caption> closed           ... closed without a button (Escape)
//   dialog <caption> timed out        ... closed itself: nobody answered it
//   macro <src>|<dest>                the macro ran on a job file with these two lines
// Member and the names of named arguments are written as the caller spelled
// them (names are resolved without regard to case, so "item" and "Item" both
// reach Item, and the line shows which was sent).
// Kind is method, get, method|get, put (or putref). Args are the positional
// arguments in the caller's order, then the named ones as Name:=value in the
// caller's order, then the new value of a put, joined by ", ". Values:
//   12   True/False   "text" (inner quotes doubled)   2.5 / 2.0 (doubles)
//   Empty   Missing (an omitted optional argument)   Error(0x80020005)
//   <object>   and "ByRef " in front of a by-reference argument.
// Objects are named by the path they were reached through (x: the document's
// file name, i and j: indexes from 1, P: the index as the caller gave it):
//   Word, Word.FileConverters, Word.FileConverters(i), Word.Documents,
//   Word.Document(x), Word.Document(x).BuiltInDocumentProperties(P),
//   Word.Document(x).Hyperlinks, Word.Document(x).Hyperlinks(i),
//   Word.Document(x).InlineShapes, Word.Document(x).InlineShapes(i),
//   Word.Document(x).InlineShapes(i).LinkFormat,
//   Word.Document(x).Characters, Word.Document(x).Characters(i),
//   Excel, Excel.Workbooks, Excel.Workbook(x), Excel.Workbook(x).BuiltInDocumentProperties(P),
//   PowerPoint, PowerPoint.Presentations, PowerPoint.Presentation(x),
//   PowerPoint.Presentation(x).BuiltInDocumentProperties(P),
//   PowerPoint.Presentation(x).Slides, PowerPoint.Presentation(x).Slides(i),
//   ...Slides(i).Shapes, ...Slides(i).Shapes(j), ...Shapes(j).TextFrame,
//   ...Shapes(j).TextFrame.TextRange,
//   InternetExplorer, InternetExplorer.Document,
//   InternetExplorer.Document.documentElement.
// Example: "call Word.Documents.Open method "C:\a.doc", ReadOnly:=True".
//
// Members (besides the Application's Version, Visible, WindowState,
// DisplayAlerts, Quit, and Word's FileConverters):
//   Word.Documents, Excel.Workbooks, PowerPoint.Presentations: Count, Open.
//   Every document: Name, FullName, BuiltInDocumentProperties(Index).Value
//     (get/put; Index compared without regard to case; Title starts as the
//     script's Title, the others empty), SaveAs(FileName, FileFormat, ...),
//     Close. After Close every call on the document raises "The object has
//     been deleted.". SaveAs writes FileName with the one line
//     "<App> saved <source path> as format <FileFormat>" and a CR LF, unless
//     the format writes something else (below); a missing FileName raises
//     "A file name is needed.", a file that cannot be written "The file could
//     not be saved: <path>".
//   Word document: Hyperlinks (Count, Item(Index): Address, TextToDisplay,
//     get/put), InlineShapes (Count, Item(Index): Type, LinkFormat with
//     SavePictureWithDocument and Locked, get/put and initially False, and
//     BreakLink), Characters (Count, Item(Index): LanguageIDFarEast),
//     OpenEncoding (get), SaveEncoding (get/put, initially the open encoding),
//     TrackRevisions, PrintRevisions, ShowRevisions (get/put, initially
//     False). SaveAs given an Encoding appends " encoding <Encoding>" to its
//     line. Links and link formats keep what was put for the document's life.
//   Excel: AskToUpdateLinks (get/put, initially True), DisplayAlerts (initially
//     True); workbook Title (get/put; the built-in Title property).
//     SaveAs with FileFormat 44 writes the web-page layout: FileName (a
//     frameset page) and the folder <FileName without extension>.files with
//     filelist.xml (the <xml ...> line, " <o:MainFile HRef="../<file name>"/>",
//     then " <o:File HRef="..."/>" for stylesheet.css, tabstrip.htm,
//     sheet001.htm ... in this order, then "</xml>"), those files, and per
//     sheet a page with <html>, a head with a <meta ...> line and a <title>,
//     <body>, and a table over several lines holding the text "Sheet N".
//   PowerPoint presentation: Slides (Count, Item(Index) and Items(Index): a
//     slide with Shapes (Count, Item(Index): HasTextFrame, -1 or 0, and
//     TextFrame, which raises "This type of shape cannot have a text frame."
//     for a picture, with HasText, -1 or 0, and TextRange.Text)).
//     SaveAs with FileFormat 16 or 17 writes no FileName: it makes the image
//     folder (FileName without its extension) and writes Slide1.bmp,
//     Slide2.bmp ... into it, 24-bit BMP files of one colour each (slide N:
//     red 40*N, green 30 + 90*N, blue 255 - 20*N, each modulo 256). With
//     FileFormat 12 it writes the web-page layout as Excel does, listing
//     slide0001.htm ..., each page's table holding a row per text of the
//     slide (HTML-escaped, a CR written as <br>; no text: an empty table).
//   Every Item(Index) out of range raises "The requested member of the
//   collection does not exist.".
//   Printing (each PrintOut prints to a file only, else it raises "This double
//   prints to a file only."; the file is a small PostScript file of one page,
//   "%!PS-Adobe-3.0" with "%%Title: <source file name>", "%%Creator: <App> on
//   <printer>" and the text "<App> printed <source file name>"):
//     Word: ActivePrinter (get/put, shared by the documents, initially the
//     script's), document PageSetup.Orientation (get/put, initially 0; 2
//     prints a landscape page) and PrintOut(Background, Append, Range,
//     OutputFileName, ..., PrintToFile, ...) writing OutputFileName when
//     PrintToFile is true.
//     Excel workbook: PrintOut(From, To, Copies, Preview, ActivePrinter,
//     PrintToFile, Collate, PrToFileName, IgnorePrintAreas) writing
//     PrToFileName when PrintToFile is true.
//     PowerPoint presentation: PrintOptions (ActivePrinter, FitToPage, get/put,
//     kept for the presentation's life) and PrintOut(From, To, PrintToFile,
//     Copies, Collate) writing the file named by PrintToFile.
//   BuiltInDocumentProperties(1) to (4) are Title, Subject, Author, Keywords.
//
// The PDF software (objects "PdfMaker" and "PdfDocument", transcripts
// PdfMaker.transcript and PdfDocument.transcript, scripts PdfMaker.script and
// PdfDocument.script with the keys Fail=, FailCode=, Unknown= as above):
//   PdfMaker.FileToPdf(InputPostScript, OutputPDF, JobOptions) writes a small
//     PDF of one page at OutputPDF and answers the script's FileToPdfResult
//     (1); a PostScript file that does not exist raises "The PostScript file
//     cannot be read: <path>".
//   PdfDocument.Open(FullPath) answers whether the file exists; SetInfo(InfoKey,
//     Buffer), Save(Type, FullPath) and Close answer True and change nothing.
// The Ghostscript library double GSDLL32.dll (GSDLL64.dll in the 64-bit
// build; Windows) writes
// Ghostscript.transcript:
//   call gsdll_init <callback>|Null, <window>|Null, <argc>
//   arg <entry>                       one line per entry of the vector, in order
//   call gsdll_execute_begin
//   call gsdll_execute_cont "<text>"|Null, <length>
//   call gsdll_execute_end
//   call gsdll_exit
// and reads Ghostscript.script at every gsdll_init: "Fail=<entry point>" makes
// it answer -1. gsdll_init converts as the library does: the file after -f
// must exist and start with "%!" (else -100), and -sOutputFile= gets a PDF.
//   InternetExplorer (its own Application object, without Version,
//     WindowState or DisplayAlerts): Visible (get/put, initially False when
//     started by automation), Navigate(URL, Flags, TargetFrameName, PostData, Headers) reads the file
//     URL names (a plain path; a file that cannot be read raises "The page
//     cannot be displayed: <URL>"), Busy (False before any Navigate), ReadyState
//     (0 before any Navigate, then 3 while loading and 4 when complete),
//     Document.documentElement.innerText (empty before any Navigate, then the
//     scripted PageText, or else the page file's bytes with everything from
//     each "<" to the next ">" left out), Quit.
//
// Script (<dir>/<App>.script), read when the Application object is made,
// one Key=Value per line:
//   Version=10.0                       the Version property (default 9.0)
//   Converter=1|0|wpd|12|0|WordPerfect the next FileConverters item:
//                                      CanOpen|CanSave|Extensions|OpenFormat|SaveFormat|FormatName
//   Fail=Word.FileConverters(2).Extensions|Description
//                                      that member raises an exception with Description
//                                      (any object named above, case ignored)
//   FailCode=Word.Version|8004abcd     that member fails with the HRESULT (hex)
//   Unknown=Word.FileConverters        that member's name is not known (GetIDsOfNames fails)
//   DisconnectAfter=Word.Version       after that call, every call fails as on a
//                                      server that died (RPC_E_DISCONNECTED)
//   Title=Quarterly report             the Title of every document opened
//   Property=Author|Ann Smith          a built-in property of every document opened
//                                      (by name; repeatable)
//   ActivePrinter=HP on LPT1:          Word's active printer at the start (default
//                                      "Office Printer on LPT1:")
//   PrintOutput=none                   PrintOut writes no file ("broken": a file that
//                                      is no PostScript; "postscript" the default)
//   FileToPdfResult=0                  PdfMaker: FileToPdf's answer (default 1)
//   FailOpen=secret.doc|Description    opening a file of that name (case ignored, no
//                                      folder) raises Description; repeatable
//   Dialog=WordPerfect                 every open raises a real modal dialog on a thread
//                                      of its own and returns only when it has ended
//                                      (Windows only; ignored on Linux). Word
//                                      "WordPerfect": "Convert File - WordPerfect 5.x"
//                                      with an edit field, OK, Cancel. Excel "Microsoft
//                                      Visual Basic": "Microsoft Visual Basic" with
//                                      Continue, End, Debug. PowerPoint "Password": a
//                                      frame "<file name> - Microsoft PowerPoint" owning
//                                      "Password" with an edit field, OK, Cancel. Buttons
//                                      are the dialog's children in this order. Whatever
//                                      is pressed, the open then goes on.
//   DialogTimeoutMs=90000              the dialog closes itself after this long (the
//                                      default); the open then raises "Nobody answered
//                                      the dialog <caption>"
//   Hyperlink=<address>|<text>         Word: the next link of every document opened
//   InlineShape=4                      Word: the Type of the next inline shape
//   Characters=100|1033                Word: the count of characters and the
//                                      LanguageIDFarEast of each (the default)
//   OpenEncoding=1252                  Word: the open encoding (the default)
//   TablesOfContents=0                 Word: the tables of contents of a document (the
//                                      default), each with an Update method
//   Sheets=1                           Excel: the sheets of a workbook (the default)
//   Slide=text:Title;picture;empty     PowerPoint: the next slide and its shapes: a text
//                                      frame holding the text (\r in it stands for a CR),
//                                      a picture (no frame), a frame without text. An
//                                      empty value is a slide without shapes; no Slide
//                                      line, a presentation without slides
//   SlideSize=64x48                    PowerPoint: pixels of the slide pictures (default)
//   BadSlideImage=2                    PowerPoint: that slide's picture file holds bytes
//                                      that are no bitmap; repeatable
//   Macro=convert                      the macro quillet.AutoExec.QLConvert (run through
//                                      Application.Run) reads the job file quillet.ini of
//                                      the temporary folder, writes the destination (one
//                                      line "<App> macro converted <src>"), leaves it open
//                                      as the active document and answers with an empty
//                                      first line. "fail|<text>": answers <text> and
//                                      writes nothing; "untouched": leaves the job file as
//                                      it is; "empty": empties it; "slides" (PowerPoint):
//                                      writes the slide pictures into the destination's
//                                      image folder and empties it. No Macro line: the
//                                      macro does not exist. Each run appends
//                                      "macro <src>|<dest>" (the job file's two lines) to
//                                      the transcript
//   RefuseCreation=1                   the class factory makes no object and fails the
//                                      creation with E_FAIL (an application that cannot start)
//   BusyReads=3                        Internet Explorer: the first 3 reads of Busy after
//                                      each Navigate answer True (-1: every read); default 0
//   LoadingReads=3                     Internet Explorer: the first 3 reads of ReadyState
//                                      after each Navigate answer 3 (-1: the page never
//                                      completes); default 0
//   PageText=Title\r\n\u4E2D          Internet Explorer: the innerText of every page; \r,
//                                      \n and \t stand for those characters, \uXXXX for
//                                      one UTF-16 code unit
// A failure scripted with Fail= wins over what the member would do; a closed
// document's "deleted" wins over both. An open checks, in this order: the file
// exists, the dialog, FailOpen.
// The format library double appends to fmtbridge.transcript one line per
// NoWordConvert call:
//   call NoWordConvert "<src>", "<open format>", "<dest>", "<dest format>", "<error buffer on entry>"
// and returns the text of fmtbridge.script, when it is not empty, as every
// conversion's error, writing nothing. Otherwise it writes the destination:
//   fmtbridge converted "<src>" with open format "<open format>" to format "<dest format>"
// and CR LF; a destination whose path holds ".htm" gets instead a web page
// holding that line in a <p> and an <img src="<name>.files/image001.gif">,
// beside it the folder <dest without extension>.files with image001.gif. A
// file that cannot be written gives "Can not write <dest>".
//
// Acrobat (App::Acrobat; Acrobat.script, Acrobat.transcript): the plug-in
// bridge double "plugkit.PKApplication" (object PKApplication, members in
// doubles/core/PlugKit.h) and, under Windows, the Acrobat program double
// acrobat.exe / AcroRd32.exe (doubles/win32/FakeAcrobat.cpp), which write
// to the same transcript, so its lines show the order of both. Script keys:
//   PlugInsLoadOk=0                    what IsPlug_insLoadOk answers (default 1)
//   ConvertAnswer=<text>               every ConvertFile answers this and writes nothing
//   WindowAfterMs=, DdeWindowAfterMs=, MutexAfterMs=, MutexHoldMs=
//                                      the program's steps: its main window, the
//                                      DDE server window, the plug-in's mutex made
//                                      and held, and let go, each this long after
//                                      the one before (default 0)
//   Never=dde-window|mutex|release     a step never taken (nor those after it)
// The bridge's transcript lines are those of every double; the program's
// begin with "acrobat " (see FakeAcrobat.cpp); under Windows plugkit.dll adds
// "register <command line>" and "unregister <command line>" for every
// self-registration and removal, with the command line of the program that
// asked for it (regsvr32).
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace quillet::doubles {

// The applications, the two objects of the PDF software, the Ghostscript
// library double (which has a script and a transcript, and no server),
// Acrobat with its plug-in bridge, and Internet Explorer. The servers among
// them share the numbers of their own kinds (doubles/core/Office.h).
enum class App {
  Word = 0,
  Excel = 1,
  PowerPoint = 2,
  PdfMaker = 3,
  PdfDocument = 4,
  Ghostscript = 5,
  Acrobat = 6,
  InternetExplorer = 7,
};

class Doubles {
 public:
  // A fresh control folder, named to the doubles through QUILLET_DOUBLES_DIR,
  // and the doubles registered under "Word.Application", "Excel.Application",
  // "PowerPoint.Application", "PdfDistiller.PdfDistiller" (the PDF maker)
  // and "AcroExch.PDDoc" (the PDF document). The Internet Explorer double is
  // registered only when a test asks for it (Register).
  Doubles();
  // Stops running instances and removes every registration it made.
  ~Doubles();
  Doubles(const Doubles&) = delete;
  Doubles& operator=(const Doubles&) = delete;

  const std::string& dir() const;

  void Script(App app, const std::string& text);
  // Makes ProgID create App's double. Under Windows a class that the prefix
  // registered under the ProgID before (Wine's own Internet Explorer for
  // "InternetExplorer.Application") is named again by Unregister, which the
  // destructor calls for every ProgID still registered.
  void Register(const std::string& progId, App app);
  void Unregister(const std::string& progId);

  // The "call" lines of App's transcript without the word "call".
  std::vector<std::string> Calls(App app) const;
  // Every line of the transcript.
  std::vector<std::string> Events(App app) const;
  // Objects made and not yet gone, by name.
  std::vector<std::string> LiveObjects(App app) const;

  // Starts an instance as a user would, visible, and registers it as the
  // running instance of its class.
  void StartRunning(App app);
  // Revokes it and lets it go.
  void StopRunning(App app);

  // Acrobat. Windows: the application path of "Acrobat.exe" in the registry
  // names the program double in AcrobatFolder("Acrobat"), and plugkit.dll is
  // copied into the system folder (where the converter registers it from);
  // both are removed again at the end. Linux: nothing to install.
  void InstallAcrobat();
  // The folder (Windows path, trailing backslash) of the program double
  // acrobat.exe ("Acrobat") or AcroRd32.exe ("Reader"); each has an empty
  // plug_ins folder.
  std::string AcrobatFolder(const std::string& flavour) const;
  // Registers the bridge as the converter would: Windows runs regsvr32 on
  // the system folder's plugkit.dll; Linux adds it to the server registry.
  void RegisterPlugKit();
  // Removes the bridge's registration (its class and ProgID).
  void UnregisterPlugKit();
  // Windows: starts acrobat.exe as a user would (shown) and waits until every
  // scripted step is taken. Not on Linux, which has no Acrobat program.
  void StartAcrobat();
  // Ends every Acrobat program double started while this object lives.
  void EndAcrobat();
  // The processes of the Acrobat program double started so far, still running or not.
  std::vector<unsigned long> AcrobatProcesses() const;

  // Windows: waits until every server process of the doubles has ended (a
  // server started by automation ends when its last object is released);
  // false when one is still running after the timeout. Linux: always true.
  bool WaitForServersToExit(int timeoutMs = 10000);
  // Windows: ends the server processes that automation started, abruptly, as
  // a crash would. Linux: makes every later call fail as a disconnected one.
  void KillServers(App app);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// Windows: puts the Ghostscript library double's folder on the program's
// library search path, so that "GSDLL32.dll" (or "GSDLL64.dll") loads it (call
// it before the first conversion that uses Ghostscript: the library stays
// loaded). Linux:
// nothing; the converter uses the system's own Ghostscript.
void UseGhostscriptDouble();

// The format library double: makes the variant the plain name "fmtbridge"
// resolves to ("full", "no-NoWordConvert", "no-GetSourceFormatList",
// "no-GetDestFormatList", or "none" for no library on the search path; on
// Linux a library beside the engine's own module is still found then, as the
// converter looks there last).
void UseFormatBridge(const std::string& variant);

}  // namespace quillet::doubles
