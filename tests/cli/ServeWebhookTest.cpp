// quillet serve's own outbound connections, over LibreOffice: webhooks (the
// answer 204, the result delivered later) and downloadFrom (the sources
// fetched by the server). The hosts it reaches are servers of the test's own
// on loopback: those on 127.0.0.1 are in the server's allow-lists, those on
// 127.0.0.2 are not, so a request or a redirect that leads there must leave
// them without a single hit.
#include <gtest/gtest.h>

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <regex>
#include <string>
#include <thread>

#include <nlohmann/json.hpp>

#include "ServeSupport.h"
#include "TestSupport.h"

namespace quillet {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using namespace std::chrono_literals;

using test::Form;
using test::Hit;
using test::LoopbackServer;
using test::Pages;
using test::Post;
using test::Refusal;
using test::Unzip;
using test::UploadOf;
using Server = test::ServeProcess;

constexpr const char* kRoute = "/forms/libreoffice/convert";
// What the allow-lists match: any port of 127.0.0.1, nothing else.
constexpr const char* kAllowed = R"(http://127\.0\.0\.1:[0-9]+/.*)";

class ServeOutbound : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    server_ = new Server({"--workers",
                          "1",
                          "--max-upload",
                          "1M",
                          "--timeout",
                          "30",
                          "--webhook-allow-list",
                          kAllowed,
                          "--download-from-allow-list",
                          kAllowed,
                          "--webhook-max-retry",
                          "2",
                          "--webhook-retry-min-wait",
                          "1",
                          "--webhook-retry-max-wait",
                          "1",
                          "--webhook-client-timeout",
                          "20",
                          "--max-webhook-jobs",
                          "2",
                          "--max-downloads",
                          "4"});
    ASSERT_NE(server_->port(), 0) << server_->Log();
    ASSERT_TRUE(server_->HealthTurns(200, 60s)) << server_->Log();
    inside_ = new LoopbackServer("127.0.0.1");
    outside_ = new LoopbackServer("127.0.0.2");
    ASSERT_GT(inside_->port(), 0);
    ASSERT_GT(outside_->port(), 0);
  }
  static void TearDownTestSuite() {
    delete server_;
    delete inside_;
    delete outside_;
  }
  void SetUp() override {
    // Each test answers as it needs; every host sees each test afresh.
    inside_->Answer(nullptr);
    outside_->Answer(nullptr);
    mark_ = inside_->Hits().size();
    outsideMark_ = outside_->Hits().size();
  }
  static httplib::Headers Webhook(const std::string& path, const std::string& errorPath) {
    return {{"Gotenberg-Webhook-Url", inside_->Url(path)}, {"Gotenberg-Webhook-Error-Url", inside_->Url(errorPath)}};
  }
  static httplib::Result Convert(const httplib::MultipartFormDataItems& items, const httplib::Headers& headers = {}) {
    return Post(*server_->Client(), kRoute, items, headers);
  }
  static httplib::MultipartFormData Text(const std::string& name = "memo.txt") {
    return UploadOf("Memo words\n", name, "files");
  }
  static httplib::MultipartFormData DownloadFrom(const json& list) { return Form("downloadFrom", list.dump()); }
  // The hits of this test on the outside host.
  size_t OutsideHits() const { return outside_->Hits().size() - outsideMark_; }
  size_t InsideHits() const { return inside_->Hits().size() - mark_; }

  static Server* server_;
  static LoopbackServer* inside_;
  static LoopbackServer* outside_;
  size_t mark_ = 0, outsideMark_ = 0;
};
Server* ServeOutbound::server_ = nullptr;
LoopbackServer* ServeOutbound::inside_ = nullptr;
LoopbackServer* ServeOutbound::outside_ = nullptr;

