// quillet serve against clients that do not play fair, over loopback: names
// made to become paths once decoded, bodies made to be read without end or
// as further requests, slow and idle connections, and keywords that reach
// routes no client needs. One server with one worker, a token, a 1 MiB body
// limit, three files to a request and four seconds to send one.
#include <gtest/gtest.h>

#include <zlib.h>

#include <chrono>
#include <filesystem>
#include <future>
#include <optional>
#include <regex>
#include <thread>

#include <nlohmann/json.hpp>

#include "ServeSupport.h"
#include "TestSupport.h"

namespace quillet {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using test::Form;
using test::Post;
using test::RawConnection;
using test::Refusal;
using test::UploadOf;
using namespace std::chrono_literals;

constexpr const char* kToken = "edge-token";

// A multipart body of Parts (name, file name or "" for a field, content).
struct Part {
  std::string name, filename, content;
};
const std::string kBoundary = "edge-b0undary";
std::string Multipart(const std::vector<Part>& parts) {
  std::string body;
  for (const Part& p : parts) {
    body += "--" + kBoundary + "\r\nContent-Disposition: form-data; name=\"" + p.name + "\"";
    if (!p.filename.empty()) body += "; filename=\"" + p.filename + "\"";
    body += "\r\n\r\n" + p.content + "\r\n";
  }
  return body + "--" + kBoundary + "--\r\n";
}
std::string Head(const std::string& line, const std::string& headers) {
  return line + "\r\nHost: 127.0.0.1\r\nAuthorization: Bearer " + kToken + "\r\n" + headers + "\r\n";
}
std::string PostHead(const std::string& headers) {
  return Head("POST /convert HTTP/1.1", "Content-Type: multipart/form-data; boundary=" + kBoundary + "\r\n" + headers);
}

std::string Gzip(const std::string& data) {
  z_stream z{};
  deflateInit2(&z, 9, Z_DEFLATED, 15 + 16, 9, Z_DEFAULT_STRATEGY);
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  std::string out;
  char buffer[1 << 16];
  do {
    z.next_out = reinterpret_cast<Bytef*>(buffer);
    z.avail_out = sizeof buffer;
    deflate(&z, Z_FINISH);
    out.append(buffer, sizeof buffer - z.avail_out);
  } while (z.avail_out == 0);
  deflateEnd(&z);
  return out;
}

// The file name a Content-Disposition header gives in its UTF-8 form.
std::string AttachmentName(const std::string& disposition) {
  const size_t at = disposition.find("filename*=UTF-8''");
  if (at == std::string::npos) return {};
  std::string name;
  const std::string encoded = disposition.substr(at + 17);
  for (size_t i = 0; i < encoded.size(); ++i) {
    if (encoded[i] == '%' && i + 2 < encoded.size()) {
      name.push_back(static_cast<char>(std::stoi(encoded.substr(i + 1, 2), nullptr, 16)));
      i += 2;
    } else {
      name.push_back(encoded[i]);
    }
  }
  return name;
}

bool ValidUtf8(const std::string& s) {
  // (A decoder of the test's own, as a client would have.)
  for (size_t i = 0; i < s.size();) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    size_t n = c < 0x80 ? 1 : (c >> 5) == 6 && c >= 0xC2 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 && c <= 0xF4 ? 4 : 0;
    if (n == 0 || i + n > s.size()) return false;
    for (size_t k = 1; k < n; ++k)
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    if (n == 3 && ((c == 0xE0 && static_cast<unsigned char>(s[i + 1]) < 0xA0) ||
                   (c == 0xED && static_cast<unsigned char>(s[i + 1]) >= 0xA0)))
      return false;
    if (n == 4 && ((c == 0xF0 && static_cast<unsigned char>(s[i + 1]) < 0x90) ||
                   (c == 0xF4 && static_cast<unsigned char>(s[i + 1]) >= 0x90)))
      return false;
    i += n;
  }
  return true;
}

