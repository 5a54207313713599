// quillet serve as its clients see it, over LibreOffice: the program started
// on a free loopback port with a private temporary folder and cache (the
// profiles of its workers' offices), and asked over HTTP. One server with two
// workers answers the conversions and the bad requests; one with a single
// worker, a queue of one and a token is filled, has its office stopped, and
// is stopped itself during a request.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zip.h>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>

#include <httplib.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <future>
#include <optional>
#include <regex>
#include <thread>

#include <nlohmann/json.hpp>

#include "FlatDocuments.h"
#include "LinuxSupport.h"
#include "TestSupport.h"

extern char** environ;

namespace quillet {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using test::ReadFile;
using namespace std::chrono_literals;

// The server program, started with Args and a temporary folder of its own
// (TMPDIR, with the cache of its offices' profiles beside it).
class Server {
 public:
  explicit Server(const std::vector<std::string>& args) {
    fs::create_directories(temp_ / "tmp");
    std::vector<std::string> all = {QUILLET_PROGRAM, "serve", "--listen", "127.0.0.1:0"};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<std::string> env = {"TMPDIR=" + temp_ / "tmp", "XDG_CACHE_HOME=" + temp_ / "cache",
                                    "QUILLET_OFFICE_PIPE=quillet-serve-test-" + std::to_string(::getpid())};
    for (char** e = environ; *e; ++e) {
      const std::string entry = *e;
      if (entry.rfind("TMPDIR=", 0) != 0 && entry.rfind("XDG_CACHE_HOME=", 0) != 0 &&
          entry.rfind("QUILLET_OFFICE_PIPE=", 0) != 0 && entry.rfind("QUILLET_AUTOMATION_REGISTRY=", 0) != 0)
        env.push_back(entry);
    }
    std::vector<char*> envp;
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, (temp_ / "out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, (temp_ / "err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (::posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) pid_ = 0;
    posix_spawn_file_actions_destroy(&actions);
    // It prints its port once it listens.
    const std::regex listening("listening on 127\\.0\\.0\\.1:([0-9]+)");
    for (int i = 0; i < 1500 && pid_ && port_ == 0; ++i) {
      std::smatch m;
      const std::string out = ReadFile(temp_ / "out");
      if (std::regex_search(out, m, listening))
        port_ = std::stoi(m[1]);
      else
        std::this_thread::sleep_for(20ms);
    }
  }
  ~Server() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
  }

