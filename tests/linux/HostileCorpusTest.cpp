// A corpus of files that break converters, made here and run through folder
// conversions with real LibreOffice: empty and random files under every
// office extension, truncated and password-protected documents of each kind,
// a zip bomb, a 50 MB text, a deeply nested web page, a CSV file that asks
// for an import dialog, a file name made to trip up command lines, and
// destinations that cannot be written. Every file either converts or has one
// report line with a clear text; the runs stay within their bound; only our
// own office is ever ended; nothing is left behind; the next run works.
#include <gtest/gtest.h>

#include <sys/mount.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <regex>
#include <vector>

#include <zlib.h>

#include "LinuxSupport.h"
#include "ZipBomb.h"

namespace quillet {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::Convert;
using test::Docs;
using test::ReadFile;
using test::Work;
using test::WriteFile;
using test::ZipBombDocx;

const std::string kCorrupt = "The file is corrupt and cannot be opened";
const std::string kPassword = "The password is incorrect";
// Each document of the corpus has this long; the stated bound of a whole run
// is its number of files times this, plus a start of the office for each.
constexpr int kDeadlineSeconds = 10;

std::string Random(size_t n, unsigned seed) {
  std::mt19937 gen(seed);
  std::string s(n, '\0');
  for (char& c : s) c = static_cast<char>(gen());
  return s;
}

std::string FiftyMegabytesOfText() {
  const std::string line = "The quick brown fox jumps over the lazy dog, again and again and again.\r\n";
  std::string text;
  text.reserve(50u << 20);
  while (text.size() + line.size() <= (50u << 20)) text += line;
  return text;
}

std::string NestedPage(int depth) {
  std::string page = "<html><body>";
  for (int i = 0; i < depth; ++i) page += "<div><table><tr><td>";
  page += "deep inside";
  for (int i = 0; i < depth; ++i) page += "</td></tr></table></div>";
  return page + "</body></html>";
}

// Semicolons, a quoted line break, Latin-1 letters and no clue to the
// encoding: what makes a spreadsheet ask how to import it.
const std::string kDialogCsv =
    "Name;Ort;Betrag\r\n\"M\xfcller; Hans\";K\xf6ln;\"1.234,50\"\r\n\"two\r\nlines\";x;\"\"\"\"\r\n";

// A report's lines: file name (without folder) to its error text.
std::map<std::string, std::string> ReportLines(const std::string& report, const std::string& folder) {
  std::map<std::string, std::string> lines;
  const std::string text = fs::exists(report) ? ReadFile(report) : "";
  const std::regex line("\\d\\d:\\d\\d:\\d\\d {8}can not convert " +
                        std::regex_replace(folder, std::regex(R"([.^$|()\[\]{}*+?\\])"), R"(\$&)") +
                        "/(.*) to .*, Error Reason is (.*)");
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find("\r\n", at);
    if (end == std::string::npos) end = text.size();
    std::smatch m;
    const std::string one = text.substr(at, end - at);
    if (std::regex_match(one, m, line)) {
      EXPECT_EQ(lines.count(m[1]), 0u) << "two lines for " << m[1];
      lines[m[1]] = m[2];
    } else {
      ADD_FAILURE() << "not a report line: " << one;
    }
    at = end + 2;
  }
  return lines;
}

