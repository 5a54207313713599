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
#include <cstdint>
#include <cstring>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "exports/instance/Engine.h"
#include "exports/SaveReport.h"
#include "exports/StringBlock.h"
#include "engine/options/Options.h"
#include "engine/options/Request.h"
#include "platform/error.h"
#include "platform/status.h"
#include "platform/path.h"
#include "platform/process.h"
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

// The kind of the failure of each thread's last call, for GetFieldValue
// "errorcode": the caller learns it the way it would read errno, without
// reading the text. A table of the library's own rather than a thread-local
// variable: the library is loaded and unloaded at run time, and storage of
// its own in every thread would outlive it. Only failures are kept, at most
// kMostThreads of them (the oldest thread's is let go).
class LastFailures {
 public:
  void Remember(const Status& outcome) {
    const uint32_t thread = os::CurrentThreadId();
    const std::lock_guard<std::mutex> guard(lock_);
    std::erase_if(failures_, [&](const auto& entry) { return entry.first == thread; });
    if (outcome.ok()) return;
    if (failures_.size() >= kMostThreads) failures_.pop_front();
    failures_.emplace_back(thread, outcome.code());
  }
  std::optional<ErrorCode> OfThisThread() const {
    const uint32_t thread = os::CurrentThreadId();
    const std::lock_guard<std::mutex> guard(lock_);
    for (const auto& [id, code] : failures_)
      if (id == thread) return code;
    return std::nullopt;
  }

 private:
  static constexpr size_t kMostThreads = 1024;
  mutable std::mutex lock_;
  std::deque<std::pair<uint32_t, ErrorCode>> failures_;
};

LastFailures& Failures() {
  static LastFailures failures;
  return failures;
}

void Remember(const Status& outcome) { Failures().Remember(outcome); }

// The field names this boundary answers itself, beside the fixed ones.
constexpr std::string_view kErrorCodeField = "errorcode";
constexpr std::string_view kPasswordOptionField = "passwordoption";

// The answers GetFieldValue gives itself, before asking the converter.
bool FixedField(const std::string& name, std::string& value) {
  static const struct {
    const char* name;
    const char* value;
  } kFields[] = {
      {"softwarename", "Quillet COM"}, {"softwarebigversion", " 2.0"}, {"dateversion", "040402"},
      {"buypath", kMakerHelpPage},     {"homepath", kMakerHomePage},   {"setting", ""},
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
                                                       const char* DestFormat, const char* Option, char* ErrorBuf) {
  // A failure never reads as success: a Status's text is never empty.
  Status outcome;
  try {
    std::string src = Arg(SrcFile), dest = Arg(DestFile), format = Arg(DestFormat), option = Arg(Option);
    utf8::RequireLibraryText(src, texts::kTheSourceFile);
    utf8::RequireLibraryText(dest, texts::kTheDestinationFile);
    utf8::RequireLibraryText(format, texts::kTheFormat);
    utf8::RequireLibraryText(option, texts::kTheOption);
    const TConversionRequest request =
        TConversionRequest::Parse(std::move(src), std::move(dest), std::move(format), std::move(option));
    const auto lock = LockRequests();
    outcome = Engine().Convert(request);
  } catch (...) {
    outcome = Status::OfCurrentException();
  }
  try {
    Remember(outcome);
    CopyErrorOut(ErrorBuf, outcome.message());
  } catch (...) {
  }
  return outcome.ok() ? 1 : 0;
}

QUILLET_API QuilletBool QUILLET_CALL ConvertFolder(const char* SrcPath, const char* DestPath, const char* DestFormat,
                                                   int32_t IsSubFolder, const char* Option, const char* ReportFile) {
  std::string report, reportFile;
  try {
    reportFile = Arg(ReportFile);
    // A report file whose name is no text of the library is not written:
    // there is nowhere left to say why the run did not take place.
    if (!utf8::IsLibraryText(reportFile)) {
      Remember(Status(ErrorCode::InvalidText, utf8::NotValidMessage(reportFile, "The report file")));
      return 0;
    }
    const std::string src = Arg(SrcPath), dest = Arg(DestPath), format = Arg(DestFormat), option = Arg(Option);
    utf8::RequireLibraryText(src, texts::kTheSourcePath);
    utf8::RequireLibraryText(dest, texts::kTheDestinationFolder);
    utf8::RequireLibraryText(format, texts::kTheFormat);
    utf8::RequireLibraryText(option, texts::kTheOption);
    const auto lock = LockRequests();
    Status outcome = Engine().ConvertFolder(src, dest, format, IsSubFolder, option, report);
    // Every failure of the run has its line; a report that holds one is no
    // success, whatever the last file did.
    if (outcome.ok() && !report.empty()) outcome = Status::Failed(report);
    if (!SaveReport(reportFile, report) && outcome.ok())
      outcome = Status(ErrorCode::FileSystem, "The report file could not be written");
    Remember(outcome);
    return outcome.ok() ? 1 : 0;
  } catch (...) {
    // A run that ended early still leaves its report: the lines of the files
    // done so far and, last, why it ended.
    const Status ended = Status::OfCurrentException();
    try {
      Remember(ended);
      if (!report.empty()) report += "\r\n";
      report += ended.message();
    } catch (...) {
    }
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
    if (name == kErrorCodeField) {
      // Asking for the code is no call of its own: it keeps what it reads.
      const std::optional<ErrorCode> last = Failures().OfThisThread();
      value = last ? CodeName(*last) : "";
    } else {
      utf8::RequireLibraryText(param, texts::kTheFieldParameter);
      Status outcome;
      if (name == kPasswordOptionField) {
        // The keyword exactly as the option reader reads it back.
        value = options::QuotePasswordKeyword(param);
      } else if (!FixedField(name, value)) {
        const auto lock = LockRequests();
        outcome = Engine().Field(name, value);
      }
      Remember(outcome);
      errorText = outcome.message();
    }
  } catch (...) {
    value.clear();
    const Status failed = Status::OfCurrentException();
    try {
      Remember(failed);
      errorText = failed.message();
    } catch (...) {
    }
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
