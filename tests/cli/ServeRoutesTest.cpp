// The routes of the widely deployed conversion service's shape, as a client
// written for that service uses them, over LibreOffice: every field of the
// LibreOffice route honoured, checked by its effect on the PDF read back with
// libqpdf (encryption, metadata, pages, PDF/A identification), or refused by
// name; the PDF-engines routes on PDF files the test makes; the health check
// in the service's shape. One server with two workers, on loopback.
#include <gtest/gtest.h>

#include <unistd.h>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFExc.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "FlatDocuments.h"
#include "LinuxSupport.h"
#include "MarkedPdfs.h"
#include "ServeSupport.h"
#include "TestSupport.h"

namespace quillet {
namespace {

using nlohmann::json;
using test::Form;
using test::Marks;
using test::Pages;
using test::Post;
using test::Refusal;
using test::Unzip;
using test::UploadOf;
using namespace std::chrono_literals;

constexpr const char* kLibreOffice = "/forms/libreoffice/convert";

// Whether the PDF opens without a password.
bool OpensWithout(const std::string& pdf) {
  QPDF q;
  try {
    q.processMemoryFile("answer", pdf.data(), pdf.size());
  } catch (const QPDFExc&) {
    return false;
  }
  return true;
}

std::string InfoEntry(const std::string& pdf, const std::string& key, const char* password = nullptr) {
  QPDF q;
  q.processMemoryFile("answer", pdf.data(), pdf.size(), password);
  QPDFObjectHandle info = q.getTrailer().getKey("/Info");
  if (!info.isDictionary() || !info.hasKey(key)) return {};
  return info.getKey(key).getUTF8Value();
}

// The XMP packet of the document's catalog.
std::string Xmp(const std::string& pdf) {
  QPDF q;
  q.processMemoryFile("answer", pdf.data(), pdf.size());
  QPDFObjectHandle metadata = q.getRoot().getKey("/Metadata");
  if (!metadata.isStream()) return {};
  auto data = metadata.getStreamData();
  return std::string(reinterpret_cast<const char*>(data->getBuffer()), data->getSize());
}

class ServeRoutes : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    server_ = new test::ServeProcess({"--workers", "2", "--max-upload", "4M", "--timeout", "30"});
    ASSERT_NE(server_->port(), 0) << server_->Log();
    ASSERT_TRUE(server_->HealthTurns(200, 60s)) << server_->Log();
    // Three pages of text.
    three_ = new std::string(test::LongText(150));
  }
  static void TearDownTestSuite() {
    delete server_;
    delete three_;
  }
  static httplib::Result Send(const std::string& route, const httplib::MultipartFormDataItems& items,
                              const httplib::Headers& headers = {}) {
    return Post(*server_->Client(), route, items, headers);
  }
  static test::ServeProcess* server_;
  static std::string* three_;
};
test::ServeProcess* ServeRoutes::server_ = nullptr;
std::string* ServeRoutes::three_ = nullptr;

TEST_F(ServeRoutes, TheTextIsThreePagesLong) {
  const auto r = Send(kLibreOffice, {UploadOf(*three_, "long.txt", "files")});
  ASSERT_TRUE(r);
  ASSERT_EQ(r->status, 200) << r->body;
  EXPECT_EQ(Pages(r->body), 3) << "the other tests count on three pages";
}

TEST_F(ServeRoutes, UserPasswordEncryptsTheConvertedPdf) {
  const auto r = Send(kLibreOffice, {UploadOf(*three_, "long.txt", "files"), Form("userPassword", "open sesame"),
                                     Form("ownerPassword", "all rights")});
  ASSERT_TRUE(r);
  ASSERT_EQ(r->status, 200) << r->body;
  EXPECT_FALSE(OpensWithout(r->body));
  EXPECT_EQ(Marks(r->body, "open sesame").size(), 3u);
  EXPECT_EQ(Marks(r->body, "all rights").size(), 3u);
}

