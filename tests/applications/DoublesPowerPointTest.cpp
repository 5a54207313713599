// The PowerPoint double: slides, shapes and their texts as scripted, the
// presentation's title, and what SaveAs writes as pictures and as a web page.
#include <gtest/gtest.h>

#include "DoublesFixture.h"
#include "imaging/BmpReader.h"
#include "platform/fs.h"
#include "platform/path.h"

namespace quillet {
namespace {

using ole::Variant;
using test::ErrorOf;

class PowerPointDouble : public test::DoublesFixture {
 protected:
  std::string In(const std::string& folder, const std::string& name) {
    return path::IncludeTrailingDelimiter(folder) + name;
  }
};

TEST_F(PowerPointDouble, SlidesHoldTheScriptedShapesAndTexts) {
  d.Script(App::PowerPoint,
           "Slide=text:Quarterly figures;picture;empty\n"
           "Slide=\n"
           "Slide=text:First line\\rSecond line\n");
  Variant slides = Open(App::PowerPoint, "c.ppt").Get("Slides");
  EXPECT_EQ(slides.Get("Count").AsInteger(), 3);
  Variant shapes = slides.Get("Items", {1}).Get("Shapes");
  EXPECT_EQ(shapes.Get("Count").AsInteger(), 3);

  Variant title = shapes.Get("Item", {1});
  EXPECT_EQ(title.Get("HasTextFrame").AsInteger(), -1);
  EXPECT_EQ(title.Get("TextFrame").Get("HasText").AsInteger(), -1);
  EXPECT_EQ(title.Get("TextFrame").Get("TextRange").Get("Text").AsString(), "Quarterly figures");
  Variant picture = shapes.Get("Item", {2});
  EXPECT_EQ(picture.Get("HasTextFrame").AsInteger(), 0);
  EXPECT_EQ(ErrorOf([&] { picture.Get("TextFrame"); }), "This type of shape cannot have a text frame.");
  Variant empty = shapes.Get("Item", {3});
  EXPECT_EQ(empty.Get("HasTextFrame").AsInteger(), -1);
  EXPECT_EQ(empty.Get("TextFrame").Get("HasText").AsInteger(), 0);
  EXPECT_EQ(ErrorOf([&] { shapes.Get("Item", {4}); }), "The requested member of the collection does not exist.");

  EXPECT_EQ(slides.Get("Items", {2}).Get("Shapes").Get("Count").AsInteger(), 0);
  // Item and Items fetch the same slide; a CR in the script's text is one character.
  EXPECT_EQ(
      slides.Get("Item", {3}).Get("Shapes").Get("Item", {1}).Get("TextFrame").Get("TextRange").Get("Text").AsString(),
      "First line\rSecond line");
  EXPECT_EQ(ErrorOf([&] { slides.Get("Items", {4}); }), "The requested member of the collection does not exist.");

  const Lines calls = d.Calls(App::PowerPoint);
  for (const char* line : {"PowerPoint.Presentation(c.ppt).Slides.Items get 1",
                           "PowerPoint.Presentation(c.ppt).Slides(1).Shapes.Item get 1",
                           "PowerPoint.Presentation(c.ppt).Slides(1).Shapes(1).TextFrame.TextRange.Text get"})
    EXPECT_NE(std::find(calls.begin(), calls.end(), line), calls.end()) << line;
}

TEST_F(PowerPointDouble, PresentationWithoutSlidesAndItsTitle) {
  d.Script(App::PowerPoint, "Title=Sales\n");
  Variant deck = Open(App::PowerPoint, "c.ppt");
  EXPECT_EQ(deck.Get("Slides").Get("Count").AsInteger(), 0);
  EXPECT_EQ(deck.CallOrGet("BuiltInDocumentProperties", {"title"}).Get("value").AsString(), "Sales");
  deck.CallOrGet("BuiltInDocumentProperties", {"title"}).Put("value", "c.ppt");
  EXPECT_EQ(deck.CallOrGet("BuiltInDocumentProperties", {"Title"}).Get("Value").AsString(), "c.ppt");
  deck.Call("SaveAs", {}, {{"FileName", files / "c.pps"}, {"FileFormat", 1}});
  EXPECT_EQ(test::ReadFile(files / "c.pps"), "PowerPoint saved " + (files / "c.ppt") + " as format 1\r\n");
  // Without slides the picture formats make an empty image folder.
  deck.Call("SaveAs", {}, {{"FileName", files / "none.jpg"}, {"FileFormat", 17}});
  EXPECT_TRUE(os::DirectoryExists(files / "none"));
  EXPECT_FALSE(os::FileExists(In(files / "none", "Slide1.bmp")));
}

TEST_F(PowerPointDouble, PictureFormatsWriteOneBitmapPerSlideAndNoDestination) {
  d.Script(App::PowerPoint, "Slide=text:a\nSlide=picture\nSlide=\nSlideSize=6x3\nBadSlideImage=2\n");
  Variant deck = Open(App::PowerPoint, "deck.ppt");
  for (int format : {16, 17}) {
    SCOPED_TRACE(format);
    const std::string dest = files / ("deck" + std::to_string(format) + ".img");
    const std::string folder = files / ("deck" + std::to_string(format));
    deck.Call("SaveAs", {}, {{"FileName", dest}, {"FileFormat", format}});
    EXPECT_FALSE(os::FileExists(dest));
    // Slide N is one colour: red 40N, green 30 + 90N, blue 255 - 20N (mod 256).
    for (int n : {1, 3}) {
      const imaging::Bitmap picture = imaging::LoadBmpFile(In(folder, "Slide" + std::to_string(n) + ".bmp"));
      ASSERT_EQ(picture.Width(), 6);
      ASSERT_EQ(picture.Height(), 3);
      const uint8_t bgr[3] = {static_cast<uint8_t>(255 - 20 * n), static_cast<uint8_t>(30 + 90 * n),
                              static_cast<uint8_t>(40 * n)};
      for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 6; ++x)
          for (int c = 0; c < 3; ++c) ASSERT_EQ(picture.Row(y)[x * 3 + c], bgr[c]) << n << " " << x << "," << y;
    }
    const std::string bad = In(folder, "Slide2.bmp");
    EXPECT_TRUE(os::FileExists(bad));
    EXPECT_EQ(ErrorOf([&] { imaging::LoadBmpFile(bad); }), bad + " is not a BMP file");
    EXPECT_FALSE(os::FileExists(In(folder, "Slide4.bmp")));
  }
}

TEST_F(PowerPointDouble, WebPageHasAFileListAndOnePagePerSlide) {
  d.Script(App::PowerPoint, "Slide=text:Plans & <goals>;picture;text:Two\\rlines\nSlide=empty\n");
  const std::string dest = files / "deck.htm", folder = files / "deck.files";
  Open(App::PowerPoint, "deck.ppt").Call("SaveAs", {}, {{"FileName", dest}, {"FileFormat", 12}});
  EXPECT_EQ(LinesOf(In(folder, "filelist.xml")),
            (Lines{"<xml xmlns:o=\"urn:schemas-microsoft-com:office:office\">", " <o:MainFile HRef=\"../deck.htm\"/>",
                   " <o:File HRef=\"slide0001.htm\"/>", " <o:File HRef=\"slide0002.htm\"/>", "</xml>"}));
  EXPECT_NE(test::ReadFile(dest).find("deck.files/slide0001.htm"), std::string::npos);

  const Lines first = LinesOf(In(folder, "slide0001.htm"));
  const auto table = std::find(first.begin(), first.end(), "<table border=0 cellpadding=0 cellspacing=0>");
  const auto end = std::find(first.begin(), first.end(), "</table>");
  ASSERT_LT(table, end);
  const Lines cells(table + 1, end);
  EXPECT_EQ(cells, (Lines{" <tr>", "  <td>Plans &amp; &lt;goals&gt;</td>", " </tr>", " <tr>", "  <td>Two<br>lines</td>",
                          " </tr>"}));
  const Lines second = LinesOf(In(folder, "slide0002.htm"));
  const auto table2 = std::find(second.begin(), second.end(), "<table border=0 cellpadding=0 cellspacing=0>");
  ASSERT_NE(table2, second.end());
  EXPECT_EQ(*(table2 + 1), "</table>");  // a slide without texts: an empty table
}

}  // namespace
}  // namespace quillet
