#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

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

  EXPECT_TRUE(options::Pages("PDFA").empty());
  const auto range = options::Pages("MS Excel PAGES=2-13;PDFA");
  ASSERT_EQ(range.size(), 1u);
  EXPECT_EQ(range[0].From, 2);
  EXPECT_EQ(range[0].To, 13);
  const auto single = options::Pages("PAGES=4");
  ASSERT_EQ(single.size(), 1u);
  EXPECT_EQ(single[0].From, 4);
  EXPECT_EQ(single[0].To, 4);
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
  EXPECT_TRUE(options::Pages(option).empty());
  EXPECT_EQ(options::WithoutPassword("PDFA PASSWORD=\"x y\" PAGES=1"), "PDFA PASSWORD= PAGES=1");
}

// The failure's code and text of Read; Failure and "" when it does not fail.
std::pair<ErrorCode, std::string> FailureOf(const std::function<void()>& read) {
  try {
    read();
  } catch (const Error& e) {
    return {e.code(), e.what()};
  }
  return {ErrorCode::Failure, ""};
}

TEST(Options, PagesTakesAQuotedListWhileTheUnquotedValueStaysOneRange) {
  const auto list = options::Pages("MS Word PAGES=\"1-3,5\" PDFA");
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].From, 1);
  EXPECT_EQ(list[0].To, 3);
  EXPECT_EQ(list[1].From, 5);
  EXPECT_EQ(list[1].To, 5);
  EXPECT_EQ(options::PageRangesText(list), "1-3,5-5");
  EXPECT_EQ(options::PdfALevel("MS Word PAGES=\"1-3,5\" PDFA"), 1);
  // Blanks around the items, and ranges in any order.
  EXPECT_EQ(options::PageRangesText(options::Pages("PAGES=\" 9 , 2-4,7 \"")), "9-9,2-4,7-7");
  // Unquoted, "," ends the value as before: one page.
  EXPECT_EQ(options::PageRangesText(options::Pages("PAGES=1,3")), "1-1");

  const std::string allowed = "' for PAGES= (a quoted list of pages and ranges of pages such as \"1-3,5\")";
  for (const std::string bad : {"\"1,,3\"", "\"3-2,4\"", "\"\"", "\"0\"", "\"1;3\"", "\"1-\"", "\"1,3"}) {
    const auto [code, text] = FailureOf([&] { options::Pages("PAGES=" + bad + "\r\nPDFA"); });
    EXPECT_EQ(code, ErrorCode::InvalidOption) << bad;
    EXPECT_EQ(text, "Invalid value '" + bad + allowed) << bad;
  }
}

TEST(PdfExportOptions, EveryNameOfTheTableReadsItsValueAndReadsBackFromItsKeywords) {
  EXPECT_TRUE(options::PdfExport("MS Word PDFA PAGES=2-3 TIMEOUT=9").Empty());
  const options::PdfExportOptions read = options::PdfExport(
      "MS Powerpoint PDF.Quality=10,PDF.ExportBookmarks=false;PDF.MaxImageResolution=300\tPDF.PdfUa=true\r\n"
      "PDF.ExportBookmarks=true");
  EXPECT_EQ(read.Find("Quality"), 10);
  EXPECT_EQ(read.Find("ExportBookmarks"), 0);  // the first of a repeated name counts
  EXPECT_EQ(read.Find("MaxImageResolution"), 300);
  EXPECT_TRUE(read.IsTrue("PdfUa"));
  EXPECT_FALSE(read.Find("Landscape").has_value());
  // In the table's order, whatever the text's.
  EXPECT_EQ(read.Names(), (std::vector<std::string_view>{"ExportBookmarks", "PdfUa", "Quality", "MaxImageResolution"}));
  EXPECT_EQ(read.Keywords(), "PDF.ExportBookmarks=false PDF.PdfUa=true PDF.Quality=10 PDF.MaxImageResolution=300");

  // Every name is a keyword; booleans read both ways and back.
  std::string all;
  for (const options::PdfExportName& name : options::PdfExportNames()) {
    const std::string keyword = "PDF." + std::string(name.Name) + "=";
    const std::string value = name.Kind == options::PdfExportKind::Boolean   ? "true"
                              : name.Kind == options::PdfExportKind::Quality ? "100"
                                                                             : "1200";
    all += keyword + value + " ";
    EXPECT_EQ(options::PdfExport(keyword + value).Names(), std::vector<std::string_view>{name.Name}) << keyword;
    if (name.Kind == options::PdfExportKind::Boolean) {
      EXPECT_EQ(options::PdfExport(keyword + "false").Find(name.Name), 0) << keyword;
    }
  }
  const options::PdfExportOptions every = options::PdfExport(all);
  EXPECT_EQ(every.Names().size(), options::PdfExportNames().size());
  EXPECT_EQ(options::PdfExport(every.Keywords()).Keywords(), every.Keywords());
}