// The names in Folder, sorted; Folder's test folders (the kind TempDir
// makes) left out.
std::vector<std::string> LeftIn(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(folder)) {
    const std::string name = e.path().filename().string();
    if (name.rfind("quillet-test-", 0) != 0) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

bool Mount(const std::string& folder, const std::string& options, unsigned long flags) {
  fs::create_directories(folder);
  return ::mount("tmpfs", folder.c_str(), "tmpfs", flags, options.c_str()) == 0;
}

class HostileCorpus : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    Docs();
    user_ = new test::UsersOffice(test::TestPipe() + "-user");
  }
  // After the corpus, whichever of its tests ran and in whatever order: the
  // next conversion works, our office is the only one of ours, the user's
  // office was never touched, and once the library is unloaded neither an
  // office nor a temporary file of ours is left.
  static void TearDownTestSuite() {
    TheNextRunWorksAndNothingIsLeftBehind();
    delete user_;
    user_ = nullptr;
  }
  static void TheNextRunWorksAndNothingIsLeftBehind() {
    EXPECT_EQ(Convert(Docs().words, Work() / "after-corpus.txt", "2"), "");
    EXPECT_EQ(ReadFile(Work() / "after-corpus.txt"), test::kWordsFirst + "\r\n" + test::kWordsSecond + "\r\n");
    const int ours = test::StartedOffice();
    ASSERT_GT(ours, 0);
    std::vector<int> offices = test::OfficeChildren();
    std::sort(offices.begin(), offices.end());
    std::vector<int> expected{ours, user_->pid()};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(offices, expected);

    test::Library().Unload();
    EXPECT_TRUE(test::GoneWithin(ours, 15000));
    EXPECT_TRUE(user_->running());
    EXPECT_TRUE(user_->Terminate());
    EXPECT_EQ(test::OfficeChildren(), std::vector<int>{});
    // The temporary folders: the program's own, and those of every profile.
    EXPECT_EQ(LeftIn(std::getenv("TMPDIR")), std::vector<std::string>{});
    for (const auto& slot : fs::directory_iterator(fs::path(std::getenv("XDG_CACHE_HOME")) / "quillet/office"))
      if (fs::is_directory(slot.path() / "tmp")) {
        EXPECT_EQ(LeftIn((slot.path() / "tmp").string()), std::vector<std::string>{}) << slot.path();
      }
  }
  void TearDown() override {
    for (const std::string& m : mounts_) ::umount2(m.c_str(), MNT_DETACH);
  }
  static std::string Folder(const std::string& name) {
    const std::string folder = Work() / name;
    fs::create_directories(folder);
    return folder;
  }
  // Source Good converted to Ext by the library, as a copy to truncate.
  static std::string Made(const std::string& good, const std::string& ext, const std::string& format,
                          const std::string& option) {
    const std::string made = Work() / ("made." + ext);
    if (!fs::exists(made)) {
      EXPECT_EQ(Convert(good, made, format, option), "") << made;
    }
    return made;
  }
  static void Truncated(const std::string& whole, const std::string& to) {
    const std::string data = ReadFile(whole);
    WriteFile(to, data.substr(0, data.size() / 2));
  }
  // The broken files of one application in folder In: empty and random ones
  // under its three extensions (new, old, open format), the good document
  // Good (of the new format) and the old-format copy Old both truncated, and
  // Good saved with a password by Filter as secret.<new>.
  static void BrokenFiles(const std::string& in, const std::array<const char*, 3>& exts, unsigned seed,
                          const std::string& good, const std::string& old, const std::string& filter) {
    for (const char* ext : exts) {
      WriteFile(in + "/empty." + ext, "");
      WriteFile(in + "/random." + ext, Random(30000, seed));
    }
    Truncated(good, in + "/truncated." + exts[0]);
    Truncated(old, in + "/truncated." + exts[1]);
    user_->SaveWithPassword(good, in + "/secret." + exts[0], filter, "secret");
  }

  struct Run {
    std::map<std::string, std::string> failed;  // file name to error text
    std::chrono::steady_clock::duration took;
    size_t files = 0;
    // The file's error text; "(converted)" when it has none.
    std::string Of(const std::string& name) const {
      const auto found = failed.find(name);
      return found == failed.end() ? "(converted)" : found->second;
    }
  };
  // Every file of Folder converted into Folder-out: through a folder run
  // (whose formats are the word processor's), or else file by file. Every
  // file has its result or exactly one failure, never both.
  enum class Through { FolderRun, EachFile };
  Run ConvertAll(const std::string& folder, const std::string& format, const std::string& option,
                 const std::string& destExt, Through through = Through::FolderRun) {
    const std::string out = folder + "-out", report = folder + "-report.txt";
    Run run;
    for (const auto& e : fs::directory_iterator(folder)) run.files += e.is_regular_file();
    const auto start = std::chrono::steady_clock::now();
    if (through == Through::EachFile) {
      fs::create_directories(out);
      for (const auto& e : fs::directory_iterator(folder)) {
        const std::string dest = (fs::path(out) / e.path().stem()).string() + "." + destExt;
        const std::string error = Convert(e.path().string(), dest, format, option);
        if (!error.empty()) run.failed[e.path().filename().string()] = error;
      }
      run.took = std::chrono::steady_clock::now() - start;
      Check(run, folder, out, destExt);
      return run;
    }
    const bool ok = test::Library().ConvertFolder(folder + "/*.*", out, format, 0, option, report);
    run.took = std::chrono::steady_clock::now() - start;
    run.failed = ReportLines(report, folder);
    EXPECT_EQ(ok, run.failed.empty());
    Check(run, folder, out, destExt);
    return run;
  }

  static void Check(Run& run, const std::string& folder, const std::string& out, const std::string& destExt) {
    for (const auto& e : fs::directory_iterator(folder)) {
      const std::string name = e.path().filename().string();
      const fs::path dest = fs::path(out) / e.path().stem().concat("." + destExt);
      if (run.failed.count(name)) {
        EXPECT_FALSE(fs::exists(dest)) << name << " failed and left " << dest;
        EXPECT_FALSE(run.failed[name].empty()) << name;
      } else {
        EXPECT_TRUE(fs::exists(dest)) << name << " has neither a result nor a report line";
      }
    }
    // The stated bound: no file takes longer than its deadline and a start.
    EXPECT_LT(run.took, run.files * std::chrono::seconds(kDeadlineSeconds + 5)) << folder;
  }

  static test::UsersOffice* user_;
  std::vector<std::string> mounts_;
};

