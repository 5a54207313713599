#include <gtest/gtest.h>

#include <functional>

#include "engine/options/Options.h"
#include "engine/options/Request.h"
#include "imaging/ImageSettings.h"
#include "platform/error.h"
#include "utilities/SysUtils.h"

namespace quillet {
namespace {

TEST(Options, KeywordsAreCaseSensitiveSubstrings) {
  EXPECT_TRUE(options::Has("xMS Wordy", "MS Word"));
  EXPECT_FALSE(options::Has("ms word", "MS Word"));
  EXPECT_FALSE(options::Has("usemacro", "USEMACRO"));
  EXPECT_TRUE(options::Has("a,USEMACRO\r\nb", "USEMACRO"));
}

TEST(Options, TestOrderNotTextOrderChoosesTheApplication) {
  EXPECT_EQ(options::ChooseApplication("MS Excel, MS Word"), "MS Excel");
  EXPECT_EQ(options::ChooseApplication("MS Word MS Powerpoint"), "MS Powerpoint");
  EXPECT_EQ(options::ChooseApplication("No MS Word"), "No MS Word");
  EXPECT_EQ(options::ChooseApplication("No MS Word Adobe Acrobat"), "No MS Word");
  EXPECT_EQ(options::ChooseApplication("MS PowerPoint"), "");  // capital P is not the keyword
  EXPECT_EQ(options::ChooseApplication(""), "");
}

TEST(Options, OpenFormatValueEndsAtTheFirstCrLfAfterIt) {
  EXPECT_EQ(options::OpenFormatValue("OPENFORMAT=5\r\nUSEGSDLL"), "5");
  EXPECT_EQ(options::OpenFormatValue("OPENFORMAT=8"), "8");
  // A keyword on a later line keeps its value: only a CR LF after it ends it.
  EXPECT_EQ(options::OpenFormatValue("MS Word\r\nOPENFORMAT=5"), "5");
  EXPECT_EQ(options::OpenFormatValue("A\r\nOPENFORMAT=5\r\nUSEGSDLL"), "5");
  EXPECT_EQ(options::OpenFormatValue("OPENFORMAT 7\r\nX"), "OPENFORMAT 7");
  EXPECT_EQ(options::OpenFormatValue("OPENFORMAT 7"), "");
  EXPECT_EQ(options::OpenFormatValue("OPENFORMAT=abc"), "abc");
}

TEST(Options, PdfAAndPagesValuesEndLikeTimeoutsAndRefuseWhatTheyCannotMean) {
  EXPECT_EQ(options::PdfALevel("MS Word"), 0);
  EXPECT_EQ(options::PdfALevel("PDFA"), 1);
  EXPECT_EQ(options::PdfALevel("PAGES=2-3,PDFA;USEGSDLL"), 1);
  EXPECT_EQ(options::PdfALevel("PDFA=3\r\nMS Word"), 3);
  EXPECT_THROW(options::PdfALevel("PDFA=4"), Error);
  EXPECT_THROW(options::PdfALevel("PDFA= 2"), Error);

  EXPECT_FALSE(options::Pages("PDFA").has_value());
  const auto range = options::Pages("MS Excel PAGES=2-13;PDFA");
  ASSERT_TRUE(range.has_value());
  EXPECT_EQ(range->From, 2);
  EXPECT_EQ(range->To, 13);
  const auto single = options::Pages("PAGES=4");
  ASSERT_TRUE(single.has_value());
  EXPECT_EQ(single->From, 4);
  EXPECT_EQ(single->To, 4);
  for (const char* bad : {"PAGES=3-2", "PAGES=0", "PAGES=2-", "PAGES=-3", "PAGES=a-b", "PAGES=", "PAGES=123456"})
    EXPECT_THROW(options::Pages(bad), Error) << bad;
}

TEST(Options, APasswordWithBlanksOrQuotesReadsBackAsWritten) {
  EXPECT_FALSE(options::Password("PDFA").has_value());
  EXPECT_EQ(options::Password("PASSWORD=s3cret,x PDFA"), "s3cret,x");
  for (const std::string password : {"plain", "my secret", "say \"hi\"", "\"quoted\"", "", "tab\there", "a\"\"b"}) {
    const std::string keyword = options::QuotePasswordKeyword(password);
    EXPECT_EQ(options::Password("MS Word " + keyword + " PAGES=2-3"), password) << keyword;
    EXPECT_EQ(options::Password(keyword), password) << keyword;
  }
  EXPECT_EQ(options::QuotePasswordKeyword("my secret"), "PASSWORD=\"my secret\"");
  EXPECT_EQ(options::QuotePasswordKeyword("say \"hi\""), "PASSWORD=\"say \"\"hi\"\"\"");
  EXPECT_EQ(options::QuotePasswordKeyword("x\"y"), "PASSWORD=x\"y");
  EXPECT_THROW(options::Password("PASSWORD=\"never ended"), Error);
}

TEST(Options, AMalformedValueFailsAsAnInvalidOption) {
  const auto kindOf = [](const std::function<void()>& read) {
    try {
      read();
    } catch (const Error& e) {
      return e.code();
    }
    return ErrorCode::Failure;
  };
  EXPECT_EQ(kindOf([] { options::TimeoutSeconds("TIMEOUT=soon"); }), ErrorCode::InvalidOption);
  EXPECT_EQ(kindOf([] { options::PdfALevel("PDFA=4"); }), ErrorCode::InvalidOption);
  EXPECT_EQ(kindOf([] { options::Pages("PAGES=3-2"); }), ErrorCode::InvalidOption);
  EXPECT_EQ(kindOf([] { options::Password("PASSWORD=\"never ended"); }), ErrorCode::InvalidOption);
  EXPECT_EQ(kindOf([] { ParseImageSettings("JPEGQUALITY=500", {}); }), ErrorCode::InvalidOption);
}

TEST(Options, KeywordsSpeltInsideAPasswordDoNotCount) {
  const std::string option = "MS Word " + options::QuotePasswordKeyword("PDFA PAGES=9-9");
  EXPECT_EQ(options::PdfALevel(option), 0);
  EXPECT_FALSE(options::Pages(option).has_value());
  EXPECT_EQ(options::WithoutPassword("PDFA PASSWORD=\"x y\" PAGES=1"), "PDFA PASSWORD= PAGES=1");
}

TEST(ParsedRequest, ReadsEveryKeywordOnceAndKeepsAMalformedValueUntilItIsNeeded) {
  const TOptions o =
      TOptions::Parse("No MS Word USEMACRO OPENFORMAT=12\r\nPDFA=7 PAGES=2-3 PASSWORD=\"a b\" TIMEOUT=9");
  EXPECT_EQ(o.Application, TApplication::NoWord);  // "No MS Word" beats the "MS Word" inside it
  EXPECT_TRUE(o.UseMacro);
  EXPECT_FALSE(o.UseGsDll);
  EXPECT_TRUE(o.OpenFormat);
  EXPECT_EQ(o.OpenFormatValue, "12");
  EXPECT_EQ(o.TimeoutSeconds.Get(), 9u);
  EXPECT_EQ(o.Pages.Get()->From, 2);
  EXPECT_EQ(*o.Password.Get(), "a b");
  // Reading did not fail; asking for the malformed value does, as reading
  // the text there always has, each time it is asked.
  for (int i = 0; i < 2; ++i) {
    try {
      o.PdfA.Get();
      ADD_FAILURE() << "PDFA=7 was accepted";
    } catch (const Error& e) {
      EXPECT_EQ(e.code(), ErrorCode::InvalidOption);
      EXPECT_STREQ(e.what(), "Invalid value '7' for PDFA= (1, 2 or 3)");
    }
  }
  EXPECT_FALSE(TOptions::Parse("").Application.has_value());
  EXPECT_EQ(TOptions::Parse("").TimeoutSeconds.Get(), options::kDefaultTimeoutSeconds);
}

TEST(FormatCode, ComparesWithNamedCodesAsWholeText) {
  EXPECT_TRUE(TFormatCode("17") == formats::kWordPdf);
  EXPECT_TRUE(TFormatCode("17") == formats::kPowerPointJpeg);  // one number, two meanings
  EXPECT_FALSE(TFormatCode("017") == formats::kWordPdf);
  EXPECT_FALSE(TFormatCode("17 ") == formats::kWordPdf);
  EXPECT_TRUE(TFormatCode().Empty());
}

TEST(ExtractBetween, MarkersAndTheWholeIfMissingFlag) {
  EXPECT_EQ(ExtractBetween("OPENFORMAT=8\r\nMORE", "OPENFORMAT=", "\r\n", false), "8");
  EXPECT_EQ(ExtractBetween("a;b;c", "", ";", true), "a;b;c");
  EXPECT_EQ(ExtractBetween("abc;def", "X=", ";", false), "abc");
  EXPECT_EQ(ExtractBetween("abc;def", "X=", ";", true), "abc;def");
  EXPECT_EQ(ExtractBetween("X=abc", "X=", ";", false), "abc");
  EXPECT_EQ(ExtractBetween("X=abc", "X=", ";", true), "X=abc");
  EXPECT_EQ(ExtractBetween("abc", "X=", ";", false), "");
  EXPECT_EQ(ExtractBetween("a;X=b", "X=", ";", false), "b");
  EXPECT_EQ(ExtractBetween("a;X=b;c", "X=", ";", false), "b");
  EXPECT_EQ(ExtractBetween("", "X=", ";", false), "");
}

}  // namespace
}  // namespace quillet
