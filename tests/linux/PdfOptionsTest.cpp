// The PDF keywords with real LibreOffice behind the stand-ins: PDF/A whose
// metadata says so and whose fonts are embedded, a range or a list of pages
// of a document, a workbook and a presentation, the options of the PDF
// export read back from the PDF, a finished PDF that Word opens and exports
// again, and protected documents opened with their password, refused at once with a wrong one, and never showing the
// password in an error text or a report.
#include <gtest/gtest.h>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <random>
#include <regex>

#include "FlatDocuments.h"
#include "LinuxSupport.h"

namespace quillet {
namespace {

using test::Convert;
using test::ReadFile;
using test::Work;

const std::vector<std::string> kPageWords = {"alpha", "bravo", "charlie", "delta"};
const std::string kPassword = "open sesame";

// The standard output of Command.
std::string Output(const std::string& command) {
  std::string out;
  if (FILE* pipe = ::popen(command.c_str(), "r")) {
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
    ::pclose(pipe);
  }
  return out;
}

std::string Quoted(const std::string& path) { return "'" + path + "'"; }

int PageCount(const std::string& pdf) {
  std::smatch m;
  const std::string info = Output("pdfinfo " + Quoted(pdf));
  return std::regex_search(info, m, std::regex("Pages:\\s+(\\d+)")) ? std::stoi(m[1]) : -1;
}

std::string Text(const std::string& pdf) { return Output("pdftotext " + Quoted(pdf) + " -"); }

// The words of kPageWords that the text holds.
std::vector<std::string> PageWordsIn(const std::string& text) {
  std::vector<std::string> found;
  for (const std::string& word : kPageWords)
    if (text.find(word) != std::string::npos) found.push_back(word);
  return found;
}

// The fonts pdffonts lists, each with whether it is embedded.
std::vector<std::pair<std::string, bool>> Fonts(const std::string& pdf) {
  std::vector<std::pair<std::string, bool>> fonts;
  const std::string list = Output("pdffonts " + Quoted(pdf));
  const std::regex line("^(\\S+).*\\s(yes|no)\\s+(yes|no)\\s+(yes|no)\\s+\\d+\\s+\\d+\\s*$");
  size_t start = 0;
  for (size_t end; (end = list.find('\n', start)) != std::string::npos; start = end + 1) {
    const std::string text = list.substr(start, end - start);
    std::smatch m;
    if (std::regex_match(text, m, line)) fonts.emplace_back(m[1], m[2] == "yes");
  }
  return fonts;
}

// What the tests read of a PDF's structure.
struct PdfFacts {
  // Each page's width and height in points.
  std::vector<std::pair<double, double>> pages;
  bool outlines = false;       // the catalog has bookmarks
  bool structureTree = false;  // the catalog has a structure tree...
  bool marked = false;         // ...and says it is tagged
  // The pixel widths of the images the pages draw.
  std::vector<int> imageWidths;
};

PdfFacts Facts(const std::string& pdf) {
  QPDF q;
  q.processFile(pdf.c_str());
  PdfFacts facts;
  QPDFObjectHandle root = q.getRoot();
  facts.outlines = root.hasKey("/Outlines") && root.getKey("/Outlines").hasKey("/First");
  facts.structureTree = root.hasKey("/StructTreeRoot");
  facts.marked = root.hasKey("/MarkInfo") && root.getKey("/MarkInfo").hasKey("/Marked") &&
                 root.getKey("/MarkInfo").getKey("/Marked").isBool() &&
                 root.getKey("/MarkInfo").getKey("/Marked").getBoolValue();
  for (QPDFPageObjectHelper& page : QPDFPageDocumentHelper(q).getAllPages()) {
    QPDFObjectHandle box = page.getMediaBox();
    const double width = box.getArrayItem(2).getNumericValue() - box.getArrayItem(0).getNumericValue();
    const double height = box.getArrayItem(3).getNumericValue() - box.getArrayItem(1).getNumericValue();
    const bool turned =
        page.getAttribute("/Rotate", false).isInteger() && page.getAttribute("/Rotate", false).getIntValue() % 180 != 0;
    facts.pages.push_back(turned ? std::make_pair(height, width) : std::make_pair(width, height));
    for (auto& [name, image] : page.getImages())
      facts.imageWidths.push_back(static_cast<int>(image.getDict().getKey("/Width").getIntValue()));
  }
  return facts;
}

std::string Base64(const std::string& bytes) {
  static const char* digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  for (size_t i = 0; i < bytes.size(); i += 3) {
    uint32_t n = static_cast<uint8_t>(bytes[i]) << 16;
    if (i + 1 < bytes.size()) n |= static_cast<uint8_t>(bytes[i + 1]) << 8;
    if (i + 2 < bytes.size()) n |= static_cast<uint8_t>(bytes[i + 2]);
    out += digits[(n >> 18) & 63];
    out += digits[(n >> 12) & 63];
    out += i + 1 < bytes.size() ? digits[(n >> 6) & 63] : '=';
    out += i + 2 < bytes.size() ? digits[n & 63] : '=';
  }
  return out;
}

// A photograph-like picture as a 24-bit BMP: colour gradients with noise,
// which JPEG compresses well at a low quality and badly at a high one.
std::string NoisyBitmap(int side) {
  const uint32_t rowBytes = static_cast<uint32_t>(side) * 3;  // a multiple of 4 for the sides used here
  const uint32_t pixelBytes = rowBytes * static_cast<uint32_t>(side);
  std::string bmp;
  auto put = [&](uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) bmp += static_cast<char>((value >> (8 * i)) & 0xff);
  };
  bmp += "BM";
  put(54 + pixelBytes, 4);
  put(0, 4);
  put(54, 4);
  put(40, 4);
  put(static_cast<uint32_t>(side), 4);
  put(static_cast<uint32_t>(side), 4);
  put(1, 2);
  put(24, 2);
  put(0, 4);
  put(pixelBytes, 4);
  put(2835, 4);
  put(2835, 4);
  put(0, 4);
  put(0, 4);
  std::mt19937 random(7);
  for (int y = 0; y < side; ++y)
    for (int x = 0; x < side; ++x) {
      const int noise = static_cast<int>(random() % 64) - 32;
      for (int channel : {x * 255 / side, y * 255 / side, (x + y) * 127 / side})
        bmp += static_cast<char>(std::clamp(channel + noise, 0, 255));
    }
  return bmp;
}

class PdfOptions : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::string pages;
    for (size_t i = 0; i < kPageWords.size(); ++i)
      pages += std::string(i ? "<text:p text:style-name=\"Break\">" : "<text:p>") + kPageWords[i] + " page</text:p>";
    document_ = Make("pages.fodt",
                     test::FlatText(pages,
                                    "<style:style style:name=\"Break\" style:family=\"paragraph\">"
                                    "<style:paragraph-properties fo:break-before=\"page\"/>"
                                    "</style:style>"),
                     "pages.docx", "16", "");
    std::vector<std::pair<std::string, std::vector<std::vector<std::string>>>> sheets;
    std::vector<std::vector<std::vector<std::string>>> slides;
    for (const std::string& word : kPageWords) {
      sheets.push_back({word, {{word + " cell"}}});
      slides.push_back({{word + " slide"}});
    }
    book_ = Make("pages.fods", test::FlatSpreadsheet(sheets), "pages.xlsx", "51", "MS Excel");
    deck_ = Make("pages.fodp", test::FlatPresentation(slides), "pages.pptx", "24", "MS Powerpoint");
    // Headings for bookmarks, and a picture of 1200 pixels drawn 2 inches
    // wide.
    picture_ = Make("picture.fodt",
                    test::FlatText("<text:h text:outline-level=\"1\">First heading</text:h>"
                                   "<text:p><draw:frame draw:name=\"Picture\" text:anchor-type=\"as-char\" "
                                   "svg:width=\"2in\" svg:height=\"2in\"><draw:image><office:binary-data>" +
                                   Base64(NoisyBitmap(1200)) +
                                   "</office:binary-data></draw:image></draw:frame></text:p>"
                                   "<text:h text:outline-level=\"1\">Second heading</text:h>"),
                    "picture.docx", "16", "");

