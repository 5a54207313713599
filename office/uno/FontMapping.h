// The fonts the office lays a document out with, as its toolkit records them
// (XFontMappingUse, LibreOffice 7.4 and later): between Start and Finish,
// each font asked for with the fonts that were used for it. The record is the
// office process's, not a document's: one document is tracked at a time.
#pragma once

#include <string>
#include <vector>

#include "uno/Office.h"

namespace quillet::office::uno {

struct FontMappingUse {
  std::string requested;
  std::vector<std::string> used;
};

// Starts a new record (a record still running is dropped). Raises Failure
// when the office's toolkit has no such record (an office before 7.4).
void StartFontTracking(const Office& office);
// Ends the record and answers it.
std::vector<FontMappingUse> FinishFontTracking(const Office& office);

}  // namespace quillet::office::uno
