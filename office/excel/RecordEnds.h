// Excel ends the records of its delimited text files (CSV, tab-separated)
// with CR LF, whatever the system; LibreOffice's text export ends them with
// the system's line end. A line break inside a quoted field is part of the
// field and stays as it is.
#pragma once

#include <string>

namespace quillet::office::excel {

// Text with every record-ending LF (outside quotes) made CR LF; Wide: the
// text is UTF-16 (little-endian), else a byte encoding.
std::string WithCrLfRecords(const std::string& text, bool wide);

// Rewrites the delimited text file at Path so (raises Failure when it cannot).
void EndRecordsWithCrLf(const std::string& path, bool wide);

}  // namespace quillet::office::excel
