// Files that Word, Excel and PowerPoint refuse are refused by the stand-ins
// with the applications' texts, quickly, and never come back as documents.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <random>

#include "OfficeTestSupport.h"

namespace quillet {
namespace {

using test::ErrorOf;

const char* kCorrupt = "The file is corrupt and cannot be opened";
const char* kPassword = "The password is incorrect";

class BadInput : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new test::TempDir;
    docx_ = new std::string(test::MakeWordDocument(*dir_, "good", test::FlatText("<text:p>Good words</text:p>")));
    xlsx_ = new std::string(test::MakeWorkbook(*dir_, "good", test::FlatSpreadsheet({{"S", {{"cell"}}}})));
    pptx_ = new std::string(test::MakePresentation(*dir_, "good", test::FlatPresentation({{{"slide text"}}})));
  }
  static void TearDownTestSuite() {
    delete docx_;
    delete xlsx_;
    delete pptx_;
    delete dir_;
  }
  static std::string Path(const std::string& name) { return *dir_ / name; }
  static std::string Random(size_t n) {
    std::mt19937 gen(7);
    std::string s(n, '\0');
    for (char& c : s) c = static_cast<char>(gen());
    return s;
  }
  static std::string OpenError(const std::string& file) {
    const std::string ext = file.substr(file.rfind('.') + 1);
    return ErrorOf([&] {
      if (ext.rfind("doc", 0) == 0)
        test::OpenWord(file);
      else if (ext.rfind("xls", 0) == 0)
        test::OpenWorkbook(file);
      else
        test::OpenPresentation(file);
    });
  }
  static test::TempDir* dir_;
  static std::string *docx_, *xlsx_, *pptx_;
};
test::TempDir* BadInput::dir_ = nullptr;
std::string *BadInput::docx_ = nullptr, *BadInput::xlsx_ = nullptr, *BadInput::pptx_ = nullptr;

TEST_F(BadInput, RandomEmptyAndTruncatedFilesAreCorrupt) {
  for (const std::string* good : {docx_, xlsx_, pptx_}) {
    const std::string ext = good->substr(good->rfind('.'));
    test::WriteFile(Path("random" + ext), Random(20000));
    test::WriteFile(Path("empty" + ext), "");
    test::WriteFile(Path("truncated" + ext), test::ReadFile(*good).substr(0, test::ReadFile(*good).size() / 2));
    test::WriteFile(Path("zip" + ext), "PK\x03\x04" + Random(5000));
    for (const char* kind : {"random", "empty", "truncated", "zip"})
      EXPECT_EQ(OpenError(Path(kind + ext)), kCorrupt) << kind << ext;
  }
  // Nothing stays open after a refusal.
  EXPECT_EQ(test::Apps().word.CallOrGet("Documents").Get("Count").AsInteger(), 0);
  EXPECT_EQ(test::Apps().excel.CallOrGet("Workbooks").Get("Count").AsInteger(), 0);
}

TEST_F(BadInput, TextMayBeAnythingButAnOfficeFileMayNot) {
  // Random bytes named .txt are a text; the same bytes named .doc are not a Word file.
  test::WriteFile(Path("noise.txt"), Random(3000));
  const ole::Variant doc = test::OpenWord(Path("noise.txt"));
  doc.Call("Close", {}, {{"SaveChanges", 0}});
  test::WriteFile(Path("noise.doc"), Random(3000));
  EXPECT_EQ(OpenError(Path("noise.doc")), kCorrupt);
  // A workbook named .docx is not a Word document.
  std::filesystem::copy_file(*xlsx_, Path("book.docx"));
  EXPECT_EQ(OpenError(Path("book.docx")), kCorrupt);
}

TEST_F(BadInput, ProtectedFilesFailFastWithTheDummyPassword) {
  {
    const ole::Variant doc = test::OpenWord(*docx_);
    doc.Call("SaveAs", {}, {{"FileName", Path("secret.docx")}, {"FileFormat", 16}, {"Password", "secret"}});
    doc.Call("Close", {}, {{"SaveChanges", 0}});
    const ole::Variant book = test::OpenWorkbook(*xlsx_);
    book.Call("SaveAs", {}, {{"Filename", Path("secret.xlsx")}, {"FileFormat", 51}, {"Password", "secret"}});
    book.Call("Close", {}, {{"SaveChanges", 0}});
    // The Word 97 format encrypts with the password too.
    const ole::Variant old = test::OpenWord(*docx_);
    old.Call("SaveAs", {}, {{"FileName", Path("secret.doc")}, {"FileFormat", 0}, {"Password", "secret"}});
    old.Call("Close", {}, {{"SaveChanges", 0}});
  }
  for (const char* file : {"secret.docx", "secret.xlsx", "secret.doc"}) {
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(OpenError(Path(file)), kPassword) << file;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1)) << file;
  }
  // With its password the document opens.
  for (const char* file : {"secret.docx", "secret.doc"}) {
    const ole::Variant doc =
        test::Apps()
            .word.CallOrGet("Documents")
            .Call("Open", {}, {{"FileName", Path(file)}, {"ReadOnly", true}, {"PasswordDocument", "secret"}});
    test::SaveAs(doc, Path("secret.txt"), 2);
    doc.Call("Close", {}, {{"SaveChanges", 0}});
    EXPECT_EQ(test::ReadFile(Path("secret.txt")), "Good words\r\n") << file;
  }
}

TEST_F(BadInput, MissingFilesAndUnknownFormatsHaveTheirTexts) {
  EXPECT_EQ(OpenError(Path("none.docx")), "This file could not be found. (" + Path("none.docx") + ")");
  const ole::Variant doc = test::OpenWord(*docx_);
  const ole::Variant book = test::OpenWorkbook(*xlsx_);
  const ole::Variant deck = test::OpenPresentation(*pptx_);
  for (const ole::Variant* d : {&doc, &book, &deck})
    EXPECT_EQ(ErrorOf([&] { test::SaveAs(*d, Path("out.xyz"), 99); }), "This file format is not available: 99");
  EXPECT_EQ(ErrorOf([&] {
              doc.Call("SaveAs", {}, {{"FileName", Path("out.txt")}, {"FileFormat", 7}, {"Encoding", 4242}});
            }),
            "This encoding is not available: 4242");
  // A destination folder that is not there.
  EXPECT_NE(ErrorOf([&] { test::SaveAs(doc, Path("no/such/folder/out.txt"), 2); }).find("could not be saved"),
            std::string::npos);
  doc.Call("Close", {}, {{"SaveChanges", 0}});
  book.Call("Close", {}, {{"SaveChanges", 0}});
  deck.Call("Close");
  // A closed document answers no more.
  EXPECT_EQ(ErrorOf([&] { test::SaveAs(doc, Path("late.txt"), 2); }), "The object has been deleted.");
}

}  // namespace
}  // namespace quillet