  int port() const { return port_; }
  std::unique_ptr<httplib::Client> Client() const {
    auto client = std::make_unique<httplib::Client>("127.0.0.1", port_);
    client->set_read_timeout(60, 0);
    return client;
  }
  // Waits until /health answers Status; false when it did not within Limit.
  bool HealthTurns(int status, std::chrono::milliseconds limit) const {
    const auto end = std::chrono::steady_clock::now() + limit;
    auto client = Client();
    while (std::chrono::steady_clock::now() < end) {
      if (const auto r = client->Get("/health"); r && r->status == status) return true;
      std::this_thread::sleep_for(100ms);
    }
    return false;
  }
  json Health() const {
    const auto r = Client()->Get("/health");
    return r ? json::parse(r->body) : json();
  }
  // SIGTERM; the exit status, or -1 when it did not exit of itself.
  int Stop() {
    ::kill(pid_, SIGTERM);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = 0;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  std::string Log() const { return ReadFile(temp_ / "err"); }
  const test::TempDir& temp() const { return temp_; }
  // When worker Id last wrote the result of its office's probe; nullopt
  // before the first.
  std::optional<fs::file_time_type> ProbedAt(int id) const {
    std::error_code ec;
    for (fs::recursive_directory_iterator it(temp_ / "tmp", ec), end; !ec && it != end; it.increment(ec))
      if (it->path().filename() == "probe-" + std::to_string(id) + ".txt") return fs::last_write_time(it->path(), ec);
    return std::nullopt;
  }

 private:
  test::TempDir temp_;
  pid_t pid_ = 0;
  int port_ = 0;
};

httplib::MultipartFormData Upload(const std::string& file, const std::string& name = {}) {
  return {"file", ReadFile(file), name.empty() ? fs::path(file).filename().string() : name,
          "application/octet-stream"};
}
httplib::Result Post(httplib::Client& client, const std::string& path, const httplib::MultipartFormDataItems& items,
                     const httplib::Headers& headers = {}) {
  return client.Post(path, headers, items);
}

httplib::MultipartFormData Form(const std::string& name, const std::string& value) { return {name, value, "", ""}; }

// The soffice.bin processes whose parent is Pid.
std::vector<int> OfficesOf(int pid) {
  std::vector<int> pids;
  for (const auto& e : fs::directory_iterator("/proc")) {
    const std::string name = e.path().filename().string();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    const std::string status = ReadFile((e.path() / "status").string());
    if (status.rfind("Name:\tsoffice.bin\n", 0) == 0 &&
        status.find("\nPPid:\t" + std::to_string(pid) + "\n") != std::string::npos)
      pids.push_back(std::stoi(name));
  }
  return pids;
}

// The names and contents of a zip archive's files.
std::map<std::string, std::string> Unzip(const std::string& archive) {
  std::map<std::string, std::string> files;
  zip_error_t error;
  zip_error_init(&error);
  zip_source_t* source = zip_source_buffer_create(archive.data(), archive.size(), 0, &error);
  zip_t* zip = source ? zip_open_from_source(source, ZIP_RDONLY, &error) : nullptr;
  if (!zip) {
    if (source) zip_source_free(source);
    return files;
  }
  for (zip_int64_t i = 0; i < zip_get_num_entries(zip, 0); ++i) {
    zip_stat_t st;
    zip_stat_index(zip, static_cast<zip_uint64_t>(i), 0, &st);
    std::string content(st.size, '\0');
    zip_file_t* f = zip_fopen_index(zip, static_cast<zip_uint64_t>(i), 0);
    if (f) {
      zip_fread(f, content.data(), st.size);
      zip_fclose(f);
    }
    files[st.name] = content;
  }
  zip_close(zip);
  return files;
}

int Pages(const std::string& pdf) {
  QPDF q;
  q.processMemoryFile("answer", pdf.data(), pdf.size());
  return static_cast<int>(QPDFPageDocumentHelper(q).getAllPages().size());
}

// The status and error of a JSON answer.
std::pair<int, std::string> Refusal(const httplib::Result& r) {
  if (!r) return {0, "no answer"};
  const json body = json::parse(r->body, nullptr, false);
  if (!body.is_object() || body.value("status", 0) != r->status) return {r->status, "not a JSON answer: " + r->body};
  return {r->status, body.value("error", "")};
}

// A text long enough that its conversion to PDF takes a while.
std::string LongText(int lines = 6000) {
  std::string text;
  for (int i = 0; i < lines; ++i) text += "Line " + std::to_string(i) + " of a long document, with words enough.\n";
  return text;
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
    Make("deck.fodp", test::FlatPresentation({{{"Slide words"}}, {{"More words"}}}), "deck.pptx", "pptx",
         "powerpoint");
    test::WriteFile(Path("broken.docx"), "not a document");
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
  EXPECT_EQ(Pages(archive.at("1_memo.pdf")), 1);
  EXPECT_EQ(Pages(archive.at("2_deck.pdf")), 2);

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
      if (const json r = json::parse(line, nullptr, false); r.is_object() && r.value("trace", "") == "trace-of-the-merge")
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
      {{{"files", ReadFile(Path("memo.docx")), "memo.docx", ""}, Form("nativePageRanges", "1,3")},
       "nativePageRanges must be"},
  };
  for (const auto& [items, reason] : badCompatible) {
    const auto [status, error] = Refusal(Post(*client, "/forms/libreoffice/convert", items));
    EXPECT_EQ(status, 400) << reason;
    EXPECT_NE(error.find(reason), std::string::npos) << error;
  }
  EXPECT_EQ(Refusal(client->Post("/convert", "{}", "application/json")).first, 400);

