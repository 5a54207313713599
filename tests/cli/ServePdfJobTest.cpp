// The service's PDF work walled off in its child process (PdfJob.h), on PDF
// files made to exhaust what reads them: an object stream of a few hundred
// kilobytes that inflates to hundreds of mebibytes, the page tree inside it.
// Such a file is answered 504 at its deadline, and under a memory ceiling it
// passes the object behind the ceiling is not read; the server then answers the next
// request; no child outlives its request, whether its deadline ended it or
// its client went away; a password reaches the child only through its
// input; the child holds no descriptor of the server's; a child that crashes
// is a 422; a split whose parts together pass the ceiling of the results is
// a 422. Servers on loopback.
#include <gtest/gtest.h>

#include <signal.h>
#include <zlib.h>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "ServeSupport.h"

namespace quillet {
namespace {

using nlohmann::json;
using test::Form;
using test::Post;
using test::Refusal;
using test::UploadOf;
using namespace std::chrono_literals;

constexpr const char* kRead = "/forms/pdfengines/metadata/read";
constexpr const char* kEncrypt = "/forms/pdfengines/encrypt";

// Zlib data of Head followed by Mebibytes MiB of blanks, made without
// compressing them all: each fully flushed mebibyte of blanks after the
// first compresses to the same bytes, repeated; the checksum is combined.
std::string Inflating(const std::string& head, int mebibytes) {
  z_stream z{};
  if (deflateInit(&z, 9) != Z_OK) throw std::runtime_error("deflateInit");
  const std::string blanks(1 << 20, ' ');
  auto deflated = [&z](const std::string& in, int flush) {
    std::string out(deflateBound(&z, in.size()) + 64, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
    z.avail_in = static_cast<uInt>(in.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    if (deflate(&z, flush) == Z_STREAM_ERROR || z.avail_in != 0) throw std::runtime_error("deflate");
    out.resize(out.size() - z.avail_out);
    return out;
  };
  std::string data = deflated(head + blanks, Z_FULL_FLUSH);
  const std::string again = deflated(blanks, Z_FULL_FLUSH);
  if (deflated(blanks, Z_FULL_FLUSH) != again) throw std::runtime_error("flushed blocks differ");
  for (int i = 1; i < mebibytes; ++i) data += again;
  std::string end = deflated("", Z_FINISH);
  deflateEnd(&z);
  uLong adler = adler32(adler32(0, nullptr, 0), reinterpret_cast<const Bytef*>(head.data()), head.size());
  const uLong ofBlanks = adler32(adler32(0, nullptr, 0), reinterpret_cast<const Bytef*>(blanks.data()), blanks.size());
  for (int i = 0; i < mebibytes; ++i) adler = adler32_combine(adler, ofBlanks, blanks.size());
  end.resize(end.size() - 4);
  for (int shift = 24; shift >= 0; shift -= 8) end.push_back(static_cast<char>((adler >> shift) & 0xff));
  return data + end;
}

// A PDF of one page whose page tree root (object 2) lies in an object stream
// that inflates to Mebibytes MiB: reading its pages reads the whole stream.
std::string BombPdf(int mebibytes) {
  const std::string index = "2 0 ";
  const std::string data = Inflating(index + "<< /Type /Pages /Kids [3 0 R] /Count 1 >>", mebibytes);
  std::string pdf = "%PDF-1.5\n";
  std::vector<size_t> at(6, 0);
  auto add = [&](int number, const std::string& body) {
    at[number] = pdf.size();
    pdf += std::to_string(number) + " 0 obj\n" + body + "\nendobj\n";
  };
  add(1, "<< /Type /Catalog /Pages 2 0 R >>");
  add(3, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 100 100] >>");
  add(4, "<< /Type /ObjStm /N 1 /First " + std::to_string(index.size()) + " /Filter /FlateDecode /Length " +
             std::to_string(data.size()) + " >>\nstream\n" + data + "\nendstream");
  at[5] = pdf.size();
  // The cross-reference stream: type, field 2 (4 bytes), field 3 (2 bytes).
  std::string rows;
  auto row = [&rows](int type, uint32_t second, uint16_t third) {
    rows.push_back(static_cast<char>(type));
    for (int shift = 24; shift >= 0; shift -= 8) rows.push_back(static_cast<char>((second >> shift) & 0xff));
    rows.push_back(static_cast<char>(third >> 8));
    rows.push_back(static_cast<char>(third & 0xff));
  };
  row(0, 0, 65535);
  row(1, static_cast<uint32_t>(at[1]), 0);
  row(2, 4, 0);  // object 2: the first of object stream 4
  row(1, static_cast<uint32_t>(at[3]), 0);
  row(1, static_cast<uint32_t>(at[4]), 0);
  row(1, static_cast<uint32_t>(at[5]), 0);
  pdf += "5 0 obj\n<< /Type /XRef /Size 6 /W [1 4 2] /Root 1 0 R /Length " + std::to_string(rows.size()) +
         " >>\nstream\n" + rows + "\nendstream\nendobj\nstartxref\n" + std::to_string(at[5]) + "\n%%EOF\n";
  return pdf;
}

// A PDF of Pages pages that all show one content stream of Bytes bytes that
// do not compress: each page split off it carries the whole stream.
std::string SharedContentPdf(int pages, size_t bytes) {
  std::string noise(bytes, '\0');
  uint32_t x = 2463534242u;
  for (char& c : noise) {
    x ^= x << 13, x ^= x >> 17, x ^= x << 5;
    c = static_cast<char>(x);
  }
  QPDF q;
  q.emptyPDF();
  const QPDFObjectHandle content = QPDFObjectHandle::newStream(&q, noise);
  QPDFPageDocumentHelper helper(q);
  for (int i = 0; i < pages; ++i) {
    QPDFObjectHandle page =
        q.makeIndirectObject(QPDFObjectHandle::parse("<< /Type /Page /MediaBox [0 0 200 200] /Resources << >> >>"));
    page.replaceKey("/Contents", content);
    helper.addPage(QPDFPageObjectHelper(page), false);
  }
  QPDFWriter writer(q);
  writer.setOutputMemory();
  writer.write();
  const auto buffer = writer.getBufferSharedPointer();
  return std::string(reinterpret_cast<const char*>(buffer->getBuffer()), buffer->getSize());
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The children of Server that do PDF work (by their command line).
std::set<int> PdfJobsOf(int server) {
  std::set<int> pids;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator("/proc", ec)) {
    const std::string name = entry.path().filename().string();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    const std::string stat = ReadAll(entry.path().string() + "/stat");
    const size_t close = stat.rfind(')');
    if (close == std::string::npos) continue;
    int parent = 0;
    char state = 0;
    if (std::sscanf(stat.c_str() + close + 1, " %c %d", &state, &parent) != 2 || parent != server) continue;
    const std::string cmdline = ReadAll(entry.path().string() + "/cmdline");
    // (A zombie has no command line: any child of the server that is one counts.)
    if (state == 'Z' || cmdline.find(std::string("pdf-job") + '\0') != std::string::npos) pids.insert(std::stoi(name));
  }
  return pids;
}

class ServePdfJobTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    bomb_ = new std::string(BombPdf(1024));
    tame_ = new std::string(BombPdf(1));
    // A ceiling the bomb stays under: it takes its time.
    server_ = new test::ServeProcess({"--workers", "1", "--timeout", "60", "--max-office-memory", "4G"});
    ASSERT_NE(server_->port(), 0) << server_->Log();
    ASSERT_TRUE(server_->HealthTurns(200, 60s)) << server_->Log();
  }
  static void TearDownTestSuite() {
    delete server_;
    delete bomb_;
    delete tame_;
    server_ = nullptr;
  }

  // Server reads a tame PDF's page, and no PDF work is left behind.
  static void AnswersNext(const test::ServeProcess& server = *server_) {
    const auto r = Post(*server.Client(), kRead, {UploadOf(*tame_, "tame.pdf", "files")});
    ASSERT_TRUE(r);
    ASSERT_EQ(r->status, 200) << r->body;
    EXPECT_EQ(json::parse(r->body)["tame.pdf"]["PageCount"], 1) << r->body;
    EXPECT_TRUE(test::ServeProcess::Within(2s, [&] { return PdfJobsOf(server.pid()).empty(); }));
  }

  static test::ServeProcess* server_;
  static std::string* bomb_;
  static std::string* tame_;
};
test::ServeProcess* ServePdfJobTest::server_ = nullptr;
std::string* ServePdfJobTest::bomb_ = nullptr;
std::string* ServePdfJobTest::tame_ = nullptr;

TEST_F(ServePdfJobTest, BombPassesItsDeadlineOrItsMemoryCeilingAndTheServerGoesOn) {
  AnswersNext();
  // The deadline is the client's to shorten, never to lengthen.
  for (const char* timeout : {"0", "61", "1s"})
    EXPECT_EQ(
        Refusal(Post(*server_->Client(), kRead, {UploadOf(*tame_, "tame.pdf", "files"), Form("timeout", timeout)})),
        std::make_pair(400, std::string("timeout must be whole seconds from 1 to 60")))
        << timeout;
  {
    // Its deadline, the route's timeout field: 504, its child killed and reaped.
    const auto started = std::chrono::steady_clock::now();
    const auto r = Post(*server_->Client(), kRead, {UploadOf(*bomb_, "bomb.pdf", "files"), Form("timeout", "1")});
    ASSERT_TRUE(r);
    EXPECT_EQ(Refusal(r), std::make_pair(504, std::string("the PDF work did not end within 1 seconds")));
    EXPECT_LT(std::chrono::steady_clock::now() - started, 10s);
    EXPECT_TRUE(PdfJobsOf(server_->pid()).empty());
    AnswersNext();
  }
  {
    // Its memory, under a ceiling of half the inflated stream: the page tree
    // behind it is not read (qpdf takes the object it cannot hold for none),
    // or the work ends with 422.
    test::ServeProcess small({"--workers", "1", "--timeout", "60", "--max-office-memory", "512M"});
    ASSERT_NE(small.port(), 0) << small.Log();
    ASSERT_TRUE(small.HealthTurns(200, 60s)) << small.Log();
    const auto r = Post(*small.Client(), kRead, {UploadOf(*bomb_, "bomb.pdf", "files")});
    ASSERT_TRUE(r);
    if (r->status == 200)
      EXPECT_EQ(json::parse(r->body)["bomb.pdf"]["PageCount"], 0) << r->body;
    else
      EXPECT_EQ(r->status, 422) << r->body;
    AnswersNext(small);
  }
}

TEST_F(ServePdfJobTest, ChildHoldsNoPasswordNorDescriptorOfTheServerAndGoesWithItsClient) {
  const std::string password = "Tr0ub4dor-3-kept-out-of-argv";
  std::thread client([] {
    auto impatient = server_->Client();
    impatient->set_read_timeout(2, 0);
    // The client gives up before the work is done.
    const auto r = Post(*impatient, kEncrypt,
                        {UploadOf(*bomb_, "bomb.pdf", "files"), Form("userPassword", "Tr0ub4dor-3-kept-out-of-argv")});
    EXPECT_FALSE(r);
  });
  std::set<int> jobs;
  ASSERT_TRUE(test::ServeProcess::Within(3s, [&] { return !(jobs = PdfJobsOf(server_->pid())).empty(); }));
  ASSERT_EQ(jobs.size(), 1u);
  const std::string proc = "/proc/" + std::to_string(*jobs.begin());
  const std::string cmdline = ReadAll(proc + "/cmdline"), environ = ReadAll(proc + "/environ");
  EXPECT_NE(cmdline.find("pdf-job"), std::string::npos);
  EXPECT_EQ(cmdline.find(password), std::string::npos);
  EXPECT_EQ(environ.find(password), std::string::npos);
  // Its pipes, /dev/null, and the PDF it reads; no socket of the server.
  std::error_code ec;
  int descriptors = 0;
  for (const auto& fd : std::filesystem::directory_iterator(proc + "/fd", ec)) {
    ++descriptors;
    const std::string target = std::filesystem::read_symlink(fd.path(), ec).string();
    EXPECT_EQ(target.rfind("socket:", 0), std::string::npos) << target;
  }
  EXPECT_GE(descriptors, 3);
  EXPECT_LE(descriptors, 5);
  client.join();
  // The client went away: the child is killed and reaped long before the
  // work would end of itself.
  EXPECT_TRUE(test::ServeProcess::Within(3s, [&] { return !std::filesystem::exists(proc); }));
  EXPECT_TRUE(PdfJobsOf(server_->pid()).empty());
  AnswersNext();
}

TEST_F(ServePdfJobTest, ChildThatCrashesIsA422AndTheServerGoesOn) {
  std::optional<httplib::Result> answer;
  std::thread client([&answer] { answer = Post(*server_->Client(), kRead, {UploadOf(*bomb_, "bomb.pdf", "files")}); });
  std::set<int> jobs;
  const bool found = test::ServeProcess::Within(3s, [&] { return !(jobs = PdfJobsOf(server_->pid())).empty(); });
  // A crash under a file, as a fault of libqpdf's would end it.
  if (found) ::kill(*jobs.begin(), SIGSEGV);
  client.join();
  ASSERT_TRUE(found);
  ASSERT_TRUE(answer && *answer);
  EXPECT_EQ(Refusal(*answer).first, 422) << (*answer)->body;
  EXPECT_NE(Refusal(*answer).second.find("(signal 11)"), std::string::npos) << (*answer)->body;
  AnswersNext();
}

// The parts of a split all carry the page's 300 KB: ten of them pass a
// ceiling of 1 MiB on what the work writes, which ends it; under the ceiling
// the same split is answered.
TEST_F(ServePdfJobTest, WorkThatWritesPastTheResultsCeilingIsA422) {
  test::ServeProcess small({"--workers", "1", "--timeout", "60", "--max-result", "1M"});
  ASSERT_NE(small.port(), 0) << small.Log();
  ASSERT_TRUE(small.HealthTurns(200, 60s)) << small.Log();
  const std::string pdf = SharedContentPdf(10, 300 << 10);
  const auto split = [&](const char* span) {
    return Post(*small.Client(), "/forms/pdfengines/split",
                {UploadOf(pdf, "noise.pdf", "files"), Form("splitMode", "pages"), Form("splitSpan", span)});
  };
  const auto [status, error] = Refusal(split("1-10"));
  EXPECT_EQ(status, 422);
  EXPECT_NE(error.find("larger than the ceiling of 1 MiB"), std::string::npos) << error;
  const auto two = split("1,2");
  ASSERT_TRUE(two);
  EXPECT_EQ(two->status, 200) << two->body;
  EXPECT_TRUE(PdfJobsOf(small.pid()).empty());
}

}  // namespace
}  // namespace quillet
