// The names a client gives, made fit to name results: never a path. The
// server stores every upload and result under names of its own; these are
// only for the names the client reads back (Content-Disposition, the entries
// of a zip archive).
#pragma once

#include <string>

namespace quillet::cli::serve {

// The longest name CleanName keeps, in bytes.
inline constexpr size_t kLongestName = 200;

// The base name of a client's file name: no folder part (either slash), each
// byte that is not part of valid UTF-8 (overlong forms, surrogates, stray
// bytes) as "_", no control or direction-changing characters, no leading dots
// or blanks, at most kLongestName bytes cut at a character boundary with its
// extension kept; "document" when nothing is left. The result is valid UTF-8
// and CleanName of it is itself.
std::string CleanName(const std::string& given);

// Name without its extension.
std::string StemOf(const std::string& name);

// The name a client reads for a result the server wrote as Produced (a path
// relative to the results' folder, whose outputs are named after Stem): a
// first component named Stem, or Stem plus an extension, gets the client's
// stem instead; a supporting folder ("<stem>_files") keeps its name, which
// the page's links use.
std::string ClientNameOf(const std::string& produced, const std::string& stem, const std::string& clientStem);

}  // namespace quillet::cli::serve