test::UsersOffice* HostileCorpus::user_ = nullptr;

TEST_F(HostileCorpus, WordDocumentsEachConvertOrHaveOneClearLine) {
  const std::string in = Folder("word");
  const std::string doc = Made(Docs().words, "doc", "0", "");
  for (const char* ext : {"docx", "doc", "rtf", "odt"}) {
    WriteFile(in + "/empty." + ext, "");
    WriteFile(in + "/random." + ext, Random(30000, 5));
  }
  Truncated(Docs().words, in + "/truncated.docx");
  Truncated(doc, in + "/truncated.doc");
  fs::copy_file(Docs().secret, in + "/secret.docx");
  WriteFile(in + "/bomb.docx", ZipBombDocx(190));
  WriteFile(in + "/big.txt", FiftyMegabytesOfText());
  WriteFile(in + "/nested.html", NestedPage(20000));
  const std::string odd = "-odd 'name' \"quoted\" caf\xc3\xa9 \xe4\xb8\xad.docx";
  fs::copy_file(Docs().words, in + "/" + odd);
  fs::copy_file(Docs().words, in + "/good.docx");

  const Run run = ConvertAll(in, "2", "MS Word TIMEOUT=" + std::to_string(kDeadlineSeconds), "txt");
  std::map<std::string, std::string> expected = {
      {"empty.docx", kCorrupt}, {"random.docx", kCorrupt},   {"truncated.docx", kCorrupt},
      {"random.doc", kCorrupt}, {"truncated.doc", kCorrupt}, {"random.rtf", kCorrupt},
      {"random.odt", kCorrupt}, {"empty.odt", kCorrupt},     {"secret.docx", kPassword},
  };
  for (const auto& [name, text] : expected) EXPECT_EQ(run.Of(name), text) << name;
  // The bomb is refused, or it runs into its deadline; never more.
  ASSERT_TRUE(run.failed.count("bomb.docx"));
  EXPECT_TRUE(run.failed.at("bomb.docx") == kCorrupt ||
              run.failed.at("bomb.docx").rfind("The document took longer than its deadline", 0) == 0)
      << run.failed.at("bomb.docx");
  // The big text converts, or fails at its deadline with the office ended.
  if (run.failed.count("big.txt")) {
    EXPECT_EQ(run.failed.at("big.txt"), "The document took longer than its deadline of " +
                                            std::to_string(kDeadlineSeconds) + " seconds: Microsoft Word was ended");
  }
  for (const std::string& good : {odd, std::string("good.docx")}) {
    EXPECT_EQ(run.Of(good), "(converted)");
    EXPECT_EQ(ReadFile(in + "-out/" + fs::path(good).stem().string() + ".txt"),
              test::kWordsFirst + "\r\n" + test::kWordsSecond + "\r\n");
  }
  // However deep, a page converts or is refused; the office survives it.
  EXPECT_TRUE(run.Of("nested.html") == "(converted)" || run.Of("nested.html") == kCorrupt) << run.Of("nested.html");
  for (const auto& [name, text] : run.failed) std::cout << "  " << name << ": " << text << "\n";
  std::cout << "  " << run.files << " files in "
            << std::chrono::duration_cast<std::chrono::milliseconds>(run.took).count() << " ms\n";
}

