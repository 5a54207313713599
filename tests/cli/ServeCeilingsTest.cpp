// quillet serve holds each request to its ceilings and frees what nobody
// waits for, over LibreOffice: an office that swells past its memory ceiling
// and results past theirs fail the document in seconds, a client that leaves
// frees its worker, a worker that stops answering is replaced, an office
// killed under a document is a failure to retry, the office loads nothing a
// document links to, and a server stopped mid-request leaves nothing behind.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/socket.h>
#include <netinet/in.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <future>
#include <thread>

#include <nlohmann/json.hpp>

#include "FlatDocuments.h"
#include "LinuxSupport.h"
#include "Processes.h"
#include "uno/PipeFiles.h"
#include "ServeSupport.h"
#include "TestSupport.h"
#include "ZipBomb.h"

namespace quillet {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using test::Form;
using test::OfficesOf;
using test::Post;
using test::Refusal;
using test::UploadOf;
using namespace std::chrono_literals;

constexpr const char* kToken = "ceiling-token";

// A listener on a loopback port of its own that counts the connections made
// to it, answering none.
class Listener {
 public:
  Listener() {
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t n = sizeof a;
    ::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::listen(fd_, 16);
    ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &n);
    port_ = ntohs(a.sin_port);
    thread_ = std::thread([this] {
      while (!stop_) {
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, 50) > 0) {
          const int c = ::accept(fd_, nullptr, nullptr);
          if (c >= 0) {
            ++connections_;
            ::close(c);
          }
        }
      }
    });
  }
  ~Listener() {
    stop_ = true;
    thread_.join();
    ::close(fd_);
  }
  int port() const { return port_; }
  int connections() const { return connections_; }

 private:
  int fd_ = -1, port_ = 0;
  std::atomic<bool> stop_{false};
  std::atomic<int> connections_{0};
  std::thread thread_;
};

class ServeCeilings : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new test::TempDir;
    test::WriteFile(*dir_ / "token", std::string(kToken) + "\n");
    test::WriteFile(*dir_ / "long.txt", test::LongText(60000));
    server_ = new test::ServeProcess({"--workers", "1", "--max-upload", "20M", "--max-office-memory", "600M",
                                      "--max-result", "3M", "--timeout", "40", "--drain-timeout", "1",
                                      "--allow-any-option", "--auth-token-file", *dir_ / "token"});
    ASSERT_NE(server_->port(), 0) << server_->Log();
    ASSERT_TRUE(server_->HealthTurns(200, 60s)) << server_->Log();
  }
  static void TearDownTestSuite() {
    delete server_;
    delete dir_;
  }
  static std::unique_ptr<httplib::Client> Client() { return server_->Client(kToken); }
  static json Worker() { return server_->Health(kToken)["workers"][0]; }
  static bool Busy() { return Worker().value("state", "") == "busy"; }
  // The one worker, idle again with an office that answers (the next
  // request must not wait for an office's start).
  static bool Ready() {
    const json w = Worker();
    return w.value("state", "") == "idle" && w.value("office", "") == "answers";
  }
  static httplib::Result ConvertLong(httplib::Client& client) {
    return Post(client, "/convert", {test::Upload(*dir_ / "long.txt"), Form("format", "pdf")});
  }
  static test::TempDir* dir_;
  static test::ServeProcess* server_;
};
test::TempDir* ServeCeilings::dir_ = nullptr;
test::ServeProcess* ServeCeilings::server_ = nullptr;

TEST_F(ServeCeilings, AnOfficePastItsMemoryCeilingIsEndedAndTheDocumentFails) {
  // About a gigabyte of text in one paragraph.
  const std::string bomb = test::ZipBombDocx(64, 'a');
  ASSERT_LT(bomb.size(), 20u << 20);
  const auto start = std::chrono::steady_clock::now();
  const auto [status, error] =
      Refusal(Post(*Client(), "/convert", {UploadOf(bomb, "bomb.docx"), Form("format", "txt")}));
  EXPECT_EQ(status, 422) << error;
  EXPECT_NE(error.find("memory ceiling of 600 MiB"), std::string::npos) << error;
  EXPECT_LT(std::chrono::steady_clock::now() - start, 35s) << "ended by the deadline, not by the ceiling";
  EXPECT_TRUE(test::ServeProcess::Within(60s, Ready));
}

