#include "documents/RemoveHtmlImages.h"

#include <exception>
#include <utility>

#include "HTMLParser/HTMLParser.h"
#include "documents/ImageTagStrip.h"
#include "platform/fs.h"
#include "platform/path.h"
#include "utilities/Messages.h"
#include "utilities/Strings.h"
#include "utilities/SysUtils.h"

namespace quillet {

void RemoveHtmlImages(const std::string& HtmlPath, std::string& ErrorText) {
  ErrorText.clear();
  const std::string folder = path::ChangeFileExt(HtmlPath, ".files");
  bool folderStays = false;
  try {
    // A missing folder is no failure; one that cannot be removed has shown its
    // message box, and is reported once the page is done.
    if (!DeleteFolderTree(folder)) folderStays = os::DirectoryExists(folder);
  } catch (const std::exception& e) {
    ErrorText = e.what();
    return;
  }
  if (folderStays) ErrorText = texts::CannotRemoveFolder(folder);
  // A page saved as .HTM or .Htm is a web page too.
  if (!Contains(LowerCase(HtmlPath), ".htm")) return;

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