    // The protected copies: saved by an office of their own, which the
    // stand-ins have no way to do for a presentation.
    test::UsersOffice maker(test::TestPipe() + "-maker");
    const std::pair<std::string, const char*> copies[] = {
        {document_, "MS Word 2007 XML"}, {book_, "Calc MS Excel 2007 XML"}, {deck_, "Impress MS PowerPoint 2007 XML"}};
    for (const auto& [source, filter] : copies)
      maker.SaveWithPassword(source, Out("secret" + std::filesystem::path(source).extension().string()), filter,
                             kPassword);
    maker.Terminate();
  }

  static std::string Out(const std::string& name) { return Work() / name; }

  static std::string Make(const std::string& flatName, const std::string& flat, const std::string& name,
                          const std::string& format, const std::string& option) {
    test::WriteFile(Out(flatName), flat);
    const std::string error = Convert(Out(flatName), Out(name), format, option);
    if (!error.empty()) throw std::runtime_error("cannot make " + name + ": " + error);
    return Out(name);
  }

  static std::string document_, book_, deck_, picture_;
};

std::string PdfOptions::document_, PdfOptions::book_, PdfOptions::deck_, PdfOptions::picture_;

TEST_F(PdfOptions, APdfADocumentDeclaresPartOneBAndEmbedsItsFonts) {
  const std::string plain = Out("plain.pdf"), archive = Out("archive.pdf");
  ASSERT_EQ(Convert(document_, plain, "17"), "");
  ASSERT_EQ(Convert(document_, archive, "17", "PDFA"), "");
  const std::string meta = Output("pdfinfo -meta " + Quoted(archive));
  EXPECT_TRUE(std::regex_search(meta, std::regex("pdfaid:part(>|=\")1\\b"))) << meta;
  EXPECT_TRUE(std::regex_search(meta, std::regex("pdfaid:conformance(>|=\")B\\b"))) << meta;
  const auto fonts = Fonts(archive);
  ASSERT_FALSE(fonts.empty());
  for (const auto& [name, embedded] : fonts) EXPECT_TRUE(embedded) << name;
  EXPECT_EQ(PageWordsIn(Text(archive)), kPageWords);
  // The same document without the keyword is a PDF with no such claim.
  EXPECT_EQ(Output("pdfinfo -meta " + Quoted(plain)).find("pdfaid"), std::string::npos);
}

