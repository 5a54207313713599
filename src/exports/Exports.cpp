// The four plain entry points. Each copies the caller's strings, runs one
// operation of the process-wide converter, and copies the textual outcome into
// the caller's buffers. No exception of any kind leaves them.
//
// On Linux the strings are UTF-8, and each is checked before the request
// waits its turn: one that is not fails the call with a text naming it, and
// nothing is opened or written. The office would read such a string as
// UTF-16 made from it, and no decoding of bytes that are not UTF-8 is safe.
// (On Windows they are in the ANSI code page, which the system reads.)
#include <algorithm>
#include <cstring>
#include <string>

#include "exports/instance/Engine.h"
#include "exports/SaveReport.h"
#include "exports/StringBlock.h"
#include "platform/error.h"
#include "platform/path.h"
#include "platform/utf8.h"
#include "utilities/Maker.h"
#include "utilities/Messages.h"
#include "quillet/quillet.h"

namespace quillet {
namespace {

std::string Arg(const char* s) { return s ? std::string(s) : std::string(); }

void CopyOut(char* buffer, const std::string& text) {
  // The caller owns the buffer and promises it is large enough; without one
  // there is nowhere to write.
  if (buffer) std::memcpy(buffer, text.c_str(), text.size() + 1);
}

// Error texts echo paths of any length: they are cut to the size the header
// promises, in the middle, where a long path is.
void CopyErrorOut(char* buffer, const std::string& text) {
  CopyOut(buffer, path::Abbreviated(text, QUILLET_ERROR_TEXT_MAX - 1));
}

TOfficeConvertClass& Engine() {
  if (!ConvertEngine) throw Error("The converter is not available");
  return *ConvertEngine;
}

// The message of whatever was thrown.
std::string MessageOf(std::exception_ptr e) {
  try {
    std::rethrow_exception(e);
  } catch (const std::exception& ex) {
    return ex.what();
  } catch (...) {
    return "Unknown error";
  }
}

// The answers GetFieldValue gives itself, before asking the converter.
bool FixedField(const std::string& name, std::string& value) {
  static const struct {
    const char* name;
    const char* value;
  } kFields[] = {
      {"softwarename", "Quillet COM"},
      {"softwarebigversion", " 2.0"},
      {"dateversion", "040402"},
      {"buypath", kMakerHelpPage},
      {"homepath", kMakerHomePage},
      {"setting", ""},
  };
  for (const auto& field : kFields) {
    if (name == field.name) {
      value = field.value;
      return true;
    }
  }
  return false;
}

}  // namespace
}  // namespace quillet

using namespace quillet;

extern "C" {

QUILLET_API QuilletBool QUILLET_CALL ConvertSingleFile(const char* SrcFile, const char* DestFile,
                                                       const char* DestFormat, const char* Option,
                                                       char* ErrorBuf) {
  std::string errorText;
  try {
    const std::string src = Arg(SrcFile), dest = Arg(DestFile), format = Arg(DestFormat), option = Arg(Option);
    utf8::RequireLibraryText(src, texts::kTheSourceFile);
    utf8::RequireLibraryText(dest, texts::kTheDestinationFile);
    utf8::RequireLibraryText(format, texts::kTheFormat);
    utf8::RequireLibraryText(option, texts::kTheOption);
    const auto lock = LockRequests();
    Engine().ConvertDocument(src, dest, format, option, errorText);
  } catch (...) {
    errorText = MessageOf(std::current_exception());
    if (errorText.empty()) errorText = "Unknown error";  // a failure must never read as success
  }
  try {
    CopyErrorOut(ErrorBuf, errorText);
  } catch (...) {
  }
  return errorText.empty() ? 1 : 0;
}

QUILLET_API QuilletBool QUILLET_CALL ConvertFolder(const char* SrcPath, const char* DestPath,
                                                   const char* DestFormat, int32_t IsSubFolder,
                                                   const char* Option, const char* ReportFile) {
  std::string report, reportFile;
  try {
    reportFile = Arg(ReportFile);
    // A report file whose name is no text of the library is not written:
    // there is nowhere left to say why the run did not take place.
    if (!utf8::IsLibraryText(reportFile)) return 0;
    const std::string src = Arg(SrcPath), dest = Arg(DestPath), format = Arg(DestFormat), option = Arg(Option);
    utf8::RequireLibraryText(src, texts::kTheSourcePath);
    utf8::RequireLibraryText(dest, texts::kTheDestinationFolder);
    utf8::RequireLibraryText(format, texts::kTheFormat);
    utf8::RequireLibraryText(option, texts::kTheOption);
    const auto lock = LockRequests();
    Engine().ConvertFolderContents(src, dest, format, IsSubFolder, option, report);
    const bool noFailure = report.empty();
    const bool saved = SaveReport(reportFile, report);
    return noFailure && saved ? 1 : 0;
  } catch (...) {
    // A run that ended early still leaves its report: the lines of the files
    // done so far and, last, why it ended.
    if (!report.empty()) report += "\r\n";
    report += MessageOf(std::current_exception());
  }
  try {
    SaveReport(reportFile, report);
  } catch (...) {
  }
  return 0;
}

QUILLET_API int32_t QUILLET_CALL GetFieldValue(const char* FieldName, const char* Param, char* ValueBuf,
                                               int32_t ValueBufLen, char* ErrorBuf) {
  std::string value, errorText;
  try {
    const std::string name = Arg(FieldName), param = Arg(Param);
    utf8::RequireLibraryText(name, texts::kTheFieldName);
    utf8::RequireLibraryText(param, texts::kTheFieldParameter);
    const auto lock = LockRequests();
    if (!FixedField(name, value)) Engine().GetField(name, param, errorText, value);
  } catch (...) {
    value.clear();
    errorText = MessageOf(std::current_exception());
  }
  const auto len = static_cast<int32_t>(std::min<size_t>(value.size(), INT32_MAX));
  if (ValueBufLen > 0 && ValueBuf) {
    const auto n = static_cast<size_t>(std::min(ValueBufLen, len));
    std::memcpy(ValueBuf, value.data(), n);
    ValueBuf[n] = '\0';
  }
  CopyErrorOut(ErrorBuf, errorText);
  return len;
}

QUILLET_API int32_t QUILLET_CALL FreeMemory(void* Block) {
  try {
    FreeStringBlock(Block);
    return 0;
  } catch (...) {
    return static_cast<int32_t>(0x8000FFFFu);
  }
}

}  // extern "C"
