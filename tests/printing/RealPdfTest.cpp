// Format "-1" for real on Linux: the library's entry points with no server
// registry, so Word, Excel and PowerPoint are the stand-ins over LibreOffice,
// which print PostScript through the office's own queue, and the PDF comes
// from Ghostscript (USEGSDLL) or from the PDF maker, with the document
// information written by the PDF document object. Each PDF is checked with
// poppler's tools: valid, its first page rendering what LibreOffice's own
// PDF export of the same document shows, its document information.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "PrintingFixture.h"
#include "QuilletLibrary.h"

namespace quillet::test {
namespace {

namespace fs = std::filesystem;

// What a command printed; raises when it cannot run.
std::string Run(const std::string& command) {
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen((command + " 2>/dev/null").c_str(), "r"), ::pclose);
  if (!pipe) throw std::runtime_error("cannot run " + command);
  std::string out;
  char buf[4096];
  while (size_t n = std::fread(buf, 1, sizeof buf, pipe.get())) out.append(buf, n);
  return out;
}

std::string Quote(const std::string& s) { return "'" + s + "'"; }

// The value of one field of pdfinfo's report ("" when absent or empty).
std::string Info(const std::string& pdf, const std::string& field) {
  std::istringstream in(Run("pdfinfo " + Quote(pdf)));
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind(field + ":", 0) != 0) continue;
    std::string value = line.substr(field.size() + 1);
    value.erase(0, value.find_first_not_of(' '));
    return value;
  }
  return "";
}

// Whether page 1 shows wider than high: its size, turned by its rotation.
bool Landscape(const std::string& pdf) {
  double w = 0, h = 0;
  std::sscanf(Info(pdf, "Page size").c_str(), "%lf x %lf", &w, &h);
  const int rotation = std::atoi(Info(pdf, "Page rot").c_str());
  return (w > h) != (rotation % 180 == 90);
}

// A grey picture of page 1: the page's content cropped to what is not white
// and scaled to a fixed grid, so that two PDFs of the same document compare
// whatever their paper and margins.
struct Grey {
  int width = 0, height = 0;
  std::vector<int> pixels;
};

Grey Render(const std::string& pdf, const std::string& stem) {
  Run("pdftoppm -f 1 -l 1 -r 40 -gray -singlefile " + Quote(pdf) + " " + Quote(stem));
  std::ifstream in(stem + ".pgm", std::ios::binary);
  std::string magic;
  int w = 0, h = 0, max = 0;
  in >> magic >> w >> h >> max;
  in.get();
  Grey g;
  if (magic != "P5" || w <= 0 || h <= 0) return g;
  std::vector<unsigned char> raw(static_cast<size_t>(w) * h);
  in.read(reinterpret_cast<char*>(raw.data()), static_cast<std::streamsize>(raw.size()));
  g.width = w;
  g.height = h;
  g.pixels.assign(raw.begin(), raw.end());
  return g;
}

constexpr int kGrid = 32;

// Cropped to the ink and scaled to kGrid x kGrid; empty for a blank page.
std::vector<int> Content(const Grey& g) {
  int x0 = g.width, y0 = g.height, x1 = -1, y1 = -1;
  for (int y = 0; y < g.height; ++y)
    for (int x = 0; x < g.width; ++x)
      if (g.pixels[static_cast<size_t>(y) * g.width + x] < 200) {
        x0 = std::min(x0, x);
        y0 = std::min(y0, y);
        x1 = std::max(x1, x);
        y1 = std::max(y1, y);
      }
  if (x1 < 0) return {};
  std::vector<int> grid(kGrid * kGrid, 255);
  for (int gy = 0; gy < kGrid; ++gy)
    for (int gx = 0; gx < kGrid; ++gx) {
      // The darkest pixel of the cell: thin strokes survive the scaling.
      int darkest = 255;
      const int sx0 = x0 + (x1 - x0 + 1) * gx / kGrid, sx1 = x0 + (x1 - x0 + 1) * (gx + 1) / kGrid;
      const int sy0 = y0 + (y1 - y0 + 1) * gy / kGrid, sy1 = y0 + (y1 - y0 + 1) * (gy + 1) / kGrid;
      for (int y = sy0; y <= std::max(sy0, sy1 - 1); ++y)
        for (int x = sx0; x <= std::max(sx0, sx1 - 1); ++x)
          darkest = std::min(darkest, g.pixels[static_cast<size_t>(y) * g.width + x]);
      grid[gy * kGrid + gx] = darkest;
    }
  return grid;
}