// Office's export makes PDF/A-1b only, and none from Excel; the stand-ins
// export through LibreOffice, which makes the later parts and workbooks too.
TEST_F(PdfOptions, TheStandInsMakePdfAPartsTwoAndThreeAndPdfAFromWorkbooks) {
  struct Case {
    std::string source, format, option, part;
  };
  for (const Case& c : {Case{document_, "17", "PDFA=2", "2"}, Case{deck_, "32", "MS Powerpoint PDFA=3", "3"},
                        Case{book_, "57", "MS Excel PDFA", "1"}, Case{book_, "57", "MS Excel PDFA=2", "2"}}) {
    const std::string archive = Out("archive-" + c.format + "-" + c.part + ".pdf");
    ASSERT_EQ(Convert(c.source, archive, c.format, c.option), "") << c.option;
    const std::string meta = Output("pdfinfo -meta " + Quoted(archive));
    EXPECT_TRUE(std::regex_search(meta, std::regex("pdfaid:part(>|=\")" + c.part + "\\b"))) << c.option << meta;
    EXPECT_TRUE(std::regex_search(meta, std::regex("pdfaid:conformance(>|=\")B\\b"))) << c.option << meta;
  }
}

// Word opens a PDF file (under the stand-in, LibreOffice's PDF import makes
// a drawing of it) and exports it again: PDF/A or tagged, its pages and
// their text kept in order. What is not a PDF is refused as corrupt.
TEST_F(PdfOptions, WordOpensAPdfAndExportsItAgainAsPdfAOrTagged) {
  const std::string source = Out("finished.pdf"), archive = Out("finished-a2.pdf"), tagged = Out("finished-ua.pdf");
  ASSERT_EQ(Convert(document_, source, "17"), "");
  ASSERT_EQ(Output("pdfinfo -meta " + Quoted(source)).find("pdfaid"), std::string::npos);
  ASSERT_FALSE(Facts(source).structureTree);

  ASSERT_EQ(Convert(source, archive, "17", "MS Word PDFA=2"), "");
  const std::string meta = Output("pdfinfo -meta " + Quoted(archive));
  EXPECT_TRUE(std::regex_search(meta, std::regex("pdfaid:part(>|=\")2\\b"))) << meta;
  EXPECT_EQ(PageCount(archive), 4);
  EXPECT_EQ(PageWordsIn(Text(archive)), kPageWords);

  ASSERT_EQ(Convert(source, tagged, "17", "MS Word PDF.PdfUa=true PAGES=2-3"), "");
  const PdfFacts facts = Facts(tagged);
  EXPECT_TRUE(facts.structureTree);
  EXPECT_TRUE(facts.marked);
  EXPECT_EQ(PageWordsIn(Text(tagged)), (std::vector<std::string>{"bravo", "charlie"}));

  // Without export keywords Word saves the PDF (SaveAs 17), and Draw's
  // export writes it; a drawing has no text for Writer's other formats.
  const std::string saved = Out("finished-saved.pdf");
  ASSERT_EQ(Convert(source, saved, "17", "MS Word"), "");
  EXPECT_EQ(PageWordsIn(Text(saved)), kPageWords);
  EXPECT_NE(Convert(source, Out("finished.txt"), "2", "MS Word"), "");
  EXPECT_EQ(test::LastErrorCode(), "unsupportedformat");
  EXPECT_FALSE(std::filesystem::exists(Out("finished.txt")));

  // What the office's PDF reader cannot open is refused, not replaced by
  // the import's own page saying so: a file that is not a PDF, garbage
  // after the header, an encrypted PDF.
  std::string garbage = "%PDF-1.4\n";
  std::mt19937 random(11);
  for (int i = 0; i < 5000; ++i) garbage += static_cast<char>(random());
  {
    QPDF q;
    q.processFile(source.c_str());
    QPDFWriter writer(q, Out("locked.pdf").c_str());
    writer.setR6EncryptionParameters("u", "o", true, true, true, true, true, true, qpdf_r3p_full, true);
    writer.write();
  }
  test::WriteFile(Out("fake.pdf"), "not a PDF at all, though named one");
  test::WriteFile(Out("garbage.pdf"), garbage);
  for (const char* name : {"fake.pdf", "garbage.pdf", "locked.pdf"}) {
    const std::string out = Out(std::string("refused-") + name);
    EXPECT_NE(Convert(Out(name), out, "17", "MS Word PDFA=2"), "") << name;
    EXPECT_EQ(test::LastErrorCode(), "corrupt") << name;
    EXPECT_FALSE(std::filesystem::exists(out)) << name;
  }
}

