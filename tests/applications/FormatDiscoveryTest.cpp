// The format tables built from Word, the field answers, and the application
// chosen for a source file.
#include <gtest/gtest.h>

#include <memory>

#include "DoubleControl.h"
#include "TestSupport.h"
#include "WordFormatLists.h"
#include "engine/OfficeConvert.h"
#include "engine/formatlib/FormatTable.h"
#include "platform/error.h"

namespace quillet {
namespace {

using doubles::App;
using Lines = std::vector<std::string>;

const char* const kBuiltIn =
    "Word Documents(*.doc):0:*.doc:MS Word\r\n"
    "Web Pages(*.htm;*.html):0:*.htm;*.html:MS Word\r\n"
    "Rtf Files(*.rtf):0:*.rtf:MS Word\r\n"
    "Document Template(*.dot):0:*.dot:MS Word\r\n"
    "Text only(*.txt):0:*.txt:MS Word\r\n"
    "MS-DOS Text with Layout(*.asc):0:*.asc:MS Word\r\n"
    "Text with Layout(*.ans):0:*.ans:MS Word";

const char* const kDestList = test::kWordDestList;

class Formats : public ::testing::Test {
 protected:
  // GetField, with an error raised by Word caught the way the exports catch it.
  std::string Field(const std::string& name) {
    value = "stale";
    error = "stale";
    try {
      conv->GetField(name, "", error, value);
    } catch (const Error& e) {
      error = e.what();
      value.clear();
    }
    return value;
  }
  // The calls that read one member of converter I through a fresh item.
  static Lines ItemRead(int i, const std::string& member) {
    const std::string n = std::to_string(i);
    return {"Word.FileConverters method|get", "Word.FileConverters.Item method|get " + n,
            "Word.FileConverters(" + n + ")." + member + " get"};
  }
  doubles::Doubles d;
  std::unique_ptr<TOfficeConvertClass> conv = std::make_unique<TOfficeConvertClass>();
  std::string error, value;
};

TEST_F(Formats, Word2000HasNoWebArchivesRow) {
  d.Script(App::Word, "Version=9.0.3821\n");
  EXPECT_EQ(Field("sourceformatlist"), kBuiltIn);
  EXPECT_EQ(error, "");  // the build's own (empty) error text
}

TEST_F(Formats, LaterWordsAddWebArchives) {
  d.Script(App::Word, "Version=10.0\n");
  const std::string list = Field("sourceformatlist");
  EXPECT_EQ(conv->sourceFormats().size(), 8u);
  EXPECT_EQ(conv->sourceFormats()[2].Key, "WebArchives(*.mht;*.mhtml)");
  EXPECT_EQ(conv->sourceFormats()[2].Pattern, "*.mht;*.mhtml");
  EXPECT_EQ(conv->sourceFormats()[3].Key, "Rtf Files(*.rtf)");
}

TEST_F(Formats, InstalledConvertersUpToCountMinusOneAreAdded) {
  d.Script(App::Word,
           "Version=9.0\n"
           "Converter=1|0|wpd|12|0|WordPerfect 5.x\n"
           "Converter=0|1|wri|0|13|Windows Write\n"
           "Converter=1|0|wps doc|14|0|Works 4.0\n"
           "Converter=1|0|xyz|15|0|Never examined\n");
  EXPECT_EQ(Field("sourceformatlist"), std::string(kBuiltIn) +
                                           "\r\nWordPerfect 5.x(*.wpd):12:*.wpd:MS Word"
                                           "\r\nWorks 4.0(*.wps doc):14:*.wps doc:MS Word");

  Lines expected = {"Word.Visible put False", "Word.Version get", "Word.FileConverters method|get",
                    "Word.FileConverters.Count get"};
  for (int i : {1, 2, 3}) {
    for (const char* member : {"CanOpen", "Extensions", "OpenFormat", "FormatName", "Extensions"}) {
      const Lines read = ItemRead(i, member);
      expected.insert(expected.end(), read.begin(), read.end());
      if (i == 2) break;  // cannot open: skipped after CanOpen
    }
  }
  EXPECT_EQ(d.Calls(App::Word), expected);

  conv.reset();
  EXPECT_TRUE(d.WaitForServersToExit());
  EXPECT_EQ(d.LiveObjects(App::Word), Lines{});  // every collection and item released
}

TEST_F(Formats, OneInstalledConverterAddsNothing) {
  d.Script(App::Word, "Converter=1|0|wpd|12|0|WordPerfect 5.x\n");
  EXPECT_EQ(Field("sourceformatlist"), kBuiltIn);
  for (const std::string& call : d.Calls(App::Word)) EXPECT_EQ(call.find("Item"), std::string::npos) << call;
}

TEST_F(Formats, DestinationListAndItsSecondRequestWithoutWord) {
  EXPECT_EQ(Field("destformatlist"), kDestList);
  EXPECT_EQ(error, "");
  const Lines before = d.Calls(App::Word);
  ASSERT_FALSE(before.empty());
  EXPECT_EQ(Field("destformatlist"), kDestList);
  EXPECT_EQ(error, "stale");  // answered from the table: the error output is left alone
  EXPECT_EQ(Field("sourceformatlist"), kBuiltIn);
  EXPECT_EQ(d.Calls(App::Word), before);  // answered from the tables
}

TEST_F(Formats, OnlyTheExactFieldNamesAreAnswered) {
  for (const char* name : {"SourceFormatList", "DESTFORMATLIST", "sourceformatlist ", "softwarename"}) {
    EXPECT_EQ(Field(name), "stale") << name;
    EXPECT_EQ(error, "stale") << name;
  }
  EXPECT_FALSE(conv->Applications().Slot(TApplication::Word).Started);
  EXPECT_EQ(d.Events(App::Word), Lines{});
}

TEST_F(Formats, SourceApplicationByExtension) {
  std::string app = "stale";
  EXPECT_EQ(conv->ChooseSourceApplication("report.HTM", app).message(), "");
  EXPECT_EQ(app, "MS Word");
  EXPECT_EQ(conv->sourceFormats().size(), 7u);
  const size_t calls = d.Calls(App::Word).size();
  // Tables filled: no Word call, first row for no extension.
  EXPECT_TRUE(conv->ChooseSourceApplication("README", app).ok());
  EXPECT_EQ(app, "MS Word");
  EXPECT_EQ(d.Calls(App::Word).size(), calls);
}

// The tables Word gives name Word in every row; a table whose rows name
// other applications shows which row is chosen.
class SourceRows : public TOfficeConvertClass {
 public:
  SourceRows() {
    AddFormat(Sources(), "Workbooks(*.xls)", "0", "*.xls", "MS Excel");
    AddFormat(Sources(), "Pages(*.htm;*.html)", "0", "*.htm;*.html", "MS Powerpoint");
    AddFormat(Sources(), "Old books(*.xls;*.xlw)", "0", "*.xls;*.xlw", "No MS Word");
    AddFormat(Sources(), "Documents(*.doc)", "0", "*.doc", "MS Word");
  }
  std::string Chosen(const std::string& src) {
    std::string app = "stale";
    EXPECT_TRUE(ChooseSourceApplication(src, app).ok()) << src;  // a filled table makes no call
    return app;
  }
};

TEST(SourceApplication, TheFirstRowWhosePatternHoldsTheExtensionChooses) {
  SourceRows rows;
  EXPECT_EQ(rows.Chosen("book.XLS"), "MS Excel");  // any letter case; the first of two rows
  EXPECT_EQ(rows.Chosen("old.xlw"), "No MS Word");
  EXPECT_EQ(rows.Chosen("a.doc"), "MS Word");
  EXPECT_EQ(rows.Chosen("page.html"), "MS Powerpoint");
  EXPECT_EQ(rows.Chosen("a.h"), "MS Powerpoint");  // a substring of a pattern is enough
  // No row holds the extension, or there is none: the first row.
  EXPECT_EQ(rows.Chosen("notes.txt"), "MS Excel");
  EXPECT_EQ(rows.Chosen("README"), "MS Excel");
}

TEST_F(Formats, WithoutWordTheStartMessageComesBackAndTheNextRequestRetries) {
  d.Unregister("Word.Application");
  const std::string message = "Can not load Microsoft Word, you must install Microsoft Word first, please try again!";
  EXPECT_EQ(Field("destformatlist"), "");
  EXPECT_EQ(error, message);
  std::string app = "stale";
  const Status chosen = conv->ChooseSourceApplication("a.doc", app);
  EXPECT_EQ(app, "");
  EXPECT_EQ(chosen.code(), ErrorCode::NotInstalled);
  EXPECT_EQ(chosen.message(), message);
  EXPECT_TRUE(conv->sourceFormats().empty());
  EXPECT_TRUE(conv->destFormats().empty());

  d.Register("Word.Application", App::Word);
  EXPECT_EQ(Field("destformatlist"), kDestList);
}

TEST_F(Formats, ErrorsOfWordBecomeTheErrorTextAndLeaveNoHalfTable) {
  d.Script(App::Word,
           "Converter=1|0|wpd|12|0|WordPerfect 5.x\n"
           "Converter=1|0|wps|14|0|Works 4.0\n"
           "Converter=1|0|xyz|15|0|Last\n"
           "Fail=Word.FileConverters(2).Extensions|The converter is damaged.\n");
  EXPECT_EQ(Field("sourceformatlist"), "");
  EXPECT_EQ(error, "The converter is damaged.");
  EXPECT_TRUE(conv->sourceFormats().empty());
  // Asked again, Word is asked again: no partial table is taken for the answer.
  EXPECT_EQ(Field("sourceformatlist"), "");
  EXPECT_EQ(error, "The converter is damaged.");
  conv.reset();
  EXPECT_TRUE(d.WaitForServersToExit());
  EXPECT_EQ(d.LiveObjects(App::Word), Lines{});
}

TEST_F(Formats, ExactTextsOfAFailingMemberAnUnknownMemberAndAnUnknownCode) {
  d.Script(App::Word, "Fail=Word.Version|Word cannot tell its version.\n");
  Field("destformatlist");
  EXPECT_EQ(error, "Word cannot tell its version.");

  conv = std::make_unique<TOfficeConvertClass>();
  d.Script(App::Word, "Unknown=Word.FileConverters\n");
  Field("destformatlist");
  EXPECT_EQ(error, "Method 'FileConverters' not supported by automation object");

  conv = std::make_unique<TOfficeConvertClass>();
  d.Script(App::Word, "FailCode=Word.FileConverters.Count|8004abcd\n");
  Field("destformatlist");
  EXPECT_EQ(error, "OLE error 8004abcd");
}

}  // namespace
}  // namespace quillet

namespace quillet {
namespace {

// A request whose options name no application goes to the application of the
// source's extension, which is started: every row of the table names Word, so
// a workbook without "MS Excel" is opened by Word.
TEST_F(Formats, ARequestIsRoutedByExtension) {
  test::TempDir dir;
  test::WriteFile(dir / "a.xls", "x");
  std::string err;
  conv->ConvertDocument(dir / "a.xls", dir / "a.txt", "2", "", err);
  EXPECT_EQ(err, "");
  EXPECT_EQ(test::ReadFile(dir / "a.txt"), "Word saved " + (dir / "a.xls") + " as format 2\r\n");
  EXPECT_EQ(d.Calls(App::Excel), Lines{});
  ASSERT_FALSE(d.Calls(App::Word).empty());
  EXPECT_EQ(d.Calls(App::Word).front(), "Word.Visible put False");

  d.Unregister("Excel.Application");
  conv->ConvertDocument(dir / "a.xls", dir / "a.txt", "2", "MS Excel", err);
  EXPECT_EQ(err, "Can not load Microsoft Excel, you must install Microsoft Excel first, please try again!");
}

}  // namespace
}  // namespace quillet
