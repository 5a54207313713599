// The Word double's document members that the conversion reads and changes:
// hyperlinks, inline shapes and their link formats, characters, encodings,
// revision marks, built-in properties and the file SaveAs leaves behind.
#include <gtest/gtest.h>

#include <algorithm>

#include "DoublesFixture.h"
#include "platform/path.h"

namespace quillet {
namespace {

using ole::Variant;
using test::ErrorOf;

constexpr const char* kNoSuchItem = "The requested member of the collection does not exist.";

class WordDouble : public test::DoublesFixture {};

TEST_F(WordDouble, HyperlinksAnswerWhatWasPutAndEachDocumentHasItsOwn) {
  d.Script(App::Word, "Hyperlink=C:\\docs\\Report.DOC|Annual report\nHyperlink=http://example.com/|Example\n");
  Variant doc = Open(App::Word, "a.doc");
  Variant links = doc.CallOrGet("Hyperlinks");
  EXPECT_EQ(links.Get("Count").AsInteger(), 2);
  EXPECT_EQ(links.CallOrGet("Item", {2}).Get("Address").AsString(), "http://example.com/");
  EXPECT_EQ(links.CallOrGet("Item", {2}).Get("TextToDisplay").AsString(), "Example");
  EXPECT_EQ(links.CallOrGet("Item", {1}).Get("TextToDisplay").AsString(), "Annual report");
  EXPECT_EQ(ErrorOf([&] { links.CallOrGet("Item", {3}); }), kNoSuchItem);
  EXPECT_EQ(ErrorOf([&] { links.CallOrGet("Item", {0}); }), kNoSuchItem);

  doc.CallOrGet("Hyperlinks").CallOrGet("item", {1}).Put("address", "C:\\docs\\Report.htm");
  doc.CallOrGet("Hyperlinks").CallOrGet("item", {1}).Put("TextToDisplay", "C:\\docs\\Report.htm");
  Variant first = doc.CallOrGet("Hyperlinks").CallOrGet("Item", {1});
  EXPECT_EQ(first.Get("Address").AsString(), "C:\\docs\\Report.htm");
  EXPECT_EQ(first.Get("TextToDisplay").AsString(), "C:\\docs\\Report.htm");
  EXPECT_EQ(links.CallOrGet("Item", {2}).Get("Address").AsString(), "http://example.com/");  // untouched

  Variant other = Open(App::Word, "b.doc");
  EXPECT_EQ(other.CallOrGet("Hyperlinks").CallOrGet("Item", {1}).Get("Address").AsString(), "C:\\docs\\Report.DOC");
  const Lines calls = d.Calls(App::Word);
  EXPECT_NE(
      std::find(calls.begin(), calls.end(), "Word.Document(a.doc).Hyperlinks(1).address put \"C:\\docs\\Report.htm\""),
      calls.end());
}

TEST_F(WordDouble, LinkedPicturesAreEmbeddedThroughTheirLinkFormat) {
  d.Script(App::Word, "InlineShape=4\nInlineShape=3\n");
  Variant shapes = Open(App::Word, "page.htm").CallOrGet("InlineShapes");
  EXPECT_EQ(shapes.Get("Count").AsInteger(), 2);
  EXPECT_EQ(shapes.CallOrGet("Item", {1}).Get("Type").AsInteger(), 4);
  EXPECT_EQ(shapes.CallOrGet("Item", {2}).Get("Type").AsInteger(), 3);
  EXPECT_EQ(ErrorOf([&] { shapes.CallOrGet("Item", {3}); }), kNoSuchItem);

  Variant link = shapes.CallOrGet("Item", {1}).Get("LinkFormat");
  EXPECT_FALSE(link.Get("SavePictureWithDocument").AsBoolean());
  EXPECT_FALSE(link.Get("Locked").AsBoolean());
  link.Put("SavePictureWithDocument", true);
  link.Put("Locked", true);
  link.Call("BreakLink");
  // A link format fetched afresh sees what was put; the other shape's does not.
  Variant again = shapes.CallOrGet("Item", {1}).Get("LinkFormat");
  EXPECT_TRUE(again.Get("SavePictureWithDocument").AsBoolean());
  EXPECT_TRUE(again.Get("Locked").AsBoolean());
  EXPECT_FALSE(shapes.CallOrGet("Item", {2}).Get("LinkFormat").Get("Locked").AsBoolean());
  EXPECT_EQ(ErrorOf([&] { link.Get("BreakLink"); }), ole::OleErrorText(static_cast<int32_t>(0x80020003u)));

  const Lines calls = d.Calls(App::Word);
  for (const char* line : {"Word.Document(page.htm).InlineShapes(1).LinkFormat.SavePictureWithDocument put True",
                           "Word.Document(page.htm).InlineShapes(1).LinkFormat.Locked put True",
                           "Word.Document(page.htm).InlineShapes(1).LinkFormat.BreakLink method"})
    EXPECT_NE(std::find(calls.begin(), calls.end(), line), calls.end()) << line;
}

TEST_F(WordDouble, CharactersEncodingsAndRevisionsStartAsWordsDefaults) {
  Variant doc = Open(App::Word, "a.doc");
  EXPECT_EQ(doc.CallOrGet("InlineShapes").Get("Count").AsInteger(), 0);
  EXPECT_EQ(doc.CallOrGet("Hyperlinks").Get("Count").AsInteger(), 0);
  Variant chars = doc.CallOrGet("Characters");
  EXPECT_EQ(chars.Get("Count").AsInteger(), 100);
  EXPECT_EQ(chars.CallOrGet("Item", {1}).Get("LanguageIDFarEast").AsInteger(), 1033);
  EXPECT_EQ(chars.CallOrGet("Item", {100}).Get("LanguageIDFarEast").AsInteger(), 1033);
  EXPECT_EQ(ErrorOf([&] { chars.CallOrGet("Item", {101}); }), kNoSuchItem);
  EXPECT_EQ(doc.Get("OpenEncoding").AsInteger(), 1252);
  EXPECT_EQ(doc.Get("SaveEncoding").AsInteger(), 1252);
  EXPECT_EQ(ErrorOf([&] { doc.Put("OpenEncoding", 936); }), ole::OleErrorText(static_cast<int32_t>(0x80020003u)));
  doc.Put("SaveEncoding", 936);
  EXPECT_EQ(doc.Get("SaveEncoding").AsInteger(), 936);
  EXPECT_EQ(doc.Get("OpenEncoding").AsInteger(), 1252);
  for (const char* member : {"TrackRevisions", "PrintRevisions", "ShowRevisions"}) {
    SCOPED_TRACE(member);
    EXPECT_EQ(doc.Get(member), Variant(false));
    doc.Put(member, true);
    EXPECT_EQ(doc.Get(member), Variant(true));
  }
  // Each document starts afresh.
  EXPECT_EQ(Open(App::Word, "b.doc").Get("TrackRevisions"), Variant(false));
}

TEST_F(WordDouble, ScriptedCharactersAndOpenEncoding) {
  d.Script(App::Word, "Characters=3|2052\nOpenEncoding=65001\n");
  Variant doc = Open(App::Word, "a.doc");
  Variant chars = doc.CallOrGet("Characters");
  EXPECT_EQ(chars.Get("Count").AsInteger(), 3);
  EXPECT_EQ(chars.CallOrGet("Item", {3}).Get("LanguageIDFarEast").AsInteger(), 2052);
  EXPECT_EQ(ErrorOf([&] { chars.CallOrGet("Item", {4}); }), kNoSuchItem);
  EXPECT_EQ(doc.Get("OpenEncoding").AsInteger(), 65001);
  EXPECT_EQ(doc.Get("SaveEncoding").AsInteger(), 65001);
}

TEST_F(WordDouble, EmptyDocumentHasNoCharacters) {
  d.Script(App::Word, "Characters=0|1033\n");
  Variant chars = Open(App::Word, "empty.doc").CallOrGet("Characters");
  EXPECT_EQ(chars.Get("Count").AsInteger(), 0);
  EXPECT_EQ(ErrorOf([&] { chars.CallOrGet("Item", {1}); }), kNoSuchItem);
}

TEST_F(WordDouble, BuiltInPropertiesAreNamedWithoutRegardToCase) {
  d.Script(App::Word, "Title=Memo\n");
  Variant doc = Open(App::Word, "a.doc");
  auto property = [&](const char* name) { return doc.CallOrGet("BuiltInDocumentProperties", {name}); };
  EXPECT_EQ(property("title").Get("value").AsString(), "Memo");
  property("title").Put("value", "memo.doc");
  EXPECT_EQ(property("TITLE").Get("Value").AsString(), "memo.doc");
  EXPECT_EQ(property("Subject").Get("Value").AsString(), "");
  property("Author").Put("Value", "Ann");
  EXPECT_EQ(property("author").Get("Value").AsString(), "Ann");
  EXPECT_EQ(property("Title").Get("Value").AsString(), "memo.doc");
  EXPECT_EQ(Open(App::Word, "b.doc").CallOrGet("BuiltInDocumentProperties", {"Title"}).Get("Value").AsString(), "Memo");
  const Lines calls = d.Calls(App::Word);
  EXPECT_NE(std::find(calls.begin(), calls.end(),
                      "Word.Document(a.doc).BuiltInDocumentProperties(title).value put \"memo.doc\""),
            calls.end());
}

TEST_F(WordDouble, SaveAsNamesTheSourceTheFormatAndAnEncodingPassed) {
  Variant doc = Open(App::Word, "a.doc");
  const std::string src = files / "a.doc";
  doc.Call("SaveAs", {}, {{"FileName", files / "a.txt"}, {"FileFormat", 7}, {"Encoding", 936}});
  EXPECT_EQ(test::ReadFile(files / "a.txt"), "Word saved " + src + " as format 7 encoding 936\r\n");
  doc.Call("SaveAs", {files / "b.doc", 0});
  EXPECT_EQ(test::ReadFile(files / "b.doc"), "Word saved " + src + " as format 0\r\n");
  EXPECT_EQ(ErrorOf([&] { doc.Call("SaveAs", {}, {{"FileFormat", 0}}); }), "A file name is needed.");
  const std::string nowhere = files / "missing" + std::string(1, path::kDelimiter) + "c.doc";
  EXPECT_EQ(ErrorOf([&] { doc.Call("SaveAs", {nowhere}); }), "The file could not be saved: " + nowhere);
}

}  // namespace
}  // namespace quillet