TEST_F(PdfOptions, ARangeOfPagesOfADocumentAWorkbookAndAPresentation) {
  struct Case {
    std::string source, format, app;
  };
  for (const Case& c :
       {Case{document_, "17", ""}, Case{book_, "57", "MS Excel "}, Case{deck_, "32", "MS Powerpoint "}}) {
    const std::string pdf = Out("range-" + c.format + ".pdf");
    ASSERT_EQ(Convert(c.source, pdf, c.format, c.app + "PAGES=2-3"), "") << c.source;
    EXPECT_EQ(PageCount(pdf), 2) << c.source;
    EXPECT_EQ(PageWordsIn(Text(pdf)), (std::vector<std::string>{"bravo", "charlie"})) << c.source;
    // A single page.
    ASSERT_EQ(Convert(c.source, pdf, c.format, c.app + "PAGES=4"), "") << c.source;
    EXPECT_EQ(PageWordsIn(Text(pdf)), std::vector<std::string>{"delta"}) << c.source;
  }
}

TEST_F(PdfOptions, AQuotedListOfPagesOfADocumentAWorkbookAndAPresentation) {
  struct Case {
    std::string source, format, app;
  };
  for (const Case& c :
       {Case{document_, "17", ""}, Case{book_, "57", "MS Excel "}, Case{deck_, "32", "MS Powerpoint "}}) {
    const std::string pdf = Out("list-" + c.format + ".pdf");
    ASSERT_EQ(Convert(c.source, pdf, c.format, c.app + "PAGES=\"1, 3-4\""), "") << c.source;
    EXPECT_EQ(PageCount(pdf), 3) << c.source;
    EXPECT_EQ(PageWordsIn(Text(pdf)), (std::vector<std::string>{"alpha", "charlie", "delta"})) << c.source;
    // With an export option beside it, which goes the same way.
    ASSERT_EQ(Convert(c.source, pdf, c.format, c.app + "PAGES=\"4,2\" PDF.ExportBookmarks=false"), "") << c.source;
    EXPECT_EQ(PageWordsIn(Text(pdf)), (std::vector<std::string>{"bravo", "delta"})) << c.source;
  }
}