class ServeEdge : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new test::TempDir;
    test::WriteFile(*dir_ / "token", std::string(kToken) + "\n");
    server_ =
        new test::ServeProcess({"--workers", "1", "--max-upload", "1M", "--read-timeout", "4", "--max-files", "3",
                                "--max-connections", "40", "--timeout", "30", "--auth-token-file", *dir_ / "token"});
    ASSERT_NE(server_->port(), 0) << server_->Log();
    ASSERT_TRUE(server_->HealthTurns(200, 60s)) << server_->Log();
  }
  static void TearDownTestSuite() {
    delete server_;
    delete dir_;
  }
  static std::unique_ptr<httplib::Client> Client() { return server_->Client(kToken); }
  // The log record of the request with Trace.
  static json Logged(const std::string& trace) {
    json found;
    test::ServeProcess::Within(2s, [&] {
      std::istringstream log(server_->Log());
      for (std::string line; std::getline(log, line);)
        if (const json r = json::parse(line, nullptr, false); r.is_object() && r.value("trace", "") == trace) found = r;
      return !found.is_null();
    });
    return found;
  }
  static test::TempDir* dir_;
  static test::ServeProcess* server_;
};
test::TempDir* ServeEdge::dir_ = nullptr;
test::ServeProcess* ServeEdge::server_ = nullptr;

TEST_F(ServeEdge, AnOverlongNameReadsNoFileOfTheServersOnEitherRoute) {
  // Decoded leniently, the first reads "../../../../../../../etc/passwd".
  const std::string bare = "\xC0\xAE." + test::OverlongDotsAndSlashes("/../../../../../../etc/passwd");
  const std::string named = test::OverlongDotsAndSlashes("../../../../../../../etc/passwd") + ".txt";
  for (const std::string route : {"/convert", "/forms/libreoffice/convert"}) {
    const std::string field = route == "/convert" ? "file" : "files";
    // (The compatible route makes PDF only, and refuses a format field.)
    const auto format = [&](httplib::MultipartFormDataItems items) {
      if (route == "/convert") items.push_back(Form("format", "txt"));
      return items;
    };
    const auto plain = Post(*Client(), route, format({UploadOf("Harmless words", bare, field)}));
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->body.find("root:"), std::string::npos) << route << " answered a file of the server's";
    EXPECT_EQ(plain->status, 400) << route << ": a name without a document's extension";
    // With one, the upload itself is what is converted, under a name of the
    // server's own.
    const auto converted = Post(*Client(), route, format({UploadOf("Harmless words", named, field)}));
    ASSERT_TRUE(converted);
    ASSERT_EQ(converted->status, 200) << route << ": " << converted->body;
    EXPECT_EQ(converted->body.find("root:"), std::string::npos) << route;
    if (field == "file") {
      EXPECT_EQ(converted->body, "Harmless words\r\n");
    }
    const std::string name = AttachmentName(converted->get_header_value("Content-Disposition"));
    EXPECT_TRUE(ValidUtf8(name)) << name;
    EXPECT_EQ(name.find('/'), std::string::npos) << name;
  }
}

TEST_F(ServeEdge, AnOverlongNameWritesNoFileOutsideItsRequest) {
  const std::string marker = "quillet-edge-" + std::to_string(::getpid());
  const std::string name = test::OverlongDotsAndSlashes("../../../../../../../tmp/" + marker) + ".txt";
  for (const std::string route : {"/convert", "/forms/libreoffice/convert"}) {
    const std::string field = route == "/convert" ? "file" : "files";
    httplib::MultipartFormDataItems items = {UploadOf("Written words\n", name, field)};
    if (route == "/convert") items.push_back(Form("format", "txt"));  // the compatible route refuses the field
    const auto r = Post(*Client(), route, items);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, 200) << route << ": " << r->body;
  }
  for (const auto& e : fs::directory_iterator("/tmp"))
    EXPECT_EQ(e.path().filename().string().find(marker), std::string::npos) << e.path();
}

TEST_F(ServeEdge, NamesThatAreNotUtf8OrTooLongNameTheirResultsAtCharacterBoundaries) {
  std::string accents;
  for (int i = 0; i < 150; ++i) accents += "\xC3\xA9";
  const std::string names[] = {"stray\x80\xFF.txt", "surrogate\xED\xA0\x80.txt", accents + ".txt"};
  for (const std::string& given : names) {
    const auto r = Post(*Client(), "/convert", {UploadOf("Some words", given), Form("format", "txt")});
    ASSERT_TRUE(r);
    ASSERT_EQ(r->status, 200) << r->body;
    EXPECT_EQ(r->body, "Some words\r\n");
    const std::string name = AttachmentName(r->get_header_value("Content-Disposition"));
    EXPECT_TRUE(ValidUtf8(name)) << name;
    EXPECT_TRUE(name.ends_with(".txt")) << name;
    EXPECT_LE(name.size(), 200u);
  }
}

