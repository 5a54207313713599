#include "engine/ConvertBase.h"

#include "platform/fs.h"
#include "platform/path.h"
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

void TConvertBaseClass::ConvertDocument(const std::string& src, const std::string& dest, const std::string&,
                                        const std::string&, std::string& errorText) {
  errorText.clear();
  // The source must be a file: a folder of that name fails as well.
  if (!os::FileExists(src)) {
    errorText = texts::SourceFileMissing(src);
    return;
  }
  const std::string destDir = path::ExtractFileDir(dest);
  if (!os::DirectoryExists(destDir)) {
    errorText = texts::DirectoryMissing(destDir);
    return;
  }
  // The routes delete or overwrite the destination before the application
  // writes it: a destination that is the source (however it is spelled, or
  // through a link) would lose the only copy when the save fails.
  if (os::SameFile(src, dest)) errorText = texts::DestinationIsSource(dest);
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