// 204 at once; then the PDF at the webhook with the method asked, the trace
// of the 204, the type and name the synchronous answer would have had, and
// the client's extra headers. Nothing goes to the error URL.
TEST_F(ServeOutbound, DeliversTheResultToTheWebhook) {
  httplib::Headers headers = Webhook("/result", "/error");
  headers.emplace("Gotenberg-Webhook-Method", "put");
  headers.emplace("Gotenberg-Webhook-Extra-Http-Headers", R"({"X-Receiver-Key": "k-123"})");
  headers.emplace("Gotenberg-Output-Filename", "minutes");
  const auto r = Convert({Text()}, headers);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->status, 204) << r->body;
  EXPECT_TRUE(r->body.empty());
  const std::string trace = r->get_header_value("Gotenberg-Trace");
  ASSERT_FALSE(trace.empty());
  ASSERT_TRUE(inside_->Reached("/result", 1, 60s)) << server_->Log();
  const Hit hit = inside_->HitsOn("/result").back();
  EXPECT_EQ(hit.method, "PUT");
  EXPECT_EQ(hit.Header("Gotenberg-Trace"), trace);
  EXPECT_EQ(hit.Header("Content-Type"), "application/pdf");
  EXPECT_NE(hit.Header("Content-Disposition").find("filename=\"minutes.pdf\""), std::string::npos);
  EXPECT_EQ(hit.Header("X-Receiver-Key"), "k-123");
  ASSERT_EQ(hit.body.rfind("%PDF-", 0), 0u);
  EXPECT_EQ(Pages(hit.body), 1);
  std::this_thread::sleep_for(300ms);
  EXPECT_TRUE(inside_->HitsOn("/error").empty());

  // Several files: the zip archive the synchronous answer would have been.
  const auto zipped = Convert({Text("a.txt"), Text("b.txt")}, Webhook("/zip", "/error"));
  ASSERT_TRUE(zipped);
  EXPECT_EQ(zipped->status, 204);
  ASSERT_TRUE(inside_->Reached("/zip", 1, 60s)) << server_->Log();
  const Hit zip = inside_->HitsOn("/zip").back();
  EXPECT_EQ(zip.method, "POST");
  EXPECT_EQ(zip.Header("Content-Type"), "application/zip");
  const auto entries = Unzip(zip.body);
  EXPECT_EQ(entries.size(), 2u);
  EXPECT_TRUE(entries.count("a.txt.pdf") && entries.count("b.txt.pdf"));
}

// The PDF-engines routes take both too: a merge of a fetched PDF and an
// uploaded one, and a fetched PDF made PDF/A, answered by webhook; a fetched
// file that is no .pdf is refused.
TEST_F(ServeOutbound, ThePdfRoutesFetchAndAnswerByWebhook) {
  const auto made = Convert({Text("one.txt")});
  ASSERT_TRUE(made);
  ASSERT_EQ(made->status, 200) << made->body;
  const std::string pdf = made->body;
  inside_->Answer([pdf](const httplib::Request& req, httplib::Response& res) {
    if (req.path == "/b.pdf") res.set_content(pdf, "application/pdf");
    if (req.path == "/c.txt") res.set_content("words", "text/plain");
  });
  const auto r = Post(*server_->Client(), "/forms/pdfengines/merge",
                      {UploadOf(pdf, "a.pdf", "files"), DownloadFrom({{{"url", inside_->Url("/b.pdf")}}})},
                      Webhook("/merged", "/error"));
  ASSERT_TRUE(r);
  EXPECT_EQ(r->status, 204) << r->body;
  ASSERT_TRUE(inside_->Reached("/merged", 1, 60s)) << server_->Log();
  const Hit hit = inside_->HitsOn("/merged").back();
  EXPECT_EQ(hit.Header("Content-Type"), "application/pdf");
  EXPECT_EQ(Pages(hit.body), 2);
  EXPECT_EQ(inside_->HitsOn("/b.pdf").size(), 1u);

  // The conversion to PDF/A of a fetched PDF, answered by webhook. (The XMP
  // packet of a PDF/A file is not compressed.)
  const auto archived = Post(*server_->Client(), "/forms/pdfengines/convert",
                             {DownloadFrom({{{"url", inside_->Url("/b.pdf")}}}), Form("pdfa", "PDF/A-2b")},
                             Webhook("/archived", "/error"));
  ASSERT_TRUE(archived);
  EXPECT_EQ(archived->status, 204) << archived->body;
  ASSERT_TRUE(inside_->Reached("/archived", 1, 60s)) << server_->Log();
  const Hit converted = inside_->HitsOn("/archived").back();
  EXPECT_EQ(converted.Header("Content-Type"), "application/pdf");
  EXPECT_EQ(Pages(converted.body), 1);
  EXPECT_TRUE(std::regex_search(converted.body, std::regex(R"(pdfaid:part(="|>)2)")));
  EXPECT_EQ(pdf.find("pdfaid:part"), std::string::npos) << "the source must not be PDF/A already";
  EXPECT_EQ(inside_->HitsOn("/b.pdf").size(), 2u);
  EXPECT_TRUE(inside_->HitsOn("/error").empty());

  const auto [status, text] = Refusal(
      Post(*server_->Client(), "/forms/pdfengines/flatten", {DownloadFrom({{{"url", inside_->Url("/c.txt")}}})}));
  EXPECT_EQ(status, 400);
  EXPECT_NE(text.find("takes PDF files"), std::string::npos) << text;
}

// A document that fails: its status and text go to the error URL as
// {"status", "message"}, with the error method and the trace.
TEST_F(ServeOutbound, ReportsAFailureToTheErrorUrl) {
  httplib::Headers headers = Webhook("/unused", "/failed");
  headers.emplace("Gotenberg-Webhook-Error-Method", "PATCH");
  const auto r = Convert({UploadOf("not a document", "broken.docx", "files")}, headers);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->status, 204) << r->body;
  ASSERT_TRUE(inside_->Reached("/failed", 1, 60s)) << server_->Log();
  const Hit hit = inside_->HitsOn("/failed").back();
  EXPECT_EQ(hit.method, "PATCH");
  EXPECT_EQ(hit.Header("Content-Type"), "application/json");
  EXPECT_EQ(hit.Header("Gotenberg-Trace"), r->get_header_value("Gotenberg-Trace"));
  const json body = json::parse(hit.body, nullptr, false);
  ASSERT_TRUE(body.is_object()) << hit.body;
  EXPECT_EQ(body.size(), 2u) << hit.body;
  EXPECT_EQ(body.value("status", 0), 422);
  EXPECT_NE(body.value("message", "").find("corrupt"), std::string::npos) << hit.body;
  EXPECT_TRUE(inside_->HitsOn("/unused").empty());
}

