// Paths as the library sees them. On Windows a path's folder part ends at its
// last backslash or drive colon; on Linux at its last slash (there is no drive).
// Every routine here is pure text: none of them touches the disk.
#pragma once

#include <string>
#include <string_view>

namespace quillet::path {

#ifdef _WIN32
inline constexpr char kDelimiter = '\\';
inline constexpr std::string_view kDelimiters = "\\:";
#else
inline constexpr char kDelimiter = '/';
inline constexpr std::string_view kDelimiters = "/";
#endif

bool IsDelimiter(char c);

// Position of the last folder delimiter, or npos.
std::string::size_type LastDelimiter(std::string_view p);

// Everything up to and including the last delimiter ("" when there is none).
std::string ExtractFilePath(std::string_view p);

// The folder part: everything before the last delimiter, keeping that
// delimiter only when it follows a drive colon or another delimiter
// (C:\r.txt gives C:\, C:\a\r.txt gives C:\a, /r.txt gives /).
std::string ExtractFileDir(std::string_view p);

// Everything after the last delimiter.
std::string ExtractFileName(std::string_view p);

// From the last dot that is not followed by a delimiter, to the end; "" when
// there is no such dot ("*.htm;*.html" gives ".html").
std::string ExtractFileExt(std::string_view p);

// Replaces the extension (or appends Ext when there is none; an empty Ext
// removes the extension).
std::string ChangeFileExt(std::string_view p, std::string_view ext);

bool EndsWithDelimiter(std::string_view p);
// P itself when it has at most MaxBytes bytes, else its start and its end
// joined by "..." within MaxBytes, so that a message about a very long path
// stays readable and bounded. UTF-8 sequences are not cut apart.
std::string Abbreviated(std::string_view p, size_t maxBytes);
std::string IncludeTrailingDelimiter(std::string_view p);

// True for a path that does not depend on the current folder: on Windows one
// holding a drive colon or a UNC double backslash, on Linux one starting at /.
bool IsAbsolute(std::string_view p);

// Cwd, one delimiter (left out when Cwd already ends with one) and P.
std::string JoinToCurrent(std::string_view cwd, std::string_view p);

}  // namespace quillet::path
