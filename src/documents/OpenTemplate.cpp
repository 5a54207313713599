#include "documents/OpenTemplate.h"

#include "platform/fs.h"
#include "platform/module.h"
#include "platform/sysinfo.h"
#include "platform/status.h"
#include "utilities/Messages.h"

namespace quillet {

Status OpenTemplate(const ole::Variant& app, const std::string& appKind, const std::string& templateName,
                    ole::Variant* opened) {
  const std::string folder = os::ExecutableFolder();
  std::string fullPath = folder + templateName;
  if (!os::FileExists(fullPath)) {
    // The templates shipped with the library are installed in its private folder.
    const std::string own = os::PrivateFolder();
    if (own.empty() || !os::FileExists(own + templateName))
      return Status(ErrorCode::NotInstalled, texts::TemplateMissing(folder + templateName));
    fullPath = own + templateName;
  }
  ole::Variant document;
  const Status outcome = Capture([&] {
    if (appKind == "word") {
      document = app.CallOrGet("Documents").Call("Open", {}, {{"FileName", fullPath}, {"ReadOnly", true}});
    } else if (appKind == "excel") {
      document = app.CallOrGet("Workbooks").Call("Open", {}, {{"FileName", fullPath}, {"ReadOnly", true}});
    } else if (appKind == "powerpoint") {
      document = app.CallOrGet("Presentations")
                     .Call("Open", {}, {{"FileName", fullPath}, {"WithWindow", false}, {"ReadOnly", true}});
    }
  });
  if (opened && outcome.ok()) *opened = std::move(document);
  return outcome;
}

}  // namespace quillet
