#include <gtest/gtest.h>

#include "TestSupport.h"
#include "imaging/ImageSettings.h"
#include "platform/error.h"

namespace quillet {
namespace {

TEST(ImageSettings, DefaultsAskForTheSlideAsItIs) {
  const ImageSettings s;
  EXPECT_EQ(s.JpegWidth, -100);
  EXPECT_EQ(s.JpegHeight, -100);
  EXPECT_EQ(s.JpegQuality, 75);
  EXPECT_FALSE(s.JpegKeepAspect);
  EXPECT_EQ(s.GifWidth, -100);
  EXPECT_EQ(s.GifHeight, -100);
  EXPECT_FALSE(s.GifKeepAspect);
  EXPECT_EQ(ParseImageSettings(""), s);
  EXPECT_EQ(ParseImageSettings("MS Powerpoint USEGSDLL"), s);
}

TEST(ImageSettings, EveryKeywordAmongOtherOptions) {
  const ImageSettings s = ParseImageSettings(
      "MS Powerpoint JPEGWIDTH=640 JPEGHEIGHT=-50,JPEGQUALITY=90;JPEGKEEPASPECT\r\nGIFWIDTH=-25\tGIFHEIGHT=+480 "
      "GIFKEEPASPECT=1");
  EXPECT_EQ(s.JpegWidth, 640);
  EXPECT_EQ(s.JpegHeight, -50);
  EXPECT_EQ(s.JpegQuality, 90);
  EXPECT_TRUE(s.JpegKeepAspect);
  EXPECT_EQ(s.GifWidth, -25);
  EXPECT_EQ(s.GifHeight, 480);
  EXPECT_TRUE(s.GifKeepAspect);
}

TEST(ImageSettings, OnlyTheGivenKeywordsChangeTheBase) {
  ImageSettings base;
  base.JpegWidth = 800;
  base.GifKeepAspect = true;
  const ImageSettings s = ParseImageSettings("GIFKEEPASPECT=0 JPEGQUALITY=100", base);
  EXPECT_EQ(s.JpegWidth, 800);
  EXPECT_EQ(s.JpegQuality, 100);
  EXPECT_FALSE(s.GifKeepAspect);
  EXPECT_EQ(s.GifWidth, -100);
}

TEST(ImageSettings, KeywordsAreCaseSensitiveAndTheFirstCounts) {
  EXPECT_EQ(ParseImageSettings("jpegwidth=5 JpegQuality=abc"), ImageSettings{});
  EXPECT_EQ(ParseImageSettings("JPEGWIDTH=5 JPEGWIDTH=7").JpegWidth, 5);
}

TEST(ImageSettings, BadValuesRaise) {
  for (const char* option :
       {"JPEGWIDTH=", "JPEGWIDTH=abc", "JPEGWIDTH=12px", "JPEGWIDTH=0", "JPEGHEIGHT=-0", "GIFWIDTH=--5",
        "GIFHEIGHT=2147483648", "GIFHEIGHT=99999999999999999999", "JPEGQUALITY=0", "JPEGQUALITY=101", "JPEGQUALITY=-5",
        "JPEGKEEPASPECT=yes", "GIFKEEPASPECT=", "JPEGWIDTH= 5"}) {
    EXPECT_THROW(ParseImageSettings(option), Error) << option;
  }
  EXPECT_EQ(test::ErrorOf([] { ParseImageSettings("X JPEGQUALITY=500 Y"); }),
            "Invalid value '500' for JPEGQUALITY= (1 to 100)");
}

TEST(ImageSettings, ExtremeSizesAreAccepted) {
  const ImageSettings s = ParseImageSettings("JPEGWIDTH=-2147483648 GIFWIDTH=2147483647");
  EXPECT_EQ(s.JpegWidth, INT32_MIN);
  EXPECT_EQ(s.GifWidth, INT32_MAX);
}

}  // namespace
}  // namespace quillet
