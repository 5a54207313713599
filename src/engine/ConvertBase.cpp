#include "engine/ConvertBase.h"

#include <utility>

#include "platform/fs.h"
#include "platform/path.h"
#include "platform/utf8.h"
#include "utilities/Messages.h"

namespace quillet {

TConvertBaseClass::TConvertBaseClass()
    : SourceFormats(std::make_unique<TFormatList>()), DestFormats(std::make_unique<TFormatList>()) {}

TConvertBaseClass::~TConvertBaseClass() {
  // A virtual call from a destructor reaches this class's version only; the
  // subclass has already closed its applications in its own destructor.
  TConvertBaseClass::CloseApplications();
}

bool TConvertBaseClass::StartApplication(const std::string&, std::string&) { return false; }

bool TConvertBaseClass::CloseApplications() {
  FreeFormats(SourceFormats);
  FreeFormats(DestFormats);
  return true;
}

// The operation's error text (its callers' contract) is the checks' text.
void TConvertBaseClass::ConvertDocument(const std::string& src, const std::string& dest, const std::string& destFormat,
                                        const std::string& option, std::string& errorText) {
  errorText = ValidateRequest(src, dest, destFormat, option).message();
}

Status TConvertBaseClass::ValidateRequest(const std::string& src, const std::string& dest,
                                          const std::string& destFormat, const std::string& option) {
  // A text that is not UTF-8 (on Linux) would reach the application decoded
  // by guesswork, as another name than the one checked here: it is refused
  // before anything is looked at. (A folder run meets such names on disk.)
  for (const auto& [text, what] : {std::pair{&src, texts::kTheSourceFile}, std::pair{&dest, texts::kTheDestinationFile},
                                   std::pair{&destFormat, texts::kTheFormat}, std::pair{&option, texts::kTheOption}}) {
    if (!utf8::IsLibraryText(*text)) return Status(ErrorCode::InvalidText, utf8::NotValidMessage(*text, what));
  }
  // The source must be a file: a folder of that name fails as well.
  if (!os::FileExists(src)) return Status(ErrorCode::InvalidRequest, texts::SourceFileMissing(src));
  const std::string destDir = path::ExtractFileDir(dest);
  if (!os::DirectoryExists(destDir)) return Status(ErrorCode::InvalidRequest, texts::DirectoryMissing(destDir));
  // The routes delete or overwrite the destination before the application
  // writes it: a destination that is the source (however it is spelled, or
  // through a link) would lose the only copy when the save fails.
  if (os::SameFile(src, dest)) return Status(ErrorCode::InvalidRequest, texts::DestinationIsSource(dest));
  return Status::Ok();
}

void TConvertBaseClass::ConvertFolderContents(const std::string&, const std::string&, const std::string&, int32_t,
                                              const std::string&, std::string&) {}

void TConvertBaseClass::GetField(const std::string&, const std::string&, std::string&, std::string&) {}

namespace {
const TFormatList kNoFormats;
}

const TFormatList& TConvertBaseClass::sourceFormats() const { return SourceFormats ? *SourceFormats : kNoFormats; }
const TFormatList& TConvertBaseClass::destFormats() const { return DestFormats ? *DestFormats : kNoFormats; }

TFormatList& TConvertBaseClass::Sources() {
  if (!SourceFormats) SourceFormats = std::make_unique<TFormatList>();
  return *SourceFormats;
}

TFormatList& TConvertBaseClass::Dests() {
  if (!DestFormats) DestFormats = std::make_unique<TFormatList>();
  return *DestFormats;
}

}  // namespace quillet
