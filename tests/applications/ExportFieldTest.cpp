// The format lists through the exported C entry point of the built library,
// the way a program in any language asks for them, and the library's unload
// giving Word back.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "DoubleControl.h"
#include "QuilletLibrary.h"
#include "WordFormatLists.h"

namespace quillet {
namespace {

using doubles::App;
using Lines = std::vector<std::string>;

TEST(ExportedField, DestinationListThroughTheCEntryPoint) {
  doubles::Doubles d;
  {
    test::QuilletLibrary lib(QUILLET_LIBRARY);
    char error[1024] = "x";
    // First the length, then the text.
    const int32_t len = lib.GetFieldValueRaw("destformatlist", nullptr, nullptr, 0, error);
    const std::string expected = test::kWordDestList;
    EXPECT_EQ(len, static_cast<int32_t>(expected.size()));
    EXPECT_STREQ(error, "");
    std::string value(static_cast<size_t>(len) + 1, '#');
    EXPECT_EQ(lib.GetFieldValueRaw("destformatlist", "", value.data(), len, error), len);
    EXPECT_EQ(value.c_str(), expected);
    EXPECT_EQ(d.Calls(App::Word).front(), "Word.Visible put False");
    const size_t calls = d.Calls(App::Word).size();
    // Unloading the library destroys the converter, which quits the Word it made.
    lib.Unload();
    const Lines after = d.Calls(App::Word);
    ASSERT_EQ(after.size(), calls + 1);
    EXPECT_EQ(after.back(), "Word.Quit method");
  }
  EXPECT_TRUE(d.WaitForServersToExit());
  EXPECT_EQ(d.LiveObjects(App::Word), Lines{});
}

TEST(ExportedField, WordMissingComesBackAsTheErrorText) {
  doubles::Doubles d;
  d.Unregister("Word.Application");
  test::QuilletLibrary lib(QUILLET_LIBRARY);
  char error[1024] = "x";
  char value[16] = "untouched";
  EXPECT_EQ(lib.GetFieldValueRaw("sourceformatlist", "", value, 0, error), 0);
  EXPECT_STREQ(error, "Can not load Microsoft Word, you must install Microsoft Word first, please try again!");
  EXPECT_STREQ(value, "untouched");
}

}  // namespace
}  // namespace quillet
