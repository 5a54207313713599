// quillet serve as its clients see it, over LibreOffice: the program started
// on a free loopback port with a private temporary folder and cache (the
// profiles of its workers' offices), and asked over HTTP. One server with two
// workers answers the conversions and the bad requests; one with a single
// worker, a queue of one and a token is filled, has its office stopped, and
// is stopped itself during a request.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <httplib.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <future>
#include <optional>
#include <set>
#include <regex>
#include <thread>

#include <nlohmann/json.hpp>

#include "FlatDocuments.h"
#include "LinuxSupport.h"
#include "ServeSupport.h"
#include "TestSupport.h"

namespace quillet {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using test::ReadFile;
using namespace std::chrono_literals;

using test::Form;
using test::LongText;
using test::OfficesOf;
using test::Pages;
using test::Post;
using test::Refusal;
using test::Unzip;
using test::Upload;
using Server = test::ServeProcess;

// When the one worker's office last wrote the result of a probe; nullopt
// before the first.
std::optional<fs::file_time_type> ProbedAt(const Server& server) {
  std::error_code ec;
  for (fs::recursive_directory_iterator it(server.temp(), ec), end; !ec && it != end; it.increment(ec))
    if (it->path().filename() == "probe.txt" && it->path().parent_path().filename() == "out")
      return fs::last_write_time(it->path(), ec);
  return std::nullopt;
}

class Serve : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new test::TempDir;
    server_ = new Server({"--workers", "2", "--max-upload", "1M", "--timeout", "30"});
    ASSERT_NE(server_->port(), 0) << server_->Log();
    ASSERT_TRUE(server_->HealthTurns(200, 60s)) << server_->Log();
    // The documents, made by the server itself from flat OpenDocument files.
    Make("memo.fodt", test::FlatText("<text:p>Memo words</text:p>"), "memo.docx", "docx", "word");
    Make("book.fods", test::FlatSpreadsheet({{"S", {{"a", "1"}, {"b", "2"}}}}), "book.xlsx", "xlsx", "excel");
    Make("deck.fodp", test::FlatPresentation({{{"Slide words"}}, {{"More words"}}}), "deck.pptx", "pptx", "powerpoint");
    test::WriteFile(Path("broken.docx"), "not a document");
    // Each in a font the machine has, one with a substitute of its metrics and one nobody has.
    const std::vector<std::string> fonts = {test::kPresentFont, test::kCompatibleFont, test::kMissingFont};
    Make("fonts.fodt", test::FlatWithFonts("docx", fonts), "fonts.docx", "docx", "word");
    Make("fonts.fods", test::FlatWithFonts("xlsx", fonts), "fonts.xlsx", "xlsx", "excel");
    Make("fonts.fodp", test::FlatWithFonts("pptx", fonts), "fonts.pptx", "pptx", "powerpoint");
    Make("hostile.fodt", test::FlatWithFonts("docx", {"Evil\r\nX-Injected: 1", std::string(3000, 'L')}), "hostile.docx",
         "docx", "word");
    // A document saved with a password, by an office of the test's own.
    ::setenv("XDG_CACHE_HOME", (*dir_ / "cache").c_str(), 1);
    test::UsersOffice office("quillet-serve-test-user-" + std::to_string(::getpid()));
    office.SaveWithPassword(Path("memo.docx"), Path("secret.docx"), "MS Word 2007 XML", "secret");
  }
  static void TearDownTestSuite() {
    delete server_;
    delete dir_;
  }
  static void Make(const std::string& flat, const std::string& content, const std::string& made,
                   const std::string& format, const std::string& app) {
    test::WriteFile(Path(flat), content);
    const auto r = Post(*server_->Client(), "/convert", {Upload(Path(flat)), Form("format", format), Form("app", app)});
    ASSERT_TRUE(r);
    ASSERT_EQ(r->status, 200) << r->body;
    test::WriteFile(Path(made), r->body);
  }
  static httplib::Result Convert(const std::string& file, const std::string& format) {
    return Post(*server_->Client(), "/convert", {Upload(Path(file)), Form("format", format)});
  }
  static std::string Path(const std::string& name) { return *dir_ / name; }
  static test::TempDir* dir_;
  static Server* server_;
};
test::TempDir* Serve::dir_ = nullptr;
Server* Serve::server_ = nullptr;