TEST_F(HostileCorpus, WorkbooksEachConvertOrHaveOneClearLine) {
  const std::string in = Folder("excel");
  const std::string xls = Made(Docs().cells, "xls", "56", "MS Excel");
  BrokenFiles(in, {"xlsx", "xls", "ods"}, 6, Docs().cells, xls, "Calc MS Excel 2007 XML");
  WriteFile(in + "/dialog.csv", kDialogCsv);
  fs::copy_file(Docs().cells, in + "/good.xlsx");

  const Run run = ConvertAll(in, "6", "MS Excel TIMEOUT=" + std::to_string(kDeadlineSeconds), "csv", Through::EachFile);
  for (const char* name : {"empty.xlsx", "random.xlsx", "truncated.xlsx", "random.xls", "truncated.xls", "random.ods"})
    EXPECT_EQ(run.Of(name), kCorrupt) << name;
  EXPECT_EQ(run.Of("secret.xlsx"), kPassword);
  EXPECT_EQ(run.failed.count("good.xlsx"), 0u);
  // No dialog stops the import: the text comes through, one record per line.
  ASSERT_EQ(run.Of("dialog.csv"), "(converted)");
  EXPECT_NE(ReadFile(in + "-out/dialog.csv").find("Betrag"), std::string::npos);
  for (const auto& [name, text] : run.failed) std::cout << "  " << name << ": " << text << "\n";
}

TEST_F(HostileCorpus, PresentationsEachConvertOrHaveOneClearLine) {
  const std::string in = Folder("powerpoint");
  const std::string ppt = Made(Docs().deck, "ppt", "1", "MS Powerpoint");
  BrokenFiles(in, {"pptx", "ppt", "odp"}, 7, Docs().deck, ppt, "Impress MS PowerPoint 2007 XML");
  fs::copy_file(Docs().deck, in + "/good.pptx");

  const Run run =
      ConvertAll(in, "32", "MS Powerpoint TIMEOUT=" + std::to_string(kDeadlineSeconds), "pdf", Through::EachFile);
  for (const char* name : {"empty.pptx", "random.pptx", "truncated.pptx", "random.ppt", "truncated.ppt", "random.odp"})
    EXPECT_EQ(run.Of(name), kCorrupt) << name;
  EXPECT_EQ(run.Of("secret.pptx"), kPassword);
  EXPECT_EQ(run.failed.count("good.pptx"), 0u);
  EXPECT_EQ(ReadFile(in + "-out/good.pdf").substr(0, 5), "%PDF-");
  for (const auto& [name, text] : run.failed) std::cout << "  " << name << ": " << text << "\n";
}