  const auto [status, error] = Refusal(Post(*client, "/convert", {Upload(Path("memo.docx")), Form("pad", std::string(1100000, 'x'))}));
  EXPECT_EQ(status, 413);
  EXPECT_NE(error.find("larger than 1048576 bytes"), std::string::npos) << error;
}

TEST_F(Serve, DocumentsThatCannotBeConvertedAre422WithTheLibrarysText) {
  auto [status, error] = Refusal(Convert("broken.docx", "pdf"));
  EXPECT_EQ(status, 422);
  EXPECT_EQ(error, "The file is corrupt and cannot be opened");
  std::tie(status, error) = Refusal(Convert("secret.docx", "txt"));
  EXPECT_EQ(status, 422);
  EXPECT_EQ(error, "The password is incorrect");
}

TEST_F(Serve, AnUploadNamedWithFoldersIsConvertedInsideItsRequestFolder) {
  const auto r = Post(*server_->Client(), "/convert", {Upload(Path("memo.docx"), "../../x.docx"), Form("format", "txt")});
  ASSERT_TRUE(r);
  ASSERT_EQ(r->status, 200) << r->body;
  EXPECT_EQ(r->body, "Memo words\r\n");
  EXPECT_NE(r->get_header_value("Content-Disposition").find("filename=\"x.txt\""), std::string::npos);
  // Nothing of it is left anywhere in the server's temporary folder, and
  // nothing was written beside it.
  for (const auto& e : fs::recursive_directory_iterator(server_->temp().path())) {
    EXPECT_NE(e.path().stem(), "x") << e.path();
    EXPECT_EQ(e.path().filename().string().rfind("request-", 0), std::string::npos) << e.path();
  }
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
  EXPECT_TRUE(std::regex_search(text, std::regex("\nquillet_requests_total\\{route=\"/convert\",code=\"400\"\\} [1-9]")))
      << text;
  EXPECT_TRUE(std::regex_search(text, std::regex("\nquillet_requests_total\\{route=\"/convert\",code=\"200\"\\} [1-9]")))
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
    server_ = new Server({"--workers", "1", "--max-queue", "1", "--auth-token-file", *dir_ / "token"});
    ASSERT_NE(server_->port(), 0) << server_->Log();
    ASSERT_TRUE(server_->HealthTurns(200, 60s)) << server_->Log();
  }
  static void TearDownTestSuite() {
    delete server_;
    delete dir_;
  }
  static std::unique_ptr<httplib::Client> Client() {
    auto client = server_->Client();
    client->set_bearer_token_auth("the-token");
    return client;
  }
  static httplib::Result Slow(httplib::Client& client, const std::string& file = "long.txt") {
    return Post(client, "/convert", {Upload(*dir_ / file), Form("format", "pdf")});
  }
  // Whether /health comes to show what Wanted looks for within 20 s (it is
  // asked every 20 ms).
  static bool HealthShows(const std::function<bool(const json&)>& wanted) {
    for (int i = 0; i < 1000; ++i) {
      if (wanted(server_->Health())) return true;
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
  EXPECT_EQ(server_->Client()->Get("/health")->status, 200);  // for the service's supervisor
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
  const json conversions = server_->Health()["workers"][0]["conversions"];
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
  const json health = server_->Health();
  ASSERT_EQ(health["workers"].size(), 1u) << health;
  const std::vector<int> offices = OfficesOf(health["workers"][0]["pid"]);
  ASSERT_EQ(offices.size(), 1u);
  ::kill(offices[0], SIGSTOP);
  EXPECT_TRUE(server_->HealthTurns(503, 15s));
  EXPECT_TRUE(server_->HealthTurns(200, 30s)) << server_->Health();
  EXPECT_TRUE(test::GoneWithin(offices[0], 5000));  // ended by the library, not continued
  ::kill(offices[0], SIGCONT);
  EXPECT_EQ(server_->Health()["workers"][0]["office"], "answers");
}

TEST_F(OneWorkerServe, AServerNobodyWatchesTakesRequestsAgainOnceItsOfficeWasReplaced) {
  const std::vector<int> offices = OfficesOf(server_->Health()["workers"][0]["pid"]);
  ASSERT_EQ(offices.size(), 1u);
  std::this_thread::sleep_for(1500ms);  // the probe that health check asked for is done
  ::kill(offices[0], SIGSTOP);
  // One health check, then nobody asks again: its probe fails at its
  // deadline (3 s), and the office is ended.
  EXPECT_EQ(server_->Client()->Get("/health")->status, 200);  // the last answer known
  std::this_thread::sleep_for(5s);
  ::kill(offices[0], SIGCONT);
  // Requests alone must find the worker back once its office was replaced.
  test::WriteFile(*dir_ / "short.txt", "Short words\n");
  int status = 0;
  for (int i = 0; i < 100 && status != 200; ++i) {
    const auto r = Post(*Client(), "/convert", {Upload(*dir_ / "short.txt"), Form("format", "pdf")});
    status = r ? r->status : 0;
    if (status != 200) std::this_thread::sleep_for(200ms);
  }
  EXPECT_EQ(status, 200) << "the server refuses work until someone asks /health";
}

TEST_F(OneWorkerServe, AnIdleOfficeIsProbedOnlyWhenTheHealthCheckAsks) {
  // (Each probe is a document that counts towards the office's recycling.)
  ASSERT_TRUE(server_->HealthTurns(200, 30s));
  // The probe this health check asked for is done once the probe's result
  // stays as it is for a second and a half (probes a second apart never do).
  auto before = server_->ProbedAt(1);
  bool settled = false;
  for (int i = 0; i < 8 && !settled; ++i) {
    std::this_thread::sleep_for(1500ms);
    const auto now = server_->ProbedAt(1);
    settled = now && now == before;
    before = now;
  }
  ASSERT_TRUE(settled) << "the office is probed with nobody asking";
  std::this_thread::sleep_for(2500ms);
  EXPECT_EQ(server_->ProbedAt(1), before) << "probed with nobody asking";

  bool probed = false;
  for (int i = 0; i < 40 && !probed; ++i) {
    EXPECT_EQ(server_->Client()->Get("/health")->status, 200);
    std::this_thread::sleep_for(100ms);
    probed = server_->ProbedAt(1) != before;
  }
  EXPECT_TRUE(probed) << "the health check asked, and no probe came";
}

TEST_F(OneWorkerServe, SigtermLetsTheRequestInProgressAnswerAndLeavesNoOffice) {
  const json health = server_->Health();
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
  EXPECT_TRUE(test::GoneWithin(worker, 1000));
  EXPECT_TRUE(test::GoneWithin(offices[0], 1000));
  // Its private folder went with it.
  EXPECT_TRUE(fs::is_empty(server_->temp() / "tmp"));
}

}  // namespace
}  // namespace quillet
