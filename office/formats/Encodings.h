// Windows code pages (the numbers Word's Encoding, OpenEncoding and
// SaveEncoding take) and the character-set names of LibreOffice's text filters.
#pragma once

#include <string>

namespace quillet::office::formats {

inline constexpr int kUtf8 = 65001;
inline constexpr int kUtf16 = 1200;
inline constexpr int kUtf16BigEndian = 1201;
inline constexpr int kWestern = 1252;

// The text filter's name for CodePage ("UTF8", "MS_1252", "UNICODE" ...);
// raises Failure "This encoding is not available: <CodePage>". The filter has
// UTF-16 in one byte order only: 1201 (big endian) has the name of 1200, and
// what the filter writes for it must be swapped pair by pair.

std::string CharsetName(int codePage);

// Options of Writer's "Text (encoded)" export in CodePage with CR LF line
// ends; Unicode encodings get a byte-order mark when Bom is set.
std::string TextExportOptions(int codePage, bool bom);

}  // namespace quillet::office::formats
