// PDF files to delimited text through the built library on Linux, as a
// program uses it, with no server registry: Excel is the stand-in over
// LibreOffice (which makes the PDF of a small table here), and Acrobat's
// plug-in bridge the stand-in over poppler. The text is parsed back into the
// table's cells. Bad files end with a clear text and the run goes on.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "QuilletLibrary.h"
#include "TestSupport.h"

namespace quillet::test {
namespace {

using Row = std::vector<std::string>;
using Table = std::vector<Row>;

const Table kTable = {{"Fruit", "Colour", "Count"},
                      {"Apple pie", "golden brown", "3"},
                      {"Pear", "green; ripe", "12"},
                      {"Fig, dried", "dark \"purple\"", "7"}};

// The table as CSV, which Excel reads with commas and double quotes.
std::string Csv(const Table& table) {
  std::string out;
  for (const Row& row : table) {
    for (size_t i = 0; i < row.size(); ++i) {
      if (i) out += ',';
      std::string cell = "\"";
      for (char c : row[i]) cell += c == '"' ? std::string("\"\"") : std::string(1, c);
      out += cell + "\"";
    }
    out += "\r\n";
  }
  return out;
}

// Delimited text back into rows: lines end with CR LF, a cell in double
// quotes may hold the delimiter and doubled quotes.
Table Parse(const std::string& text, char delimiter) {
  Table rows;
  Row row;
  std::string cell;
  bool quoted = false, any = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
        cell += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        cell += c;
      }
    } else if (c == '"' && cell.empty()) {
      quoted = any = true;
    } else if (c == delimiter) {
      row.push_back(std::move(cell));
      cell.clear();
    } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      row.push_back(std::move(cell));
      cell.clear();
      rows.push_back(std::move(row));
      row.clear();
      ++i;
    } else {
      cell += c;
    }
  }
  EXPECT_TRUE(cell.empty() && row.empty()) << "the text does not end with CR LF";
  (void)any;
  return rows;
}

// The rows of Rows from the one that starts the table, as many as the table has.
Table TableIn(const Table& rows) {
  for (size_t i = 0; i < rows.size(); ++i)
    if (rows[i] == kTable[0]) return Table(rows.begin() + i, rows.begin() + std::min(rows.size(), i + kTable.size()));
  return {};
}

// A PDF file written here: one page of 200 x 200 points and no text, or no page at all.
std::string HandMadePdf(bool withPage) {
  std::vector<std::string> objects = {
      "<< /Type /Catalog /Pages 2 0 R >>",
      withPage ? "<< /Type /Pages /Kids [3 0 R] /Count 1 >>" : "<< /Type /Pages /Kids [] /Count 0 >>"};
  if (withPage) objects.push_back("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] >>");
  std::string pdf = "%PDF-1.4\n";
  std::vector<size_t> offsets;
  for (size_t i = 0; i < objects.size(); ++i) {
    offsets.push_back(pdf.size());
    pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
  }
  const size_t xref = pdf.size();
  pdf += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
  for (size_t offset : offsets) {
    char line[32];
    std::snprintf(line, sizeof line, "%010zu 00000 n \n", offset);
    pdf += line;
  }
  pdf += "trailer\n<< /Size " + std::to_string(objects.size() + 1) + " /Root 1 0 R >>\nstartxref\n" +
         std::to_string(xref) + "\n%%EOF\n";
  return pdf;
}

class PdfConversion : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // No registry file: the built-in servers beside the library; an office of our own.
    ::setenv("QUILLET_AUTOMATION_REGISTRY", "/nonexistent/quillet-automation-servers", 1);
    ::setenv("QUILLET_OFFICE_PIPE", ("quillet-pdftext-" + std::to_string(::getpid())).c_str(), 1);
    dir_ = new TempDir;
    lib_ = new QuilletLibrary(QUILLET_LIBRARY);
    WriteFile(*dir_ / "fruit.csv", Csv(kTable));
    made_ = lib_->ConvertSingleFile(*dir_ / "fruit.csv", *dir_ / "fruit.pdf", "57", "MS Excel");
  }
  static void TearDownTestSuite() {
    delete lib_;  // quits Excel and its office
    delete dir_;
  }
  void SetUp() override { ASSERT_TRUE(made_.ok) << "the table's PDF: " << made_.errorText; }

  static std::string Path(const std::string& name) { return *dir_ / name; }
  // Converts Src with Format through Acrobat; the error text (empty on success).
  static std::string Convert(const std::string& src, const std::string& dest, const std::string& format,
                             const std::string& option = "Adobe Acrobat") {
    const auto r = lib_->ConvertSingleFile(src, dest, format, option);
    EXPECT_EQ(r.ok, r.errorText.empty());
    return r.errorText;
  }

  static TempDir* dir_;
  static QuilletLibrary* lib_;
  static QuilletLibrary::Outcome made_;
};