TEST_F(Serve, ConvertAnswersTheResultNamedAfterTheUpload) {
  auto r = Convert("memo.docx", "pdf");
  ASSERT_TRUE(r);
  ASSERT_EQ(r->status, 200) << r->body;
  EXPECT_EQ(r->body.substr(0, 5), "%PDF-");
  EXPECT_EQ(r->get_header_value("Content-Type"), "application/pdf");
  EXPECT_NE(r->get_header_value("Content-Disposition").find("filename=\"memo.pdf\""), std::string::npos);

  r = Convert("memo.docx", "txt");
  ASSERT_TRUE(r);
  EXPECT_EQ(r->body, "Memo words\r\n");
  EXPECT_NE(r->get_header_value("Content-Disposition").find("filename=\"memo.txt\""), std::string::npos);
  r = Convert("book.xlsx", "csv");
  ASSERT_TRUE(r);
  EXPECT_EQ(r->body, "a,1\r\nb,2\r\n");
  EXPECT_EQ(r->get_header_value("Content-Type"), "text/csv");

  // Slide pictures: a zip archive with one picture per slide.
  r = Convert("deck.pptx", "jpg");
  ASSERT_TRUE(r);
  ASSERT_EQ(r->status, 200) << r->body;
  EXPECT_EQ(r->get_header_value("Content-Type"), "application/zip");
  EXPECT_NE(r->get_header_value("Content-Disposition").find("filename=\"deck.zip\""), std::string::npos);
  size_t pictures = 0;
  for (const auto& [name, content] : Unzip(r->body))
    if (name.ends_with(".jpg")) {
      ++pictures;
      EXPECT_EQ(content.substr(0, 2), "\xff\xd8") << name;
    }
  EXPECT_EQ(pictures, 2u);
}

TEST_F(Serve, TheCompatibleRouteZipsSeveralFilesOrMergesThemIntoOnePdf) {
  auto client = server_->Client();
  httplib::MultipartFormDataItems files = {{"files", ReadFile(Path("memo.docx")), "1_memo.docx", ""},
                                           {"files", ReadFile(Path("deck.pptx")), "2_deck.pptx", ""}};
  auto r = Post(*client, "/forms/libreoffice/convert", files, {{"Gotenberg-Output-Filename", "both"}});
  ASSERT_TRUE(r);
  ASSERT_EQ(r->status, 200) << r->body;
  EXPECT_NE(r->get_header_value("Content-Disposition").find("filename=\"both.zip\""), std::string::npos);
  const auto archive = Unzip(r->body);
  ASSERT_EQ(archive.size(), 2u);
  // Named as the service names them: the file's whole name and .pdf.
  EXPECT_EQ(Pages(archive.at("1_memo.docx.pdf")), 1);
  EXPECT_EQ(Pages(archive.at("2_deck.pptx.pdf")), 2);

  files.push_back(Form("merge", "true"));
  r = Post(*client, "/forms/libreoffice/convert", files, {{"Gotenberg-Trace", "trace-of-the-merge"}});
  ASSERT_TRUE(r);
  ASSERT_EQ(r->status, 200) << r->body;
  EXPECT_EQ(r->get_header_value("Content-Type"), "application/pdf");
  EXPECT_EQ(r->get_header_value("Gotenberg-Trace"), "trace-of-the-merge");
  EXPECT_EQ(Pages(r->body), 3);

  // Its request had a log line of its own, with the trace and the worker
  // (written once the answer has gone).
  json record;
  for (int i = 0; i < 100 && record.is_null(); ++i) {
    std::istringstream log(server_->Log());
    for (std::string line; std::getline(log, line);)
      if (const json r = json::parse(line, nullptr, false);
          r.is_object() && r.value("trace", "") == "trace-of-the-merge")
        record = r;
    if (record.is_null()) std::this_thread::sleep_for(20ms);
  }
  ASSERT_TRUE(record.is_object()) << server_->Log();
  {
    const std::string line = record.dump();
    EXPECT_EQ(record["route"], "/forms/libreoffice/convert");
    EXPECT_EQ(record["status"], 200);
    EXPECT_GT(record["bytes_in"].get<long>(), 0);
    EXPECT_EQ(record["bytes_out"].get<size_t>(), r->body.size());
    EXPECT_TRUE(record["worker"] == 1 || record["worker"] == 2) << line;
    EXPECT_TRUE(record["ms"].is_number() && record["time"].is_string()) << line;
  }
}

