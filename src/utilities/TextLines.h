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

// The lines of Text each followed by CR LF: JoinLinesCrLf(SplitLines(Text)),
// without making the list.
std::string CrLfLines(std::string_view text);

// A file's bytes as they are. Raises Error "Cannot open file <path>" when it
// cannot be read.
std::string LoadTextFromFile(const std::string& fileName);

// Reads a file's lines. Raises Error "Cannot open file <path>" when it cannot be read.
StringList LoadLinesFromFile(const std::string& fileName);

// Writes every line followed by CR LF, replacing an existing file. Raises Error
// "Cannot create file <path>" when the file cannot be created or written.
void SaveLinesToFile(const std::string& fileName, const StringList& lines);

// Writes the lines of Text each followed by CR LF (CrLfLines), as SaveLinesToFile.
void SaveTextLinesToFile(const std::string& fileName, std::string_view text);

}  // namespace quillet
