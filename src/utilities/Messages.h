// The fixed texts of the library, in one place: what a conversion reports as
// its error text, and the message boxes a few routines show. Each is made
// where the failure is caught, from here; the application's own texts (its
// exception descriptions) and the system's pass through unchanged. The start
// texts of the Office applications are in ApplicationTable.h.
//
// Thread-safety: constant data and pure functions; any thread.
#pragma once

#include <cstdint>
#include <string>

namespace quillet::texts {

// ---- a request's paths and application
inline std::string SourceFileMissing(const std::string& src) { return "Source file \"" + src + "\" do not exist"; }
inline std::string DirectoryMissing(const std::string& dir) { return dir + " directory do not exist"; }
inline std::string DestinationIsSource(const std::string& dest) {
  return "Destination file \"" + dest + "\" is the source file itself";
}
inline std::string NoApplicationFor(const std::string& src) { return "No application can convert \"" + src + "\""; }
inline constexpr const char* kNeedOffice2000ForXls =
    "You must Install MS office 2000 or above, so you can convert xls to html, please try again!";
inline constexpr const char* kNeedOffice2000ForPpt =
    "You must Install MS office 2000 or above, so you can convert ppt to html, please try again!";

// ---- texts that are not UTF-8 (Linux): what the refusal names, before the
// text itself (utf8::NotValidMessage: The source file "a\xC0\xAF" is not valid UTF-8)
inline constexpr const char* kTheSourceFile = "The source file";
inline constexpr const char* kTheDestinationFile = "The destination file";
inline constexpr const char* kTheFormat = "The format";
inline constexpr const char* kTheOption = "The option";
inline constexpr const char* kTheSourcePath = "The source path";
inline constexpr const char* kTheDestinationFolder = "The destination folder";
inline constexpr const char* kTheFieldName = "The field name";
inline constexpr const char* kTheFieldParameter = "The field parameter";
inline constexpr const char* kThePostScriptFile = "The PostScript file";
inline constexpr const char* kThePdfFile = "The PDF file";

// ---- deadlines
inline std::string DeadlinePassed(uint32_t seconds) {
  return "The document took longer than its deadline of " + std::to_string(seconds) + " seconds: ";
}
inline constexpr const char* kFormatLibraryStopped = "the format library's conversion was stopped";
inline constexpr const char* kApplicationEnded = " was ended";
inline constexpr const char* kBorrowedApplicationHangs =
    " does not answer and is no longer used; it was not started by the converter";
inline constexpr const char* kApplicationDidNotStart = " did not start in time";
inline std::string ApplicationEnded(const std::string& application, const std::string& reason) {
  return application + " ended during the conversion: " + reason;
}

// ---- a folder
inline std::string UnknownFormat(const std::string& code) { return "File format " + code + " do not exist!"; }
inline constexpr const char* kNameHoldsLineBreak = "The file name holds a line break";

// ---- the format library
inline constexpr const char* kCannotLoadFormatBridge = "Error, Can not load \"fmtbridge.dll\"";
inline std::string FormatBridgeEntryMissing(const std::string& entry) {
  return "Error, Can not get \"" + entry + "\" address of \"fmtbridge.dll\"";
}
inline constexpr const char* kFormatBridgeNotLoaded = "Error, the format library \"fmtbridge.dll\" is not loaded";
inline std::string OpenFormatTooLong(size_t bytes, size_t most) {
  return "Error, the OPENFORMAT= value is " + std::to_string(bytes) + " bytes long; the format library takes at most " +
         std::to_string(most);
}

// ---- Acrobat and its plug-in bridge
inline constexpr const char* kCannotLoadPlugKit = "Can not Load plugkit.dll, please try again!";
inline constexpr const char* kPlugInsNotInstalled =
    "Error, the plug-ins for acrobat do not install ok, please install it again!";
inline std::string CannotRun(const std::string& program) { return "Error, Can not run " + program; }
inline constexpr const char* kCannotOpenMutex = "Error, Can not open mutex";
inline constexpr const char* kCannotWaitForPlugIns = "Error, Can not wait for the mutex of the plug-ins for acrobat";
inline constexpr const char* kAcrobatPastDeadline = "Error, Acrobat did not start within the deadline";

// ---- the macro route
inline constexpr const char* kNoFerrule = "Can not get ferrule.dat!";
inline std::string NeedFullAcrobat(const std::string& orderPage) {
  return "You must install full adobe acrobat, this tool do not support free acrobat reader, if you have not the "
         "full function adobe acrobat, you can order it from " +
         orderPage + "!";
}
inline std::string TemplateMissing(const std::string& path) { return "templete " + path + " do not exist!"; }

// ---- PDF output
inline constexpr const char* kNoPostScriptPrinter =
    "No PostScript printer is installed: PDF output prints the document through a printer with a PostScript "
    "driver first";
inline std::string PdfMakerRefused(const std::string& pdf, const std::string& ps) {
  return "The PDF maker could not make \"" + pdf + "\" from \"" + ps + "\"";
}
inline std::string PdfDocumentRefused(const std::string& what) { return "The PDF document refused " + what; }
inline std::string GhostscriptUnclean(const std::string& pdf) {
  return "Ghostscript did not end cleanly after making \"" + pdf + "\"";
}
inline constexpr const char* kCannotLoadGhostscript = "Can not load gsdll32.dll!";
inline constexpr const char* kCannotInitGhostscript = "Can not init gsdll32.dll!";
inline constexpr const char* kCannotBeginGhostscript = "Can not execute begin gsdll32.dll!";
inline constexpr const char* kCannotContinueGhostscript = "Can not excute cont gsdll32.dll!";
inline constexpr const char* kCannotEndGhostscript = "Can not excute end gsdll32.dll!";
inline constexpr const char* kPdfAByPrinting =
    "PDFA: the printing route (-1) makes no PDF/A; save in the application's PDF format instead";
inline constexpr const char* kPdfANotInExcel = "PDFA: MS Excel makes no PDF/A";
// STRICTFONTS refused the document; the requested families follow, joined by ", ".
inline constexpr const char* kFontsNotAvailable = "Fonts not available: ";

// ---- saved web pages and Internet Explorer
inline constexpr const char* kMergeHtmlError = "Merge html error";
inline std::string CannotRemoveFolder(const std::string& folder) { return "Cannot remove folder " + folder; }
inline constexpr const char* kCannotCreateBrowser = "Error, can not create InternetExplorer.Application";
inline constexpr const char* kCannotSaveBrowserText = "Error, can not save text in IE";

}  // namespace quillet::texts
