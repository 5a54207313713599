#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "HTMLParser/HTMLParser.h"
#include "TestSupport.h"
#include "platform/error.h"
#include "platform/path.h"

namespace quillet {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

StringList ParamsOf(const TTag& tag) { return tag.Params.Strings(); }

TEST(TagSplit, QuotedValuesKeepTheirBlanksAndQuotes) {
  TTag tag;
  tag.SetFromText("img src='a b.gif' width=3");
  EXPECT_EQ(tag.Name, "img");
  EXPECT_THAT(ParamsOf(tag), ElementsAre("src='a b.gif'", "width=3"));

  tag.SetFromText("img src=\"a b.gif\" width=3");
  EXPECT_THAT(ParamsOf(tag), ElementsAre("src=\"a b.gif\"", "width=3"));

  // The other kind of quote inside a value does not count.
  tag.SetFromText("a title='say \"hi there\" now' x=\"it's mine\" y");
  EXPECT_THAT(ParamsOf(tag), ElementsAre("title='say \"hi there\" now'", "x=\"it's mine\"", "y"));

  // A closing quote ends the parameter even without a blank after it.
  tag.SetFromText("a b='1'c d");
  EXPECT_THAT(ParamsOf(tag), ElementsAre("b='1'", "c", "d"));

  // An unclosed quote takes the rest of the text.
  tag.SetFromText("a b='1 c d");
  EXPECT_THAT(ParamsOf(tag), ElementsAre("b='1 c d"));
}

TEST(TagSplit, NameEndsAtTheFirstBlankOnly) {
  TTag tag;
  tag.SetFromText("v:imagedata src='x.png' o:title=''/");
  EXPECT_EQ(tag.Name, "v:imagedata");
  EXPECT_THAT(ParamsOf(tag), ElementsAre("src='x.png'", "o:title=''", "/"));

  tag.SetFromText("p   align=left   ");
  EXPECT_EQ(tag.Name, "p");
  EXPECT_THAT(ParamsOf(tag), ElementsAre("align=left"));

  tag.SetFromText("img\nsrc=x");
  EXPECT_EQ(tag.Name, "img\nsrc=x");
  EXPECT_THAT(ParamsOf(tag), IsEmpty());

  tag.SetFromText("img\tsrc=x a\t\r\nb");
  EXPECT_EQ(tag.Name, "img\tsrc=x");
  EXPECT_THAT(ParamsOf(tag), ElementsAre("a\t\r\nb"));

  tag.SetFromText(" x");
  EXPECT_EQ(tag.Name, "");
  EXPECT_THAT(ParamsOf(tag), ElementsAre("x"));

  tag.SetFromText("");
  EXPECT_EQ(tag.Name, "");
  EXPECT_THAT(ParamsOf(tag), IsEmpty());
}

TEST(TagSplit, UpperNameAndAsString) {
  TTag tag;
  tag.SetFromText("v:imageData\xe9   src='a  b'  /");
  EXPECT_EQ(tag.UpperName(), "V:IMAGEDATA\xe9");
  EXPECT_EQ(tag.AsString(), "v:imageData\xe9 src='a  b' /");
}

TEST(Params, EveryChangeNotifiesTheTagOnceAndBadIndexesRaise) {
  TTag tag;
  int changes = 0;
  tag.OnChange = [&] { ++changes; };
  tag.Params.Add("a=1");
  tag.Params.Add("c=3");
  tag.Params.Insert(1, "b=2");
  tag.Params.Insert(3, "d=4");
  EXPECT_EQ(changes, 4);
  EXPECT_THAT(ParamsOf(tag), ElementsAre("a=1", "b=2", "c=3", "d=4"));
  tag.Params.Set(0, "a=0");
  tag.Params.Delete(3);
  EXPECT_EQ(changes, 6);
  EXPECT_EQ(tag.Params.Count(), 3);
  EXPECT_EQ(tag.Params[0], "a=0");

  // A bad index raises and changes nothing.
  EXPECT_THROW(tag.Params.Delete(3), Error);
  EXPECT_THROW(tag.Params.Set(-1, "x"), Error);
  EXPECT_THROW(tag.Params.Insert(4, "x"), Error);
  EXPECT_EQ(test::ErrorOf([&] { (void)tag.Params[5]; }), "List index out of bounds (5)");
  EXPECT_EQ(changes, 6);
  EXPECT_EQ(tag.Params.Count(), 3);

  tag.Params.Clear();
  tag.Params.Clear();  // already empty: no change
  EXPECT_EQ(changes, 7);
}

// Every step of a walk: found flag, tag text (from Text) or "-", and TextBetween.
struct Step {
  bool found;
  std::string tag, between;
  bool operator==(const Step&) const = default;
};
void PrintTo(const Step& s, std::ostream* os) { *os << s.found << " [" << s.tag << "] [" << s.between << "]"; }

Step NextStep(THtmlParser& p) {
  const bool found = p.NextTag();
  std::string tag = "-";
  if (found) tag = p.Text().substr(static_cast<size_t>(p.TagStart() - 1), static_cast<size_t>(p.TagLength()));
  return {found, tag, p.TextBetween()};
}

std::vector<Step> Walk(const std::string& text) {
  THtmlParser p;
  p.SetText(text);
  std::vector<Step> steps;
  for (int i = 0; i < 100; ++i) {
    steps.push_back(NextStep(p));
    if (!steps.back().found) break;
  }
  return steps;
}

TEST(Stepping, TextRunsLieBetweenTags) {
  EXPECT_THAT(Walk("a<b>cd</b>e"),
              ElementsAre(Step{true, "<b>", "a"}, Step{true, "</b>", "cd"}, Step{false, "-", "e"}));
  EXPECT_THAT(Walk("<p><i>"), ElementsAre(Step{true, "<p>", ""}, Step{true, "<i>", ""}, Step{false, "-", ""}));
  // The stray "x>" before the first tag is never delivered.
  EXPECT_THAT(Walk("x>y<a>"), ElementsAre(Step{true, "<a>", "y"}, Step{false, "-", ""}));
  EXPECT_THAT(Walk("no tags here"), ElementsAre(Step{false, "-", "no tags here"}));
}

TEST(Stepping, ATagEndsAtTheFirstGreaterThan) {
  THtmlParser p;
  p.SetText("<a title='x>y'>");
  ASSERT_TRUE(p.NextTag());
  EXPECT_EQ(p.CurrentTag()->Name, "a");
  EXPECT_THAT(ParamsOf(*p.CurrentTag()), ElementsAre("title='x"));
  EXPECT_EQ(p.TagLength(), 12);
  EXPECT_FALSE(p.NextTag());
  EXPECT_EQ(p.TextBetween(), "y'>");

  p.SetText("<!-- a > b -->");
  ASSERT_TRUE(p.NextTag());
  EXPECT_EQ(p.CurrentTag()->Name, "!--");
  EXPECT_THAT(ParamsOf(*p.CurrentTag()), ElementsAre("a"));
  EXPECT_EQ(p.TagLength(), 8);
  EXPECT_FALSE(p.NextTag());
  EXPECT_EQ(p.TextBetween(), " b -->");
}

TEST(Stepping, NextStepStartsInsideTheTagJustFound) {
  THtmlParser p;
  p.SetText("<a <b>c");
  ASSERT_TRUE(p.NextTag());
  EXPECT_EQ(p.TagStart(), 1);
  EXPECT_EQ(p.TagLength(), 6);
  EXPECT_EQ(p.CurrentTag()->Name, "a");
  EXPECT_THAT(ParamsOf(*p.CurrentTag()), ElementsAre("<b"));

  ASSERT_TRUE(p.NextTag());
  EXPECT_EQ(p.TagStart(), 4);
  EXPECT_EQ(p.CurrentTag()->Name, "b");
  EXPECT_EQ(p.TextBetween(), "a ");
  EXPECT_EQ(p.TextStart(), 2);

  EXPECT_FALSE(p.NextTag());
  EXPECT_EQ(p.TextBetween(), "c");
  EXPECT_EQ(p.TextStart(), 7);
}

TEST(Stepping, UnclosedTagEndsTheWalkForGood) {
  THtmlParser p;
  p.SetText("a<b>c<d");
  ASSERT_TRUE(p.NextTag());
  EXPECT_FALSE(p.NextTag());
  EXPECT_EQ(p.TextBetween(), "c<d");
  EXPECT_EQ(p.CurrentTag(), nullptr);
  EXPECT_EQ(p.Position(), 7);
  for (int i = 0; i < 3; ++i) {
    EXPECT_FALSE(p.NextTag());
    EXPECT_EQ(p.Position(), 7);
  }
  EXPECT_EQ(p.Text(), "a<b>c<d");
}

TEST(Stepping, TakingTheTextStartsOverEmpty) {
  THtmlParser p;
  p.SetText("a<b>c");
  ASSERT_TRUE(p.NextTag());
  EXPECT_EQ(p.TakeText(), "a<b>c");
  EXPECT_EQ(p.Text(), "");
  EXPECT_EQ(p.Position(), 0);
  EXPECT_EQ(p.CurrentTag(), nullptr);
  EXPECT_FALSE(p.NextTag());
}

TEST(Stepping, EmptyTextAndResets) {
  THtmlParser p;
  EXPECT_EQ(p.Position(), 0);
  EXPECT_FALSE(p.NextTag());
  EXPECT_EQ(p.Position(), 0);
  EXPECT_EQ(p.CurrentTag(), nullptr);

  p.SetText("<a x=1>t<b>");
  ASSERT_TRUE(p.NextTag());
  ASSERT_TRUE(p.NextTag());
  TTag* tag = p.CurrentTag();
  ASSERT_NE(tag, nullptr);
  p.Reset();
  // Without a current tag the tag object is empty.
  EXPECT_EQ(p.CurrentTag(), nullptr);
  EXPECT_EQ(tag->Name, "");
  EXPECT_EQ(tag->Params.Count(), 0);
  EXPECT_EQ(p.TextBetween(), "");
  EXPECT_EQ(p.TagStart(), 0);
  // The walk starts over, and the same tag object is handed out.
  ASSERT_TRUE(p.NextTag());
  EXPECT_EQ(p.CurrentTag(), tag);
  EXPECT_EQ(tag->Name, "a");
  EXPECT_THAT(ParamsOf(*tag), ElementsAre("x=1"));
}

TEST(Removing, EveryTagGoesAndNoCharacterIsSkipped) {
  THtmlParser p;
  p.SetText("<b>x</b>");
  StringList names;
  while (p.NextTag()) {
    names.push_back(p.CurrentTag()->Name);
    p.RemoveTag();
    EXPECT_EQ(p.CurrentTag(), nullptr);
    EXPECT_EQ(p.TextBetween(), "");
  }
  EXPECT_THAT(names, ElementsAre("b", "/b"));
  EXPECT_EQ(p.Text(), "x");

  // Adjacent tags: the one right behind a removed tag is found next.
  p.SetText("<b><i>x</i></b>y");
  names.clear();
  while (p.NextTag()) {
    names.push_back(p.CurrentTag()->Name);
    p.RemoveTag();
  }
  EXPECT_THAT(names, ElementsAre("b", "i", "/i", "/b"));
  EXPECT_EQ(p.Text(), "xy");

  // Only some removed, as the image clean-up does.
  p.SetText("<p>a<img src=1><IMG src=2>b<v:imagedata src=x/></v:imagedata></p>");
  while (p.NextTag()) {
    const std::string name = p.CurrentTag()->UpperName();
    if (name == "IMG" || name == "V:IMAGEDATA") p.RemoveTag();
  }
  EXPECT_EQ(p.Text(), "<p>ab</v:imagedata></p>");

  p.SetText("<a>");
  ASSERT_TRUE(p.NextTag());
  p.RemoveTag();
  p.RemoveTag();  // nothing left to remove
  EXPECT_EQ(p.Text(), "");
  EXPECT_FALSE(p.NextTag());
}

TEST(WriteBack, ParamEditsRebuildTheTagInTheText) {
  THtmlParser p;
  p.SetText("a<img  src='a b.gif'\r\n  width=3 >z<br>");
  ASSERT_TRUE(p.NextTag());
  TTag* tag = p.CurrentTag();
  // Stepping alone writes nothing back.
  EXPECT_EQ(p.Text(), "a<img  src='a b.gif'\r\n  width=3 >z<br>");

  tag->Params.Set(1, "width=4");
  EXPECT_EQ(p.Text(), "a<img src='a b.gif' width=4>z<br>");
  EXPECT_EQ(p.TagLength(), 27);
  tag->Params.Add("alt=\"\"");
  EXPECT_EQ(p.Text(), "a<img src='a b.gif' width=4 alt=\"\">z<br>");
  tag->Params.Delete(0);
  EXPECT_EQ(p.Text(), "a<img width=4 alt=\"\">z<br>");
  tag->Params.Insert(0, "id=1");
  EXPECT_EQ(p.Text(), "a<img id=1 width=4 alt=\"\">z<br>");
  tag->Params.Clear();
  EXPECT_EQ(p.Text(), "a<img>z<br>");
  EXPECT_EQ(p.TagLength(), 5);

  // The walk goes on behind the rebuilt tag.
  ASSERT_TRUE(p.NextTag());
  EXPECT_EQ(p.CurrentTag()->Name, "br");
  EXPECT_EQ(p.TextBetween(), "z");
}

TEST(WriteBack, EditsWithoutACurrentTagTouchNothing) {
  THtmlParser p;
  p.SetText("<a x=1>t");
  ASSERT_TRUE(p.NextTag());
  TTag* tag = p.CurrentTag();
  p.RemoveTag();
  tag->Params.Add("y=2");
  EXPECT_EQ(p.Text(), "t");

  EXPECT_FALSE(p.NextTag());
  tag->Params.Add("z=3");
  EXPECT_EQ(p.Text(), "t");
}

TEST(Files, LoadAndSaveNormaliseLineEnds) {
  test::TempDir tmp;
  const std::string in = tmp / "in.htm", out = tmp / "out.htm";
  test::WriteFile(in, "<p>a\nb\rc\r\n\r\nd");
  THtmlParser p;
  p.LoadFromFile(in);
  EXPECT_EQ(p.Text(), "<p>a\r\nb\r\nc\r\n\r\nd\r\n");
  EXPECT_EQ(p.Position(), 0);
  p.SaveToFile(out);
  EXPECT_EQ(test::ReadFile(out), "<p>a\r\nb\r\nc\r\n\r\nd\r\n");

  // Reading stops at a NUL character.
  test::WriteFile(in, std::string("<b>x\0<i>y", 9));
  p.LoadFromFile(in);
  EXPECT_EQ(p.Text(), "<b>x\r\n");

  // Edits made while stepping reach the saved file.
  ASSERT_TRUE(p.NextTag());
  p.RemoveTag();
  p.SaveToFile(out);
  EXPECT_EQ(test::ReadFile(out), "x\r\n");
}

TEST(Files, FailuresRaiseAndLeaveTheParserAsItWas) {
  test::TempDir tmp;
  THtmlParser p;
  p.SetText("q<a>b");
  ASSERT_TRUE(p.NextTag());

  const std::string missing = tmp / "missing.htm";
  EXPECT_EQ(test::ErrorOf([&] { p.LoadFromFile(missing); }), "Cannot open file " + missing);
  EXPECT_EQ(p.Text(), "q<a>b");
  EXPECT_EQ(p.Position(), 2);
  ASSERT_NE(p.CurrentTag(), nullptr);
  EXPECT_EQ(p.TextBetween(), "q");

  const std::string unwritable = path::IncludeTrailingDelimiter(tmp / "no-folder") + "out.htm";
  EXPECT_EQ(test::ErrorOf([&] { p.SaveToFile(unwritable); }), "Cannot create file " + unwritable);
}

}  // namespace
}  // namespace quillet
