#include "documents/HtmlPageMerge.h"

#include <exception>

#include "platform/error.h"
#include "platform/path.h"
#include "utilities/Strings.h"
#include "utilities/TextLines.h"

namespace quillet {

void GetHtmlPageList(const std::string& FileListPath, const std::string& PageKind, std::string& PageList) {
  PageList.clear();
  const std::string folder = path::ExtractFilePath(FileListPath);
  const std::string kind = LowerCase(PageKind);
  try {
    for (const std::string& raw : LoadLinesFromFile(FileListPath)) {
      // The comparisons are made on the lower-case line, so the file list's
      // own spelling (o:File HRef=, o:file href=) does not matter. The name
      // keeps its letters as written: on a file system that tells capitals
      // from small letters, Sheet001.htm is no other file's name.
      const std::string line = Trim(raw);
      const std::string low = LowerCase(line);
      if (!Contains(low, "o:file href=") || !Contains(low, ".htm\"/>") || !Contains(low, kind)) continue;
      const std::string name = ReplaceAll(ReplaceAllText(line, "<o:file href=\"", ""), "\"/>", "");
      if (!PageList.empty()) PageList += "\r\n";
      PageList += folder + name;
    }
  } catch (const std::exception&) {
    // No file list, no pages: the caller skips the merge.
  }
}

namespace {

// What the merged page takes from the first page: the lines of its head that
// matter, and its body start tag on one line.
class FirstPageHead {
 public:
  explicit FirstPageHead(StringList& out) : out_(out) {}

  void Take(const std::string& line, const std::string& low) {
    if (Contains(low, "<meta")) out_.push_back(line);
    if (Contains(low, "<title")) out_.push_back(line);
    if (Contains(low, "</head")) out_.push_back(line);
    if (Contains(low, "<body")) {
      inBody_ = true;
      body_.clear();
    }
    if (!inBody_) return;
    body_ += ' ';
    body_ += line;
    if (Contains(low, ">")) {
      inBody_ = false;
      // The merged page must not run the first page's own load handler.
      out_.push_back(ReplaceAllText(body_, "onload", "onload1"));
    }
  }

 private:
  StringList& out_;
  bool inBody_ = false;
  std::string body_;
};

// Appends the page's lines from its first line with a table start to its last
// line with a table end; the first page also gives its head.
void TakePage(const StringList& lines, FirstPageHead* head, StringList& out) {
  constexpr size_t none = static_cast<size_t>(-1);
  size_t tableStart = none;
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string low = LowerCase(lines[i]);
    if (head) head->Take(lines[i], low);
    if (Contains(low, "<table")) {
      tableStart = i;
      break;
    }
  }
  size_t tableEnd = none;
  for (size_t i = lines.size(); i-- > 0;) {
    if (Contains(LowerCase(lines[i]), "</table")) {
      tableEnd = i;
      break;
    }
  }
  if (tableStart == none || tableEnd == none || tableEnd < tableStart) return;
  out.insert(out.end(), lines.begin() + static_cast<std::ptrdiff_t>(tableStart),
             lines.begin() + static_cast<std::ptrdiff_t>(tableEnd) + 1);
}

}  // namespace

bool MergeHtmlPages(const std::string& PageList, const std::string& DestPath) {
  StringList out{"<html><head>"};
  FirstPageHead head(out);
  bool first = true;
  for (const std::string& page : SplitLines(PageList)) {
    // Not caught: a page that cannot be read is the caller's failure.
    TakePage(LoadLinesFromFile(page), first ? &head : nullptr, out);
    first = false;
  }
  out.push_back("</body></html>");
  try {
    SaveLinesToFile(DestPath, out);
  } catch (const Error&) {
    return false;
  }
  return true;
}

}  // namespace quillet
