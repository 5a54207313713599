// The Ghostscript binding on Linux, where the interpreter is told that its
// arguments are UTF-8 and decodes them itself: a path that is not UTF-8 is
// refused before the library is even loaded.
#ifndef _WIN32

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "documents/gsdlllib/Ghostscript.h"

namespace quillet {
namespace {

TEST(GhostscriptPaths, APathThatIsNotUtf8IsNotHandedToTheInterpreter) {
  test::TempDir dir;
  const std::string in = dir / "in";
  std::filesystem::create_directories(in);
  test::WriteFile(in + "/a.ps", "%!PS-Adobe-3.0\nshowpage\n");
  // C0 AE C0 AE C0 AF: "../" to a lenient decoder, which would write
  // the PDF file beside "in" rather than in it.
  const std::string climb = "\xC0\xAE\xC0\xAE\xC0\xAF", shown = "\\xC0\\xAE\\xC0\\xAE\\xC0\\xAF";
  const Status pdf = PsToPdfByGhostscript(in + "/a.ps", in + "/" + climb + "a.pdf");
  EXPECT_EQ(pdf.code(), ErrorCode::InvalidText);
  EXPECT_EQ(pdf.message(), "The PDF file \"" + in + "/" + shown + "a.pdf\" is not valid UTF-8");
  const Status ps = PsToPdfByGhostscript(in + "/" + climb + "a.ps", in + "/a.pdf");
  EXPECT_EQ(ps.code(), ErrorCode::InvalidText);
  EXPECT_EQ(ps.message(), "The PostScript file \"" + in + "/" + shown + "a.ps\" is not valid UTF-8");
  EXPECT_FALSE(GhostscriptLoaded());
  std::vector<std::string> files;
  for (const auto& e : std::filesystem::recursive_directory_iterator(dir.path())) files.push_back(e.path());
  EXPECT_EQ(files, (std::vector<std::string>{in, in + "/a.ps"}));
}

}  // namespace
}  // namespace quillet

#endif
