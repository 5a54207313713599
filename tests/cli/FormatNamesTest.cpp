// The command line's format names and how a request is made of them: the
// number of the source's application, and its keyword in the option text.
#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <stdexcept>

#include "FormatNames.h"
#include "Request.h"

namespace quillet::cli {
namespace {

int Number(const std::string& name, App app) { return ResolveFormat(name, app).format; }

TEST(FormatNames, ANameIsTheNumberOfEachApplication) {
  // PDF through each application's own export.
  EXPECT_EQ(Number("pdf", App::Word), 17);
  EXPECT_EQ(Number("pdf", App::Excel), 57);
  EXPECT_EQ(Number("PDF", App::PowerPoint), 32);
  EXPECT_EQ(Number("txt", App::Word), 2);
  EXPECT_EQ(Number("txt", App::PowerPoint), 9999);
  EXPECT_EQ(Number("text", App::PowerPoint), 9999);
  EXPECT_EQ(Number("unicode", App::Word), 7);
  EXPECT_EQ(Number("html", App::Excel), 44);
  EXPECT_EQ(Number("htm", App::PowerPoint), 12);
  EXPECT_EQ(Number("csv", App::Excel), 6);
  EXPECT_EQ(Number("jpg", App::PowerPoint), 17);
  EXPECT_EQ(Number("gif", App::PowerPoint), 16);
  EXPECT_EQ(Number("docx", App::Word), 16);
  EXPECT_EQ(Number("xlsx", App::Excel), 51);
  EXPECT_EQ(Number("pptx", App::PowerPoint), 24);
  EXPECT_EQ(ResolveFormat("jpg", App::PowerPoint).extension, ".jpg");
  EXPECT_EQ(ResolveFormat("html", App::Word).extension, ".html");
}

TEST(FormatNames, NumbersPassAsTheyAreAndUnknownNamesAreRefused) {
  EXPECT_EQ(ResolveFormat("17", App::PowerPoint).format, 17);
  EXPECT_EQ(ResolveFormat("17", App::PowerPoint).extension, ".jpg");
  EXPECT_EQ(ResolveFormat("-3", App::Word).extension, ".txt");
  EXPECT_EQ(ResolveFormat("4242", App::Word).extension, "");  // passed on; the application decides
  try {
    ResolveFormat("csv", App::Word);
    FAIL() << "no error";
  } catch (const std::invalid_argument& e) {
    EXPECT_STREQ(e.what(), "Word has no format csv");
  }
  EXPECT_THROW(ResolveFormat("nope", App::Word), std::invalid_argument);
  EXPECT_THROW(ResolveFormat("-", App::Word), std::invalid_argument);
}

TEST(FormatNames, TheDestinationsExtensionNamesTheFormat) {
  EXPECT_EQ(FormatOfDestination("out/a.pdf", App::Excel)->format, 57);
  EXPECT_EQ(FormatOfDestination("a.TXT", App::PowerPoint)->format, 9999);
  EXPECT_EQ(FormatOfDestination("a.htm", App::Word)->format, 8);
  EXPECT_EQ(FormatOfDestination("a.jpeg", App::PowerPoint)->format, 17);
  EXPECT_FALSE(FormatOfDestination("a.csv", App::Word));
  EXPECT_FALSE(FormatOfDestination("no-extension", App::Word));
  EXPECT_FALSE(FormatOfDestination("dir.d/file", App::Word));
}

TEST(FormatNames, TheSourcesExtensionNamesTheApplication) {
  for (const char* f : {"a.xls", "a.XLSX", "a.ods", "a.csv"}) EXPECT_EQ(AppOfSource(f), App::Excel) << f;
  for (const char* f : {"a.ppt", "a.pptx", "a.odp"}) EXPECT_EQ(AppOfSource(f), App::PowerPoint) << f;
  for (const char* f : {"a.doc", "a.docx", "a.rtf", "a.txt", "a.htm", "noext"})
    EXPECT_EQ(AppOfSource(f), App::Word) << f;
  EXPECT_TRUE(IsDocument("x/a.docx"));
  EXPECT_TRUE(IsDocument("a.csv"));
  EXPECT_FALSE(IsDocument("a.jpg"));
  EXPECT_FALSE(IsDocument("a.log"));
}

// The table is the Python package's formats.json, made into C++ by the build:
// what the command line holds is what the package reads, entry by entry.
TEST(FormatNames, TheTableIsThePythonPackagesOwn) {
  std::ifstream file(QUILLET_FORMAT_TABLE);
  ASSERT_TRUE(file) << QUILLET_FORMAT_TABLE;
  const nlohmann::json table = nlohmann::json::parse(file);
  const auto number = [](const nlohmann::json& n) { return n.is_null() ? std::nullopt : std::optional<int>(n); };

  const std::span<const FormatName> names = FormatNames();
  ASSERT_EQ(names.size(), table["formats"].size());
  for (size_t i = 0; i < names.size(); ++i) {
    const nlohmann::json& f = table["formats"][i];
    std::string joined;
    for (const auto& name : f["names"]) joined += (joined.empty() ? "" : "|") + name.get<std::string>();
    EXPECT_EQ(names[i].names, joined);
    EXPECT_EQ(names[i].extension, f["extension"].get<std::string>()) << joined;
    EXPECT_EQ(names[i].word, number(f["word"])) << joined;
    EXPECT_EQ(names[i].excel, number(f["excel"])) << joined;
    EXPECT_EQ(names[i].powerpoint, number(f["powerpoint"])) << joined;
    EXPECT_EQ(names[i].description, f["description"].get<std::string>()) << joined;
  }

  std::vector<std::string> documents;
  for (const auto& [key, app] : {std::pair{"word", App::Word}, {"excel", App::Excel}, {"powerpoint", App::PowerPoint}})
    for (const auto& extension : table["sources"][key]) {
      documents.push_back(extension);
      EXPECT_EQ(AppOfSource("in/a" + documents.back()), app) << documents.back();
    }
  EXPECT_EQ(DocumentExtensions(), documents);
}

TEST(Requests, WorkbooksAndPresentationsCarryTheirApplicationsKeyword) {
  Request r = MakeRequest("in/book.xlsx", "out/book.csv", {});
  EXPECT_EQ(r.format, "6");
  EXPECT_EQ(r.option, "MS Excel");
  r = MakeRequest("deck.pptx", "deck.txt", {"", "", "JPEGWIDTH=100"});
  EXPECT_EQ(r.format, "9999");
  EXPECT_EQ(r.option, "MS Powerpoint JPEGWIDTH=100");
  // Word documents are routed by the library itself.
  r = MakeRequest("memo.docx", "memo.pdf", {"", "", "NOCREATEIMAGEDIR"});
  EXPECT_EQ(r.format, "17");
  EXPECT_EQ(r.option, "NOCREATEIMAGEDIR");
  // The keyword goes in front: a value that ends the option text stays whole.
  r = MakeRequest("memo.txt", "memo.doc", {"", "word", "OPENFORMAT=4"});
  EXPECT_EQ(r.format, "0");
  EXPECT_EQ(r.option, "MS Word OPENFORMAT=4");
}

TEST(Requests, TheUsersChoiceOfApplicationStands) {
  // --app over the extension: a CSV opened in Word, as text.
  Request r = MakeRequest("data.csv", "data.pdf", {"", "Word", ""});
  EXPECT_EQ(r.format, "17");
  EXPECT_EQ(r.option, "MS Word");
  // A keyword already in the option text decides the application and is not doubled.
  r = MakeRequest("book.xls", "book.pdf", {"", "", "MS Powerpoint"});
  EXPECT_EQ(r.format, "32");
  EXPECT_EQ(r.option, "MS Powerpoint");
  r = MakeRequest("a.pdf", "a.txt", {"2", "", "Adobe Acrobat"});
  EXPECT_EQ(r.option, "Adobe Acrobat");
  EXPECT_THROW(MakeRequest("a.doc", "a.txt", {"", "notepad", ""}), std::invalid_argument);
  EXPECT_THROW(MakeRequest("a.doc", "a.xyz", {}), std::invalid_argument);
}

}  // namespace
}  // namespace quillet::cli
