#include "documents/OpenTemplate.h"

#include "platform/fs.h"
#include "platform/module.h"
#include "platform/sysinfo.h"
#include "utilities/Guarded.h"
#include "utilities/Messages.h"

namespace quillet {

void OpenTemplate(const ole::Variant& app, const std::string& appKind, const std::string& templateName,
                  std::string& errorText, ole::Variant* opened) {
  errorText.clear();
  const std::string folder = os::ExecutableFolder();
  std::string fullPath = folder + templateName;
  if (!os::FileExists(fullPath)) {
    // The templates shipped with the library are installed beside it.
    const std::string own = os::ModuleFolder();
    if (own.empty() || !os::FileExists(own + templateName)) {
      errorText = texts::TemplateMissing(folder + templateName);
      return;
    }
    fullPath = own + templateName;
  }
  ole::Variant document;
  Guarded(
      [&] {
        if (appKind == "word") {
          document = app.CallOrGet("Documents").Call("Open", {}, {{"FileName", fullPath}, {"ReadOnly", true}});
        } else if (appKind == "excel") {
          document = app.CallOrGet("Workbooks").Call("Open", {}, {{"FileName", fullPath}, {"ReadOnly", true}});
        } else if (appKind == "powerpoint") {
          document = app.CallOrGet("Presentations")
                         .Call("Open", {}, {{"FileName", fullPath}, {"WithWindow", false}, {"ReadOnly", true}});
        }
      },
      errorText);
  if (opened && errorText.empty()) *opened = std::move(document);
}

}  // namespace quillet
