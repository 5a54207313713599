// Fuzz entries: each takes one input of any bytes, runs a part of the library
// that reads outside text on it, and aborts when an invariant of that part
// does not hold. libFuzzer drives them in the opt-in fuzz build; the replay
// test runs them on the kept corpora in every build.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quillet::fuzz {

// The dialog macro language against an in-memory dialog.
int Macro(const uint8_t* data, size_t size);
// The option reader: application keywords, the open-format value, the
// picture keywords.
int Options(const uint8_t* data, size_t size);
// ExtractBetween with a text and two markers cut out of the input.
int Extract(const uint8_t* data, size_t size);
// A file list read for its pages and those pages merged into one.
int HtmlMerge(const uint8_t* data, size_t size);
// The lines of a folder report and of a slide-conversion log, written and
// read back.
int ReportLine(const uint8_t* data, size_t size);
// Strict UTF-8: its validation against a decoder of another shape, the
// round trip through UTF-16 both ways, the COM seam, and the shown text.
int Utf8(const uint8_t* data, size_t size);

// The service's cleaning of a client's file name.
int UploadName(const uint8_t* data, size_t size);

[[noreturn]] void Fail(const char* what, const char* file, int line);

}  // namespace quillet::fuzz

#define FUZZ_CHECK(cond) ((cond) ? void() : ::quillet::fuzz::Fail(#cond, __FILE__, __LINE__))
