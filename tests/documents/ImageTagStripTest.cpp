#include <gtest/gtest.h>

#include <array>
#include <random>
#include <string>
#include <string_view>

#include "ImageTagReference.h"
#include "documents/ImageTagStrip.h"

namespace quillet {
namespace {

using test::StripImageTagsByParser;

// Control characters made visible, so that a failing page can be read.
std::string Visible(std::string_view s) {
  std::string r;
  for (const char c : s) {
    if (c == '\r')
      r += "\\r";
    else if (c == '\n')
      r += "\\n";
    else if (c == '\t')
      r += "\\t";
    else
      r += c;
  }
  return r;
}

std::string Stripped(std::string page) {
  StripImageTags(page);
  return page;
}

// Both ways of removing the tags, and the expected text where there is one.
void ExpectStripped(const std::string& page, const std::string& expected) {
  EXPECT_EQ(Stripped(page), expected) << "page: " << Visible(page);
  EXPECT_EQ(StripImageTagsByParser(page), expected) << "page: " << Visible(page);
}

TEST(StripImageTags, RemovesImageTagsInEitherCaseAndKeepsEverythingElse) {
  ExpectStripped("<p>a<IMG SRC=a.gif>b<img src=a.gif>c</p>", "<p>abc</p>");
  ExpectStripped("<v:shape><v:imagedata src=\"x.png\" o:title=\"\"/></v:imagedata></v:shape>",
                 "<v:shape></v:imagedata></v:shape>");
  ExpectStripped("<V:ImageData src='x.png'/><iMg src=b>", "");
  // Closing tags, longer or shorter names and names with other characters stay.
  ExpectStripped("</img><imgx><im><img/><v:image><v:imagedatax>", "</img><imgx><im><img/><v:image><v:imagedatax>");
  ExpectStripped("", "");
  ExpectStripped("no tags at all", "no tags at all");
}

TEST(StripImageTags, NameIsTheTextUpToTheFirstBlankTrimmedOfControls) {
  // A line break right after the name makes the whole inner text the name.
  ExpectStripped("a<img\r\nsrc=x>b", "a<img\r\nsrc=x>b");
  // Control characters around the name are trimmed away...
  ExpectStripped("a<img\r\n>b<\timg src=x>c<\r\nIMG\t>d", "abcd");
  // ...but a leading blank leaves an empty name.
  ExpectStripped("a< img src=x>b", "a< img src=x>b");
}

TEST(StripImageTags, TagsEndAtTheFirstGreaterThanAndMayNest) {
  // ">" inside a quoted value ends the tag; the rest is text.
  ExpectStripped("<img alt='x>y'>z", "y'>z");
  // A stray ">" in the text is text.
  ExpectStripped("a>b<img>c>d", "a>bc>d");
  // The search goes on inside a tag that stays, so an image tag within it goes...
  ExpectStripped("<a <img>>x", "<a >x");
  ExpectStripped("<<img>>", "<>");
  ExpectStripped("<a title='<img src=1>'>", "<a title=''>");
  // ...while a removed tag takes whatever it holds with it.
  ExpectStripped("<img <b>>x", ">x");
  ExpectStripped("<img><img><IMG>x<img>", "x");
}

TEST(StripImageTags, UnterminatedTagEndsTheWork) {
  ExpectStripped("x<img", "x<img");
  ExpectStripped("<img>x<b <img src=1", "x<b <img src=1");
  ExpectStripped("<img>x<", "x<");
  ExpectStripped("<img>", "");
  ExpectStripped(">>><img", ">>><img");
}

// Random pages from pieces rich in what the walk reacts to.
std::string RandomPage(std::mt19937& rng, size_t maxPieces) {
  static constexpr std::array<std::string_view, 25> pieces = {
      "<",    "<",       "<",           ">",           ">",
      ">",    " ",       " ",           "\r\n",        "\n",
      "\r",   "\t",      "img",         "IMG",         "iMg",
      "<img", "<IMG ",   "v:imagedata", "V:ImageData", "/v:imagedata",
      "a",    "src='x'", "\"",          "'",           "<v:imagedata "};
  std::uniform_int_distribution<size_t> count(0, maxPieces), pick(0, pieces.size() - 1);
  std::string page;
  for (size_t n = count(rng); n > 0; --n) page += pieces[pick(rng)];
  return page;
}

TEST(StripImageTags, GivesTheTokenizersResultOnRandomPages) {
  std::mt19937 rng(20240607);
  int removedSome = 0;
  for (int i = 0; i < 5000; ++i) {
    const std::string page = RandomPage(rng, i < 4800 ? 40 : 600);
    const std::string expected = StripImageTagsByParser(page);
    ASSERT_EQ(Stripped(page), expected) << "page " << i << ": " << Visible(page);
    if (expected != page) ++removedSome;
  }
  // The pages are to exercise removal, not only the walk past kept tags.
  EXPECT_GT(removedSome, 2000);
}

}  // namespace
}  // namespace quillet
