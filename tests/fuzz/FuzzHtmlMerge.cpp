#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "FuzzTargets.h"
#include "documents/HtmlPageMerge.h"
#include "platform/error.h"
#include "platform/path.h"
#include "utilities/Strings.h"
#include "utilities/TextLines.h"

namespace quillet::fuzz {

namespace {

// One folder for the whole run, reused by every input.
const std::string& WorkFolder() {
  static const std::string folder = [] {
    const auto dir =
        std::filesystem::temp_directory_path() /
        ("quillet-fuzz-merge-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    std::filesystem::create_directories(dir / "book.files");
    return dir.string();
  }();
  return folder;
}

void Write(const std::string& file, const std::string& content) {
  std::FILE* f = std::fopen(file.c_str(), "wb");
  if (!f) return;
  std::fwrite(content.data(), 1, content.size(), f);
  std::fclose(f);
}

}  // namespace

// Input: the file list, then up to three sheet pages, separated by 0x01 bytes;
// the first byte picks the page kind.
int HtmlMerge(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::string kind = data[0] & 1 ? "slide" : "sheet";
  std::vector<std::string> parts{""};
  for (size_t i = 1; i < size; ++i) {
    if (data[i] == 0x01 && parts.size() < 4)
      parts.emplace_back();
    else
      parts.back() += static_cast<char>(data[i]);
  }
  const std::string folder = path::IncludeTrailingDelimiter(WorkFolder()) + "book.files";
  const std::string list = path::IncludeTrailingDelimiter(folder) + "filelist.xml";
  Write(list, parts[0]);
  for (size_t i = 1; i < parts.size(); ++i)
    Write(path::IncludeTrailingDelimiter(folder) + kind + "00" + std::to_string(i) + ".htm", parts[i]);

  std::string pages = "untouched";
  GetHtmlPageList(list, kind, pages);
  // Every page named lies in the list's folder and is of the kind asked for
  // (in any letter case: the name stays as the list spells it).
  for (const std::string& page : SplitLines(pages)) {
    FUZZ_CHECK(page.rfind(path::IncludeTrailingDelimiter(folder), 0) == 0);
    FUZZ_CHECK(LowerCase(page).find(kind) != std::string::npos);
  }
  const std::string dest = path::IncludeTrailingDelimiter(WorkFolder()) + "book.htm";
  try {
    if (MergeHtmlPages(pages, dest)) {
      const std::string merged = [&] {
        std::string all;
        for (const std::string& line : LoadLinesFromFile(dest)) all += line + "\r\n";
        return all;
      }();
      FUZZ_CHECK(merged.rfind("<html><head>\r\n", 0) == 0);
      FUZZ_CHECK(merged.size() >= 16 && merged.substr(merged.size() - 16) == "</body></html>\r\n");
    }
  } catch (const Error& e) {
    // Only a page that cannot be read may escape, with its text.
    FUZZ_CHECK(std::string(e.what()).rfind("Cannot open file ", 0) == 0);
  }
  return 0;
}

}  // namespace quillet::fuzz
