#include <gtest/gtest.h>

#include "TestSupport.h"
#include "engine/OfficeConvert.h"
#include "platform/error.h"
#include "platform/fs.h"
#include "platform/path.h"

namespace quillet {
namespace {

class Validation : public ::testing::Test {
 protected:
  test::TempDir dir;
  TConvertBaseClass base;  // the validation step alone
  std::string error = "stale";
};

TEST_F(Validation, PassesWithExistingSourceAndDestinationFolder) {
  test::WriteFile(dir / "a.doc", "x");
  base.ConvertDocument(dir / "a.doc", dir / "a.txt", "2", "", error);
  EXPECT_EQ(error, "");
}

TEST_F(Validation, SourceMustBeAFile) {
  base.ConvertDocument(dir.path(), dir / "a.txt", "2", "", error);
  EXPECT_EQ(error, "Source file \"" + dir.path() + "\" do not exist");
}

TEST_F(Validation, OnlyTheSourceMessageWhenBothAreMissing) {
  const std::string src = dir / "missing.doc";
  base.ConvertDocument(src, dir / "nowhere" + std::string(1, path::kDelimiter) + "a.txt", "", "", error);
  EXPECT_EQ(error, "Source file \"" + src + "\" do not exist");
}

TEST_F(Validation, MissingDestinationFolderIsNamed) {
  test::WriteFile(dir / "a.doc", "x");
  const std::string destDir = dir / "nowhere";
  base.ConvertDocument(dir / "a.doc", destDir + path::kDelimiter + "a.txt", "", "", error);
  EXPECT_EQ(error, destDir + " directory do not exist");
}

TEST_F(Validation, DestinationWithoutFolderPartFails) {
  test::WriteFile(dir / "a.doc", "x");
  base.ConvertDocument(dir / "a.doc", "out.txt", "", "", error);
  EXPECT_EQ(error, " directory do not exist");
}

TEST_F(Validation, DestinationInTheRootFolderChecksTheRoot) {
  test::WriteFile(dir / "a.doc", "x");
#ifdef _WIN32
  const std::string dest = dir.path().substr(0, 3) + "out.txt";  // e.g. C:\out.txt checks C:\ .
#else
  const std::string dest = "/out.txt";
#endif
  base.ConvertDocument(dir / "a.doc", dest, "", "", error);
  EXPECT_EQ(error, "");
}

TEST(Converter, StartsEmptyAndIsDestroyedWithoutTouchingAnything) {
  test::MessageBoxRecorder boxes;
  {
    TOfficeConvertClass engine;
    EXPECT_TRUE(engine.sourceFormats().empty());
    EXPECT_TRUE(engine.destFormats().empty());
    std::string report = "unchanged";
    engine.TConvertBaseClass::ConvertFolderContents("x", "y", "", 0, "", report);
    EXPECT_EQ(report, "unchanged");
    std::string err, value;
    engine.GetField("unknown", "", err, value);
    EXPECT_EQ(err, "");
    EXPECT_EQ(value, "");
  }
  EXPECT_TRUE(boxes.boxes().empty());
}

TEST(Converter, PictureSettingsStartUsableAndRequestKeywordsDoNotStick) {
  TOfficeConvertClass engine;
  EXPECT_EQ(engine.Settings().Pictures.JpegWidth, -100);
  EXPECT_EQ(engine.Settings().Pictures.JpegHeight, -100);
  EXPECT_EQ(engine.Settings().Pictures.JpegQuality, 75);
  EXPECT_EQ(engine.Settings().Pictures.GifWidth, -100);
  engine.Settings().Pictures.GifKeepAspect = true;
  const ImageSettings s = engine.ImageSettingsFor("MS Powerpoint JPEGWIDTH=800 JPEGKEEPASPECT JPEGQUALITY=85");
  EXPECT_EQ(s.JpegWidth, 800);
  EXPECT_TRUE(s.JpegKeepAspect);
  EXPECT_EQ(s.JpegQuality, 85);
  EXPECT_EQ(s.JpegHeight, -100);
  EXPECT_TRUE(s.GifKeepAspect);  // taken from the converter's own field
  EXPECT_EQ(engine.Settings().Pictures.JpegWidth, -100);
  EXPECT_EQ(engine.Settings().Pictures.JpegQuality, 75);
  EXPECT_THROW(engine.ImageSettingsFor("JPEGQUALITY=500"), Error);
}

TEST(Converter, UnknownApplicationNameFailsWithoutMessage) {
  TOfficeConvertClass engine;
  std::string error = "kept";
  EXPECT_FALSE(engine.StartApplication("Word", error));
  EXPECT_FALSE(engine.StartApplication("ms word", error));
  EXPECT_EQ(error, "kept");
}

}  // namespace
}  // namespace quillet