// The share of grid cells where one page has ink and the other has none.
double Difference(const std::vector<int>& a, const std::vector<int>& b) {
  if (a.empty() || b.empty() || a.size() != b.size()) return 1.0;
  int differ = 0;
  for (size_t i = 0; i < a.size(); ++i) differ += (a[i] < 160) != (b[i] < 160);
  return static_cast<double>(differ) / static_cast<double>(a.size());
}

const char* const kNamespaces =
    " xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\""
    " xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\""
    " xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\""
    " xmlns:draw=\"urn:oasis:names:tc:opendocument:xmlns:drawing:1.0\""
    " xmlns:presentation=\"urn:oasis:names:tc:opendocument:xmlns:presentation:1.0\""
    " xmlns:style=\"urn:oasis:names:tc:opendocument:xmlns:style:1.0\""
    " xmlns:fo=\"urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0\""
    " xmlns:svg=\"urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0\""
    " xmlns:dc=\"http://purl.org/dc/elements/1.1/\""
    " xmlns:meta=\"urn:oasis:names:tc:opendocument:xmlns:meta:1.0\""
    " office:version=\"1.2\"";

std::string Meta(const std::string& what) {
  return "<office:meta><dc:title>" + what + " figures</dc:title><dc:subject>" + what +
         " subject</dc:subject><meta:initial-creator>Ann Smith</meta:initial-creator><meta:keyword>north</meta:keyword>"
         "</office:meta>";
}

std::string FlatDocument(const char* mime, const std::string& what, const std::string& body) {
  return std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<office:document") + kNamespaces +
         " office:mimetype=\"" + mime + "\">" + Meta(what) + "<office:body>" + body +
         "</office:body></office:document>\n";
}

std::string TextBody(const std::string& words) {
  std::string paragraphs;
  for (int i = 0; i < 12; ++i) paragraphs += "<text:p>" + words + " line " + std::to_string(i + 1) + "</text:p>";
  return "<office:text><text:h text:outline-level=\"1\">" + words + "</text:h>" + paragraphs + "</office:text>";
}

std::string SheetBody() {
  std::string rows;
  for (int r = 1; r <= 15; ++r)
    rows += "<table:table-row><table:table-cell office:value-type=\"string\"><text:p>Item " + std::to_string(r) +
            "</text:p></table:table-cell><table:table-cell office:value-type=\"float\" office:value=\"" +
            std::to_string(r * 12) + "\"><text:p>" + std::to_string(r * 12) +
            "</text:p></table:table-cell></table:table-row>";
  return "<office:spreadsheet><table:table table:name=\"Figures\">" + rows + "</table:table></office:spreadsheet>";
}

std::string SlideBody() {
  return "<office:presentation><draw:page draw:name=\"one\"><draw:frame svg:x=\"2cm\" svg:y=\"2cm\" "
         "svg:width=\"20cm\" svg:height=\"4cm\"><draw:text-box><text:p>Quarterly slide</text:p></draw:text-box>"
         "</draw:frame><draw:frame svg:x=\"2cm\" svg:y=\"8cm\" svg:width=\"20cm\" svg:height=\"5cm\"><draw:text-box>"
         "<text:p>North and south</text:p><text:p>East and west</text:p></draw:text-box></draw:frame></draw:page>"
         "</office:presentation>";
}

struct Kind {
  const char* app;
  const char* ext;
  const char* flatExt;
  const char* saveFormat;  // the Office format of the source made
  const char* ownPdf;      // the application's own PDF export
};
const Kind kWord{"MS Word", "docx", "fodt", "16", "17"};
const Kind kExcel{"MS Excel", "xlsx", "fods", "51", "57"};
const Kind kPowerPoint{"MS Powerpoint", "pptx", "fodp", "24", "32"};