TEST_F(Serve, BadRequestsAre400AndTooLargeOnes413EachWithItsReason) {
  auto client = server_->Client();
  const auto memo = Upload(Path("memo.docx"));
  const std::vector<std::pair<httplib::MultipartFormDataItems, std::string>> bad = {
      {{Form("format", "pdf")}, "one part named file is required"},
      {{memo, Form("format", "nope")}, "unknown format nope"},
      {{memo, Form("format", "csv")}, "csv"},
      {{memo, Form("app", "notepad")}, "unknown application notepad"},
      {{memo, Form("timeout", "0")}, "timeout must be whole seconds"},
      {{memo, Form("timeout", "ten")}, "timeout must be whole seconds"},
      {{memo, Form("option", "TIMEOUT=5")}, "give the deadline in the field timeout"},
  };
  for (const auto& [items, reason] : bad) {
    const auto [status, error] = Refusal(Post(*client, "/convert", items));
    EXPECT_EQ(status, 400) << reason;
    EXPECT_NE(error.find(reason), std::string::npos) << error;
  }
  const std::vector<std::pair<httplib::MultipartFormDataItems, std::string>> badCompatible = {
      {{Form("merge", "true")}, "no files were sent"},
      {{{"files", ReadFile(Path("memo.docx")), "memo.docx", ""}, Form("merge", "maybe")}, "merge must be"},
      {{{"files", ReadFile(Path("memo.docx")), "memo.docx", ""}, Form("pdfa", "PDF/A-9z")}, "pdfa must be"},
      {{{"files", ReadFile(Path("memo.docx")), "memo.docx", ""}, Form("nativePageRanges", "1,x")},
       "nativePageRanges must be"},
  };
  for (const auto& [items, reason] : badCompatible) {
    const auto [status, error] = Refusal(Post(*client, "/forms/libreoffice/convert", items));
    EXPECT_EQ(status, 400) << reason;
    EXPECT_NE(error.find(reason), std::string::npos) << error;
  }
  EXPECT_EQ(Refusal(client->Post("/convert", "{}", "application/json")).first, 400);

  const auto [status, error] =
      Refusal(Post(*client, "/convert", {Upload(Path("memo.docx")), Form("pad", std::string(1100000, 'x'))}));
  EXPECT_EQ(status, 413);
  EXPECT_NE(error.find("larger than 1048576 bytes"), std::string::npos) << error;
}

TEST_F(Serve, DocumentsThatCannotBeConvertedAre422WithTheLibrarysTextAndCode) {
  const auto broken = Convert("broken.docx", "pdf");
  auto [status, error] = Refusal(broken);
  EXPECT_EQ(status, 422);
  EXPECT_EQ(error, "The file is corrupt and cannot be opened");
  EXPECT_EQ(broken->get_header_value("Quillet-Error-Code"), "corrupt");
  const auto secret = Convert("secret.docx", "txt");
  std::tie(status, error) = Refusal(secret);
  EXPECT_EQ(status, 422);
  EXPECT_EQ(error, "The password is incorrect");
  EXPECT_EQ(secret->get_header_value("Quillet-Error-Code"), "password");
  // A format the application lacks is refused by the server, of that kind;
  // a refusal of the request itself carries no kind of the library's.
  const auto unknown = Post(*server_->Client(), "/convert", {Upload(Path("memo.docx")), Form("format", "nope")});
  ASSERT_TRUE(unknown);
  EXPECT_EQ(unknown->status, 400);
  EXPECT_EQ(unknown->get_header_value("Quillet-Error-Code"), "unsupportedformat");
  const auto refused = Post(*server_->Client(), "/convert", {Upload(Path("memo.docx")), Form("option", "USEMACRO")});
  ASSERT_TRUE(refused);
  EXPECT_EQ(refused->status, 400);
  EXPECT_FALSE(refused->has_header("Quillet-Error-Code"));
}

