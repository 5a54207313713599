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
  std::string version;                         // the Version property
  std::vector<ScriptedConverter> converters;   // Word's FileConverters, item 1 first
  std::map<std::string, std::string> failures;  // lower-case "object.member" -> description
  std::map<std::string, int32_t> failCodes;    // lower-case "object.member" -> HRESULT
  std::vector<std::string> unknown;            // lower-case "object.member": names not known
  std::string disconnectAfter;                 // lower-case "object.member"
  std::string title;                           // the title of every document opened
  std::map<std::string, std::string> failOpen;  // lower-case file name -> description of its open
  std::string dialog;                          // the dialog raised inside every open, or empty
  int32_t dialogTimeoutMs = 90000;             // after this the dialog closes itself

  // Word documents.
  std::vector<ScriptedLink> hyperlinks;
  std::vector<int32_t> inlineShapes;  // the Type of each
  int32_t characterCount = 100;
  int32_t characterLanguage = 1033;  // LanguageIDFarEast of every character
  int32_t openEncoding = 1252;

  // Excel workbooks.
  int32_t sheets = 1;

  // PowerPoint presentations.
  std::vector<ScriptedSlide> slides;
  int32_t slideWidth = 64;
  int32_t slideHeight = 48;
  std::vector<int32_t> badSlideImages;  // slide numbers whose image is not a bitmap

  bool refuseCreation = false;  // the class factory makes nothing and fails

  // Internet Explorer.
  int32_t busyReads = 0;      // reads of Busy after a Navigate that answer True; -1: all
  int32_t loadingReads = 0;   // reads of ReadyState after a Navigate that answer 3; -1: all
  bool hasPageText = false;   // innerText is PageText rather than the page's own text
  std::string pageText;       // with its escapes (\r \n \t \uXXXX) as written
};

// Parses a script text; lines it does not understand are skipped.
Script ParseScript(const std::string& text);

}  // namespace quillet::doubles
