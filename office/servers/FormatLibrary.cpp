// The exports of libquillet-office.so that the format library
// (libfmtbridge.so) forwards its calls to, so that its conversions use the
// office of the stand-in applications of the process rather than one of
// their own.
#include <cstdio>

#include "fmtbridge/Convert.h"
#include "uno/Office.h"

#define OFFICE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

// Text into Buffer of Size bytes, cut to fit and zero-terminated; the length
// of the whole text.
int CopyOut(const std::string& text, char* buffer, int size) {
  if (buffer && size > 0) std::snprintf(buffer, static_cast<size_t>(size), "%s", text.c_str());
  return static_cast<int>(text.size());
}

const char* OrEmpty(const char* s) { return s ? s : ""; }

}  // namespace

// The conversion of NoWordConvert; the error text goes into ErrorText (Size
// bytes), empty on success. Returns 1 on success, 0 on failure.
OFFICE_EXPORT int FormatLibraryConvert(const char* src, const char* openFormat, const char* dest,
                                       const char* destFormat, char* errorText, int size) {
  const std::string error =
      quillet::office::fmtbridge::Convert(OrEmpty(src), OrEmpty(openFormat), OrEmpty(dest), OrEmpty(destFormat));
  CopyOut(error, errorText, size);
  return error.empty() ? 1 : 0;
}

// Which: 0 the formats read, 1 the formats written.
OFFICE_EXPORT int FormatLibraryList(int which, char* buffer, int size) {
  return CopyOut(
      which == 0 ? quillet::office::fmtbridge::SourceFormatList() : quillet::office::fmtbridge::DestFormatList(),
      buffer, size);
}

// A conversion past its deadline (called from another thread): the office
// our conversion waits on is stopped, so FormatLibraryConvert returns with
// an error; the next conversion starts a new office.
OFFICE_EXPORT void FormatLibraryAbort() { quillet::office::uno::AbortOffice(); }

// The format library is being unloaded: its hold on the office goes.
OFFICE_EXPORT void FormatLibraryRelease() { quillet::office::fmtbridge::Release(); }