TEST_F(ServeRoutes, MetadataIsWrittenIntoEachPdf) {
  const auto r = Send(kLibreOffice, {UploadOf("words", "a.txt", "files"), UploadOf("more", "b.txt", "files"),
                                     Form("metadata", R"({"Title":"Quarterly","Author":"Ann","Trapped":"False"})")});
  ASSERT_TRUE(r);
  ASSERT_EQ(r->status, 200) << r->body;
  const auto archive = Unzip(r->body);
  ASSERT_EQ(archive.size(), 2u);
  for (const auto& [name, pdf] : archive) {
    EXPECT_EQ(InfoEntry(pdf, "/Title"), "Quarterly") << name;
    EXPECT_EQ(InfoEntry(pdf, "/Author"), "Ann") << name;
  }
}

TEST_F(ServeRoutes, SplitPartsAreNamedAsTheServiceNamesThem) {
  // Each file's parts after its whole name; unified pages under the name alone.
  auto r = Send(kLibreOffice,
                {UploadOf(*three_, "long.txt", "files"), Form("splitMode", "intervals"), Form("splitSpan", "2")});
  ASSERT_TRUE(r);
  ASSERT_EQ(r->status, 200) << r->body;
  auto archive = Unzip(r->body);
  ASSERT_EQ(archive.size(), 2u);
  EXPECT_EQ(Pages(archive.at("long.txt_0.pdf")), 2);
  EXPECT_EQ(Pages(archive.at("long.txt_1.pdf")), 1);

  r = Send(kLibreOffice,
           {UploadOf(*three_, "long.txt", "files"), Form("splitMode", "pages"), Form("splitSpan", "2-"),
            Form("splitUnify", "true")},
           {{"Gotenberg-Output-Filename", "tail"}});
  ASSERT_TRUE(r);
  ASSERT_EQ(r->status, 200) << r->body;
  EXPECT_EQ(r->get_header_value("Content-Type"), "application/pdf");
  EXPECT_NE(r->get_header_value("Content-Disposition").find("filename=\"tail.pdf\""), std::string::npos);
  EXPECT_EQ(Pages(r->body), 2);

  // Merged first, then split: the parts of the one merged PDF.
  r = Send(kLibreOffice,
           {UploadOf(*three_, "b.txt", "files"), UploadOf("one page", "a.txt", "files"), Form("merge", "true"),
            Form("splitMode", "intervals"), Form("splitSpan", "3")},
           {{"Gotenberg-Output-Filename", "all"}});
  ASSERT_TRUE(r);
  ASSERT_EQ(r->status, 200) << r->body;
  archive = Unzip(r->body);
  ASSERT_EQ(archive.size(), 2u);
  EXPECT_EQ(Pages(archive.at("all_0.pdf")), 3);
  EXPECT_EQ(Pages(archive.at("all_1.pdf")), 1);

  // A page past the end is the client's mistake.
  const auto [status, error] = Refusal(
      Send(kLibreOffice, {UploadOf("one page", "a.txt", "files"), Form("splitMode", "pages"), Form("splitSpan", "4")}));
  EXPECT_EQ(status, 400);
  EXPECT_NE(error.find("past the last"), std::string::npos) << error;
}

