// What a test scripted for one application double: the values its objects
// answer with and the failures they raise. doubles/control/DoubleControl.h
// describes the text format for the tests that write it.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace quillet::doubles {

struct ScriptedConverter {
  bool canOpen = true;
  bool canSave = false;
  std::string extensions;
  int32_t openFormat = 0;
  int32_t saveFormat = 0;
  std::string formatName;
};

struct ScriptedLink {
  std::string address;
  std::string text;  // TextToDisplay
};

// One shape of a slide.
struct ScriptedShape {
  enum class Kind { Text, Empty, Picture };  // a frame with text, a frame without, no frame
  Kind kind = Kind::Picture;
  std::string text;
};
using ScriptedSlide = std::vector<ScriptedShape>;

struct Script {
  std::string version;                            // the Version property
  std::vector<ScriptedConverter> converters;      // Word's FileConverters, item 1 first
  std::map<std::string, std::string> failures;    // lower-case "object.member" -> description
  std::map<std::string, int32_t> failCodes;       // lower-case "object.member" -> HRESULT
  std::vector<std::string> unknown;               // lower-case "object.member": names not known
  std::string disconnectAfter;                    // lower-case "object.member"
  std::string hang;                               // lower-case "object.member" that never answers
  std::string title;                              // the title of every document opened
  std::map<std::string, std::string> properties;  // lower-case name -> built-in property of every document
  std::map<std::string, std::string> failOpen;    // lower-case file name -> description of its open
  std::string dialog;                             // the dialog raised inside every open, or empty
  int32_t dialogTimeoutMs = 90000;                // after this the dialog closes itself

  // Printing: Word's active printer at the start, and what PrintOut writes.
  std::string activePrinter = "Office Printer on LPT1:";
  enum class PrintOutput { PostScript, None, Broken };
  PrintOutput printOutput = PrintOutput::PostScript;

  // The PDF maker double: what FileToPdf answers after writing the PDF.
  int32_t fileToPdfResult = 1;

  // Word documents.
  std::vector<ScriptedLink> hyperlinks;
  std::vector<int32_t> inlineShapes;  // the Type of each
  int32_t characterCount = 100;
  int32_t characterLanguage = 1033;  // LanguageIDFarEast of every character
  int32_t openEncoding = 1252;
  int32_t tablesOfContents = 0;

  // Excel workbooks.
  int32_t sheets = 1;

  // PowerPoint presentations.
  std::vector<ScriptedSlide> slides;
  int32_t slideWidth = 64;
  int32_t slideHeight = 48;
  std::vector<int32_t> badSlideImages;  // slide numbers whose image is not a bitmap

  // The plug-in bridge.
  int32_t plugInsLoadOk = 1;  // what IsPlug_insLoadOk answers
  std::string convertAnswer;  // the answer of every ConvertFile, or empty

  // The Acrobat program: its steps, each this long after the one before.
  int32_t windowAfterMs = 0;     // the main window, after the start
  int32_t ddeWindowAfterMs = 0;  // the DDE server window, after the main window
  int32_t mutexAfterMs = 0;      // the plug-in's mutex made and taken, after the DDE window
  int32_t mutexHoldMs = 0;       // the mutex let go, after it was made
  // Steps never taken: "dde-window", "mutex", "release".
  std::vector<std::string> never;

  // What the macro quillet.AutoExec.QLConvert does with its job file:
  // "convert", "fail", "untouched", "empty", "slides"; empty: there is no
  // such macro. MacroAnswer is the first line a failing macro writes.
  std::string macro;
  std::string macroAnswer;

  bool refuseCreation = false;  // the class factory makes nothing and fails

  // Internet Explorer.
  int32_t busyReads = 0;     // reads of Busy after a Navigate that answer True; -1: all
  int32_t loadingReads = 0;  // reads of ReadyState after a Navigate that answer 3; -1: all
  bool hasPageText = false;  // innerText is PageText rather than the page's own text
  std::string pageText;      // with its escapes (\r \n \t \uXXXX) as written
};

// Parses a script text; lines it does not understand are skipped.
Script ParseScript(const std::string& text);

}  // namespace quillet::doubles
