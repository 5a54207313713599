// Word documents through the Word stand-in and LibreOffice Writer, driven the
// way the converter drives Word.
#include <gtest/gtest.h>

#include <filesystem>

#include "OfficeTestSupport.h"
#include "platform/error.h"

namespace quillet {
namespace {

using test::Apps;
using test::OpenWord;
using test::ReadFile;

const std::string kChinese = "\xe4\xb8\xad\xe6\x96\x87";  // two Chinese characters
const std::string kGreeting = "Gr\xc3\xbc\xc3\x9f" "e";     // German, with u umlaut and sharp s

class Word : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new test::TempDir;
    const std::string styles =
        "<style:style style:name=\"zh\" style:family=\"paragraph\"><style:text-properties "
        "style:language-asian=\"zh\" style:country-asian=\"CN\"/></style:style>";
    const std::string body =
        "<text:p text:style-name=\"zh\">" + kChinese + " alpha</text:p>"
        "<text:p>" + kGreeting + " bravo <text:a xlink:type=\"simple\" xlink:href=\"http://example.com/Report.DOC\">"
        "the report</text:a> and <text:a xlink:type=\"simple\" xlink:href=\"http://example.com/page.html#top\">"
        "a page</text:a>.</text:p>";
    docx_ = new std::string(test::MakeWordDocument(*dir_, "memo", test::FlatText(body, styles)));
  }
  static void TearDownTestSuite() {
    delete docx_;
    delete dir_;
  }
  static std::string Path(const std::string& name) { return *dir_ / name; }
  static test::TempDir* dir_;
  static std::string* docx_;
};
test::TempDir* Word::dir_ = nullptr;
std::string* Word::docx_ = nullptr;

TEST_F(Word, DocxSavedAsTextGivesItsWordsInUtf8) {
  const ole::Variant doc = OpenWord(*docx_);
  test::SaveAs(doc, Path("memo.txt"), 2);
  doc.Call("Close", {}, {{"SaveChanges", 0}});
  const std::string text = ReadFile(Path("memo.txt"));
  EXPECT_EQ(text.rfind(kChinese + " alpha\r\n", 0), 0u) << text;  // no byte-order mark
  EXPECT_NE(text.find(kGreeting + " bravo the report and a page."), std::string::npos) << text;
}

}  // namespace
}  // namespace quillet