TEST_F(Serve, ReplacedFontsAreAnsweredInAHeaderAndCountedAndStrictFontsIs422) {
  for (const char* file : {"fonts.docx", "fonts.xlsx", "fonts.pptx"}) {
    SCOPED_TRACE(file);
    auto r = Convert(file, "pdf");
    ASSERT_TRUE(r);
    ASSERT_EQ(r->status, 200) << r->body;
    const std::string fonts = r->get_header_value("Quillet-Substituted-Fonts");
    EXPECT_NE(fonts.find("Calibri=Carlito"), std::string::npos) << fonts;
    EXPECT_NE(fonts.find("Quillet Missing Sans=DejaVu Sans"), std::string::npos) << fonts;
    EXPECT_EQ(fonts.find("DejaVu Sans="), std::string::npos) << fonts;

    r = Post(*server_->Client(), "/convert", {Upload(Path(file)), Form("option", "STRICTFONTS")});
    auto [status, error] = Refusal(r);
    EXPECT_EQ(status, 422);
    EXPECT_EQ(error, "Fonts not available: Quillet Missing Sans");
    EXPECT_EQ(r->get_header_value("Quillet-Error-Code"), "fontsmissing");
    EXPECT_NE(r->get_header_value("Quillet-Substituted-Fonts").find("Quillet Missing Sans"), std::string::npos);
  }
  // The compatible route tells those of all its files.
  const auto both = Post(*server_->Client(), "/forms/libreoffice/convert",
                         {{"files", ReadFile(Path("fonts.docx")), "fonts.docx", ""},
                          {"files", ReadFile(Path("memo.docx")), "memo.docx", ""}});
  ASSERT_TRUE(both);
  ASSERT_EQ(both->status, 200) << both->body;
  EXPECT_EQ(both->get_header_value_count("Quillet-Substituted-Fonts"), 1u);
  EXPECT_NE(both->get_header_value("Quillet-Substituted-Fonts").find("Quillet Missing Sans=DejaVu Sans"),
            std::string::npos);

  // A font name from a document cannot break the header, nor make it long.
  const auto hostile = Convert("hostile.docx", "pdf");
  ASSERT_TRUE(hostile);
  ASSERT_EQ(hostile->status, 200) << hostile->body;
  const std::string header = hostile->get_header_value("Quillet-Substituted-Fonts");
  EXPECT_FALSE(hostile->has_header("X-Injected"));
  EXPECT_NE(header.find("EvilX-Injected: 1=DejaVu Sans"), std::string::npos) << header;
  EXPECT_LE(header.size(), 2048u);
  for (const char c : header) EXPECT_TRUE(c >= 0x20 && c < 0x7f) << static_cast<int>(c);

  const auto metrics = server_->Client()->Get("/metrics");
  ASSERT_TRUE(metrics);
  EXPECT_NE(metrics->body.find("quillet_substituted_fonts_total{requested=\"Quillet Missing Sans\",metrics=\"other\"}"),
            std::string::npos);
  EXPECT_NE(metrics->body.find("quillet_substituted_fonts_total{requested=\"Calibri\",metrics=\"same\"}"),
            std::string::npos);
}

TEST_F(Serve, AnUploadNamedWithFoldersIsConvertedInsideItsRequestFolder) {
  const auto r =
      Post(*server_->Client(), "/convert", {Upload(Path("memo.docx"), "../../x.docx"), Form("format", "txt")});
  ASSERT_TRUE(r);
  ASSERT_EQ(r->status, 200) << r->body;
  EXPECT_EQ(r->body, "Memo words\r\n");
  EXPECT_NE(r->get_header_value("Content-Disposition").find("filename=\"x.txt\""), std::string::npos);
  // Nothing of it is left anywhere in the server's temporary folder once the
  // answer has gone out, and nothing was written beside it.
  auto left = [] {
    std::vector<std::string> found;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(server_->temp(), ec), end; !ec && it != end; it.increment(ec))
      if (it->path().stem() == "x" || it->path().filename().string().rfind("request-", 0) == 0)
        found.push_back(it->path().string());
    // A folder the server removed while it was read: it is read again.
    if (ec) found.push_back("a folder that went while it was read: " + ec.message());
    return found;
  };
  std::vector<std::string> found;
  EXPECT_TRUE(Server::Within(2s, [&] { return (found = left()).empty(); })) << (found.empty() ? "" : found.front());
  EXPECT_FALSE(fs::exists(fs::current_path() / "../../x.docx"));
  EXPECT_FALSE(fs::exists(fs::current_path() / "x.docx"));
}