// A receiver that answers 503 is tried again, 2 times here, then the failure
// goes to the error URL; one that answers 400 is not tried again; one that
// redirects is not followed.
TEST_F(ServeOutbound, RetriesABoundedNumberOfTimes) {
  inside_->Answer([](const httplib::Request& req, httplib::Response& res) {
    if (req.path == "/busy") res.status = 503;
    if (req.path == "/refuses") res.status = 400;
    if (req.path == "/moves") res.set_redirect(outside_->Url("/result"), 307);
  });
  const auto start = std::chrono::steady_clock::now();
  const auto busy = Convert({Text()}, Webhook("/busy", "/busy-error"));
  ASSERT_TRUE(busy);
  EXPECT_EQ(busy->status, 204);
  ASSERT_TRUE(inside_->Reached("/busy-error", 1, 60s)) << server_->Log();
  EXPECT_EQ(inside_->HitsOn("/busy").size(), 3u);
  // With waits of a second between them.
  EXPECT_GE(std::chrono::steady_clock::now() - start, 2s);
  const json reported = json::parse(inside_->HitsOn("/busy-error").back().body, nullptr, false);
  EXPECT_EQ(reported.value("status", 0), 502);
  EXPECT_NE(reported.value("message", "").find("503"), std::string::npos);

  const auto refuses = Convert({Text()}, Webhook("/refuses", "/refuses-error"));
  ASSERT_TRUE(refuses);
  EXPECT_EQ(refuses->status, 204);
  ASSERT_TRUE(inside_->Reached("/refuses-error", 1, 60s)) << server_->Log();
  EXPECT_EQ(inside_->HitsOn("/refuses").size(), 1u);

  const auto moves = Convert({Text()}, Webhook("/moves", "/moves-error"));
  ASSERT_TRUE(moves);
  EXPECT_EQ(moves->status, 204);
  ASSERT_TRUE(inside_->Reached("/moves-error", 1, 60s)) << server_->Log();
  EXPECT_EQ(inside_->HitsOn("/moves").size(), 1u);

  // No attempt comes after the report.
  std::this_thread::sleep_for(2500ms);
  EXPECT_EQ(inside_->HitsOn("/busy").size(), 3u);
  EXPECT_EQ(inside_->HitsOn("/busy-error").size(), 1u);
  EXPECT_EQ(OutsideHits(), 0u);
}

