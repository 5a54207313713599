#include "documents/RemoveHtmlImages.h"

#include <exception>
#include <utility>

#include "HTMLParser/HTMLParser.h"
#include "documents/ImageTagStrip.h"
#include "platform/path.h"
#include "utilities/Strings.h"
#include "utilities/SysUtils.h"

namespace quillet {

void RemoveHtmlImages(const std::string& HtmlPath, std::string& ErrorText) {
  ErrorText.clear();
  try {
    // A folder that is missing or cannot be removed is not reported here; the
    // latter has shown its message box already.
    (void)DeleteFolderTree(path::ChangeFileExt(HtmlPath, ".files"));
  } catch (const std::exception& e) {
    ErrorText = e.what();
    return;
  }
  // Case-sensitive on purpose: a page saved as .HTM keeps its tags.
  if (!Contains(HtmlPath, ".htm")) return;

  THtmlParser parser;
  try {
    parser.LoadFromFile(HtmlPath);
  } catch (const std::exception& e) {
    ErrorText = e.what();
    return;
  }
  std::string text = parser.TakeText();
  StripImageTags(text);
  parser.SetText(std::move(text));
  try {
    parser.SaveToFile(HtmlPath);
  } catch (const std::exception& e) {
    ErrorText = e.what();
  }
}

}  // namespace quillet
