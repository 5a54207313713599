// Presentations through the PowerPoint stand-in and LibreOffice Impress.
#include <gtest/gtest.h>

#include <filesystem>

#include "OfficeTestSupport.h"
#include "imaging/BmpReader.h"

namespace quillet {
namespace {

using test::ReadFile;

class PowerPoint : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new test::TempDir;
    pptx_ = new std::string(
        test::MakePresentation(*dir_, "deck",
                               test::FlatPresentation({{{"First slide title"}, {"Line one", "Line two"}},
                                                       {{"Second slide"}, {}},
                                                       {{"Third \xe2\x82\xac slide"}}})));
  }
  static void TearDownTestSuite() {
    delete pptx_;
    delete dir_;
  }
  static std::string Path(const std::string& name) { return *dir_ / name; }
  static test::TempDir* dir_;
  static std::string* pptx_;
};
test::TempDir* PowerPoint::dir_ = nullptr;
std::string* PowerPoint::pptx_ = nullptr;

// The walk of the converter's slide-text routine.
std::vector<std::string> SlideTexts(const ole::Variant& deck) {
  std::vector<std::string> texts;
  const ole::Variant slides = deck.Get("Slides");
  const int n = slides.Get("Count").AsInteger();
  for (int i = 1; i <= n; ++i) {
    const ole::Variant shapes = slides.Get("Items", {i}).Get("Shapes");
    const int m = shapes.Get("Count").AsInteger();
    for (int j = 1; j <= m; ++j) {
      const ole::Variant shape = shapes.Get("Item", {j});
      if (!shape.Get("HasTextFrame").AsBoolean()) continue;
      if (!shape.Get("TextFrame").Get("HasText").AsBoolean()) continue;
      texts.push_back(shape.Get("TextFrame").Get("TextRange").Get("Text").AsString());
    }
  }
  return texts;
}

TEST_F(PowerPoint, SlideTextComesInOrder) {
  const ole::Variant deck = test::OpenPresentation(*pptx_);
  EXPECT_EQ(SlideTexts(deck), (std::vector<std::string>{"First slide title", "Line one\rLine two", "Second slide",
                                                        "Third \xe2\x82\xac slide"}));
  // The empty box of the second slide has a frame and no text.
  const ole::Variant empty = deck.Get("Slides").Get("Items", {2}).Get("Shapes").Get("Item", {2});
  EXPECT_TRUE(empty.Get("HasTextFrame").AsBoolean());
  EXPECT_FALSE(empty.Get("TextFrame").Get("HasText").AsBoolean());
  EXPECT_EQ(test::ErrorOf([&] { deck.Get("Slides").Get("Items", {4}); }),
            "The index into the specified collection is out of bounds.");
  deck.Call("Close");
}

TEST_F(PowerPoint, JpegFormatWritesOneBitmapPerSlide) {
  const ole::Variant deck = test::OpenPresentation(*pptx_);
  test::SaveAs(deck, Path("deck.jpg"), 17);
  deck.Call("Close");
  EXPECT_FALSE(std::filesystem::exists(Path("deck.jpg")));
  EXPECT_EQ(test::FilesIn(Path("deck")), (std::vector<std::string>{"Slide1.bmp", "Slide2.bmp", "Slide3.bmp"}));
  // Read by the converter's own reader: the slide's size at 96 dots per inch
  // (LibreOffice's default slide is 28 cm by 15.75 cm).
  const imaging::Bitmap slide = imaging::LoadBmpFile(Path("deck/Slide1.bmp"));
  EXPECT_EQ(slide.Width(), 1058);
  EXPECT_EQ(slide.Height(), 595);
  EXPECT_EQ(test::ReadFile(Path("deck/Slide1.bmp")).size(), 54 + size_t(1058 * 3 + 2) * 595);
}

TEST_F(PowerPoint, WebPageHasOnePagePerSlide) {
  const ole::Variant deck = test::OpenPresentation(*pptx_);
  deck.CallOrGet("BuiltInDocumentProperties", {"title"}).Put("value", "deck.pptx");
  test::SaveAs(deck, Path("deck.htm"), 12);
  test::SaveAs(deck, Path("deck.pdf"), 32);
  test::SaveAs(deck, Path("deck.ppt"), 1);
  deck.Call("Close");
  const std::string list = ReadFile(Path("deck.files/filelist.xml"));
  for (const char* page : {"slide0001.htm", "slide0002.htm", "slide0003.htm"})
    EXPECT_NE(list.find(std::string("<o:File HRef=\"") + page + "\"/>"), std::string::npos) << list;
  const std::string second = ReadFile(Path("deck.files/slide0002.htm"));
  EXPECT_NE(second.find("Second slide"), std::string::npos);
  EXPECT_LT(second.find("<table"), second.find("Second slide"));
  EXPECT_GT(second.rfind("</table>"), second.find("Second slide"));
  EXPECT_TRUE(std::filesystem::exists(Path("deck.files/slide0002.png")));
  EXPECT_NE(ReadFile(Path("deck.htm")).find("Line one<br>Line two"), std::string::npos);
  EXPECT_EQ(ReadFile(Path("deck.pdf")).substr(0, 5), "%PDF-");
  const ole::Variant ppt = test::OpenPresentation(Path("deck.ppt"));
  EXPECT_EQ(ppt.CallOrGet("BuiltInDocumentProperties", {"title"}).Get("value").AsString(), "deck.pptx");
  EXPECT_EQ(SlideTexts(ppt).size(), 4u);
  ppt.Call("Close");
}

}  // namespace
}  // namespace quillet