TEST_F(PdfOptions, LandscapeTurnsTheDocumentsAndTheWorkbooksPagesAndKeepsWideSlides) {
  struct Case {
    std::string source, format, app;
    bool portraitBefore;
  };
  for (const Case& c : {Case{document_, "17", "", true}, Case{book_, "57", "MS Excel ", true},
                        Case{deck_, "32", "MS Powerpoint ", false}}) {
    const std::string plain = Out("upright-" + c.format + ".pdf"), turned = Out("turned-" + c.format + ".pdf");
    ASSERT_EQ(Convert(c.source, plain, c.format, c.app), "") << c.source;
    ASSERT_EQ(Convert(c.source, turned, c.format, c.app + "PDF.Landscape=true"), "") << c.source;
    const PdfFacts before = Facts(plain), after = Facts(turned);
    ASSERT_EQ(after.pages.size(), 4u) << c.source;
    for (const auto& [width, height] : before.pages) EXPECT_EQ(width < height, c.portraitBefore) << c.source;
    for (const auto& [width, height] : after.pages) EXPECT_GT(width, height) << c.source;
    EXPECT_EQ(PageWordsIn(Text(turned)), kPageWords) << c.source;
  }
  // False leaves the pages as they are.
  const std::string kept = Out("kept.pdf");
  ASSERT_EQ(Convert(document_, kept, "17", "PDF.Landscape=false"), "");
  for (const auto& [width, height] : Facts(kept).pages) EXPECT_LT(width, height);
}

TEST_F(PdfOptions, BookmarksTagsAndNotesPagesAreTheExportsOptions) {
  const std::string plain = Out("headings.pdf"), bare = Out("no-bookmarks.pdf"), tagged = Out("tagged.pdf");
  ASSERT_EQ(Convert(picture_, plain, "17"), "");
  ASSERT_EQ(Convert(picture_, bare, "17", "PDF.ExportBookmarks=false"), "");
  ASSERT_EQ(Convert(picture_, tagged, "17", "PDF.PdfUa=true"), "");
  const PdfFacts byDefault = Facts(plain);
  EXPECT_TRUE(byDefault.outlines);
  EXPECT_FALSE(byDefault.structureTree);
  EXPECT_FALSE(Facts(bare).outlines);
  const PdfFacts ua = Facts(tagged);
  EXPECT_TRUE(ua.structureTree);
  EXPECT_TRUE(ua.marked);
  const std::string meta = Output("pdfinfo -meta " + Quoted(tagged));
  EXPECT_TRUE(std::regex_search(meta, std::regex("pdfuaid:part(>|=\")1\\b"))) << meta;

  // A presentation's notes pages follow its slides.
  const std::string notes = Out("notes.pdf");
  ASSERT_EQ(Convert(deck_, notes, "32", "MS Powerpoint PDF.ExportNotesPages=true"), "");
  EXPECT_EQ(PageCount(notes), 2 * static_cast<int>(kPageWords.size()));
}

TEST_F(PdfOptions, UpdateIndexesRewritesAStaleTableOfContents) {
  // The table lists a heading the document no longer has.
  const std::string source = Out("contents.fodt");
  test::WriteFile(source, test::FlatText("<text:table-of-content text:name=\"Contents1\">"
                                         "<text:table-of-content-source text:outline-level=\"10\">"
                                         "<text:index-title-template>Contents</text:index-title-template>"
                                         "<text:table-of-content-entry-template text:outline-level=\"1\">"
                                         "<text:index-entry-chapter/><text:index-entry-text/>"
                                         "</text:table-of-content-entry-template>"
                                         "</text:table-of-content-source>"
                                         "<text:index-body><text:p>Stale entry</text:p></text:index-body>"
                                         "</text:table-of-content>"
                                         "<text:h text:outline-level=\"1\">Fresh heading</text:h>"));
  const std::string kept = Out("contents-kept.pdf"), updated = Out("contents-updated.pdf");
  ASSERT_EQ(Convert(source, kept, "17", "PDF.UpdateIndexes=false"), "");
  ASSERT_EQ(Convert(source, updated, "17", "PDF.UpdateIndexes=true"), "");
  EXPECT_NE(Text(kept).find("Stale entry"), std::string::npos) << Text(kept);
  const std::string text = Text(updated);
  EXPECT_EQ(text.find("Stale entry"), std::string::npos) << text;
  // The heading, and its line in the table.
  const std::string heading = "Fresh heading";
  const size_t first = text.find(heading);
  ASSERT_NE(first, std::string::npos) << text;
  EXPECT_NE(text.find(heading, first + heading.size()), std::string::npos) << text;
}

