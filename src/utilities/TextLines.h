// Texts as lists of lines, the way the library reads and writes text files: a
// line ends at CR, LF or CR LF, a NUL character ends the text, and every line
// written is followed by CR LF.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quillet {

using StringList = std::vector<std::string>;

StringList SplitLines(std::string_view text);

// Every line followed by CR LF.
std::string JoinLinesCrLf(const StringList& lines);

// Reads a file's lines. Raises Error "Cannot open file <path>" when it cannot be read.
StringList LoadLinesFromFile(const std::string& fileName);

// Writes every line followed by CR LF, replacing an existing file. Raises Error
// "Cannot create file <path>" when the file cannot be created or written.
void SaveLinesToFile(const std::string& fileName, const StringList& lines);

}  // namespace quillet
