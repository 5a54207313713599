// The destination format list that the converter builds from Word, as the
// field lookup writes it out.
#pragma once

namespace quillet::test {

inline constexpr const char* kWordDestList =
    "2=Text only(*.txt):2:*.txt:\r\n"
    "3=Text only with Line Breaks(*.txt):3:*.txt:\r\n"
    "4=Ms-Dos Text(*.txt):4:*.txt:\r\n"
    "5=Ms-Dos Text with line breaks(*.txt):5:*.txt:\r\n"
    "7=Unicode Text(*.txt):7:*.txt:\r\n"
    "-3=Save Text With Source Character Set(*.txt):-3:*.txt:";

}  // namespace quillet::test
