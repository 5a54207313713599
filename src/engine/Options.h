// The option string: free text searched for case-sensitive keywords anywhere in
// it, with no grammar and no word boundaries.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quillet::options {

// Application names; also the keywords that choose the application.
inline constexpr std::string_view kMsWord = "MS Word";
inline constexpr std::string_view kMsExcel = "MS Excel";
inline constexpr std::string_view kMsPowerpoint = "MS Powerpoint";
inline constexpr std::string_view kAdobeAcrobat = "Adobe Acrobat";
inline constexpr std::string_view kNoMsWord = "No MS Word";

// Keywords with an effect of their own.
inline constexpr std::string_view kUseMacro = "USEMACRO";
inline constexpr std::string_view kOpenFormat = "OPENFORMAT";
inline constexpr std::string_view kOpenFormatValue = "OPENFORMAT=";
inline constexpr std::string_view kUseGsDll = "USEGSDLL";
inline constexpr std::string_view kOrientation1 = "orientation:=1";
inline constexpr std::string_view kOrientation2 = "orientation:=2";
inline constexpr std::string_view kMergeHtml = "MERGEHTML";
inline constexpr std::string_view kNoCreateImageDir = "NOCREATEIMAGEDIR";
// A keyword of this library's own: the deadline of each document, in whole
// seconds ("TIMEOUT=30").
inline constexpr std::string_view kTimeout = "TIMEOUT=";
inline constexpr uint32_t kDefaultTimeoutSeconds = 120;

// True when Keyword occurs anywhere in Option (byte-wise, case-sensitive).
bool Has(std::string_view option, std::string_view keyword);

// The application the option string asks for: the five application keywords
// are tested in a fixed order and the last one found wins ("No MS Word" thus
// always beats the "MS Word" it contains). Empty when none is present.
std::string ChooseApplication(std::string_view option);

// The text after "OPENFORMAT=" up to the first CR LF of the whole option string.
std::string OpenFormatValue(const std::string& option);

// The deadline of one document in seconds: the whole number after the first
// "TIMEOUT=" (ended by a blank, tab, CR, LF, "," or ";" or the end of the
// option text), else the default. Raises Error "Invalid value '<v>' for
// TIMEOUT= (whole seconds from 1 to 86400)" for anything else.
uint32_t TimeoutSeconds(std::string_view option);

}  // namespace quillet::options