// The server's peak resident memory, in KiB.
long PeakKiB(int pid) {
  const std::string status = test::ReadFile("/proc/" + std::to_string(pid) + "/status");
  const size_t at = status.find("VmHWM:");
  return at == std::string::npos ? -1 : std::stol(status.substr(at + 6));
}

// A receiver that answers with a flood is read no further than a short
// answer; a client's extra header does not replace the server's trace.
TEST_F(ServeOutbound, AHostileReceiverDoesNotFloodTheServer) {
  const std::string flood(64u << 20, 'f');
  inside_->Answer([&flood](const httplib::Request& req, httplib::Response& res) {
    if (req.path == "/flood") res.set_content(flood, "text/plain");
  });
  const long before = PeakKiB(server_->pid());
  ASSERT_GT(before, 0);
  httplib::Headers headers = Webhook("/flood", "/flood-error");
  headers.emplace("Gotenberg-Webhook-Extra-Http-Headers", R"({"Gotenberg-Trace": "forged"})");
  const auto r = Convert({Text()}, headers);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->status, 204);
  ASSERT_TRUE(inside_->Reached("/flood", 1, 60s)) << server_->Log();
  std::this_thread::sleep_for(1s);
  const auto hits = inside_->HitsOn("/flood");
  ASSERT_EQ(hits.size(), 1u);
  EXPECT_EQ(hits[0].Header("Gotenberg-Trace"), r->get_header_value("Gotenberg-Trace"));
  EXPECT_EQ(hits[0].headers.count("Gotenberg-Trace"), 1u);
  EXPECT_TRUE(inside_->HitsOn("/flood-error").empty());
  EXPECT_LT(PeakKiB(server_->pid()) - before, 32 << 10);
  inside_->Answer(nullptr);  // before the flood goes
}

// The webhook headers as a hostile client sends them: each refused before
// anything is converted or sent anywhere.
TEST_F(ServeOutbound, RefusesWebhookHeadersItCannotHonour) {
  const std::string result = inside_->Url("/result"), error = inside_->Url("/error");
  const struct {
    httplib::Headers headers;
    int status;
    std::string names;
  } cases[] = {
      {{{"Gotenberg-Webhook-Url", outside_->Url("/result")}, {"Gotenberg-Webhook-Error-Url", error}},
       403,
       "--webhook-allow-list"},
      {{{"Gotenberg-Webhook-Url", result}, {"Gotenberg-Webhook-Error-Url", outside_->Url("/error")}},
       403,
       "--webhook-allow-list"},
      {{{"Gotenberg-Webhook-Url", result}}, 400, "Gotenberg-Webhook-Error-Url"},
      {{{"Gotenberg-Webhook-Error-Url", error}}, 400, "Gotenberg-Webhook-Url"},
      // A user part that the allow-list would read as the host.
      {{{"Gotenberg-Webhook-Url", "http://127.0.0.1:1@127.0.0.2:1/x"}, {"Gotenberg-Webhook-Error-Url", error}},
       400,
       "user part"},
      {{{"Gotenberg-Webhook-Url", "ftp://127.0.0.1:21/x"}, {"Gotenberg-Webhook-Error-Url", error}}, 400, "http"},
      {{{"Gotenberg-Webhook-Url", "file:///etc/passwd"}, {"Gotenberg-Webhook-Error-Url", error}}, 400, "http"},
      {{{"Gotenberg-Webhook-Url", result}, {"Gotenberg-Webhook-Error-Url", error}, {"Gotenberg-Webhook-Method", "GET"}},
       400,
       "Gotenberg-Webhook-Method"},
      {{{"Gotenberg-Webhook-Url", result},
        {"Gotenberg-Webhook-Error-Url", error},
        {"Gotenberg-Webhook-Error-Method", "DELETE"}},
       400,
       "Gotenberg-Webhook-Error-Method"},
      {{{"Gotenberg-Webhook-Url", result},
        {"Gotenberg-Webhook-Error-Url", error},
        {"Gotenberg-Webhook-Extra-Http-Headers", "not json"}},
       400,
       "Gotenberg-Webhook-Extra-Http-Headers"},
      {{{"Gotenberg-Webhook-Url", result},
        {"Gotenberg-Webhook-Error-Url", error},
        {"Gotenberg-Webhook-Extra-Http-Headers", R"(["a"])"}},
       400,
       "Gotenberg-Webhook-Extra-Http-Headers"},
      {{{"Gotenberg-Webhook-Url", result},
        {"Gotenberg-Webhook-Error-Url", error},
        {"Gotenberg-Webhook-Extra-Http-Headers", R"({"X-A": 1})"}},
       400,
       "Gotenberg-Webhook-Extra-Http-Headers"},
      // A value that would end the header and start another.
      {{{"Gotenberg-Webhook-Url", result},
        {"Gotenberg-Webhook-Error-Url", error},
        {"Gotenberg-Webhook-Extra-Http-Headers", R"({"X-A": "v\r\nX-Injected: 1"})"}},
       400,
       "X-A"},
      {{{"Gotenberg-Webhook-Url", result},
        {"Gotenberg-Webhook-Error-Url", error},
        {"Gotenberg-Webhook-Extra-Http-Headers", R"({"Bad Name": "v"})"}},
       400,
       "header name"},
      {{{"Gotenberg-Webhook-Url", result},
        {"Gotenberg-Webhook-Error-Url", error},
        {"Gotenberg-Webhook-Extra-Http-Headers", R"({"Content-Length": "1"})"}},
       400,
       "Content-Length"},
      {{{"Gotenberg-Webhook-Url", result},
        {"Gotenberg-Webhook-Error-Url", error},
        {"Gotenberg-Webhook-Extra-Http-Headers", json{{"X-A", std::string(5000, 'v')}}.dump()}},
       400,
       "X-A"},
  };
  for (const auto& c : cases) {
    const auto r = Convert({Text()}, c.headers);
    const auto [status, text] = Refusal(r);
    EXPECT_EQ(status, c.status) << c.names << ": " << text;
    EXPECT_NE(text.find(c.names), std::string::npos) << text;
  }
  std::this_thread::sleep_for(500ms);
  EXPECT_EQ(InsideHits(), 0u);
  EXPECT_EQ(OutsideHits(), 0u);
}