TEST_F(Serve, MetricsVersionAndFormatsAreAnswered) {
  auto client = server_->Client();
  ASSERT_EQ(Refusal(Convert("memo.docx", "nope")).first, 400);
  auto r = client->Get("/metrics");
  ASSERT_TRUE(r);
  ASSERT_EQ(r->status, 200);
  const std::string& text = r->body;
  EXPECT_TRUE(
      std::regex_search(text, std::regex("\nquillet_requests_total\\{route=\"/convert\",code=\"400\"\\} [1-9]")))
      << text;
  EXPECT_TRUE(
      std::regex_search(text, std::regex("\nquillet_requests_total\\{route=\"/convert\",code=\"200\"\\} [1-9]")))
      << text;
  EXPECT_NE(text.find("quillet_request_duration_seconds_bucket{route=\"/convert\",le=\"+Inf\"}"), std::string::npos);
  EXPECT_NE(text.find("quillet_queue_wait_seconds_count "), std::string::npos);
  EXPECT_NE(text.find("\nquillet_queue_depth 0\n"), std::string::npos);
  EXPECT_NE(text.find("\nquillet_workers 2\n"), std::string::npos);
  EXPECT_NE(text.find("\nquillet_workers_busy "), std::string::npos);
  EXPECT_NE(text.find("\nquillet_office_restarts_total "), std::string::npos);

  r = client->Get("/version");
  ASSERT_TRUE(r);
  EXPECT_EQ(json::parse(r->body)["name"], "quillet");
  r = client->Get("/formats");
  ASSERT_TRUE(r);
  const json formats = json::parse(r->body);
  const auto pdf = std::find_if(formats.begin(), formats.end(), [](const json& f) { return f["extension"] == ".pdf"; });
  ASSERT_NE(pdf, formats.end());
  EXPECT_EQ((*pdf)["word"], 17);
  EXPECT_EQ((*pdf)["excel"], 57);
}

// One worker, a queue of one and a token. Its tests run in this order: the
// last one stops it.
class OneWorkerServe : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new test::TempDir;
    test::WriteFile(*dir_ / "token", "the-token\n");
    test::WriteFile(*dir_ / "long.txt", LongText());
    test::WriteFile(*dir_ / "longer.txt", LongText(20000));
    server_ =
        new Server({"--workers", "1", "--max-queue", "1", "--auth-token-file", *dir_ / "token", "--probe-every", "2"});
    ASSERT_NE(server_->port(), 0) << server_->Log();
    ASSERT_TRUE(server_->HealthTurns(200, 60s)) << server_->Log();
  }
  static void TearDownTestSuite() {
    delete server_;
    delete dir_;
  }
  static std::unique_ptr<httplib::Client> Client() { return server_->Client("the-token"); }
  static json Health() { return server_->Health("the-token"); }
  static httplib::Result Slow(httplib::Client& client, const std::string& file = "long.txt") {
    return Post(client, "/convert", {Upload(*dir_ / file), Form("format", "pdf")});
  }
  // Whether /health comes to show what Wanted looks for within 20 s (it is
  // asked every 20 ms).
  static bool HealthShows(const std::function<bool(const json&)>& wanted) {
    for (int i = 0; i < 1000; ++i) {
      if (wanted(Health())) return true;
      std::this_thread::sleep_for(20ms);
    }
    return false;
  }
  static bool Busy(const json& health) { return health["workers"][0]["state"] == "busy"; }
  static std::function<bool(const json&)> Queued(int n) {
    return [n](const json& health) { return health["queued"] == n; };
  }
  static test::TempDir* dir_;
  static Server* server_;
};
test::TempDir* OneWorkerServe::dir_ = nullptr;
Server* OneWorkerServe::server_ = nullptr;

