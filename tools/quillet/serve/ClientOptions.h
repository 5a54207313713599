// The option text a client of the service may send. The library reads its
// option text as free text searched for keywords anywhere in it, and some
// keywords reach routes that no client needs (macros run inside Word, the
// Ghostscript route, merged web pages, an import format, the application
// keywords, which the server sets itself). A client's text is therefore read
// as blank-separated keywords, each of which must be one the service offers,
// whole and well formed: the PDF keywords (PDFA, PAGES=, PASSWORD=, the
// orientation of Word's PDF), the slide-picture settings, and nothing else.
// The text the library gets is rebuilt from those keywords.
#pragma once

#include <string>

namespace quillet::cli::serve {

// Text rebuilt from its keywords. Raises std::invalid_argument naming the
// first keyword the service does not take (TIMEOUT= is refused with a pointer
// to the request's timeout field).
std::string ClientOption(const std::string& text);

}  // namespace quillet::cli::serve