TEST_F(PdfOptions, PicturesGetSmallerWithALowQualityAndAReducedResolution) {
  const std::string fine = Out("fine.pdf"), coarse = Out("coarse.pdf"), reduced = Out("reduced.pdf");
  ASSERT_EQ(Convert(picture_, fine, "17", "PDF.Quality=95 PDF.ReduceImageResolution=false"), "");
  ASSERT_EQ(Convert(picture_, coarse, "17", "PDF.Quality=10 PDF.ReduceImageResolution=false"), "");
  ASSERT_EQ(Convert(picture_, reduced, "17", "PDF.Quality=95 PDF.ReduceImageResolution=true PDF.MaxImageResolution=75"),
            "");
  const auto size = [](const std::string& pdf) { return std::filesystem::file_size(pdf); };
  EXPECT_EQ(Facts(fine).imageWidths, std::vector<int>{1200});
  EXPECT_EQ(Facts(coarse).imageWidths, std::vector<int>{1200});
  EXPECT_LT(size(coarse) * 2, size(fine)) << size(coarse) << " " << size(fine);
  // 2 inches at 75 pixels an inch instead of the picture's 600.
  EXPECT_EQ(Facts(reduced).imageWidths, std::vector<int>{150});
  EXPECT_LT(size(reduced) * 4, size(fine)) << size(reduced) << " " << size(fine);
}

TEST_F(PdfOptions, ProtectedFilesOpenWithTheirPasswordAndFailAtOnceWithAWrongOne) {
  struct Case {
    std::string source, dest, format, app, word;
  };
  const Case cases[] = {{Out("secret.docx"), Out("secret.txt"), "2", "", "alpha page"},
                        {Out("secret.xlsx"), Out("secret.csv"), "6", "MS Excel ", "alpha cell"},
                        {Out("secret.pptx"), Out("secret-slides.txt"), "9999", "MS Powerpoint ", "alpha slide"}};
  const std::string wrong = "not the password";
  for (const Case& c : cases) {
    EXPECT_EQ(Convert(c.source, c.dest, c.format, c.app), "The password is incorrect") << c.source;
    ASSERT_EQ(Convert(c.source, c.dest, c.format, c.app + "PASSWORD=\"" + kPassword + "\""), "") << c.source;
    EXPECT_NE(ReadFile(c.dest).find(c.word), std::string::npos) << c.source;

    std::filesystem::remove(c.dest);
    const auto start = std::chrono::steady_clock::now();
    const std::string error = Convert(c.source, c.dest, c.format, c.app + "PASSWORD=\"" + wrong + "\"");
    // Refused, not left waiting on a password prompt until the deadline
    // (120 s); the bound is loose so that a busy machine cannot fail it.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10)) << c.source;
    EXPECT_EQ(error, "The password is incorrect") << c.source;
    EXPECT_FALSE(std::filesystem::exists(c.dest)) << c.source;
  }
}

TEST_F(PdfOptions, APasswordNeverShowsInTheReport) {
  // PowerPoint is given the password in the file name: no text about the
  // file may show that name.
  const std::string password = "Wr0ngAndSecret";
  struct Case {
    std::string ext, format, app;
  };
  for (const Case& c : {Case{"docx", "17", ""}, Case{"pptx", "32", "MS Powerpoint "}}) {
    const std::string in = Out("protected-" + c.ext), out = in + "-out", report = in + ".report";
    std::filesystem::create_directories(in);
    std::filesystem::create_directories(out);
    std::filesystem::copy_file(Out("secret." + c.ext), in + "/secret." + c.ext);
    test::WriteFile(in + "/broken." + c.ext, "PK\x03\x04 not a document");
    test::Library().ConvertFolder(in + "/*.*", out, c.format, 0, c.app + "PAGES=1-2 PASSWORD=" + password, report);
    const std::string written = ReadFile(report);
    EXPECT_TRUE(std::regex_search(written, std::regex("secret\\." + c.ext + " to .*The password is incorrect")))
        << written;
    EXPECT_NE(written.find("broken." + c.ext), std::string::npos) << written;
    EXPECT_EQ(written.find(password), std::string::npos) << written;
  }
}

}  // namespace
}  // namespace quillet