// The jobs in the background are bounded: with two deliveries held by a
// receiver that does not answer yet, a third request is refused 429 naming
// the bound; once they are answered, a request is taken again.
TEST_F(ServeOutbound, BoundsTheJobsInTheBackground) {
  // Shared with the receiver's handler, which may outlive the test's frame.
  const auto release = std::make_shared<std::atomic<bool>>(false);
  inside_->Answer([release](const httplib::Request& req, httplib::Response&) {
    if (req.path == "/held")
      for (int i = 0; i < 1000 && !*release; ++i) std::this_thread::sleep_for(10ms);
  });
  for (int i = 0; i < 2; ++i) {
    const auto r = Convert({Text()}, Webhook("/held", "/error"));
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, 204);
  }
  ASSERT_TRUE(inside_->Reached("/held", 2, 60s)) << server_->Log();
  const auto [status, text] = Refusal(Convert({Text()}, Webhook("/held", "/error")));
  EXPECT_EQ(status, 429);
  EXPECT_NE(text.find("--max-webhook-jobs"), std::string::npos) << text;
  *release = true;
  ASSERT_TRUE(Server::Within(20s, [&] {
    const auto r = Convert({Text()}, Webhook("/again", "/error"));
    return r && r->status == 204;
  }));
  ASSERT_TRUE(inside_->Reached("/again", 1, 60s)) << server_->Log();
  EXPECT_EQ(inside_->HitsOn("/held").size(), 2u);
}