class RealPdf : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    state_ = new State;
    State& s = *state_;
    ::unsetenv("QUILLET_AUTOMATION_REGISTRY");
    ::setenv("XDG_CONFIG_HOME", (s.dir / "config").c_str(), 1);
    ::setenv("QUILLET_OFFICE_PIPE", ("quillet-pdf-test-" + std::to_string(::getpid())).c_str(), 1);
    ::setenv("TMPDIR", s.temp.path().c_str(), 1);
    s.lib = std::make_unique<QuilletLibrary>(QUILLET_LIBRARY);
    s.docx = Make(kWord, "memo", FlatDocument("application/vnd.oasis.opendocument.text", "Memo", TextBody("Memo")));
    s.other = Make(kWord, "letter",
                   FlatDocument("application/vnd.oasis.opendocument.text", "Letter",
                                "<office:text><text:p>A</text:p></office:text>"));
    s.xlsx = Make(kExcel, "book", FlatDocument("application/vnd.oasis.opendocument.spreadsheet", "Book", SheetBody()));
    s.pptx =
        Make(kPowerPoint, "deck", FlatDocument("application/vnd.oasis.opendocument.presentation", "Deck", SlideBody()));
  }
  static void TearDownTestSuite() {
    delete state_;
    state_ = nullptr;
  }

  static std::string Make(const Kind& kind, const std::string& name, const std::string& flat) {
    const std::string flatFile = state_->dir / (name + "." + kind.flatExt);
    const std::string made = state_->dir / (name + "." + kind.ext);
    WriteFile(flatFile, flat);
    const auto r = state_->lib->ConvertSingleFile(flatFile, made, kind.saveFormat, kind.app);
    if (!r.ok) throw std::runtime_error("cannot make " + made + ": " + r.errorText);
    return made;
  }

  static QuilletLibrary::Outcome ToPdf(const std::string& src, const std::string& dest, const Kind& kind,
                                       const std::string& option = "") {
    return state_->lib->ConvertSingleFile(src, dest, "-1", std::string(kind.app) + " " + option);
  }

  // LibreOffice's own PDF of Src, through the application's PDF save format.
  static std::string OwnPdf(const std::string& src, const Kind& kind, const std::string& name) {
    const std::string pdf = state_->dir / (name + "-own.pdf");
    const auto r = state_->lib->ConvertSingleFile(src, pdf, kind.ownPdf, kind.app);
    if (!r.ok) throw std::runtime_error("no PDF of " + src + ": " + r.errorText);
    return pdf;
  }

  static double Compare(const std::string& a, const std::string& b) {
    return Difference(Content(Render(a, state_->dir / "a")), Content(Render(b, state_->dir / "b")));
  }

  static bool NoLeftovers(const std::string& dest) {
    for (const auto& e : fs::directory_iterator(state_->temp.path()))
      if (e.path().extension() == ".ps") return false;
    return !fs::exists(fs::path(dest).replace_extension(".log"));
  }

  struct State {
    TempDir dir;
    TempDir temp;
    std::unique_ptr<QuilletLibrary> lib;
    std::string docx, other, xlsx, pptx;
  };
  static State* state_;
};
RealPdf::State* RealPdf::state_ = nullptr;

TEST_F(RealPdf, WordDocumentsBecomePdfOnBothPathsWithTheirDocumentInformation) {
  const State& s = *state_;
  const std::string own = OwnPdf(s.docx, kWord, "memo"), unlike = OwnPdf(s.other, kWord, "letter");
  const std::string made = s.dir / "memo.pdf", distilled = s.dir / "memo-gs.pdf";
  auto r = ToPdf(s.docx, made, kWord);
  ASSERT_TRUE(r.ok) << r.errorText;
  r = ToPdf(s.docx, distilled, kWord, "USEGSDLL");
  ASSERT_TRUE(r.ok) << r.errorText;
  for (const std::string& pdf : {made, distilled}) {
    EXPECT_EQ(Info(pdf, "Pages"), "1") << pdf;
    EXPECT_LT(Compare(pdf, own), 0.12) << pdf;
    EXPECT_GT(Compare(pdf, unlike), 0.2) << pdf;
    EXPECT_TRUE(NoLeftovers(pdf));
  }
  EXPECT_EQ(Info(made, "Title"), "Memo figures");
  EXPECT_EQ(Info(made, "Subject"), "Memo subject");
  EXPECT_EQ(Info(made, "Author"), "Ann Smith");
  EXPECT_EQ(Info(made, "Keywords"), "north");
  // With Ghostscript none of the document's is written: what there is,
  // Ghostscript takes from the PostScript file's own comments (the job's
  // name and user).
  EXPECT_NE(Info(distilled, "Title"), "Memo figures");
  EXPECT_EQ(Info(distilled, "Subject"), "");
  EXPECT_NE(Info(distilled, "Author"), "Ann Smith");
  EXPECT_EQ(Info(distilled, "Keywords"), "");
}

