#include "Script.h"

#include <cstdlib>
#include <sstream>

#include "utilities/Strings.h"

namespace quillet::doubles {

namespace {

std::vector<std::string> Split(const std::string& s, char delimiter) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    const size_t at = s.find(delimiter, start);
    parts.push_back(s.substr(start, at == std::string::npos ? std::string::npos : at - start));
    if (at == std::string::npos) break;
    start = at + 1;
  }
  return parts;
}

int32_t Number(const std::string& s) { return static_cast<int32_t>(std::strtol(s.c_str(), nullptr, 10)); }

// "Key|rest" as its two halves; false without a bar.
bool SplitPair(const std::string& value, std::string& key, std::string& rest) {
  const size_t bar = value.find('|');
  if (bar == std::string::npos) return false;
  key = value.substr(0, bar);
  rest = value.substr(bar + 1);
  return true;
}

// The two characters \r of a script line stand for a carriage return.
std::string WithCarriageReturns(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 1 < s.size() && s[i + 1] == 'r') {
      out += '\r';
      ++i;
    } else {
      out += s[i];
    }
  }
  return out;
}

// text:<text>;empty;picture
ScriptedSlide ParseSlide(const std::string& value) {
  ScriptedSlide slide;
  if (value.empty()) return slide;
  for (const std::string& item : Split(value, ';')) {
    ScriptedShape shape;
    if (item.rfind("text:", 0) == 0) {
      shape.kind = ScriptedShape::Kind::Text;
      shape.text = WithCarriageReturns(item.substr(5));
    } else if (item == "empty") {
      shape.kind = ScriptedShape::Kind::Empty;
    } else if (item == "picture") {
      shape.kind = ScriptedShape::Kind::Picture;
    } else {
      continue;
    }
    slide.push_back(shape);
  }
  return slide;
}

}  // namespace

Script ParseScript(const std::string& text) {
  Script s;
  s.version = "9.0";
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const size_t eq = line.find('=');
    if (line.empty() || line[0] == '#' || eq == std::string::npos) continue;
    const std::string key = line.substr(0, eq), value = line.substr(eq + 1);
    std::string first, rest;
    if (key == "Version") {
      s.version = value;
    } else if (key == "Converter") {
      // CanOpen|CanSave|Extensions|OpenFormat|SaveFormat|FormatName
      const auto f = Split(value, '|');
      if (f.size() < 6) continue;
      ScriptedConverter c;
      c.canOpen = f[0] == "1";
      c.canSave = f[1] == "1";
      c.extensions = f[2];
      c.openFormat = Number(f[3]);
      c.saveFormat = Number(f[4]);
      c.formatName = f[5];
      s.converters.push_back(c);
    } else if (key == "Fail") {
      if (SplitPair(value, first, rest)) s.failures[LowerCase(first)] = rest;
    } else if (key == "FailCode") {
      if (SplitPair(value, first, rest))
        s.failCodes[LowerCase(first)] = static_cast<int32_t>(std::strtoul(rest.c_str(), nullptr, 16));
    } else if (key == "Unknown") {
      s.unknown.push_back(LowerCase(value));
    } else if (key == "DisconnectAfter") {
      s.disconnectAfter = LowerCase(value);
    } else if (key == "Macro") {
      if (SplitPair(value, first, rest)) {
        s.macro = LowerCase(first);
        s.macroAnswer = rest;
      } else {
        s.macro = LowerCase(value);
      }
    } else if (key == "Hang") {
      s.hang = LowerCase(value);
    } else if (key == "Title") {
      s.title = value;
    } else if (key == "FailOpen") {
      if (SplitPair(value, first, rest)) s.failOpen[LowerCase(first)] = rest;
    } else if (key == "Dialog") {
      s.dialog = value;
    } else if (key == "DialogTimeoutMs") {
      s.dialogTimeoutMs = Number(value);
    } else if (key == "Hyperlink") {
      if (SplitPair(value, first, rest)) s.hyperlinks.push_back({first, rest});
    } else if (key == "InlineShape") {
      s.inlineShapes.push_back(Number(value));
    } else if (key == "Characters") {
      if (SplitPair(value, first, rest)) {
        s.characterCount = Number(first);
        s.characterLanguage = Number(rest);
      }
    } else if (key == "OpenEncoding") {
      s.openEncoding = Number(value);
    } else if (key == "TablesOfContents") {
      s.tablesOfContents = Number(value);
    } else if (key == "Sheets") {
      s.sheets = Number(value);
    } else if (key == "Slide") {
      s.slides.push_back(ParseSlide(value));
    } else if (key == "SlideSize") {
      const size_t x = value.find('x');
      if (x != std::string::npos) {
        s.slideWidth = Number(value.substr(0, x));
        s.slideHeight = Number(value.substr(x + 1));
      }
    } else if (key == "Property") {
      if (SplitPair(value, first, rest)) s.properties[LowerCase(first)] = rest;
    } else if (key == "ActivePrinter") {
      s.activePrinter = value;
    } else if (key == "PrintOutput") {
      if (value == "none") s.printOutput = Script::PrintOutput::None;
      if (value == "broken") s.printOutput = Script::PrintOutput::Broken;
      if (value == "postscript") s.printOutput = Script::PrintOutput::PostScript;
    } else if (key == "FileToPdfResult") {
      s.fileToPdfResult = Number(value);
    } else if (key == "BadSlideImage") {
      s.badSlideImages.push_back(Number(value));
    } else if (key == "PlugInsLoadOk") {
      s.plugInsLoadOk = Number(value);
    } else if (key == "ConvertAnswer") {
      s.convertAnswer = value;
    } else if (key == "WindowAfterMs") {
      s.windowAfterMs = Number(value);
    } else if (key == "DdeWindowAfterMs") {
      s.ddeWindowAfterMs = Number(value);
    } else if (key == "MutexAfterMs") {
      s.mutexAfterMs = Number(value);
    } else if (key == "MutexHoldMs") {
      s.mutexHoldMs = Number(value);
    } else if (key == "Never") {
      s.never.push_back(value);
    } else if (key == "RefuseCreation") {
      s.refuseCreation = value == "1";
    } else if (key == "BusyReads") {
      s.busyReads = Number(value);
    } else if (key == "LoadingReads") {
      s.loadingReads = Number(value);
    } else if (key == "PageText") {
      s.hasPageText = true;
      s.pageText = value;
    }
  }
  return s;
}

}  // namespace quillet::doubles
