// The command line's names for destination formats and applications. The
// library takes save-format numbers, which differ between the applications
// (PDF is Word's 17, Excel's 57 and PowerPoint's 32); a name stands for the
// right number of each application that has it, and gives the destination's
// extension. The table, with the extensions each application opens, is the
// Python package's python/quillet/formats.json, made into C++ by the build.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

namespace quillet::cli {

enum class App { Word, Excel, PowerPoint };

const char* AppName(App app);  // "Word", "Excel", "PowerPoint"
// The option keyword that makes the library use App ("MS Word" ...).
const char* AppKeyword(App app);
// "word", "excel", "powerpoint" (any letter case); nothing for another text.
std::optional<App> ParseApp(const std::string& text);

// The application of a source file by its extension: Excel for workbooks and
// CSV, PowerPoint for presentations, Word for everything else.
App AppOfSource(const std::string& path);
// True for the extensions of documents that one of the applications opens.
bool IsDocument(const std::string& path);
// Those extensions (lower case, with their dot).
std::vector<std::string> DocumentExtensions();

struct FormatName {
  const char* names;  // the names, separated by "|": "txt|text"
  const char* extension;
  std::optional<int> word, excel, powerpoint;
  const char* description;
};
std::span<const FormatName> FormatNames();

struct Destination {
  int format = 0;
  std::string extension;  // with its dot; empty when the number has none known
};

// Format: a name of the table, or a number (for App as it is). Raises
// std::invalid_argument for a name the table does not have, or one that App
// lacks.
Destination ResolveFormat(const std::string& format, App app);
// The format the extension of Dest names for App; nothing when it names none.
std::optional<Destination> FormatOfDestination(const std::string& dest, App app);

// The lower-case extension of Path with its dot ("" when none).
std::string ExtensionOf(const std::string& path);

}  // namespace quillet::cli
