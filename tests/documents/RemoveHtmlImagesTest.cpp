#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "ImageTagReference.h"
#include "TestSupport.h"
#include "documents/RemoveHtmlImages.h"
#include "platform/fs.h"
#include "platform/path.h"
#include "utilities/TextLines.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace quillet {
namespace {

using test::MessageBoxRecorder;
using test::TempDir;

std::string Join(const std::string& folder, const std::string& name) {
  return path::IncludeTrailingDelimiter(folder) + name;
}

// A page as a word processor saves it, LF line ends, with its supporting
// folder holding the pictures and a nested folder.
const char* const kPage =
    "<html>\n"
    "<body>\n"
    "<p>One<IMG SRC=\"page.files/image001.gif\" width=10>two</p>\n"
    "<p><img src=page.files/image002.jpg></p>\n"
    "<v:shape id=\"_x0000_i1025\"><v:imagedata src=\"page.files/image003.png\" o:title=\"\"/>\n"
    "</v:imagedata></v:shape>\n"
    "<img\nsrc=kept.gif>\n"
    "</body>\n"
    "</html>";
const char* const kStripped =
    "<html>\r\n"
    "<body>\r\n"
    "<p>Onetwo</p>\r\n"
    "<p></p>\r\n"
    "<v:shape id=\"_x0000_i1025\">\r\n"
    "</v:imagedata></v:shape>\r\n"
    "<img\r\nsrc=kept.gif>\r\n"
    "</body>\r\n"
    "</html>\r\n";

std::string MakeSupportFolder(const TempDir& dir, const std::string& name) {
  const std::string folder = dir / name;
  os::ForceDirectories(Join(folder, "themes"));
  test::WriteFile(Join(folder, "image001.gif"), "GIF89a");
  test::WriteFile(Join(folder, "filelist.xml"), "<xml/>");
  test::WriteFile(Join(Join(folder, "themes"), "theme.css"), "p{}");
  return folder;
}

TEST(RemoveHtmlImages, DeletesTheFolderAndStripsTheImageTags) {
  TempDir dir;
  const std::string page = dir / "page.htm";
  test::WriteFile(page, kPage);
  const std::string folder = MakeSupportFolder(dir, "page.files");

  MessageBoxRecorder boxes;
  std::string error = "left over";
  RemoveHtmlImages(page, error);
  EXPECT_EQ(error, "");
  EXPECT_FALSE(os::DirectoryExists(folder));
  EXPECT_EQ(test::ReadFile(page), kStripped);
  EXPECT_TRUE(boxes.boxes().empty());
}

TEST(RemoveHtmlImages, GivesWhatTheTokenizerWalkGives) {
  // Loading, stripping and saving as one pass must agree with the tag-by-tag
  // walk over the loaded text.
  TempDir dir;
  const std::string page = dir / "walk.html";
  const std::string content = std::string(kPage) + "\r<a <img>>\r\n<IMG\t>x<img src=1 <b>>y<img";
  test::WriteFile(page, content);
  std::string error;
  RemoveHtmlImages(page, error);
  EXPECT_EQ(error, "");
  EXPECT_EQ(test::ReadFile(page),
            JoinLinesCrLf(SplitLines(test::StripImageTagsByParser(JoinLinesCrLf(SplitLines(content))))));
}

TEST(RemoveHtmlImages, WithoutASupportingFolderStillStrips) {
  TempDir dir;
  const std::string page = dir / "alone.htm";
  test::WriteFile(page, kPage);
  MessageBoxRecorder boxes;
  std::string error;
  RemoveHtmlImages(page, error);
  EXPECT_EQ(error, "");
  EXPECT_EQ(test::ReadFile(page), kStripped);
  EXPECT_TRUE(boxes.boxes().empty());
}

TEST(RemoveHtmlImages, AnExtensionInCapitalsIsAWebPageToo) {
  TempDir dir;
  for (const char* name : {"PAGE.HTM", "Page.Html"}) {
    const std::string page = dir / name;
    test::WriteFile(page, kPage);
    const std::string folder = MakeSupportFolder(dir, path::ChangeFileExt(name, ".files"));
    std::string error;
    RemoveHtmlImages(page, error);
    EXPECT_EQ(error, "") << name;
    EXPECT_FALSE(os::DirectoryExists(folder)) << name;
    // Its tags pointed into the folder that is gone.
    EXPECT_EQ(test::ReadFile(page), kStripped) << name;
  }
}

TEST(RemoveHtmlImages, AFolderThatStaysIsShownAndReportedAndThePageIsStillStripped) {
  TempDir dir;
  const std::string page = dir / "page.htm";
  test::WriteFile(page, kPage);
  const std::string folder = MakeSupportFolder(dir, "page.files");
  // A dotted subfolder is never walked into, so the folder cannot be removed.
  os::ForceDirectories(Join(folder, ".keep"));
  MessageBoxRecorder boxes;
  std::string error;
  RemoveHtmlImages(page, error);
  EXPECT_EQ(error, "Cannot remove folder " + folder);
  EXPECT_EQ(boxes.boxes().size(), 1u);
  EXPECT_TRUE(os::DirectoryExists(Join(folder, ".keep")));
  EXPECT_EQ(test::ReadFile(page), kStripped);
}

TEST(RemoveHtmlImages, AnUnreadablePageIsReported) {
  TempDir dir;
  const std::string page = dir / "missing.htm";
  std::string error = "left over";
  RemoveHtmlImages(page, error);
  EXPECT_EQ(error, "Cannot open file " + page);
  EXPECT_FALSE(os::FileExists(page));

  // A folder of that name cannot be read as a page either.
  const std::string folderPage = dir / "folder.htm";
  os::ForceDirectories(folderPage);
  RemoveHtmlImages(folderPage, error);
  EXPECT_EQ(error, "Cannot open file " + folderPage);
}

#ifndef _WIN32
TEST(RemoveHtmlImages, APageThatCannotBeRewrittenIsReported) {
  // The kernel's version text reads like any file but refuses every write,
  // even root's.
  TempDir dir;
  const std::string page = dir / "version.htm";
  std::filesystem::create_symlink("/proc/version", page);
  std::string error;
  RemoveHtmlImages(page, error);
  EXPECT_EQ(error, "Cannot create file " + page);
}

TEST(RemoveHtmlImages, AFolderThatCannotBeEnteredEndsTheWork) {
  if (::geteuid() == 0) GTEST_SKIP() << "root enters every folder";
  TempDir dir;
  const std::string page = dir / "page.htm";
  test::WriteFile(page, kPage);
  const std::string sealed = Join(MakeSupportFolder(dir, "page.files"), "sealed");
  os::ForceDirectories(sealed);
  ASSERT_EQ(::chmod(sealed.c_str(), 0), 0);
  std::string error;
  RemoveHtmlImages(page, error);
  ::chmod(sealed.c_str(), 0700);
  EXPECT_EQ(error.rfind("Cannot enter folder ", 0), 0u) << error;
  EXPECT_EQ(test::ReadFile(page), kPage);
}
#endif

}  // namespace
}  // namespace quillet