TEST_F(ServeEdge, ABodyThatFailsToParseClosesItsConnectionAndNothingInItIsServed) {
  // Far more parts than a request may have, then, inside the declared body
  // and where a read of 4 KiB from the connection would begin, a request
  // of its own: it must never be answered.
  const std::string smuggled = Head("GET /metrics HTTP/1.1", "");
  std::string parts;
  for (int i = 0; i < 1100; ++i)
    parts += "--" + kBoundary + "\r\nContent-Disposition: form-data; name=\"f\"\r\n\r\nv\r\n";
  const size_t length = parts.size() + 4096 + smuggled.size() + 64;
  const std::string head = PostHead("Content-Length: " + std::to_string(length) + "\r\n");
  std::string body = parts + std::string((4096 - (head.size() + parts.size()) % 4096) % 4096, 'x') + smuggled;
  body.resize(length, 'y');
  RawConnection c(server_->port());
  c.Send(head + body);
  const auto stream = c.ReadToClose(5s);
  ASSERT_TRUE(stream) << "the connection was left open";
  EXPECT_EQ(test::Statuses(*stream), std::vector<int>{413}) << *stream;
  EXPECT_EQ(stream->find("quillet_requests_total"), std::string::npos);
  EXPECT_NE(stream->find("more than 64 fields"), std::string::npos) << *stream;
}

TEST_F(ServeEdge, ABodyWhereNoneBelongsOrFramedTwoWaysClosesItsConnection) {
  const std::string smuggled = Head("GET /metrics HTTP/1.1", "");
  const std::pair<std::string, std::string> requests[] = {
      {Head("GET /health HTTP/1.1", "Content-Length: " + std::to_string(smuggled.size()) + "\r\n") + smuggled,
       "the route takes no body"},
      {PostHead("Content-Length: 5\r\nTransfer-Encoding: chunked\r\n") + "0\r\n\r\n" + smuggled,
       "both Transfer-Encoding and Content-Length"},
      {PostHead("Transfer-Encoding: gzip, chunked\r\n") + "0\r\n\r\n" + smuggled, "only transfer coding"},
      {Head("POST /nowhere HTTP/1.1", "Content-Length: " + std::to_string(smuggled.size()) + "\r\n") + smuggled,
       "no such route"},
  };
  for (const auto& [request, reason] : requests) {
    RawConnection c(server_->port());
    c.Send(request);
    const auto stream = c.ReadToClose(5s);
    ASSERT_TRUE(stream) << reason << ": the connection was left open";
    EXPECT_EQ(test::Statuses(*stream).size(), 1u) << *stream;
    EXPECT_EQ(stream->find("quillet_requests_total"), std::string::npos) << reason;
    EXPECT_NE(stream->find(reason), std::string::npos) << *stream;
  }
}

TEST_F(ServeEdge, ADeclaredOversizeBodyIsRefusedBeforeItIsRead) {
  RawConnection c(server_->port());
  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(c.Send(PostHead("Gotenberg-Trace: oversize-declared\r\nContent-Length: 10737418240\r\n") +
                     std::string(100000, 'x')));
  const auto stream = c.ReadToClose(5s);
  ASSERT_TRUE(stream) << "the connection was left open";
  EXPECT_LT(std::chrono::steady_clock::now() - start, 3s) << "the refusal waited for the body";
  EXPECT_EQ(test::Statuses(*stream), std::vector<int>{413}) << *stream;
  EXPECT_NE(stream->find("Connection: close"), std::string::npos) << *stream;
  // The log counts what was read, not what was declared.
  const json record = Logged("oversize-declared");
  ASSERT_TRUE(record.is_object()) << server_->Log();
  EXPECT_LT(record["bytes_in"].get<uint64_t>(), 1000u) << record;
}