TempDir* PdfConversion::dir_ = nullptr;
QuilletLibrary* PdfConversion::lib_ = nullptr;
QuilletLibrary::Outcome PdfConversion::made_;

TEST_F(PdfConversion, TheTableComesBackCellForCellWithEachDelimiter) {
  for (const auto& [format, delimiter] : {std::pair{"-4", ','}, std::pair{"-5", '\t'}, std::pair{"-6", ';'}}) {
    const std::string dest = Path(std::string("fruit") + format + ".txt");
    ASSERT_EQ(Convert(Path("fruit.pdf"), dest, format), "") << format;
    const std::string text = ReadFile(dest);
    EXPECT_EQ(TableIn(Parse(text, delimiter)), kTable) << format << ":\n" << text;
  }
  // The cells that hold the delimiter are quoted; the others are not.
  const std::string comma = ReadFile(Path("fruit-4.txt"));
  EXPECT_NE(comma.find("\"Fig, dried\",\"dark \"\"purple\"\"\",7\r\n"), std::string::npos) << comma;
  EXPECT_NE(comma.find("Pear,green; ripe,12\r\n"), std::string::npos) << comma;
  EXPECT_NE(ReadFile(Path("fruit-6.txt")).find("Pear;\"green; ripe\";12\r\n"), std::string::npos);
}

TEST_F(PdfConversion, WithoutADelimiterOptionTheTextIsPlain) {
  ASSERT_EQ(Convert(Path("fruit.pdf"), Path("plain.txt"), "0"), "");
  const std::string text = ReadFile(Path("plain.txt"));
  EXPECT_NE(text.find("Fruit Colour Count\r\nApple pie golden brown 3\r\n"), std::string::npos) << text;
  // The caller's own delimiter goes through to the bridge with any other code.
  ASSERT_EQ(Convert(Path("fruit.pdf"), Path("bars.txt"), "0", "Adobe Acrobat delimit=|"), "");
  EXPECT_EQ(TableIn(Parse(ReadFile(Path("bars.txt")), '|')), kTable);
}

TEST_F(PdfConversion, BadFilesEndWithAClearTextAndTheNextFileStillConverts) {
  const std::string junk = Path("junk.pdf"), empty = Path("empty.pdf"), blank = Path("blank.pdf"),
                    pageless = Path("pageless.pdf");
  WriteFile(junk, "This is a text file called .pdf\r\n");
  WriteFile(empty, "");
  WriteFile(blank, HandMadePdf(true));
  WriteFile(pageless, HandMadePdf(false));
  EXPECT_EQ(Convert(junk, Path("junk.txt"), "-4"), "The file is not a PDF document, or it is damaged: " + junk);
  EXPECT_EQ(Convert(empty, Path("empty.txt"), "-4"), "The file is empty, it is not a PDF document: " + empty);
  EXPECT_EQ(Convert(blank, Path("blank.txt"), "-4"), "The PDF document holds no text: " + blank);
  EXPECT_EQ(Convert(pageless, Path("pageless.txt"), "-4"), "The PDF document has no pages: " + pageless);
  // A destination that cannot be written (a folder of that name).
  const std::string folder = Path("taken.txt");
  std::filesystem::create_directories(folder);
  EXPECT_EQ(Convert(Path("fruit.pdf"), folder, "-4"), "Can not write " + folder);
  for (const char* name : {"junk.txt", "empty.txt", "blank.txt", "pageless.txt"})
    EXPECT_FALSE(std::ifstream(Path(name)).good()) << name << " was written";
  EXPECT_EQ(Convert(Path("fruit.pdf"), Path("after.txt"), "-4"), "");
}

TEST_F(PdfConversion, AnEncryptedPdfIsRefusedWithAClearText) {
  // LibreOffice's own PDF export encrypts with an opening password; the office
  // stand-ins have no such save.
  const std::string out = Path("locked");
  const std::string command =
      "cd '" + dir_->path() + "' && timeout 180 '" QUILLET_SOFFICE "' --headless --norestore " +
      "'-env:UserInstallation=file://" + Path("profile") +
      "' --convert-to 'pdf:calc_pdf_Export:{\"EncryptFile\":{\"type\":\"boolean\",\"value\":\"true\"},"
      "\"DocumentOpenPassword\":{\"type\":\"string\",\"value\":\"secret\"}}' --outdir '" +
      out + "' fruit.csv >/dev/null 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0);
  const std::string locked = out + "/fruit.pdf";
  ASSERT_TRUE(std::ifstream(locked).good());
  EXPECT_EQ(Convert(locked, Path("locked.txt"), "-4"), "The PDF document is protected by a password: " + locked);
  EXPECT_FALSE(std::ifstream(Path("locked.txt")).good());
}

}  // namespace
}  // namespace quillet::test
