// The conversions of the format library (libfmtbridge.so) over LibreOffice
// Writer: a file that Word could open, saved in one of Word's save formats,
// without Word. They share the office of the stand-in applications of the
// process, which they hold from their first conversion until Release.
#pragma once

#include <string>

namespace quillet::office::fmtbridge {

// Converts Src into Dest. OpenFormat is empty (the import follows the
// source's extension, as Word's Documents.Open does) or one of Word's open
// format numbers; DestFormat is one of Word's save-format numbers, or empty
// for the one the destination's extension implies. Returns the error text:
// empty on success, else the reason ("This file format is not available: 99",
// "The file is corrupt and cannot be opened", ...).
std::string Convert(const std::string& src, const std::string& openFormat, const std::string& dest,
                    const std::string& destFormat);

// Lets go of the office the conversions hold (the next conversion takes it
// again).
void Release();

// The formats the library reads and writes, one per line joined by CR LF:
// "<name>:<format number>:<patterns>:".
std::string SourceFormatList();
std::string DestFormatList();

}  // namespace quillet::office::fmtbridge