// downloadFrom: the files fetched with the client's headers and the trace,
// converted as uploads are, beside the uploads.
TEST_F(ServeOutbound, ConvertsDownloadedFiles) {
  inside_->Answer([](const httplib::Request& req, httplib::Response& res) {
    if (req.path == "/memo") {
      res.set_header("Content-Disposition", "attachment; filename=\"memo.txt\"");
      res.set_content("Downloaded words\n", "text/plain");
    }
    if (req.path == "/files/report.txt") res.set_content("Report words\n", "text/plain");
  });
  const auto one =
      Convert({DownloadFrom({{{"url", inside_->Url("/memo")}, {"extraHttpHeaders", {{"X-Key", "dl-1"}}}}})});
  ASSERT_TRUE(one);
  ASSERT_EQ(one->status, 200) << one->body;
  EXPECT_EQ(Pages(one->body), 1);
  const Hit hit = inside_->HitsOn("/memo").back();
  EXPECT_EQ(hit.method, "GET");
  EXPECT_EQ(hit.Header("X-Key"), "dl-1");
  EXPECT_EQ(hit.Header("Gotenberg-Trace"), one->get_header_value("Gotenberg-Trace"));

  // Named by the server's disposition, else by the URL's last segment; with
  // an upload beside them, merged in the order of the names.
  const auto all =
      Convert({Text("upload.txt"),
               DownloadFrom({{{"url", inside_->Url("/memo")}}, {{"url", inside_->Url("/files/report.txt?x=1")}}})});
  ASSERT_TRUE(all);
  ASSERT_EQ(all->status, 200) << all->body;
  const auto entries = Unzip(all->body);
  EXPECT_EQ(entries.size(), 3u);
  EXPECT_TRUE(entries.count("upload.txt.pdf") && entries.count("memo.txt.pdf") && entries.count("report.txt.pdf"))
      << all->body.size();
}

// downloadFrom as a hostile client or a hostile server sends it.
TEST_F(ServeOutbound, RefusesDownloadsItCannotHonour) {
  inside_->Answer([](const httplib::Request& req, httplib::Response& res) {
    if (req.path == "/away") res.set_redirect(outside_->Url("/memo.txt"), 302);
    if (req.path == "/around") res.set_redirect("/around", 302);
    if (req.path == "/big.txt") res.set_content(std::string(2u << 20, 'x'), "text/plain");
    if (req.path == "/missing.txt") res.status = 404;
    if (req.path == "/script") {
      res.set_header("Content-Disposition", "attachment; filename=\"run.sh\"");
      res.set_content("#!/bin/sh\n", "text/plain");
    }
  });
  outside_->Answer([](const httplib::Request&, httplib::Response& res) { res.set_content("x", "text/plain"); });
  const struct {
    json list;
    int status;
    std::string names;
  } cases[] = {
      {json{{{"url", outside_->Url("/memo.txt")}}}, 403, "--download-from-allow-list"},
      // A redirect to a host outside the list is not followed.
      {json{{{"url", inside_->Url("/away")}}}, 403, "--download-from-allow-list"},
      {json{{{"url", inside_->Url("/around")}}}, 400, "redirects more than"},
      {json{{{"url", inside_->Url("/big.txt")}}}, 413, "larger than"},
      {json{{{"url", inside_->Url("/missing.txt")}}}, 400, "404"},
      {json{{{"url", inside_->Url("/script")}}}, 400, "run.sh"},
      {json{{{"url", "http://127.0.0.1:1@127.0.0.2/x.txt"}}}, 400, "user part"},
      {json{{{"url", "file:///etc/passwd"}}}, 400, "http"},
      {json{{{"url", inside_->Url("/a b.txt")}}}, 400, "printable"},
      {json{{{"url", inside_->Url("/memo")}, {"extraHttpHeaders", {{"X-A", "v\r\nX-B: 1"}}}}}, 400, "X-A"},
      {json{{{"url", inside_->Url("/memo")}, {"extraHttpHeaders", {{"Host", "elsewhere"}}}}}, 400, "Host"},
      {json{{{"url", inside_->Url("/memo")}, {"other", 1}}}, 400, "other"},
      {json{{{"href", inside_->Url("/memo")}}}, 400, "url"},
      {json{{"url", inside_->Url("/memo")}}, 400, "downloadFrom"},  // an object, not an array
      {json(std::vector<json>(5, json{{"url", inside_->Url("/memo")}})), 413, "more than 4 URLs"},
  };
  for (const auto& c : cases) {
    const size_t before = InsideHits();
    const auto [status, text] = Refusal(Convert({DownloadFrom(c.list)}));
    EXPECT_EQ(status, c.status) << c.list.dump() << ": " << text;
    EXPECT_NE(text.find(c.names), std::string::npos) << c.list.dump() << ": " << text;
    // Refused before any is fetched.
    if (c.status == 413 && c.names.find("URLs") != std::string::npos) {
      EXPECT_EQ(InsideHits(), before);
    }
  }
  EXPECT_EQ(OutsideHits(), 0u);
  // Sent twice, the field is refused.
  const auto twice = Refusal(Convert({DownloadFrom(json::array()), DownloadFrom(json::array())}));
  EXPECT_EQ(twice.first, 400);
  EXPECT_NE(twice.second.find("downloadFrom"), std::string::npos);
}