TEST(PdfExportOptions, AnUnknownNameOrAMalformedValueIsAnInvalidOptionNamingIt) {
  struct Case {
    std::string option, error;
  };
  const std::vector<Case> cases{
      {"PDF.Watermark=yes", "Unknown PDF export option 'PDF.Watermark'"},
      {"MS Word PDF.exportBookmarks=true", "Unknown PDF export option 'PDF.exportBookmarks'"},
      {"PDF.ExportBookmarks", "Unknown PDF export option 'PDF.ExportBookmarks'"},
      {"PDF.=true", "Unknown PDF export option 'PDF.'"},
      {"PDF.ExportBookmarks=yes", "Invalid value 'yes' for PDF.ExportBookmarks= (true or false)"},
      {"PDF.SinglePageSheets=True", "Invalid value 'True' for PDF.SinglePageSheets= (true or false)"},
      {"PDF.Landscape= true", "Invalid value '' for PDF.Landscape= (true or false)"},
      {"PDF.Quality=0", "Invalid value '0' for PDF.Quality= (a whole number from 1 to 100)"},
      {"PDF.Quality=101", "Invalid value '101' for PDF.Quality= (a whole number from 1 to 100)"},
      {"PDF.Quality=50%", "Invalid value '50%' for PDF.Quality= (a whole number from 1 to 100)"},
      {"PDF.MaxImageResolution=200", "Invalid value '200' for PDF.MaxImageResolution= (75, 150, 300, 600 or 1200)"},
      {"PDF.MaxImageResolution=03000", "Invalid value '03000' for PDF.MaxImageResolution= (75, 150, 300, 600 or 1200)"},
      // A later malformed keyword fails even when the name was given before.
      {"PDF.Quality=80 PDF.Quality=0", "Invalid value '0' for PDF.Quality= (a whole number from 1 to 100)"},
  };
  for (const Case& c : cases) {
    const auto [code, text] = FailureOf([&] { options::PdfExport(c.option); });
    EXPECT_EQ(code, ErrorCode::InvalidOption) << c.option;
    EXPECT_EQ(text, c.error) << c.option;
  }
}

TEST(PdfExportOptions, KeywordsSpeltInsideAPasswordDoNotCount) {
  for (const std::string& option : {"MS Word " + options::QuotePasswordKeyword("PDF.Bogus=1 PDF.Quality=0"),
                                    std::string("PASSWORD=PDF.Quality=0 MS Word")})
    EXPECT_TRUE(options::PdfExport(option).Empty()) << option;
  EXPECT_TRUE(options::Pages(options::QuotePasswordKeyword("PAGES=\"1,x\"")).empty());
  const std::string option = "PDF.Quality=20 " + options::QuotePasswordKeyword("PDF.Quality=90 PAGES=\"1,2\"");
  EXPECT_EQ(options::PdfExport(option).Find("Quality"), 20);
  EXPECT_TRUE(options::Pages(option).empty());
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
  EXPECT_EQ(o.Pages.Get().at(0).From, 2);
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
  // So with the PDF export options: reading keeps the failure for the request.
  const TOptions pdf = TOptions::Parse("MS Word PDF.Quality=0");
  EXPECT_EQ(FailureOf([&] { pdf.PdfExport.Get(); }).second,
            "Invalid value '0' for PDF.Quality= (a whole number from 1 to 100)");
  EXPECT_EQ(TOptions::Parse("PDF.Landscape=true PAGES=\"2,4\"").PdfExport.Get().Keywords(), "PDF.Landscape=true");
  EXPECT_EQ(TOptions::Parse("PAGES=\"2,4\"").Pages.Get().size(), 2u);
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
