// A .docx made to exhaust what opens it: a few megabytes whose one paragraph
// of text expands to gigabytes.
#pragma once

#include <string>

namespace quillet::test {

// A .docx whose document part holds SixteenMebibytes times 16 MiB of Filler
// in one run of text.
std::string ZipBombDocx(int sixteenMebibytes, char filler = ' ');

}  // namespace quillet::test