TEST_F(ServeCeilings, ResultsPastTheirCeilingFailTheDocument) {
  // A few hundred bytes whose cells repeat into some 40 MB of text.
  const std::string sheet = test::FlatSpreadsheet({{"S", {{"xxxxxxxxxx"}}}});
  std::string big = sheet;
  const std::string cell = "<table:table-row><table:table-cell";
  const size_t at = big.find(cell);
  ASSERT_NE(at, std::string::npos) << sheet;
  big.replace(at, cell.size(),
              "<table:table-row table:number-rows-repeated=\"20000\"><table:table-cell "
              "table:number-columns-repeated=\"200\"");
  const auto [status, error] =
      Refusal(Post(*Client(), "/convert", {UploadOf(big, "cells.fods"), Form("format", "csv")}));
  EXPECT_EQ(status, 422) << error;
  EXPECT_NE(error.find("larger than the ceiling of 3 MiB"), std::string::npos) << error;
  EXPECT_TRUE(test::ServeProcess::Within(60s, Ready));
}

TEST_F(ServeCeilings, AClientThatLeavesFreesItsWorkerWithinTwoSeconds) {
  ASSERT_TRUE(test::ServeProcess::Within(60s, Ready));
  auto leaving = std::async(std::launch::async, [] {
    auto client = Client();
    client->set_read_timeout(3, 0);  // the conversion takes longer
    return ConvertLong(*client);
  });
  ASSERT_TRUE(test::ServeProcess::Within(5s, Busy));
  EXPECT_FALSE(leaving.get());
  const auto left = std::chrono::steady_clock::now();
  EXPECT_TRUE(test::ServeProcess::Within(2500ms, [] { return !Busy(); }))
      << "the worker still converts for a client that has gone";
  EXPECT_LT(std::chrono::steady_clock::now() - left, 2500ms);

  // Mid-way through a request of several files: the files after the one
  // being converted are not started.
  ASSERT_TRUE(test::ServeProcess::Within(60s, Ready));
  const long before = Worker().value("conversions", 0L);
  const std::string text = test::ReadFile(*dir_ / "long.txt");
  auto many = std::async(std::launch::async, [&] {
    auto client = Client();
    client->set_read_timeout(3, 0);
    return Post(*client, "/forms/libreoffice/convert",
                {UploadOf(text, "1.txt", "files"), UploadOf(text, "2.txt", "files"), UploadOf(text, "3.txt", "files")});
  });
  ASSERT_TRUE(test::ServeProcess::Within(5s, Busy));
  EXPECT_FALSE(many.get());
  EXPECT_TRUE(test::ServeProcess::Within(2500ms, [] { return !Busy(); }));
  std::this_thread::sleep_for(1s);
  EXPECT_FALSE(Busy()) << "a later file of the abandoned request was started";
  EXPECT_LE(Worker().value("conversions", 0L) - before, 1);
}

TEST_F(ServeCeilings, AnOfficeKilledUnderADocumentIsAFailureToRetry) {
  ASSERT_TRUE(test::ServeProcess::Within(60s, Ready));
  auto request = std::async(std::launch::async, [] { return ConvertLong(*Client()); });
  ASSERT_TRUE(test::ServeProcess::Within(5s, Busy));
  std::this_thread::sleep_for(500ms);
  const std::vector<int> offices = OfficesOf(Worker()["pid"]);
  ASSERT_EQ(offices.size(), 1u);
  ::kill(offices[0], SIGKILL);
  const auto answer = request.get();
  ASSERT_TRUE(answer);
  EXPECT_EQ(answer->status, 503) << answer->body;
  EXPECT_FALSE(answer->get_header_value("Retry-After").empty());
}

