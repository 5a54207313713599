// PowerPoint presentations through ConvertSingleFile: the open without a
// window, the text of the slides, the slide-picture passes with their log,
// and the merge of the slide pages.
#include <filesystem>

#include "ConversionFixture.h"
#include "ImageTestUtil.h"
#include "platform/fs.h"
#include "platform/path.h"

namespace quillet::test {
namespace {

using PowerPointConversion = ConversionTest;

const std::string kSep(1, path::kDelimiter);

TEST_F(PowerPointConversion, APresentationIsOpenedWithoutAWindowTitledSavedAndClosed) {
  const std::string src = File("deck.ppt"), dest = dir / "deck.pptx";
  ASSERT_TRUE(lib.ConvertSingleFile(src, dest, "24", "MS Powerpoint").ok);
  const std::string doc = "PowerPoint.Presentation(deck.ppt)";
  // A PowerPoint that the converter created is left as it starts: no Visible,
  // no WindowState.
  EXPECT_EQ(Calls(App::PowerPoint),
            (Lines{
                "PowerPoint.Presentations method|get",
                "PowerPoint.Presentations.Open method FileName:=\"" + src + "\", WithWindow:=False, ReadOnly:=True",
                doc + ".BuiltInDocumentProperties get \"title\"",
                doc + ".BuiltInDocumentProperties(title).value get",
                doc + ".BuiltInDocumentProperties get \"title\"",
                doc + ".BuiltInDocumentProperties(title).value put \"deck.ppt\"",
                doc + ".SaveAs method FileName:=\"" + dest + "\", FileFormat:=24",
                doc + ".Close method",
            }));
}

TEST_F(PowerPointConversion, TheTextOfTheSlidesIsWrittenShapeByShape) {
  d.Script(App::PowerPoint,
           "Slide=text:Title;picture;empty\n"
           "Slide=\n"
           "Slide=text:First line\\rsecond line;text:Notes\n");
  const std::string dest = dir / "deck.txt";
  const auto r = lib.ConvertSingleFile(File("deck.ppt"), dest, "9999", "MS Powerpoint");
  ASSERT_TRUE(r.ok) << r.errorText;
  // One entry per shape that holds text, its own line breaks kept.
  EXPECT_EQ(ReadFile(dest), "Title\r\nFirst line\rsecond line\r\nNotes\r\n");
  // Slides come through Items, shapes through Item; a picture's text frame is
  // never asked for, a frame without text is asked for once.
  const std::string slides = "PowerPoint.Presentation(deck.ppt).Slides";
  EXPECT_EQ(CallsWith(App::PowerPoint, "Slides(1).Shapes(2)"), Lines{slides + "(1).Shapes(2).HasTextFrame get"});
  EXPECT_EQ(CallsWith(App::PowerPoint, "Slides(1).Shapes(3)"),
            (Lines{slides + "(1).Shapes(3).HasTextFrame get", slides + "(1).Shapes(3).TextFrame get",
                   slides + "(1).Shapes(3).TextFrame.HasText get"}));
  EXPECT_EQ(CallsWith(App::PowerPoint, ".Items"),
            (Lines{slides + ".Items get 1", slides + ".Items get 2", slides + ".Items get 3"}));
  EXPECT_EQ(Calls(App::PowerPoint).back(), "PowerPoint.Presentation(deck.ppt).Close method");
}

TEST_F(PowerPointConversion, APresentationWithoutSlidesGivesAnEmptyText) {
  File("deck.txt", "old");
  ASSERT_TRUE(lib.ConvertSingleFile(File("deck.ppt"), dir / "deck.txt", "9999", "MS Powerpoint").ok);
  EXPECT_TRUE(os::FileExists(dir / "deck.txt"));
  EXPECT_EQ(ReadFile(dir / "deck.txt"), "");
}

TEST_F(PowerPointConversion, AFailedTextWalkKeepsItsTextAfterTheCloseAndTheCleanUp) {
  d.Script(App::PowerPoint,
           "Slide=text:A\nFail=PowerPoint.Presentation(deck.ppt).Slides(1).Shapes.Count|Shapes are busy.\n");
  // The walk fails without raising: the presentation is still closed once and
  // the post-steps run; the image clean-up does not wipe out the failure.
  const auto r = lib.ConvertSingleFile(File("deck.ppt"), dir / "deck.txt", "9999", "MS Powerpoint NOCREATEIMAGEDIR");
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.errorText, "Shapes are busy.");
  EXPECT_EQ(CallsWith(App::PowerPoint, "Close"), Lines{"PowerPoint.Presentation(deck.ppt).Close method"});
  EXPECT_FALSE(os::FileExists(dir / "deck.txt"));
}

TEST_F(PowerPointConversion, SlidePicturesBecomeJpegFilesOfTheRequestedSizeWithALogLine) {
  d.Script(App::PowerPoint, "Slide=text:A\nSlide=text:B\nSlide=text:C\nSlideSize=80x60\n");
  const std::string src = File("deck.ppt"), dest = dir / "deck.jpg", folder = dir / "deck";
  const auto r = lib.ConvertSingleFile(src, dest, "17", "MS Powerpoint JPEGWIDTH=40 JPEGKEEPASPECT JPEGQUALITY=90");
  ASSERT_TRUE(r.ok) << r.errorText;
  for (int n = 1; n <= 3; ++n) {
    const std::string base = folder + kSep + "Slide" + std::to_string(n);
    EXPECT_FALSE(os::FileExists(base + ".bmp"));
    const Image jpeg = DecodeJpeg(base + ".jpg");
    EXPECT_EQ(jpeg.width, 40);
    EXPECT_EQ(jpeg.height, 30);
    // Slide n is one plain colour: red 40n, green 30 + 90n, blue 255 - 20n.
    const Rgb c = jpeg.at(20, 15);
    EXPECT_NEAR(c.r, (40 * n) % 256, 6);
    EXPECT_NEAR(c.g, (30 + 90 * n) % 256, 6);
    EXPECT_NEAR(c.b, (255 - 20 * n) % 256, 6);
  }
  const std::string log = ReadFile(folder + kSep + "deck.log");
  ASSERT_GE(log.size(), 2u);
  EXPECT_TRUE(IsTimeStamped(log.substr(0, log.size() - 2), "        successfully convert " + src + " to " + dest))
      << log;
  // A second conversion replaces the log: it never holds more than one line.
  ASSERT_TRUE(lib.ConvertSingleFile(src, dest, "17", "MS Powerpoint").ok);
  EXPECT_EQ(ReportLines(ReadFile(folder + kSep + "deck.log")).size(), 2u);  // the line and the empty rest
  // Without picture keywords the pictures keep the slide's own size.
  EXPECT_EQ(DecodeJpeg(folder + kSep + "Slide1.jpg").width, 80);
}

TEST_F(PowerPointConversion, SlidePicturesBecomeGifFilesOnTheFixedPalette) {
  d.Script(App::PowerPoint, "Slide=text:A\nSlide=text:B\nSlideSize=30x20\n");
  ASSERT_TRUE(lib.ConvertSingleFile(File("deck.ppt"), dir / "deck.gif", "16", "MS Powerpoint GIFWIDTH=-50").ok);
  const GifContents gif = DecodeGif(dir / "deck" + kSep + "Slide2.gif");
  EXPECT_EQ(gif.width, 15);
  EXPECT_EQ(gif.height, 20);
  ASSERT_FALSE(gif.indexes.empty());
  // Slide 2: (80, 210, 215) maps to the levels (80+3)/51, (210+3)/51, (215+3)/51.
  EXPECT_EQ(gif.indexes[0], 36 * 1 + 6 * 4 + 4);
  EXPECT_FALSE(os::FileExists(dir / "deck" + kSep + "Slide1.bmp"));
  // "16" writes no log.
  EXPECT_FALSE(os::FileExists(dir / "deck" + kSep + "deck.log"));
}

TEST_F(PowerPointConversion, ABitmapThatCannotBeReadStopsThePassWhereItIs) {
  d.Script(App::PowerPoint, "Slide=text:A\nSlide=text:B\nSlide=text:C\nBadSlideImage=2\n");
  const std::string src = File("deck.ppt"), dest = dir / "deck.jpg", folder = dir / "deck" + kSep;
  const auto r = lib.ConvertSingleFile(src, dest, "17", "MS Powerpoint");
  EXPECT_FALSE(r.ok);
  EXPECT_NE(r.errorText.find(folder + "Slide2.bmp"), std::string::npos) << r.errorText;
  // The first was converted and deleted; the failing one and the rest stay.
  EXPECT_TRUE(os::FileExists(folder + "Slide1.jpg"));
  EXPECT_FALSE(os::FileExists(folder + "Slide1.bmp"));
  EXPECT_TRUE(os::FileExists(folder + "Slide2.bmp"));
  EXPECT_TRUE(os::FileExists(folder + "Slide3.bmp"));
  EXPECT_FALSE(os::FileExists(folder + "Slide3.jpg"));
  // The presentation was closed before the pass and is not closed again.
  EXPECT_EQ(CallsWith(App::PowerPoint, "Close").size(), 1u);
  const Lines log = ReportLines(ReadFile(folder + "deck.log"));
  ASSERT_FALSE(log.empty());
  EXPECT_TRUE(
      IsTimeStamped(log[0], "        can not convert " + src + " to " + dest + ", Error Reason is " + r.errorText))
      << log[0];
}

TEST_F(PowerPointConversion, AFailedOpenOfASlidePictureConversionIsLogged) {
  d.Script(App::PowerPoint, "FailOpen=deck.ppt|PowerPoint could not open the file.\n");
  const std::string src = File("deck.ppt"), folder = dir / "deck";
  // A text conversion writes no log.
  EXPECT_EQ(lib.ConvertSingleFile(src, dir / "deck.txt", "9999", "MS Powerpoint").errorText,
            "PowerPoint could not open the file.");
  EXPECT_FALSE(os::DirectoryExists(folder));
  // A picture conversion does, making the image folder for it.
  const auto r = lib.ConvertSingleFile(src, dir / "deck.jpg", "17", "MS Powerpoint");
  EXPECT_EQ(r.errorText, "PowerPoint could not open the file.");
  const Lines log = ReportLines(ReadFile(folder + kSep + "deck.log"));
  ASSERT_FALSE(log.empty());
  EXPECT_TRUE(IsTimeStamped(log[0], "        can not convert " + src + " to " + (dir / "deck.jpg") +
                                        ", Error Reason is PowerPoint could not open the file."))
      << log[0];
}

TEST_F(PowerPointConversion, AMalformedPictureKeywordFailsBeforeAnythingIsSaved) {
  d.Script(App::PowerPoint, "Slide=text:A\n");
  const auto r = lib.ConvertSingleFile(File("deck.ppt"), dir / "deck.jpg", "17", "MS Powerpoint JPEGQUALITY=500");
  EXPECT_EQ(r.errorText, "Invalid value '500' for JPEGQUALITY= (1 to 100)");
  EXPECT_EQ(CallsWith(App::PowerPoint, "SaveAs"), Lines{});
  EXPECT_EQ(CallsWith(App::PowerPoint, "Close").size(), 1u);
}

TEST_F(PowerPointConversion, TheSlidePagesOfAWebPageSaveAreMerged) {
  d.Script(App::PowerPoint, "Slide=text:Hello\nSlide=text:World\n");
  const std::string dest = dir / "deck.htm";
  ASSERT_TRUE(lib.ConvertSingleFile(File("deck.ppt"), dest, "12", "MS Powerpoint MERGEHTML").ok);
  const std::string page = ReadFile(dest);
  EXPECT_EQ(page.rfind("<html><head>\r\n", 0), 0u) << page;
  const size_t hello = page.find("Hello"), world = page.find("World");
  ASSERT_NE(hello, std::string::npos) << page;
  ASSERT_NE(world, std::string::npos) << page;
  EXPECT_LT(hello, world);
  EXPECT_EQ(page.substr(page.size() - 16), "</body></html>\r\n");
  EXPECT_EQ(page.find("<frameset"), std::string::npos);
}

}  // namespace
}  // namespace quillet::test
