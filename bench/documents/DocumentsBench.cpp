// Times RemoveHtmlImages on generated saved web pages of 2, 5, 10 and 20 MB
// holding one image tag in every 200 bytes (100 000 in the 20 MB page): end to
// end (load, strip, save, with a small supporting folder to delete), and the
// strip, the load and the save alone. Prints MB/s per size and how the times
// grow from 2 to 20 MB. For contrast it times the tag-by-tag walk that deletes
// each tag from the text in place, at 2 and 5 MB, and checks that it leaves the
// same text.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "HTMLParser/HTMLParser.h"
#include "ImageTagReference.h"
#include "documents/ImageTagStrip.h"
#include "documents/RemoveHtmlImages.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(const std::function<void()>& f) {
  const auto t0 = Clock::now();
  f();
  return std::chrono::duration<double>(Clock::now() - t0).count();
}

// The fastest round: on a shared machine it is the one least disturbed.
double Fastest(const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); }

// A page as an office application writes it: paragraphs of text with
// formatting tags, and every 200 bytes or so a picture in one of the three
// spellings. Line ends are LF, as some writers leave them.
std::string MakePage(size_t bytes) {
  static const char* const kWords[] = {"quarterly", "report", "the", "of", "revenue", "and",   "north", "region",
                                       "growth",    "a",      "in",  "to", "figures", "table", "sales", "east"};
  uint32_t seed = 12345;
  auto next = [&seed] {
    seed = seed * 1103515245u + 12345u;
    return seed >> 16;
  };
  std::string page = "<html>\n<head>\n<meta name=Generator content=\"Word\">\n<title>Report</title>\n</head>\n<body>\n";
  page.reserve(bytes + 1024);
  size_t pictures = 0;
  while (page.size() < bytes) {
    page += "<p class=MsoNormal><span style='font-size:10.0pt'>";
    for (int w = 0; w < 12; ++w) {
      page += kWords[next() % 16];
      page += ' ';
    }
    page += "</span>";
    const unsigned n = static_cast<unsigned>(++pictures % 1000);
    switch (pictures % 3) {
      case 0:
        page += "<img width=64 height=48 src=\"page.files/image" + std::to_string(n) + ".gif\">";
        break;
      case 1:
        page += "<IMG SRC=\"page.files/image" + std::to_string(n) + ".jpg\" WIDTH=64\nHEIGHT=48>";
        break;
      default:
        page += "<v:shape style='width:48pt'><v:imagedata src=\"page.files/image" + std::to_string(n) +
                ".png\" o:title=\"\"/>\n</v:shape>";
    }
    page += " a > b <br></p>\n";
  }
  page += "</body>\n</html>\n";
  return page;
}

size_t CountImageTags(size_t bytes) {
  const std::string page = MakePage(bytes);
  size_t n = 0;
  for (const char* name : {"<img ", "<IMG ", "<v:imagedata "})
    for (size_t i = page.find(name); i != std::string::npos; i = page.find(name, i + 1)) ++n;
  return n;
}

void WriteFile(const std::string& file, const std::string& content) {
  std::ofstream(file, std::ios::binary) << content;
}

void MakeSupportFolder(const std::string& folder) {
  mkdir(folder.c_str(), 0700);
  for (int i = 0; i < 20; ++i) WriteFile(folder + "/image" + std::to_string(i) + ".gif", "GIF89a");
}

struct Figures {
  double mb, endToEnd, strip, load, save;
};

}  // namespace

int main(int argc, char** argv) {
  int rounds = 7;
  bool walk = true;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--no-walk") == 0)
      walk = false;
    else
      rounds = std::max(1, std::atoi(argv[i]));
  }
  char folderTemplate[] = "/tmp/quillet-documents-bench-XXXXXX";
  if (!mkdtemp(folderTemplate)) return 1;
  const std::string dir = folderTemplate;
  const std::string page = dir + "/page.htm", folder = dir + "/page.files", copy = dir + "/copy.htm";

  std::printf("RemoveHtmlImages, fastest of %d rounds\n", rounds);
  std::printf("  %5s %9s | %10s %8s | %10s %8s | %8s %8s\n", "MB", "img tags", "end to end", "MB/s", "strip", "MB/s",
              "load", "save");
  std::vector<Figures> all;
  for (const size_t mb : {2, 5, 10, 20}) {
    const std::string content = MakePage(mb << 20);
    std::vector<double> tEnd, tStrip, tLoad, tSave;
    for (int r = 0; r < rounds; ++r) {
      WriteFile(page, content);
      MakeSupportFolder(folder);
      std::string error;
      tEnd.push_back(Seconds([&] { quillet::RemoveHtmlImages(page, error); }));
      if (!error.empty()) {
        std::printf("failed: %s\n", error.c_str());
        return 1;
      }
      quillet::THtmlParser parser;
      WriteFile(page, content);
      tLoad.push_back(Seconds([&] { parser.LoadFromFile(page); }));
      std::string text = parser.TakeText();
      tStrip.push_back(Seconds([&] { quillet::StripImageTags(text); }));
      parser.SetText(std::move(text));
      tSave.push_back(Seconds([&] { parser.SaveToFile(copy); }));
    }
    const Figures f{double(content.size()) / (1 << 20), Fastest(tEnd), Fastest(tStrip), Fastest(tLoad), Fastest(tSave)};
    all.push_back(f);
    std::printf("  %5.1f %9zu | %8.1f ms %8.0f | %8.1f ms %8.0f | %5.1f ms %5.1f ms\n", f.mb, CountImageTags(mb << 20),
                f.endToEnd * 1e3, f.mb / f.endToEnd, f.strip * 1e3, f.mb / f.strip, f.load * 1e3, f.save * 1e3);
  }
  std::printf("  time(20 MB) / time(2 MB): end to end %.1f, strip %.1f (linear growth: %.1f)\n",
              all.back().endToEnd / all.front().endToEnd, all.back().strip / all.front().strip,
              all.back().mb / all.front().mb);
  std::printf("  goal: at least 100 MB/s end to end\n");

  if (walk) {
    std::printf("Tag-by-tag walk deleting in place (one round)\n");
    for (const size_t mb : {2, 5}) {
      const std::string content = quillet::JoinLinesCrLf(quillet::SplitLines(MakePage(mb << 20)));
      std::string byWalk;
      const double t = Seconds([&] { byWalk = quillet::test::StripImageTagsByParser(content); });
      std::string byOnePass = content;
      const double tOne = Seconds([&] { quillet::StripImageTags(byOnePass); });
      std::printf("  %5.1f MB: %9.1f ms %8.1f MB/s, %6.0f times the one pass; %s\n", double(content.size()) / (1 << 20),
                  t * 1e3, double(content.size()) / (1 << 20) / t, t / tOne,
                  byWalk == byOnePass ? "same text" : "TEXTS DIFFER");
    }
  }
  std::remove(page.c_str());
  std::remove(copy.c_str());
  rmdir(dir.c_str());
  return 0;
}