// The names a hostile server gives its files name only what the client
// reads back: no path, no control byte, no overlong name; and nothing is
// written outside the request's folder.
TEST_F(ServeOutbound, CleansTheNamesServersGive) {
  inside_->Answer([](const httplib::Request& req, httplib::Response& res) {
    if (req.path == "/climb")
      res.set_header("Content-Disposition", "attachment; filename=\"..\\\\..\\\\../../climbed.txt\"");
    // (The client library decodes %XX in header values, and cuts a value at
    // a NUL: the name after it never reaches the server.)
    if (req.path == "/nul") res.set_header("Content-Disposition", "attachment; filename=\"nul.txt%00../../evil.sh\"");
    if (req.path == "/control")
      res.set_header("Content-Disposition", "attachment; filename*=UTF-8''%0D%0Aab%1B%E2%80%AEc.txt");
    if (req.path == "/long")
      res.set_header("Content-Disposition", "attachment; filename=\"" + std::string(400, 'n') + ".txt\"");
    res.set_content("Words\n", "text/plain");
  });
  const auto r = Convert({DownloadFrom({{{"url", inside_->Url("/climb")}},
                                        {{"url", inside_->Url("/nul")}},
                                        {{"url", inside_->Url("/control")}},
                                        {{"url", inside_->Url("/long")}}})});
  ASSERT_TRUE(r);
  ASSERT_EQ(r->status, 200) << r->body;
  const auto entries = Unzip(r->body);
  ASSERT_EQ(entries.size(), 4u);
  EXPECT_TRUE(entries.count("climbed.txt.pdf"));
  EXPECT_TRUE(entries.count("nul.txt.pdf"));
  EXPECT_TRUE(entries.count("abc.txt.pdf"));
  bool longName = false;
  for (const auto& [name, content] : entries) {
    EXPECT_EQ(name.find_first_of("/\\\r\n", 0), std::string::npos) << name;
    EXPECT_EQ(name.find('\0'), std::string::npos);
    EXPECT_LE(name.size(), 210u);
    longName = longName || name.rfind("nnnn", 0) == 0;
    EXPECT_EQ(content.rfind("%PDF-", 0), 0u) << name;
  }
  EXPECT_TRUE(longName);
  std::error_code ec;
  for (fs::recursive_directory_iterator it(server_->root(), ec), end; !ec && it != end; it.increment(ec)) {
    EXPECT_NE(it->path().filename(), "climbed.txt") << it->path();
    EXPECT_NE(it->path().filename(), "evil.sh") << it->path();
  }
}

// Without allow-lists, the server reaches nowhere: both are refused, naming
// the option that would allow them.
TEST(ServeOutboundClosed, RefusesWithoutAllowLists) {
  Server server({"--workers", "1"});
  ASSERT_NE(server.port(), 0) << server.Log();
  LoopbackServer receiver("127.0.0.1");
  const auto webhook = Refusal(
      Post(*server.Client(), kRoute, {UploadOf("Words\n", "a.txt", "files")},
           {{"Gotenberg-Webhook-Url", receiver.Url("/r")}, {"Gotenberg-Webhook-Error-Url", receiver.Url("/e")}}));
  EXPECT_EQ(webhook.first, 403);
  EXPECT_NE(webhook.second.find("--webhook-allow-list"), std::string::npos) << webhook.second;
  const auto download =
      Refusal(Post(*server.Client(), kRoute, {Form("downloadFrom", json{{{"url", receiver.Url("/a.txt")}}}.dump())}));
  EXPECT_EQ(download.first, 403);
  EXPECT_NE(download.second.find("--download-from-allow-list"), std::string::npos) << download.second;
  EXPECT_TRUE(receiver.Hits().empty());
}

}  // namespace
}  // namespace quillet