TEST_F(ServeEdge, AnOversizeBodyThatAsksToContinueGetsNoContinue) {
  RawConnection c(server_->port());
  ASSERT_TRUE(c.Send(PostHead("Expect: 100-continue\r\nContent-Length: 10737418240\r\n")));
  const auto stream = c.ReadToClose(3s);
  ASSERT_TRUE(stream) << "the connection was left open";
  EXPECT_EQ(stream->find("100 Continue"), std::string::npos) << *stream;
  EXPECT_EQ(test::Statuses(*stream), std::vector<int>{413}) << *stream;
}

TEST_F(ServeEdge, HeadersThatNameTheAnswerAreCleanedOrReplaced) {
  // A trace id that is not a short printable word is neither echoed nor
  // logged: the request gets one of the server's.
  for (const std::string& trace : {std::string(300, 'a'), std::string("trace\x01id"), std::string("caf\xC3\xA9")}) {
    const auto r = Client()->Get("/version", {{"Gotenberg-Trace", trace}});
    ASSERT_TRUE(r);
    const std::string answered = r->get_header_value("Gotenberg-Trace");
    EXPECT_TRUE(std::regex_match(answered, std::regex("[0-9a-f]{16}"))) << answered;
  }
  // The name of the result comes from a header: it names it, cleaned, and
  // never a path.
  const auto r = Post(*Client(), "/forms/libreoffice/convert", {UploadOf("words", "a.txt", "files")},
                      {{"Gotenberg-Output-Filename", test::OverlongDotsAndSlashes("../../../tmp/out") + "\x01"}});
  ASSERT_TRUE(r);
  ASSERT_EQ(r->status, 200) << r->body;
  const std::string name = AttachmentName(r->get_header_value("Content-Disposition"));
  EXPECT_TRUE(ValidUtf8(name)) << name;
  EXPECT_EQ(name.find('/'), std::string::npos) << name;
  EXPECT_TRUE(name.ends_with("out.pdf")) << name;
}

TEST_F(ServeEdge, ChunkedCompressedAndLengthlessBodiesCountAgainstTheLimit) {
  // 32 MiB in chunks: refused once past 1 MiB, and the server stops reading.
  {
    RawConnection c(server_->port());
    ASSERT_TRUE(c.Send(PostHead("Transfer-Encoding: chunked\r\n")));
    const std::string head =
        "--" + kBoundary + "\r\nContent-Disposition: form-data; name=\"file\"; filename=\"big.txt\"\r\n\r\n";
    std::string chunk = std::string(1 << 16, 'x');
    size_t sent = 0;
    bool open = c.Send("10000\r\n" + head + chunk.substr(head.size()) + "\r\n");
    while (open && sent < (32u << 20)) {
      open = c.Send("10000\r\n" + chunk + "\r\n", 3s);
      sent += chunk.size();
    }
    EXPECT_FALSE(open) << "the server read a 32 MiB chunked body";
    const auto stream = c.ReadToClose(5s);
    ASSERT_TRUE(stream);
    EXPECT_EQ(test::Statuses(*stream), std::vector<int>{413}) << *stream;
  }
  // 64 MiB that gzip makes 64 KiB of.
  {
    const std::string body = Gzip(Multipart({{"file", "zeros.txt", std::string(64u << 20, '0')}}));
    ASSERT_LT(body.size(), 1u << 20);
    RawConnection c(server_->port());
    c.Send(PostHead("Content-Encoding: gzip\r\nContent-Length: " + std::to_string(body.size()) + "\r\n") + body);
    const auto stream = c.ReadToClose(5s);
    ASSERT_TRUE(stream);
    EXPECT_EQ(test::Statuses(*stream), std::vector<int>{413}) << *stream;
  }
  // No length and no chunks: the body would end only with the connection.
  {
    RawConnection c(server_->port());
    c.Send(PostHead("") + Multipart({{"file", "a.txt", "words"}}));
    const auto stream = c.ReadToClose(5s);
    ASSERT_TRUE(stream) << "the server waits for the connection's end";
    EXPECT_EQ(test::Statuses(*stream), std::vector<int>{411}) << *stream;
  }
}