TEST_F(OneWorkerServe, ATokenIsRequiredWhenOneIsSet) {
  auto client = server_->Client();
  auto [status, error] = Refusal(client->Get("/version"));
  EXPECT_EQ(status, 401);
  EXPECT_NE(error.find("token"), std::string::npos);
  client->set_bearer_token_auth("the-wrong-token");
  EXPECT_EQ(Refusal(Post(*client, "/convert", {Form("format", "pdf")})).first, 401);
  EXPECT_EQ(Client()->Get("/version")->status, 200);
  // The service's supervisor asks without one, and learns no process ids
  // and no error texts.
  const auto health = server_->Client()->Get("/health");
  ASSERT_TRUE(health);
  EXPECT_EQ(health->status, 200);
  const json outside = json::parse(health->body);
  ASSERT_EQ(outside["workers"].size(), 1u) << outside;
  EXPECT_FALSE(outside["workers"][0].contains("pid")) << outside;
  EXPECT_EQ(outside["workers"][0]["office"], "answers");
  EXPECT_GT(Health()["workers"][0].value("pid", 0), 0) << "with the token, the process ids are shown";
}

TEST_F(OneWorkerServe, AFullQueueAnswers429AndAClientThatLeftFreesItsPlace) {
  // One converts, one waits, the third is turned away.
  auto first = std::async(std::launch::async, [] { return Slow(*Client(), "longer.txt"); });
  ASSERT_TRUE(HealthShows(Busy));
  auto second = std::async(std::launch::async, [] { return Slow(*Client()); });
  ASSERT_TRUE(HealthShows(Queued(1)));
  const auto third = Slow(*Client());
  ASSERT_TRUE(third);
  EXPECT_EQ(third->status, 429) << third->body;
  EXPECT_EQ(third->get_header_value("Retry-After"), "2");
  EXPECT_EQ(Refusal(third).second, "the queue is full: try again later");
  const auto one = first.get(), two = second.get();
  ASSERT_TRUE(one && two);
  EXPECT_EQ(one->status, 200);
  EXPECT_EQ(two->status, 200);

  // A waiting client that gives up leaves the queue: the next one gets its place.
  auto busy = std::async(std::launch::async, [] { return Slow(*Client(), "longer.txt"); });
  ASSERT_TRUE(HealthShows(Busy));
  const json conversions = Health()["workers"][0]["conversions"];
  auto impatient = Client();
  impatient->set_read_timeout(0, 200000);
  EXPECT_FALSE(Slow(*impatient));
  bool leftWhileTheWorkerWasBusy = false;
  EXPECT_TRUE(HealthShows([&](const json& health) {
    leftWhileTheWorkerWasBusy = health["workers"][0]["conversions"] == conversions;
    return health["queued"] == 0;
  }));
  EXPECT_TRUE(leftWhileTheWorkerWasBusy) << "the waiting job left the queue only when the worker took it";
  const auto next = Slow(*Client());
  ASSERT_TRUE(next);
  EXPECT_EQ(next->status, 200) << next->body;
  EXPECT_EQ(busy.get()->status, 200);
}

TEST_F(OneWorkerServe, HealthIs503WhileTheOfficeIsStoppedAnd200OnceItWasReplaced) {
  const json health = Health();
  ASSERT_EQ(health["workers"].size(), 1u) << health;
  const std::vector<int> offices = OfficesOf(health["workers"][0]["pid"]);
  ASSERT_EQ(offices.size(), 1u);
  ::kill(offices[0], SIGSTOP);
  // Its next probe (two seconds of idleness) misses its deadline.
  EXPECT_TRUE(server_->HealthTurns(503, 15s));
  EXPECT_TRUE(server_->HealthTurns(200, 30s)) << Health();
  EXPECT_TRUE(test::GoneWithin(offices[0], 5000));  // ended by the library, not continued
  ::kill(offices[0], SIGCONT);
  EXPECT_EQ(Health()["workers"][0]["office"], "answers");
}