TEST_F(ServeRoutes, PdfaIsIdentifiedInTheDocumentsMetadata) {
  // A text goes to Word's stand-in, which makes every part through
  // LibreOffice (Word itself makes PDF/A-1b only).
  auto r = Send(kLibreOffice, {UploadOf("words", "a.txt", "files"), Form("pdfa", "PDF/A-1b"), Form("flatten", "true"),
                               Form("nativePdfFormats", "true")});
  ASSERT_TRUE(r);
  ASSERT_EQ(r->status, 200) << r->body;
  const std::string xmp = Xmp(r->body);
  EXPECT_TRUE(std::regex_search(xmp, std::regex(R"(pdfaid:part(="|>)1)"))) << xmp.substr(0, 2000);
  r = Send(kLibreOffice, {UploadOf("words", "a.txt", "files"), Form("pdfa", "PDF/A-2b")});
  ASSERT_TRUE(r);
  ASSERT_EQ(r->status, 200) << r->body;
  EXPECT_TRUE(std::regex_search(Xmp(r->body), std::regex(R"(pdfaid:part(="|>)2)")));
  // Merged, the PDF/A files stay identified as PDF/A.
  r = Send(kLibreOffice, {UploadOf("words", "a.txt", "files"), UploadOf(*three_, "b.txt", "files"),
                          Form("pdfa", "PDF/A-1b"), Form("merge", "true")});
  ASSERT_TRUE(r);
  ASSERT_EQ(r->status, 200) << r->body;
  EXPECT_EQ(Pages(r->body), 4);
  EXPECT_TRUE(std::regex_search(Xmp(r->body), std::regex(R"(pdfaid:part(="|>)1)")));
}

TEST_F(ServeRoutes, EveryFieldTheRouteDoesNotHonourIsRefusedByName) {
  const std::vector<std::pair<httplib::MultipartFormDataItems, std::string>> refused = {
      {{Form("watermarkSource", "text"), Form("watermarkExpression", "DRAFT")}, "the field watermarkExpression"},
      {{Form("bookmarks", R"({"a.pdf":[]})")}, "the field bookmarks is not taken"},
      {{Form("format", "txt")}, "the field format is not taken"},
      {{Form("quality", "0")}, "the field quality must be"},
      {{Form("landscape", "sideways")}, "the field landscape must be true or false"},
      {{Form("merge", "true"), Form("merge", "false")}, "the field merge was sent twice"},
      {{Form("userPassword", std::string("a\0b", 3))}, "the field userPassword must be"},
      {{Form("metadata", "{\"Title\":\"x\"")}, "the field metadata must be a JSON object"},
      {{Form("metadata", R"({"Copyright":"mine"})")}, "metadata entry Copyright"},
      {{Form("splitMode", "intervals"), Form("splitSpan", "-1")}, "the field splitSpan must be"},
      {{Form("pdfa", "PDF/A-2b"), Form("userPassword", "u")}, "PDF/A forbids encryption"},
      {{UploadOf("x", "x.txt", "embeds")}, "the file field embeds is not taken"},
  };
  for (auto [items, reason] : refused) {
    items.push_back(UploadOf("words", "a.txt", "files"));
    const auto r = Send(kLibreOffice, items);
    const auto [status, error] = Refusal(r);
    EXPECT_EQ(status, 400) << reason;
    EXPECT_NE(error.find(reason), std::string::npos) << reason << " / " << error;
  }
}

TEST_F(ServeRoutes, TheFilesOfOneRequestAreConvertedByBothWorkers) {
  const json before = server_->Health();
  const auto r = Send(kLibreOffice,
                      {UploadOf(test::LongText(400), "1.txt", "files"), UploadOf(test::LongText(400), "2.txt", "files"),
                       UploadOf(test::LongText(400), "3.txt", "files"), UploadOf(test::LongText(400), "4.txt", "files"),
                       Form("merge", "true")});
  ASSERT_TRUE(r);
  ASSERT_EQ(r->status, 200) << r->body;
  EXPECT_EQ(Pages(r->body), 4 * Pages(Send(kLibreOffice, {UploadOf(test::LongText(400), "1.txt", "files")})->body));
  const json after = server_->Health();
  ASSERT_EQ(after["workers"].size(), 2u);
  for (size_t i = 0; i < 2; ++i)
    EXPECT_GT(after["workers"][i]["conversions"].get<long>(), before["workers"][i]["conversions"].get<long>())
        << "worker " << i << " converted none of the request's files";
}

TEST_F(ServeRoutes, TheOfficesExportSwitchesChangeThePdf) {
  // The field here, the library's keyword in quillet's own route's option text.
  for (auto request : {httplib::MultipartFormDataItems{UploadOf("words", "a.txt", "files"), Form("landscape", "true")},
                       httplib::MultipartFormDataItems{UploadOf("words", "a.txt", "file"), Form("format", "pdf"),
                                                       Form("option", "PDF.Landscape=true")}}) {
    const auto answer = Send(request[0].name == "files" ? kLibreOffice : "/convert", request);
    ASSERT_TRUE(answer);
    ASSERT_EQ(answer->status, 200) << answer->body;
    QPDF q;
    q.processMemoryFile("answer", answer->body.data(), answer->body.size());
    QPDFObjectHandle box = QPDFPageDocumentHelper(q).getAllPages()[0].getMediaBox();
    EXPECT_GT(box.getArrayItem(2).getNumericValue(), box.getArrayItem(3).getNumericValue()) << "not landscape";
  }
  auto r = Send(kLibreOffice, {UploadOf(*three_, "long.txt", "files"), Form("nativePageRanges", "1,3")});
  ASSERT_TRUE(r);
  ASSERT_EQ(r->status, 200) << r->body;
  EXPECT_EQ(Pages(r->body), 2);
  r = Send(kLibreOffice, {UploadOf("words", "a.txt", "files"), Form("pdfua", "true")});
  ASSERT_TRUE(r);
  ASSERT_EQ(r->status, 200) << r->body;
  QPDF q;
  q.processMemoryFile("answer", r->body.data(), r->body.size());
  EXPECT_TRUE(q.getRoot().getKey("/StructTreeRoot").isDictionary()) << "a PDF/UA document is tagged";
}

TEST_F(ServeRoutes, MergeKeepsTheOrderOfTheFilesNames) {
  const auto r = Send("/forms/pdfengines/merge",
                      {UploadOf(test::MarkedPdf(2), "b.pdf", "files"), UploadOf(test::MarkedPdf(1), "a.pdf", "files"),
                       Form("metadata", R"({"Subject":"merged"})"), Form("userPassword", "pw")},
                      {{"Gotenberg-Output-Filename", "merged"}});
  ASSERT_TRUE(r);
  ASSERT_EQ(r->status, 200) << r->body;
  EXPECT_NE(r->get_header_value("Content-Disposition").find("filename=\"merged.pdf\""), std::string::npos);
  EXPECT_FALSE(OpensWithout(r->body));
  EXPECT_EQ(Marks(r->body, "pw"), (std::vector<int>{1, 1, 2}));
  EXPECT_EQ(InfoEntry(r->body, "/Subject", "pw"), "merged");
}

TEST_F(ServeRoutes, SplitFlattenEncryptAndMetadataOfClientsPdfs) {
  auto r = Send("/forms/pdfengines/split", {UploadOf(test::MarkedPdf(3), "doc.pdf", "files"),
                                            Form("splitMode", "pages"), Form("splitSpan", "3,1")});
  ASSERT_TRUE(r);
  ASSERT_EQ(r->status, 200) << r->body;
  auto archive = Unzip(r->body);
  ASSERT_EQ(archive.size(), 2u);
  EXPECT_EQ(Marks(archive.at("doc_0.pdf")), std::vector<int>{3});
  EXPECT_EQ(Marks(archive.at("doc_1.pdf")), std::vector<int>{1});

  r = Send("/forms/pdfengines/flatten",
           {UploadOf(test::MarkedPdf(1), "x.pdf", "files"), UploadOf(test::MarkedPdf(2), "y.pdf", "files")});
  ASSERT_TRUE(r);
  ASSERT_EQ(r->status, 200) << r->body;
  archive = Unzip(r->body);
  ASSERT_EQ(archive.size(), 2u);
  EXPECT_EQ(Marks(archive.at("y.pdf")), (std::vector<int>{1, 2}));

  r = Send("/forms/pdfengines/encrypt", {UploadOf(test::MarkedPdf(1), "x.pdf", "files"), Form("userPassword", "u")});
  ASSERT_TRUE(r);
  ASSERT_EQ(r->status, 200) << r->body;
  EXPECT_FALSE(OpensWithout(r->body));
  EXPECT_EQ(Marks(r->body, "u"), std::vector<int>{1});

  r = Send("/forms/pdfengines/metadata/write", {UploadOf(test::MarkedPdf(1), "x.pdf", "files"),
                                                Form("metadata", R"({"Author":"Zoë","Keywords":["a","b"]})")});
  ASSERT_TRUE(r);
  ASSERT_EQ(r->status, 200) << r->body;
  r = Send("/forms/pdfengines/metadata/read",
           {UploadOf(r->body, "x.pdf", "files"), UploadOf(test::MarkedPdf(2), "plain.pdf", "files")});
  ASSERT_TRUE(r);
  ASSERT_EQ(r->status, 200) << r->body;
  EXPECT_EQ(r->get_header_value("Content-Type"), "application/json");
  const json read = json::parse(r->body);
  EXPECT_EQ(read["x.pdf"]["Author"], "Zoë");
  EXPECT_EQ(read["x.pdf"]["Keywords"], "a, b");
  EXPECT_EQ(read["plain.pdf"]["PageCount"], 2);
}

TEST_F(ServeRoutes, ThePdfRoutesRefuseWhatIsNotAPdfAndWhatTheyDoNotTake) {
  const std::vector<std::tuple<std::string, httplib::MultipartFormDataItems, int, std::string>> refused = {
      {"/forms/pdfengines/merge", {UploadOf("not a pdf", "a.pdf", "files")}, 400, "not a PDF file"},
      {"/forms/pdfengines/merge", {UploadOf("x", "a.docx", "files")}, 400, "the route takes PDF files"},
      {"/forms/pdfengines/merge", {Form("flatten", "true")}, 400, "no files were sent"},
      {"/forms/pdfengines/merge",
       {UploadOf(test::MarkedPdf(1), "a.pdf", "files"), Form("pdfa", "PDF/A-2b")},
       400,
       "the field pdfa is not taken"},
      {"/forms/pdfengines/split", {UploadOf(test::MarkedPdf(1), "a.pdf", "files")}, 400, "splitMode must be"},
      {"/forms/pdfengines/split",
       {UploadOf(test::MarkedPdf(1), "a.pdf", "files"), Form("splitMode", "pages"), Form("splitSpan", "1"),
        Form("watermarkSource", "text")},
       400,
       "the field watermarkSource is not taken"},
      {"/forms/pdfengines/encrypt",
       {UploadOf(test::MarkedPdf(1), "a.pdf", "files")},
       400,
       "userPassword must not be empty"},
      {"/forms/pdfengines/metadata/write",
       {UploadOf(test::MarkedPdf(1), "a.pdf", "files")},
       400,
       "metadata is required"},
      {"/forms/pdfengines/metadata/write",
       {UploadOf(test::MarkedPdf(1), "a.pdf", "files"), Form("metadata", R"({"Title":["not","text"]})")},
       400,
       "metadata entry Title"},
      {"/forms/pdfengines/convert", {UploadOf(test::MarkedPdf(1), "a.pdf", "files")}, 400, "either the field pdfa"},
      {"/forms/pdfengines/convert",
       {UploadOf("not a pdf", "a.pdf", "files"), Form("pdfa", "PDF/A-2b")},
       400,
       "not a PDF file"},
      {"/forms/pdfengines/convert",
       {UploadOf(test::MarkedPdf(1), "a.pdf", "files"), Form("pdfa", "PDF/A-4")},
       400,
       "the field pdfa must be PDF/A-1b"},
      {"/forms/pdfengines/convert",
       {UploadOf(test::MarkedPdf(1), "a.pdf", "files"), Form("pdfua", "yes")},
       400,
       "the field pdfua must be"},
      {"/forms/pdfengines/convert",
       {UploadOf(test::MarkedPdf(1), "a.pdf", "files"), Form("pdfa", "PDF/A-2b"), Form("flatten", "true")},
       400,
       "the field flatten is not taken"},
  };
  for (const auto& [route, items, wanted, reason] : refused) {
    const auto [status, error] = Refusal(Send(route, items));
    EXPECT_EQ(status, wanted) << route << " " << reason;
    EXPECT_NE(error.find(reason), std::string::npos) << route << " " << reason << " / " << error;
  }
  // An encrypted PDF is not opened, and each route is POST only.
  const auto locked =
      Send("/forms/pdfengines/encrypt", {UploadOf(test::MarkedPdf(1), "x.pdf", "files"), Form("userPassword", "u")});
  ASSERT_TRUE(locked);
  const auto [status, error] = Refusal(Send("/forms/pdfengines/flatten", {UploadOf(locked->body, "x.pdf", "files")}));
  EXPECT_EQ(status, 400);
  EXPECT_NE(error.find("needs a password"), std::string::npos) << error;
  const auto get = server_->Client()->Get("/forms/pdfengines/merge");
  ASSERT_TRUE(get);
  EXPECT_EQ(get->status, 405);
}

// A client's finished PDF made PDF/A or PDF/UA: Word opens it (LibreOffice's
// PDF import) and exports it again, its pages kept.
TEST_F(ServeRoutes, ConvertMakesAClientsPdfPdfaOrPdfua) {
  const auto made = Send(kLibreOffice, {UploadOf(*three_, "long.txt", "files")});
  ASSERT_TRUE(made);
  ASSERT_EQ(made->status, 200) << made->body;
  const std::string plain = made->body;
  ASSERT_EQ(Pages(plain), 3);
  ASSERT_EQ(Xmp(plain).find("pdfaid:part"), std::string::npos) << "the source must not be PDF/A already";
  {
    QPDF q;
    q.processMemoryFile("source", plain.data(), plain.size());
    ASSERT_FALSE(q.getRoot().getKey("/StructTreeRoot").isDictionary()) << "the source must not be tagged already";
  }

  auto r = Send("/forms/pdfengines/convert", {UploadOf(plain, "a.pdf", "files"), Form("pdfa", "PDF/A-2b")},
                {{"Gotenberg-Output-Filename", "archived"}});
  ASSERT_TRUE(r);
  ASSERT_EQ(r->status, 200) << r->body;
  EXPECT_NE(r->get_header_value("Content-Disposition").find("filename=\"archived.pdf\""), std::string::npos);
  EXPECT_EQ(Pages(r->body), 3);
  EXPECT_TRUE(std::regex_search(Xmp(r->body), std::regex(R"(pdfaid:part(="|>)2)"))) << Xmp(r->body).substr(0, 2000);

  r = Send("/forms/pdfengines/convert", {UploadOf(plain, "a.pdf", "files"), Form("pdfua", "true")});
  ASSERT_TRUE(r);
  ASSERT_EQ(r->status, 200) << r->body;
  EXPECT_EQ(Pages(r->body), 3);
  EXPECT_TRUE(std::regex_search(Xmp(r->body), std::regex(R"(pdfuaid:part(="|>)1)"))) << Xmp(r->body).substr(0, 2000);
  {
    QPDF q;
    q.processMemoryFile("answer", r->body.data(), r->body.size());
    EXPECT_TRUE(q.getRoot().getKey("/StructTreeRoot").isDictionary()) << "a PDF/UA document is tagged";
  }

  // Several files: each converted, a.pdf as a.pdf in the archive.
  r = Send("/forms/pdfengines/convert",
           {UploadOf(plain, "a.pdf", "files"), UploadOf(test::MarkedPdf(2), "b.pdf", "files"), Form("pdfa", "PDF/A-1b"),
            Form("pdfua", "false")});
  ASSERT_TRUE(r);
  ASSERT_EQ(r->status, 200) << r->body;
  const auto archive = Unzip(r->body);
  ASSERT_EQ(archive.size(), 2u);
  ASSERT_TRUE(archive.count("a.pdf") && archive.count("b.pdf"));
  EXPECT_EQ(Pages(archive.at("a.pdf")), 3);
  EXPECT_EQ(Pages(archive.at("b.pdf")), 2);
  for (const auto& [name, pdf] : archive)
    EXPECT_TRUE(std::regex_search(Xmp(pdf), std::regex(R"(pdfaid:part(="|>)1)"))) << name;
}

TEST_F(ServeRoutes, AClientsNameNamesNoPathOfTheServersOnThePdfRoutes) {
  const std::string marker = "quillet-routes-" + std::to_string(::getpid());
  // A name with folders (plain and as overlong UTF-8), whose stem names the parts.
  for (const std::string& name : {"../../../../../../tmp/" + marker + ".pdf",
                                  test::OverlongDotsAndSlashes("../../../../tmp/" + marker) + ".pdf"}) {
    const auto split = Send("/forms/pdfengines/split", {UploadOf(test::MarkedPdf(2), name, "files"),
                                                        Form("splitMode", "intervals"), Form("splitSpan", "1")});
    ASSERT_TRUE(split);
    ASSERT_EQ(split->status, 200) << split->body;
    for (const auto& [entry, pdf] : Unzip(split->body)) {
      EXPECT_EQ(entry.find('/'), std::string::npos) << entry;
      EXPECT_EQ(Pages(pdf), 1) << entry;
    }
    const auto read = Send("/forms/pdfengines/metadata/read", {UploadOf(test::MarkedPdf(1), name, "files")});
    ASSERT_TRUE(read);
    ASSERT_EQ(read->status, 200) << read->body;
    const json answered = json::parse(read->body);
    ASSERT_EQ(answered.size(), 1u);
    for (const auto& [key, value] : answered.items()) EXPECT_EQ(key.find('/'), std::string::npos) << key;
  }
  for (const auto& e : std::filesystem::directory_iterator("/tmp"))
    EXPECT_EQ(e.path().filename().string().find(marker), std::string::npos) << e.path();
}

TEST_F(ServeRoutes, ASplitIntoMorePartsThanTheCeilingIsRefused) {
  const auto [status, error] =
      Refusal(Send("/forms/pdfengines/split", {UploadOf(test::MarkedPdf(1001), "big.pdf", "files"),
                                               Form("splitMode", "intervals"), Form("splitSpan", "1")}));
  EXPECT_EQ(status, 400);
  EXPECT_NE(error.find("more than 1000 files"), std::string::npos) << error;
}

// The service's Node client, unchanged, through every route and the fields it
// sends (tests/clients/chromiumly/routes.test.cjs checks their effects).
TEST_F(ServeRoutes, ChromiumlyWorksThroughEveryRouteUnchanged) {
  const std::filesystem::path modules = std::filesystem::path(QUILLET_CHROMIUMLY_DIR) / "node_modules" / "chromiumly";
  if (!std::filesystem::exists(modules))
    GTEST_SKIP() << "chromiumly is not installed in " << QUILLET_CHROMIUMLY_DIR
                 << ": scripts/install-chromiumly.sh installs it from its lock file (scripts/setup.sh --tests runs it)";
  if (std::system("node --version >/dev/null 2>&1") != 0) GTEST_SKIP() << "node is not installed";
  const test::TempDir work;
  const std::string command = "QUILLET_URL=http://127.0.0.1:" + std::to_string(server_->port()) +
                              " QUILLET_CHROMIUMLY_DIR='" + QUILLET_CHROMIUMLY_DIR + "' QUILLET_WORK='" + work.path() +
                              "' node '" + QUILLET_CHROMIUMLY_TEST + "' 2>&1";
  FILE* run = ::popen(command.c_str(), "r");
  ASSERT_NE(run, nullptr);
  std::string output;
  char chunk[4096];
  for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, run)) > 0;) output.append(chunk, n);
  const int status = ::pclose(run);
  EXPECT_EQ(status, 0) << output;
  EXPECT_NE(output.find("ok pdfEngines"), std::string::npos) << output;
  std::cout << output;
}

TEST_F(ServeRoutes, HealthHasTheServicesShapeForGetAndHead) {
  const auto r = server_->Client()->Get("/health");
  ASSERT_TRUE(r);
  ASSERT_EQ(r->status, 200);
  const json health = json::parse(r->body);
  EXPECT_EQ(health["status"], "up");
  EXPECT_EQ(health["details"]["libreoffice"]["status"], "up");
  const std::string stamp = health["details"]["libreoffice"]["timestamp"];
  EXPECT_TRUE(std::regex_match(stamp, std::regex(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z)"))) << stamp;
  EXPECT_EQ(health["workers"].size(), 2u);
  const auto head = server_->Client()->Head("/health");
  ASSERT_TRUE(head);
  EXPECT_EQ(head->status, 200);
  EXPECT_TRUE(head->body.empty());
}

}  // namespace
}  // namespace quillet
