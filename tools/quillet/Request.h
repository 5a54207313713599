// One conversion as the command line hands it to the library: the format as
// the number of the source's application, and the option text with that
// application's keyword, so that the library opens the file with it.
#pragma once

#include <optional>
#include <string>

#include "FormatNames.h"

namespace quillet::cli {

struct Request {
  std::string source, destination;
  std::string format;  // the number, as text
  std::string option;
};

// What the user asked for: the format (a name, a number, or empty: the one
// the destination's extension names, else Fallback), the application (empty:
// from the option's keyword or the source's extension) and the option text;
// and the PDF settings, which become keywords of the option text: the PDF/A
// part ("1" to "3"; empty: none), the range of pages ("2-3"; empty: all) and
// the source's password.
struct Ask {
  std::string format;
  std::string app;
  std::string option;
  std::string pdfa = {};
  std::string pages = {};
  std::optional<std::string> password = std::nullopt;
};

// The password of a password file: its content without the line end that
// closes it. Raises std::invalid_argument when the file cannot be read.
std::string ReadPasswordFile(const std::string& file);

// The application for Source: --app, else a keyword of the option text,
// else the source's extension. Raises std::invalid_argument for an unknown
// --app.
App ChooseApp(const std::string& source, const Ask& ask);

// The option text with the keyword of App in front, unless the user named an
// application (by --app the keyword is always added), and the PDF keywords
// of the settings (PDFA, PAGES=, PASSWORD=) before the user's text.
std::string OptionFor(App app, const Ask& ask);

// The request for Source to Dest; raises std::invalid_argument when the
// format cannot be told. (Dest's extension is not changed.)
Request MakeRequest(const std::string& source, const std::string& dest, const Ask& ask);

}  // namespace quillet::cli