TEST_F(OneWorkerServe, AStoppedOfficeFailsItsRequestAtTheDeadlineAndTheNextRequestWorks) {
  ASSERT_TRUE(server_->HealthTurns(200, 30s));
  const std::vector<int> offices = OfficesOf(Health()["workers"][0]["pid"]);
  ASSERT_EQ(offices.size(), 1u);
  ::kill(offices[0], SIGSTOP);
  test::WriteFile(*dir_ / "short.txt", "Short words\n");
  const auto late =
      Post(*Client(), "/convert", {Upload(*dir_ / "short.txt"), Form("format", "pdf"), Form("timeout", "3")});
  ::kill(offices[0], SIGCONT);
  EXPECT_EQ(Refusal(late).first, 504) << Refusal(late).second;
  const auto next = Post(*Client(), "/convert", {Upload(*dir_ / "short.txt"), Form("format", "pdf")});
  ASSERT_TRUE(next);
  EXPECT_EQ(next->status, 200) << next->body;
}

TEST_F(OneWorkerServe, TheHealthCheckStartsNoConversion) {
  // (A conversion would also count towards the office's recycling.) Probes
  // come every two seconds of idleness; health checks asked far more often
  // do not bring more.
  ASSERT_TRUE(server_->HealthTurns(200, 30s));
  ASSERT_TRUE(Server::Within(10s, [] { return ProbedAt(*server_).has_value(); }));
  std::set<fs::file_time_type> probes;
  const auto end = std::chrono::steady_clock::now() + 5s;
  while (std::chrono::steady_clock::now() < end) {
    EXPECT_EQ(server_->Client()->Get("/health")->status, 200);
    if (const auto at = ProbedAt(*server_)) probes.insert(*at);
    std::this_thread::sleep_for(20ms);
  }
  EXPECT_GE(probes.size(), 1u) << "no probe in five seconds of idleness";
  EXPECT_LE(probes.size(), 4u) << "probed more often than every two seconds: the health checks started probes";
}

TEST_F(OneWorkerServe, SigtermLetsTheRequestInProgressAnswerAndLeavesNoOffice) {
  const json health = Health();
  const int worker = health["workers"][0]["pid"];
  const std::vector<int> offices = OfficesOf(worker);
  ASSERT_EQ(offices.size(), 1u);
  auto request = std::async(std::launch::async, [] { return Slow(*Client()); });
  ASSERT_TRUE(HealthShows(Busy));
  EXPECT_EQ(server_->Stop(), 0);
  const auto answer = request.get();
  ASSERT_TRUE(answer);
  EXPECT_EQ(answer->status, 200) << answer->body;
  EXPECT_EQ(answer->body.substr(0, 5), "%PDF-");
  // Gone when the server has: no office outlives it.
  EXPECT_TRUE(test::GoneWithin(worker, 0));
  EXPECT_TRUE(test::GoneWithin(offices[0], 0));
  // Its private folder went with it, with its offices' pipes.
  EXPECT_TRUE(fs::is_empty(server_->temp()));
}

// One worker replaced after two documents, its idle office probed every
// second.
TEST(RecycledServe, AWorkerIsReplacedAfterItsJobsAndItsProbesDoNotCount) {
  Server server({"--workers", "1", "--probe-every", "1"}, {"QUILLET_OFFICE_RECYCLE_DOCUMENTS=2"});
  ASSERT_NE(server.port(), 0) << server.Log();
  ASSERT_TRUE(server.HealthTurns(200, 60s)) << server.Log();
  const int worker = server.Health()["workers"][0]["pid"];
  const std::vector<int> offices = OfficesOf(worker);
  // Four probes or so: the worker and its office stay.
  std::this_thread::sleep_for(4500ms);
  EXPECT_EQ(server.Health()["workers"][0]["pid"], worker);
  EXPECT_EQ(OfficesOf(worker), offices);
  // Two documents: a new worker with a new office takes the third, and no
  // request is turned away meanwhile.
  test::TempDir dir;
  test::WriteFile(dir / "a.txt", "Words\n");
  for (int i = 0; i < 3; ++i) {
    const auto r = Post(*server.Client(), "/convert", {Upload(dir / "a.txt"), Form("format", "pdf")});
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, 200) << r->body;
  }
  EXPECT_TRUE(Server::Within(30s, [&] {
    const json health = server.Health();
    return health["workers"][0].value("pid", 0) != worker && health["workers"][0]["office"] == "answers";
  }));
  EXPECT_TRUE(test::GoneWithin(worker, 10000));
}

}  // namespace
}  // namespace quillet