TEST_F(ServeCeilings, AWorkerThatDoesNotAnswerIsEndedAndReplaced) {
  ASSERT_TRUE(test::ServeProcess::Within(60s, Ready));
  const int worker = Worker()["pid"];
  auto request = std::async(std::launch::async, [] {
    return Post(*Client(), "/convert", {test::Upload(*dir_ / "long.txt"), Form("format", "pdf"), Form("timeout", "2")});
  });
  ASSERT_TRUE(test::ServeProcess::Within(5s, Busy));
  ::kill(worker, SIGSTOP);
  const auto start = std::chrono::steady_clock::now();
  const auto answer = request.get();
  ::kill(worker, SIGCONT);
  ASSERT_TRUE(answer);
  EXPECT_EQ(answer->status, 503) << answer->body;
  EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
  EXPECT_TRUE(test::GoneWithin(worker, 5000));
  EXPECT_TRUE(test::ServeProcess::Within(60s, Ready));
  EXPECT_NE(Worker()["pid"], worker);
}

TEST_F(ServeCeilings, TheOfficeLoadsNothingADocumentLinksTo) {
  ASSERT_TRUE(test::ServeProcess::Within(60s, Ready));
  Listener listener;
  const std::string url = "http://127.0.0.1:" + std::to_string(listener.port());
  const std::string page = "<html><head><link rel=\"stylesheet\" href=\"" + url +
                           "/style.css\"></head><body>"
                           "<p>Linked</p><img src=\"" +
                           url + "/picture.png\"></body></html>";
  const auto r = Post(*Client(), "/convert", {UploadOf(page, "page.html"), Form("format", "pdf")});
  ASSERT_TRUE(r);
  EXPECT_EQ(r->status, 200) << r->body;
  std::this_thread::sleep_for(500ms);
  EXPECT_EQ(listener.connections(), 0) << "the office fetched what the page links to";
}

TEST_F(ServeCeilings, AnyOptionKeywordPassesWhenTheServerWasStartedSo) {
  const auto r = Post(*Client(), "/convert",
                      {UploadOf("words\n", "a.txt"), Form("format", "pdf"), Form("option", "NOCREATEIMAGEDIR")});
  ASSERT_TRUE(r);
  EXPECT_EQ(r->status, 200) << r->body;
}

// Last: it stops the server.
TEST_F(ServeCeilings, ADrainThatEndsTheWorkersLeavesNoOfficeNoPipeAndNoFolder) {
  ASSERT_TRUE(test::ServeProcess::Within(60s, Ready));
  const int worker = Worker()["pid"];
  const std::vector<int> offices = OfficesOf(worker);
  ASSERT_EQ(offices.size(), 1u);
  const std::vector<std::string> pipes = office::uno::PipeFilesOf(worker);
  ASSERT_FALSE(pipes.empty());
  auto request = std::async(std::launch::async, [] { return ConvertLong(*Client()); });
  ASSERT_TRUE(test::ServeProcess::Within(5s, Busy));
  // The drain lasts a second; the conversion longer: its worker is ended.
  EXPECT_EQ(server_->Stop(), 0);
  const auto answer = request.get();
  if (answer) {
    EXPECT_EQ(answer->status, 503) << answer->body;
  }
  // Ended when the server has: no office outlives it. (Its parent ended
  // first, so it may wait a moment for the system to take its exit status.)
  EXPECT_FALSE(cli::Running(worker));
  EXPECT_FALSE(cli::Running(offices[0]));
  // Nor the files of its pipes, nor the folder they were in.
  for (const std::string& pipe : pipes) {
    EXPECT_FALSE(fs::exists(pipe)) << pipe;
    if (pipe.rfind("/tmp/quillet-pipes-", 0) == 0) {
      EXPECT_FALSE(fs::exists(fs::path(pipe).parent_path())) << pipe;
    }
  }
  EXPECT_TRUE(fs::is_empty(server_->temp()));
}

}  // namespace
}  // namespace quillet