TEST_F(ServeEdge, SlowClientsDoNotStopTheHealthCheckAndAreCutOffInTime) {
  // More connections than the server has workers, queue places and threads
  // of old together, each sending one byte of its request line at a time.
  std::vector<std::unique_ptr<RawConnection>> slow;
  for (int i = 0; i < 24; ++i) slow.push_back(std::make_unique<RawConnection>(server_->port()));
  const auto start = std::chrono::steady_clock::now();
  const std::string line = "POST /convert HTTP/1.1\r\n";
  bool cutOff = false;
  for (size_t i = 0; !cutOff && std::chrono::steady_clock::now() - start < 8s; ++i) {
    for (auto& c : slow) cutOff = !c->Send(std::string(1, line[i % line.size()]), 1s) || cutOff;
    auto client = server_->Client();
    client->set_read_timeout(2, 0);
    const auto health = client->Get("/health");
    ASSERT_TRUE(health) << "the health check got no answer with " << slow.size() << " slow clients";
    EXPECT_EQ(health->status, 200);
    std::this_thread::sleep_for(250ms);
  }
  // The line and headers of a request have four seconds here (from when
  // the server took the connection, which the kernel may hold back a moment
  // when many come at once).
  for (auto& c : slow) EXPECT_TRUE(c->ClosedWithin(5s));
  EXPECT_LT(std::chrono::steady_clock::now() - start, 12s);
}

TEST_F(ServeEdge, AConnectionPastTheBoundIsRefusedAtOnce) {
  // Idle connections (one byte of a request each) until the server refuses
  // one: that happens at its bound of 40 (fewer while connections of the
  // tests before still close).
  std::vector<std::unique_ptr<RawConnection>> idle;
  std::optional<std::string> refused;
  while (!refused && idle.size() < 60) {
    auto c = std::make_unique<RawConnection>(server_->port());
    c->Send("G");
    refused = c->ReadToClose(50ms);
    if (!refused) idle.push_back(std::move(c));
  }
  ASSERT_TRUE(refused) << "60 idle connections were all taken";
  EXPECT_LE(idle.size(), 40u);
  EXPECT_EQ(test::Statuses(*refused), std::vector<int>{503}) << *refused;
  EXPECT_NE(refused->find("too many connections"), std::string::npos);
  idle.clear();
  EXPECT_TRUE(test::ServeProcess::Within(3s, [] { return Client()->Get("/version")->status == 200; }));
}

TEST_F(ServeEdge, OptionKeywordsOutsideThoseOfferedAre400NamingThem) {
  for (const std::string option : {"USEMACRO", "PDFA OPENFORMAT=8", "MS Excel", "MERGEHTML", "USEGSDLL"}) {
    const auto [status, error] = Refusal(
        Post(*Client(), "/convert", {UploadOf("words\n", "a.txt"), Form("format", "pdf"), Form("option", option)}));
    EXPECT_EQ(status, 400) << option;
    EXPECT_NE(error.find("option keyword"), std::string::npos) << error;
  }
  const auto taken = Post(*Client(), "/convert",
                          {UploadOf("words\n", "a.txt"), Form("format", "pdf"), Form("option", "PDFA PAGES=1")});
  ASSERT_TRUE(taken);
  EXPECT_EQ(taken->status, 200) << taken->body;
}

TEST_F(ServeEdge, ATimeoutAboveTheServersAndTooManyFilesAreRefused) {
  auto [status, error] = Refusal(
      Post(*Client(), "/convert", {UploadOf("words\n", "a.txt"), Form("format", "pdf"), Form("timeout", "31")}));
  EXPECT_EQ(status, 400);
  EXPECT_NE(error.find("from 1 to 30"), std::string::npos) << error;
  std::tie(status, error) = Refusal(Post(*Client(), "/forms/libreoffice/convert",
                                         {UploadOf("1", "1.txt", "files"), UploadOf("2", "2.txt", "files"),
                                          UploadOf("3", "3.txt", "files"), UploadOf("4", "4.txt", "files")}));
  EXPECT_EQ(status, 413);
  EXPECT_NE(error.find("more than 3 files"), std::string::npos) << error;
  std::tie(status, error) = Refusal(Post(*Client(), "/convert", {UploadOf("MZ", "tool.exe"), Form("format", "pdf")}));
  EXPECT_EQ(status, 400);
  EXPECT_NE(error.find("tool.exe: the server converts documents named"), std::string::npos) << error;
}

}  // namespace
}  // namespace quillet