TEST_F(HostileCorpus, UnwritableDestinationsFailEachFileAndLeaveNoPartialResult) {
  const std::string in = Folder("to-nowhere");
  fs::copy_file(Docs().words, in + "/a.docx", fs::copy_options::overwrite_existing);
  fs::copy_file(Docs().picture, in + "/b.docx", fs::copy_options::overwrite_existing);

  // A read-only file system (or, for a user who is not root, a folder
  // without write permission).
  const std::string readOnly = Work() / "read-only";
  if (::geteuid() == 0) {
    if (!Mount(readOnly, "size=64k", MS_RDONLY)) GTEST_SKIP() << "no tmpfs can be mounted here";
    mounts_.push_back(readOnly);
  } else {
    fs::create_directories(readOnly);
    fs::permissions(readOnly, fs::perms::owner_read | fs::perms::owner_exec);
  }
  // Text through a folder run; the other exports (each its own filter) file
  // by file.
  const auto failures = [&](const std::string& dest, const std::string& format) {
    std::map<std::string, std::string> failed;
    if (format == "2") {
      const std::string report = dest + "-report.txt";
      EXPECT_FALSE(test::Library().ConvertFolder(in + "/*.docx", dest, format, 0, "MS Word TIMEOUT=20", report));
      return ReportLines(report, in);
    }
    for (const char* name : {"a", "b"}) {
      const std::string error =
          Convert(in + "/" + name + ".docx", dest + "/" + name + ".out", format, "MS Word TIMEOUT=20");
      if (!error.empty()) failed[name] = error;
    }
    return failed;
  };
  for (const char* format : {"2", "0", "17"}) {
    const auto lines = failures(readOnly, format);
    ASSERT_EQ(lines.size(), 2u) << format;
    for (const auto& [name, text] : lines)
      EXPECT_NE(text.find(::geteuid() == 0 ? "(Read-only file system)" : "(Permission denied)"), std::string::npos)
          << name << ": " << text;
  }
  EXPECT_TRUE(fs::is_empty(readOnly));

  // A full file system: each export fails, whether its filter notices or
  // not, and nothing half-written stays.
  if (::geteuid() != 0) GTEST_SKIP() << "a full file system needs a tmpfs mount";
  const std::string full = Work() / "full";
  ASSERT_TRUE(Mount(full, "size=64k", 0));
  mounts_.push_back(full);
  {
    // As much as fits: the file system has not a byte left.
    std::ofstream filler(full + "/filler", std::ios::binary);
    filler << std::string(128 * 1024, 'x');
  }
  struct statvfs space {};
  ASSERT_EQ(::statvfs(full.c_str(), &space), 0);
  ASSERT_EQ(space.f_bavail, 0u);
  for (const char* format : {"2", "0", "6", "16", "17"}) {
    const auto lines = failures(full, format);
    ASSERT_EQ(lines.size(), 2u) << format;
    for (const auto& [name, text] : lines)
      EXPECT_NE(text.find("(No space left on device)"), std::string::npos) << format << " " << name << ": " << text;
    std::vector<std::string> left;
    for (const auto& e : fs::directory_iterator(full)) left.push_back(e.path().filename().string());
    EXPECT_EQ(left, std::vector<std::string>{"filler"}) << format;
  }
}

}  // namespace
}  // namespace quillet

// Private temporary and cache folders, set before anything starts: what is
// left in them afterwards was left by the library or its offices.
int main(int argc, char** argv) {
  static quillet::test::TempDir temp, cache;
  ::setenv("TMPDIR", temp.path().c_str(), 1);
  ::setenv("XDG_CACHE_HOME", cache.path().c_str(), 1);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