TEST_F(RealPdf, OrientationTwoTurnsWordsPagesOnly) {
  const State& s = *state_;
  const std::string portrait = s.dir / "memo-portrait.pdf", landscape = s.dir / "memo-landscape.pdf";
  ASSERT_TRUE(ToPdf(s.docx, portrait, kWord, "USEGSDLL orientation:=1").ok);
  ASSERT_TRUE(ToPdf(s.docx, landscape, kWord, "USEGSDLL orientation:=2").ok);
  EXPECT_FALSE(Landscape(portrait));
  EXPECT_TRUE(Landscape(landscape));
  // Both keywords: the second wins.
  const std::string both = s.dir / "memo-both.pdf";
  ASSERT_TRUE(ToPdf(s.docx, both, kWord, "orientation:=2 orientation:=1").ok);
  EXPECT_TRUE(Landscape(both));
  const std::string book = s.dir / "book-orientation.pdf";
  ASSERT_TRUE(ToPdf(s.xlsx, book, kExcel, "USEGSDLL orientation:=2").ok);
  EXPECT_FALSE(Landscape(book));
}

TEST_F(RealPdf, WorkbooksAndPresentationsBecomePdf) {
  const State& s = *state_;
  const std::string bookOwn = OwnPdf(s.xlsx, kExcel, "book"), deckOwn = OwnPdf(s.pptx, kPowerPoint, "deck");
  const std::string unlike = OwnPdf(s.other, kWord, "letter");
  for (const char* option : {"", "USEGSDLL"}) {
    const std::string suffix = *option ? "-gs.pdf" : ".pdf";
    const std::string book = s.dir / ("book" + suffix), deck = s.dir / ("deck" + suffix);
    auto r = ToPdf(s.xlsx, book, kExcel, option);
    ASSERT_TRUE(r.ok) << r.errorText;
    r = ToPdf(s.pptx, deck, kPowerPoint, option);
    ASSERT_TRUE(r.ok) << r.errorText;
    EXPECT_LT(Compare(book, bookOwn), 0.12);
    EXPECT_GT(Compare(book, unlike), 0.2);
    EXPECT_LT(Compare(deck, deckOwn), 0.12);
    EXPECT_GT(Compare(deck, unlike), 0.2);
    EXPECT_TRUE(NoLeftovers(book));
    EXPECT_TRUE(NoLeftovers(deck));
    if (*option) {
      EXPECT_NE(Info(book, "Author"), "Ann Smith");
      EXPECT_NE(Info(deck, "Title"), "Deck figures");
      EXPECT_EQ(Info(deck, "Keywords"), "");
    } else {
      EXPECT_EQ(Info(book, "Author"), "Ann Smith");
      EXPECT_EQ(Info(book, "Title"), "Book figures");
      EXPECT_EQ(Info(deck, "Title"), "Deck figures");
      EXPECT_EQ(Info(deck, "Keywords"), "north");
    }
  }
}

TEST_F(RealPdf, ABrokenOrUnwritableDestinationFailsWithATextAndLeavesNothing) {
  const State& s = *state_;
  const std::string taken = s.dir / "taken.pdf";
  fs::create_directories(taken);
  auto r = ToPdf(s.docx, taken, kWord, "USEGSDLL");
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.errorText, "Can not init gsdll32.dll!");
  r = ToPdf(s.docx, taken, kWord);
  EXPECT_FALSE(r.ok);
  EXPECT_NE(r.errorText.find("Ghostscript could not make " + taken), std::string::npos) << r.errorText;
  EXPECT_TRUE(NoLeftovers(taken));
}

}  // namespace
}  // namespace quillet::test
