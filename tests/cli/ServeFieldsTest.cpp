// The fields of the service's routes of the widely deployed shape, read
// without a server: what each honoured field becomes (the library's keywords,
// the work on the finished PDF), the refusal of every other field by its name,
// and the work itself done with libqpdf on PDF files the test makes.
#include <gtest/gtest.h>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFExc.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "FormFields.h"
#include "MarkedPdfs.h"
#include "PdfResults.h"
#include "PdfWork.h"
#include "TestSupport.h"

namespace quillet::cli::serve {
namespace {

using nlohmann::json;

Form FormOf(const std::vector<std::pair<std::string, std::string>>& fields, const std::string& fileField = "files") {
  Form form;
  for (const auto& [name, value] : fields) form.fields.emplace(name, value);
  Upload upload;
  upload.field = fileField;
  upload.name = "memo.docx";
  form.files.push_back(upload);
  return form;
}

// The refusal's text of reading Fields on the LibreOffice route; empty when taken.
std::string LibreOfficeRefusal(const std::vector<std::pair<std::string, std::string>>& fields,
                               const std::string& fileField = "files") {
  try {
    ReadLibreOfficeFields(FormOf(fields, fileField));
  } catch (const FieldRefused& e) {
    return e.what();
  }
  return {};
}

std::vector<std::string> Keywords(const std::vector<std::pair<std::string, std::string>>& fields) {
  return ReadLibreOfficeFields(FormOf(fields)).keywords;
}

TEST(LibreOfficeFields, EachHonouredFieldBecomesItsKeywordOfTheLibrary) {
  EXPECT_EQ(Keywords({{"landscape", "true"}}), std::vector<std::string>{"PDF.Landscape=true"});
  EXPECT_EQ(Keywords({{"exportFormFields", "false"}}), std::vector<std::string>{"PDF.ExportFormFields=false"});
  EXPECT_EQ(Keywords({{"singlePageSheets", "1"}}), std::vector<std::string>{"PDF.SinglePageSheets=true"});
  EXPECT_EQ(Keywords({{"updateIndexes", "F"}}), std::vector<std::string>{"PDF.UpdateIndexes=false"});
  EXPECT_EQ(Keywords({{"quality", "55"}}), std::vector<std::string>{"PDF.Quality=55"});
  EXPECT_EQ(Keywords({{"maxImageResolution", "300"}}), std::vector<std::string>{"PDF.MaxImageResolution=300"});
  EXPECT_EQ(Keywords({{"pdfua", "true"}}), std::vector<std::string>{"PDF.PdfUa=true"});
  EXPECT_EQ(Keywords({{"pdfa", "pdf/a-2b"}}), std::vector<std::string>{"PDFA=2"});
  // One page or one range as before; a list quoted, blanks gone.
  EXPECT_EQ(Keywords({{"nativePageRanges", " 2 - 4 "}}), std::vector<std::string>{"PAGES=2-4"});
  EXPECT_EQ(Keywords({{"nativePageRanges", "1-3, 5"}}), std::vector<std::string>{"PAGES=\"1-3,5\""});
  EXPECT_EQ(Keywords({{"password", "a b\"c"}}), std::vector<std::string>{"PASSWORD=\"a b\"\"c\""});
  // Every switch the service has, each to its own keyword.
  const char* switches[] = {"exportFormFields",
                            "allowDuplicateFieldNames",
                            "exportBookmarks",
                            "exportBookmarksToPdfDestination",
                            "exportPlaceholders",
                            "exportNotes",
                            "exportNotesPages",
                            "exportOnlyNotesPages",
                            "exportNotesInMargin",
                            "convertOooTargetToPdfTarget",
                            "exportLinksRelativeFsys",
                            "exportHiddenSlides",
                            "skipEmptyPages",
                            "addOriginalDocumentAsStream",
                            "singlePageSheets",
                            "losslessImageCompression",
                            "reduceImageResolution",
                            "updateIndexes",
                            "landscape"};
  std::vector<std::pair<std::string, std::string>> all;
  for (const char* s : switches) all.emplace_back(s, "true");
  const std::vector<std::string> keywords = Keywords(all);
  EXPECT_EQ(keywords.size(), std::size(switches));
  for (const char* s : switches) {
    std::string wanted = std::string("PDF.") + s + "=true";
    wanted[4] = static_cast<char>(std::toupper(static_cast<unsigned char>(wanted[4])));
    EXPECT_NE(std::find(keywords.begin(), keywords.end(), wanted), keywords.end()) << wanted;
  }
  // A field not sent is no keyword: the library keeps its own default.
  EXPECT_TRUE(Keywords({}).empty());
}

TEST(LibreOfficeFields, WhatIsDoneToTheFinishedPdfIsRead) {
  const PdfAfter after = ReadLibreOfficeFields(FormOf({{"merge", "true"},
                                                       {"splitMode", "pages"},
                                                       {"splitSpan", "1-2, 4-"},
                                                       {"splitUnify", "true"},
                                                       {"flatten", "true"},
                                                       {"metadata", R"({"Title":"T","Keywords":["a","b"]})"},
                                                       {"userPassword", "u"},
                                                       {"ownerPassword", "o"}}))
                             .after;
  EXPECT_TRUE(after.merge);
  ASSERT_TRUE(after.split);
  EXPECT_EQ(after.split->kind, SplitMode::Kind::Pages);
  ASSERT_EQ(after.split->spans.size(), 2u);
  EXPECT_EQ(after.split->spans[1].first, 4);
  EXPECT_EQ(after.split->spans[1].last, 0);
  EXPECT_TRUE(after.split->unify);
  EXPECT_TRUE(after.flatten);
  EXPECT_EQ((*after.metadata)["Title"], "T");
  EXPECT_EQ(after.userPassword, "u");
  EXPECT_EQ(after.ownerPassword, "o");
  const PdfAfter none = ReadLibreOfficeFields(FormOf({})).after;
  EXPECT_FALSE(none.merge || none.split || none.metadata || none.flatten || !none.userPassword.empty());
}

TEST(LibreOfficeFields, EveryOtherFieldAndEveryBadValueIsRefusedByName) {
  const std::vector<std::pair<std::vector<std::pair<std::string, std::string>>, std::string>> refused = {
      // Fields of the service that are not built, and fields of nobody's.
      {{{"watermarkSource", "text"}}, "the field watermarkSource is not taken"},
      {{{"stampExpression", "x"}}, "the field stampExpression is not taken"},
      {{{"bookmarks", "[]"}}, "the field bookmarks is not taken"},
      {{{"format", "txt"}}, "the field format is not taken"},
      {{{"\xff\x01", "x"}}, "is not taken"},
      {{{"landscape", "true"}, {"landscape", "false"}}, "the field landscape was sent twice"},
      {{{"landscape", "yes"}}, "the field landscape must be true or false"},
      {{{"quality", "0"}}, "the field quality must be"},
      {{{"quality", "101"}}, "the field quality must be"},
      {{{"quality", "5x"}}, "the field quality must be"},
      {{{"maxImageResolution", "100"}}, "the field maxImageResolution must be"},
      {{{"nativePageRanges", "3-1"}}, "the field nativePageRanges must be"},
      {{{"nativePageRanges", "2-"}}, "the field nativePageRanges must be"},
      {{{"nativePageRanges", "0"}}, "the field nativePageRanges must be"},
      {{{"password", ""}}, "the field password must not be empty"},
      {{{"pdfa", "PDF/A-4"}}, "the field pdfa must be"},
      {{{"pdfa", "PDF/A-2b"}, {"nativePdfFormats", "false"}}, "nativePdfFormats may not be false"},
      {{{"pdfa", "PDF/A-2b"}, {"userPassword", "u"}}, "PDF/A forbids encryption"},
      {{{"pdfa", "PDF/A-2b"}, {"splitMode", "intervals"}, {"splitSpan", "1"}}, "splitMode cannot be taken with pdfa"},
      {{{"splitMode", "chunks"}, {"splitSpan", "1"}}, "the field splitMode must be"},
      {{{"splitSpan", "1"}}, "the field splitMode must be"},
      {{{"splitMode", "intervals"}}, "the field splitSpan is required"},
      {{{"splitMode", "intervals"}, {"splitSpan", "0"}}, "the field splitSpan must be a whole number"},
      {{{"splitMode", "pages"}, {"splitSpan", "x"}}, "the field splitSpan must be pages"},
      {{{"splitMode", "intervals"}, {"splitSpan", "2"}, {"splitUnify", "true"}}, "splitUnify is taken only"},
      {{{"metadata", "{"}}, "the field metadata must be a JSON object"},
      {{{"metadata", "[1]"}}, "metadata must be a JSON object"},
      {{{"metadata", R"({"Copyright":"x"})"}}, "metadata entry Copyright is not one this server writes"},
      {{{"metadata", R"({"Title":1})"}}, "metadata entry Title must be a text"},
      {{{"metadata", R"({"Title":")" + std::string(5000, 'x') + "\"}"}}, "metadata entry Title must be a text"},
      {{{"metadata", R"({"ModDate":"yesterday"})"}}, "metadata entry ModDate must be a date"},
      {{{"metadata", R"({"Trapped":"Maybe"})"}}, "metadata entry Trapped must be"},
      {{{"userPassword", ""}}, "the field userPassword must not be empty"},
      {{{"ownerPassword", "o"}}, "the field ownerPassword is taken only with userPassword"},
      {{{"userPassword", std::string(128, 'u')}}, "the field userPassword must be UTF-8 text of at most 127 bytes"},
      {{{"userPassword", std::string("a\0b", 3)}}, "the field userPassword must be UTF-8"},
      {{{"userPassword", "\xff"}}, "the field userPassword must be UTF-8"},
  };
  for (const auto& [fields, reason] : refused) {
    const std::string error = LibreOfficeRefusal(fields);
    EXPECT_NE(error.find(reason), std::string::npos) << reason << " / " << error;
  }
  // Too many metadata entries: a ceiling on what one field makes the server do.
  json many = json::object();
  for (int i = 0; i < 17; ++i) many["Title" + std::to_string(i)] = "x";
  EXPECT_NE(LibreOfficeRefusal({{"metadata", many.dump()}}).find("at most 16 entries"), std::string::npos);
  // A file in another field than files (the service's embeds, watermark and stamp files).
  EXPECT_NE(LibreOfficeRefusal({}, "embeds").find("the file field embeds is not taken"), std::string::npos);
  // The route's own timeout stays.
  EXPECT_EQ(LibreOfficeRefusal({{"timeout", "5"}}), "");
}

TEST(PdfEngineFields, EachRouteTakesItsOwnFieldsOnly) {
  auto refusal = [](PdfRoute route, const std::vector<std::pair<std::string, std::string>>& fields) -> std::string {
    try {
      ReadPdfEngineFields(FormOf(fields), route);
    } catch (const FieldRefused& e) {
      return e.what();
    }
    return {};
  };
  EXPECT_EQ(refusal(PdfRoute::Merge, {{"flatten", "true"}, {"userPassword", "u"}}), "");
  EXPECT_NE(
      refusal(PdfRoute::Merge, {{"splitMode", "pages"}}).find("splitMode is not taken by /forms/pdfengines/merge"),
      std::string::npos);
  EXPECT_NE(refusal(PdfRoute::Merge, {{"pdfa", "PDF/A-2b"}}).find("pdfa is not taken"), std::string::npos);
  EXPECT_NE(refusal(PdfRoute::Split, {}).find("splitMode must be"), std::string::npos);
  EXPECT_NE(refusal(PdfRoute::Flatten, {{"flatten", "false"}}).find("flatten is not taken"), std::string::npos);
  EXPECT_NE(refusal(PdfRoute::ReadMetadata, {{"metadata", "{}"}}).find("metadata is not taken"), std::string::npos);
  EXPECT_NE(refusal(PdfRoute::WriteMetadata, {}).find("metadata is required"), std::string::npos);
  EXPECT_NE(refusal(PdfRoute::Encrypt, {}).find("userPassword must not be empty"), std::string::npos);
  EXPECT_NE(refusal(PdfRoute::Encrypt, {{"ownerPassword", "o"}}).find("userPassword must not be empty"),
            std::string::npos);
  EXPECT_NE(refusal(PdfRoute::Convert, {{"flatten", "true"}}).find("flatten is not taken"), std::string::npos);
  // Convert takes the LibreOffice route's PDF/A and PDF/UA fields, one of them at least.
  EXPECT_NE(refusal(PdfRoute::Convert, {}).find("either the field pdfa or the field pdfua"), std::string::npos);
  EXPECT_NE(refusal(PdfRoute::Convert, {{"pdfa", "PDF/A-1a"}}).find("pdfa must be PDF/A-1b, PDF/A-2b or PDF/A-3b"),
            std::string::npos);
  EXPECT_NE(refusal(PdfRoute::Convert, {{"pdfua", "on"}}).find("pdfua must be true or false"), std::string::npos);
  EXPECT_EQ(refusal(PdfRoute::Convert, {{"pdfa", "pdf/a-3B"}, {"timeout", "5"}, {"downloadFrom", "[]"}}), "");
  EXPECT_EQ(ReadPdfFormatFields(FormOf({{"pdfa", "PDF/A-2b"}, {"pdfua", "true"}})),
            (std::vector<std::string>{"PDFA=2", "PDF.PdfUa=true"}));
  EXPECT_EQ(ReadPdfFormatFields(FormOf({{"pdfua", "0"}})), (std::vector<std::string>{"PDF.PdfUa=false"}));

  const PdfAfter flatten = ReadPdfEngineFields(FormOf({}), PdfRoute::Flatten);
  EXPECT_TRUE(flatten.flatten);
  EXPECT_FALSE(flatten.merge);
  EXPECT_TRUE(ReadPdfEngineFields(FormOf({}), PdfRoute::Merge).merge);
}

TEST(PageSpans, AreListsOfPagesAndRangesWithinCeilings) {
  const auto spans = PageSpans(" 1-3 ,5,7- ");
  ASSERT_TRUE(spans);
  ASSERT_EQ(spans->size(), 3u);
  EXPECT_EQ((*spans)[0].first, 1);
  EXPECT_EQ((*spans)[0].last, 3);
  EXPECT_EQ((*spans)[1].last, 5);
  EXPECT_EQ((*spans)[2].last, 0);
  for (const std::string bad : {"", ",", "1,", "-3", "0", "3-2", "1--2", "a", "1-2-3", "9999999"})
    EXPECT_FALSE(PageSpans(bad)) << bad;
  std::string hundred, more;
  for (int i = 1; i <= 100; ++i) hundred += (i > 1 ? "," : "") + std::to_string(i);
  EXPECT_TRUE(PageSpans(hundred));
  EXPECT_FALSE(PageSpans(hundred + ",101"));
}

// The marked PDF (MarkedPdfs.h) as a file, and the marks of one.
void MakePdf(const std::string& path, int pages, bool annotated = false) {
  test::WriteFile(path, test::MarkedPdf(pages, annotated));
}
std::vector<int> MarksIn(const std::string& path) { return test::Marks(test::ReadFile(path)); }

TEST(PdfWork, SplitsByIntervalsAndByPagesUnderNamesOfTheServers) {
  const test::TempDir dir;
  MakePdf(dir / "five.pdf", 5);
  size_t made = 0;
  SplitMode intervals;
  intervals.interval = 2;
  const auto parts = SplitPdf(dir / "five.pdf", intervals, dir.path(), made);
  ASSERT_EQ(parts.size(), 3u);
  EXPECT_EQ(MarksIn(parts[0]), (std::vector<int>{1, 2}));
  EXPECT_EQ(MarksIn(parts[2]), (std::vector<int>{5}));
  EXPECT_EQ(made, 3u);
  EXPECT_EQ(SplitPartName("a.docx", 2, intervals), "a.docx_2.pdf");

  SplitMode pages;
  pages.kind = SplitMode::Kind::Pages;
  pages.spans = *PageSpans("4-,1");
  const auto each = SplitPdf(dir / "five.pdf", pages, dir.path(), made);
  ASSERT_EQ(each.size(), 3u);
  EXPECT_EQ(MarksIn(each[0]), std::vector<int>{4});
  EXPECT_EQ(MarksIn(each[2]), std::vector<int>{1});
  // No part overwrote one of the first split's.
  EXPECT_EQ(MarksIn(parts[0]), (std::vector<int>{1, 2}));
  pages.unify = true;
  const auto one = SplitPdf(dir / "five.pdf", pages, dir.path(), made);
  ASSERT_EQ(one.size(), 1u);
  EXPECT_EQ(MarksIn(one[0]), (std::vector<int>{4, 5, 1}));
  EXPECT_EQ(SplitPartName("a", 0, pages), "a.pdf");

  pages.spans = *PageSpans("6");
  EXPECT_THROW(SplitPdf(dir / "five.pdf", pages, dir.path(), made), PdfRefused);
}

TEST(PdfWork, ASplitPastTheCeilingOfPartsIsRefusedBeforeAFileIsWritten) {
  const test::TempDir dir;
  MakePdf(dir / "five.pdf", 5);
  SplitMode each;
  size_t made = kMostParts - 4;
  std::filesystem::create_directory(dir / "parts");
  EXPECT_THROW(SplitPdf(dir / "five.pdf", each, dir / "parts", made), PdfRefused);
  EXPECT_TRUE(std::filesystem::is_empty(dir / "parts"));
  made = kMostParts - 5;
  EXPECT_EQ(SplitPdf(dir / "five.pdf", each, dir / "parts", made).size(), 5u);
}

TEST(PdfWork, WhatIsNotAReadablePdfIsTheClientsFault) {
  const test::TempDir dir;
  test::WriteFile(dir / "words.pdf", "just words");
  EXPECT_THROW(ReadPdfMetadata(dir / "words.pdf"), PdfRefused);
  EXPECT_THROW(FlattenPdf(dir / "words.pdf"), PdfRefused);
  MakePdf(dir / "locked.pdf", 1);
  EncryptPdf(dir / "locked.pdf", "user", "");
  EXPECT_THROW(ReadPdfMetadata(dir / "locked.pdf"), PdfRefused);
}

TEST(PdfWork, EncryptsWithAes256SoThatOnlyThePasswordOpensIt) {
  const test::TempDir dir;
  MakePdf(dir / "a.pdf", 2);
  EXPECT_FALSE(IsEncrypted(dir / "a.pdf"));
  EncryptPdf(dir / "a.pdf", "user", "owner");
  EXPECT_TRUE(IsEncrypted(dir / "a.pdf"));
  for (const char* password : {"user", "owner"}) {
    QPDF q;
    q.processFile((dir / "a.pdf").c_str(), password);
    EXPECT_EQ(QPDFPageDocumentHelper(q).getAllPages().size(), 2u);
    EXPECT_EQ(q.getEncryptionKey().size(), 32u) << "not AES-256";
  }
  QPDF wrong;
  EXPECT_THROW(wrong.processFile((dir / "a.pdf").c_str(), "nope"), QPDFExc);
}

TEST(PdfWork, MetadataIsWrittenIntoTheInfoDictionaryAndReadBack) {
  const test::TempDir dir;
  MakePdf(dir / "a.pdf", 3);
  WritePdfMetadata(dir / "a.pdf", json{{"Title", "Café report"},
                                       {"Author", "Ann"},
                                       {"Keywords", {"one", "two"}},
                                       {"CreationDate", "2024-01-02T03:04:05+01:00"},
                                       {"ModDate", "2024-02-03T04:05:06Z"},
                                       {"Trapped", "True"}});
  const json read = ReadPdfMetadata(dir / "a.pdf");
  EXPECT_EQ(read["Title"], "Café report");
  EXPECT_EQ(read["Author"], "Ann");
  EXPECT_EQ(read["Keywords"], "one, two");
  EXPECT_EQ(read["CreateDate"], "2024:01:02 03:04:05+01:00");
  EXPECT_EQ(read["ModifyDate"], "2024:02:03 04:05:06Z");
  EXPECT_EQ(read["Trapped"], "True");
  EXPECT_EQ(read["PageCount"], 3);
  EXPECT_TRUE(read["PDFVersion"].is_string());
  EXPECT_THROW(WritePdfMetadata(dir / "a.pdf", json{{"Marked", true}}), PdfRefused);
}

TEST(PdfWork, FlatteningDrawsTheAnnotationsIntoThePage) {
  const test::TempDir dir;
  MakePdf(dir / "a.pdf", 2, true);
  FlattenPdf(dir / "a.pdf");
  QPDF q;
  q.processFile((dir / "a.pdf").c_str());
  QPDFPageObjectHelper first = QPDFPageDocumentHelper(q).getAllPages()[0];
  EXPECT_TRUE(first.getAnnotations().empty());
  // The appearance is now a form drawn by the page's content.
  QPDFObjectHandle xobjects = first.getAttribute("/Resources", false).getKey("/XObject");
  ASSERT_TRUE(xobjects.isDictionary());
  EXPECT_EQ(xobjects.getKeys().size(), 1u);
}

TEST(PdfResults, MergeThenSplitThenEncryptNamesThePartsAfterTheMergedStem) {
  const test::TempDir dir;
  MakePdf(dir / "a.pdf", 2);
  MakePdf(dir / "b.pdf", 1);
  PdfAfter after;
  after.merge = true;
  after.split = SplitMode{};
  after.split->interval = 2;
  after.userPassword = "u";
  const auto pdfs = FinishPdfs({{dir / "a.pdf", "a"}, {dir / "b.pdf", "b"}}, after, dir.path(), "out");
  ASSERT_EQ(pdfs.size(), 2u);
  EXPECT_EQ(pdfs[0].stem, "out_0");
  EXPECT_EQ(pdfs[1].stem, "out_1");
  for (const MadePdf& pdf : pdfs) {
    EXPECT_TRUE(IsEncrypted(pdf.path));
    EXPECT_EQ(pdf.path.find("out"), std::string::npos) << "a client's name in a path of the server's";
  }
  QPDF second;
  second.processFile(pdfs[1].path.c_str(), "u");
  EXPECT_EQ(QPDFPageDocumentHelper(second).getAllPages().size(), 1u);
}

}  // namespace
}  // namespace quillet::cli::serve
