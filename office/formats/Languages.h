// Language tags of LibreOffice (language and country of a Locale) as the
// Windows language identifiers that Word reports (LanguageIDFarEast and
// its kind): 2052 for Chinese (People's Republic of China), 1028 for Chinese
// (Taiwan) and so on.
#pragma once

#include <string>

namespace quillet::office::formats {

// 0 for an empty language; 1024 (LANG_USER_DEFAULT's neutral) when unknown.
int LanguageId(const std::string& language, const std::string& country);

}  // namespace quillet::office::formats
