// The walls around the offices of a process whose environment asks for them
// (QUILLET_OFFICE_CONFINE, QUILLET_OFFICE_ISOLATION=bwrap), seen through the
// library: documents that link to a web server of the test's own on the
// loopback, and to a picture outside the confined folder, converted to PDF
// with and without walls. Without them the office reaches the server and
// embeds the picture, which shows that the checks can fail; behind them it
// does neither. An isolated office also keeps its pipes where
// OSL_SOCKET_PATH says, sees no file outside its folders, and leaves nothing
// running when it is killed.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <mutex>
#include <thread>

#include <zlib.h>

#include "FlatDocuments.h"
#include "LinuxSupport.h"
#include "uno/Launcher.h"
#include "uno/PipeFiles.h"

namespace quillet {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::Convert;
using test::ReadFile;
using test::Work;
using test::WriteFile;

// A web server on 127.0.0.1 that counts the connections it gets and answers
// each with "404 Not Found" (so that an office that asks does not wait).
class Listener {
 public:
  Listener() {
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (fd_ < 0 || ::bind(fd_, reinterpret_cast<sockaddr*>(&address), size) != 0 || ::listen(fd_, 16) != 0 ||
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &size) != 0)
      throw std::runtime_error("no listening socket on the loopback");
    port_ = ntohs(address.sin_port);
    serve_ = std::thread([this] { Serve(); });
  }
  ~Listener() {
    stop_ = true;
    serve_.join();
    ::close(fd_);
  }
  Listener(const Listener&) = delete;
  Listener& operator=(const Listener&) = delete;

  std::string Url(const std::string& name) const { return "http://127.0.0.1:" + std::to_string(port_) + "/" + name; }
  // The first lines of the requests since the last call, after a short
  // wait for any still on their way.
  std::vector<std::string> Take() {
    std::this_thread::sleep_for(300ms);
    std::lock_guard<std::mutex> guard(lock_);
    return std::exchange(requests_, {});
  }

 private:
  void Serve() {
    while (!stop_) {
      pollfd wait{fd_, POLLIN, 0};
      if (::poll(&wait, 1, 50) <= 0) continue;
      const int c = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
      if (c < 0) continue;
      std::string request;
      pollfd in{c, POLLIN, 0};
      char buffer[2048];
      if (::poll(&in, 1, 2000) > 0) {
        const ssize_t n = ::recv(c, buffer, sizeof buffer, 0);
        if (n > 0) request.assign(buffer, static_cast<size_t>(n));
      }
      const char answer[] = "HTTP/1.0 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
      (void)!::send(c, answer, sizeof answer - 1, MSG_NOSIGNAL);
      ::close(c);
      std::lock_guard<std::mutex> guard(lock_);
      requests_.push_back(request.substr(0, request.find('\r')));
    }
  }

  int fd_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::mutex lock_;
  std::vector<std::string> requests_;
  std::thread serve_;
};

uint32_t Crc(const std::string& data) {
  return static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
}

std::string BigEndian(uint32_t v) {
  return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8), static_cast<char>(v)};
}

// A green PNG picture of 13 x 11 pixels: its size tells it apart in a PDF.
std::string Picture() {
  std::string rows;
  for (int y = 0; y < 11; ++y) {
    rows += '\0';
    for (int x = 0; x < 13; ++x) rows += std::string("\x00\xc0\x00", 3);
  }
  uLongf size = compressBound(static_cast<uLong>(rows.size()));
  std::string packed(size, '\0');
  compress(reinterpret_cast<Bytef*>(packed.data()), &size, reinterpret_cast<const Bytef*>(rows.data()),
           static_cast<uLong>(rows.size()));
  packed.resize(size);
  auto chunk = [](const std::string& type, const std::string& data) {
    return BigEndian(static_cast<uint32_t>(data.size())) + type + data + BigEndian(Crc(type + data));
  };
  return "\x89PNG\r\n\x1a\n" + chunk("IHDR", BigEndian(13) + BigEndian(11) + std::string("\x08\x02\x00\x00\x00", 5)) +
         chunk("IDAT", packed) + chunk("IEND", "");
}

// Whether the PDF File holds the 13 x 11 picture.
bool HoldsPicture(const std::string& file) {
  return ReadFile(file).find("/Subtype/Image/Width 13/Height 11") != std::string::npos;
}

void Le(std::string& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xff);
}

// A zip file of stored entries.
std::string Zip(const std::vector<std::pair<std::string, std::string>>& entries) {
  std::string body, directory;
  for (const auto& [name, data] : entries) {
    const uint32_t offset = static_cast<uint32_t>(body.size());
    std::string common;
    Le(common, 20, 2);  // version needed
    Le(common, 0, 2);   // flags
    Le(common, 0, 2);   // stored
    Le(common, 0, 4);   // time and date
    Le(common, Crc(data), 4);
    Le(common, static_cast<uint32_t>(data.size()), 4);
    Le(common, static_cast<uint32_t>(data.size()), 4);
    Le(common, static_cast<uint32_t>(name.size()), 2);
    Le(common, 0, 2);  // extra
    Le(body, 0x04034b50, 4);
    body += common + name + data;
    Le(directory, 0x02014b50, 4);
    Le(directory, 20, 2);  // made by
    directory += common;
    Le(directory, 0, 2);  // comment
    Le(directory, 0, 2);  // disk
    Le(directory, 0, 2);  // internal attributes
    Le(directory, 0, 4);  // external attributes
    Le(directory, offset, 4);
    directory += name;
  }
  std::string end;
  Le(end, 0x06054b50, 4);
  Le(end, 0, 4);
  Le(end, static_cast<uint32_t>(entries.size()), 2);
  Le(end, static_cast<uint32_t>(entries.size()), 2);
  Le(end, static_cast<uint32_t>(directory.size()), 4);
  Le(end, static_cast<uint32_t>(body.size()), 4);
  Le(end, 0, 2);
  return body + directory + end;
}

// A Word document whose one picture is linked: an external relationship.
std::string DocxLinkingTo(const std::string& url) {
  const std::string rels = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
  const std::string types =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Types "
      "xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"><Default Extension=\"rels\" "
      "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/><Default Extension=\"xml\" "
      "ContentType=\"application/xml\"/><Override PartName=\"/word/document.xml\" "
      "ContentType=\"application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\"/></Types>";
  const std::string packageRels =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Relationships "
      "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"><Relationship Id=\"rId1\" Type=\"" +
      rels + "/officeDocument\" Target=\"word/document.xml\"/></Relationships>";
  const std::string documentRels =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Relationships "
      "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"><Relationship Id=\"rIdPicture\" Type=\"" +
      rels + "/image\" Target=\"" + test::XmlEscape(url) + "\" TargetMode=\"External\"/></Relationships>";
  const std::string document =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?><w:document "
      "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\" xmlns:r=\"" +
      rels +
      "\" "
      "xmlns:wp=\"http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing\" "
      "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\" "
      "xmlns:pic=\"http://schemas.openxmlformats.org/drawingml/2006/picture\"><w:body><w:p><w:r><w:t>Linked "
      "picture:</w:t></w:r><w:r><w:drawing><wp:inline><wp:extent cx=\"360000\" cy=\"360000\"/><wp:docPr id=\"1\" "
      "name=\"p\"/><a:graphic><a:graphicData uri=\"http://schemas.openxmlformats.org/drawingml/2006/picture\"><pic:pic>"
      "<pic:nvPicPr><pic:cNvPr id=\"1\" name=\"p\"/><pic:cNvPicPr/></pic:nvPicPr><pic:blipFill><a:blip "
      "r:link=\"rIdPicture\"/><a:stretch><a:fillRect/></a:stretch></pic:blipFill><pic:spPr><a:xfrm><a:off x=\"0\" "
      "y=\"0\"/><a:ext cx=\"360000\" cy=\"360000\"/></a:xfrm><a:prstGeom prst=\"rect\"/></pic:spPr></pic:pic>"
      "</a:graphicData></a:graphic></wp:inline></w:drawing></w:r></w:p></w:body></w:document>";
  return Zip({{"[Content_Types].xml", types},
              {"_rels/.rels", packageRels},
              {"word/document.xml", document},
              {"word/_rels/document.xml.rels", documentRels}});
}

// A flat text document with one picture, linked from Href.
std::string FlatTextLinkingTo(const std::string& href) {
  return test::FlatText(
      "<text:p>Linked picture: <draw:frame draw:name=\"p\" text:anchor-type=\"as-char\" svg:width=\"1cm\" "
      "svg:height=\"1cm\"><draw:image xlink:href=\"" +
      test::XmlEscape(href) +
      "\" xlink:type=\"simple\" xlink:show=\"embed\" xlink:actuate=\"onLoad\"/></draw:frame></text:p>");
}

// A flat text document with an embedded SVG picture that itself names a
// picture file (which LibreOffice's SVG reader opens by itself).
std::string FlatTextWithSvgNaming(const std::string& href) {
  const std::string svg =
      "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\" width=\"13\" "
      "height=\"11\"><image x=\"0\" y=\"0\" width=\"13\" height=\"11\" xlink:href=\"" +
      href + "\"/></svg>";
  static constexpr char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string encoded;
  for (size_t i = 0; i < svg.size(); i += 3) {
    uint32_t n = static_cast<unsigned char>(svg[i]) << 16;
    if (i + 1 < svg.size()) n |= static_cast<unsigned char>(svg[i + 1]) << 8;
    if (i + 2 < svg.size()) n |= static_cast<unsigned char>(svg[i + 2]);
    encoded += kBase64[(n >> 18) & 63];
    encoded += kBase64[(n >> 12) & 63];
    encoded += i + 1 < svg.size() ? kBase64[(n >> 6) & 63] : '=';
    encoded += i + 2 < svg.size() ? kBase64[n & 63] : '=';
  }
  return test::FlatText(
      "<text:p>Picture: <draw:frame draw:name=\"p\" text:anchor-type=\"as-char\" svg:width=\"1cm\" "
      "svg:height=\"1cm\"><draw:image><office:binary-data>" +
      encoded + "</office:binary-data></draw:image></draw:frame></text:p>");
}

// The walls of the library's offices while the object lives: none, the
// settings, or the settings and the isolation. The library is loaded afresh,
// so that its next conversion starts an office so walled (with its profile
// slots under Cache).
class Walls {
 public:
  enum Kind { kNone, kSettings, kIsolated };
  Walls(Kind kind, const std::string& folder, const std::string& cache) {
    ::setenv("XDG_CACHE_HOME", cache.c_str(), 1);
    ::unsetenv("QUILLET_OFFICE_CONFINE");
    ::unsetenv("QUILLET_OFFICE_ISOLATION");
    if (kind != kNone) ::setenv("QUILLET_OFFICE_CONFINE", folder.c_str(), 1);
    if (kind == kIsolated) ::setenv("QUILLET_OFFICE_ISOLATION", "bwrap", 1);
    test::Library().Reload();
  }
  ~Walls() {
    test::Library().Reload();
    for (const char* name : {"QUILLET_OFFICE_CONFINE", "QUILLET_OFFICE_ISOLATION", "OSL_SOCKET_PATH"}) ::unsetenv(name);
  }
  Walls(const Walls&) = delete;
  Walls& operator=(const Walls&) = delete;
};

class ConfinedOffice : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    test::Library();
    listener_ = new Listener;
    fs::create_directories(Docs());
    fs::create_directories(Outside());
    fs::create_directories(Results());
    WriteFile(Outside() + "/picture.png", Picture());
    WriteFile(Docs() + "/web.fodt", FlatTextLinkingTo(listener_->Url("web.png")));
    WriteFile(Docs() + "/page.html", "<html><head><link rel=\"stylesheet\" href=\"" + listener_->Url("page.css") +
                                         "\"></head><body><p>Words</p><img src=\"" + listener_->Url("page.png") +
                                         "\" width=\"13\" height=\"11\"></body></html>");
    WriteFile(Docs() + "/web.docx", DocxLinkingTo(listener_->Url("docx.png")));
    WriteFile(Docs() + "/file.fodt", FlatTextLinkingTo("file://" + Outside() + "/picture.png"));
    // From <folder>/in/deep up to the test's own folder, then into outside/.
    WriteFile(Docs() + "/relative.fodt", FlatTextLinkingTo("../../../outside/picture.png"));
    WriteFile(Docs() + "/file.docx", DocxLinkingTo("file://" + Outside() + "/picture.png"));
  }
  static void TearDownTestSuite() {
    delete listener_;
    listener_ = nullptr;
  }
  void TearDown() override { test::Library().Reload(); }

  static std::string Folder() { return Work() / "walls"; }
  static std::string Docs() { return Folder() + "/in/deep"; }
  static std::string Results() { return Folder() + "/out"; }
  static std::string Outside() { return Work() / "outside"; }

  // What the office did with the linked content, converting every document to PDF.
  struct Reached {
    std::map<std::string, std::vector<std::string>> requests;  // by document
    std::map<std::string, bool> pictures;                      // by document: the outside picture embedded
  };
  static Reached ConvertAll(const std::string& run) {
    Reached reached;
    for (const char* name : {"web.fodt", "page.html", "web.docx", "file.fodt", "relative.fodt", "file.docx"}) {
      const std::string pdf = Results() + "/" + run + "-" + name + ".pdf";
      EXPECT_EQ(Convert(Docs() + "/" + name, pdf, "17", "MS Word"), "") << run << " " << name;
      reached.requests[name] = listener_->Take();
      reached.pictures[name] = HoldsPicture(pdf);
    }
    return reached;
  }
  // Expects no request and no outside picture for any document.
  static void ExpectWalled(const Reached& reached, const std::string& run) {
    for (const auto& [name, requests] : reached.requests)
      EXPECT_EQ(requests, std::vector<std::string>{}) << run << ": " << name << " reached the server";
    for (const auto& [name, picture] : reached.pictures)
      EXPECT_FALSE(picture) << run << ": " << name << " holds the picture from outside the folder";
  }

  static Listener* listener_;
};
Listener* ConfinedOffice::listener_ = nullptr;

TEST_F(ConfinedOffice, LinkedContentStaysOutOfConfinedOfficesAndComesBackWithoutThem) {
  const std::string cache = Work() / "cache-settings";
  {
    // A new profile slot, walled from its first start.
    const Walls walls(Walls::kSettings, Folder(), cache);
    ExpectWalled(ConvertAll("first-confined"), "first confined");
  }
  {
    // The same slot, without walls: LibreOffice's defaults, which load
    // everything (what the checks above would have caught).
    const Walls walls(Walls::kNone, Folder(), cache);
    const Reached open = ConvertAll("unconfined");
    for (const char* name : {"web.fodt", "page.html", "web.docx"})
      EXPECT_NE(open.requests.at(name), std::vector<std::string>{}) << name << " did not reach the server";
    // The web page: its stylesheet and its picture.
    std::string page;
    for (const std::string& r : open.requests.at("page.html")) page += r + "\n";
    EXPECT_NE(page.find("/page.css "), std::string::npos) << page;
    EXPECT_NE(page.find("/page.png "), std::string::npos) << page;
    for (const char* name : {"file.fodt", "relative.fodt", "file.docx"})
      EXPECT_TRUE(open.pictures.at(name)) << name << " lacks the picture";
  }
  {
    // The same slot walled again, its profile now written by LibreOffice.
    const Walls walls(Walls::kSettings, Folder(), cache);
    ExpectWalled(ConvertAll("confined-again"), "confined again");
  }
}

TEST_F(ConfinedOffice, AConfinedProcessStartsItsOwnOfficeBesideTheUsers) {
  test::Library().Unload();
  test::UsersOffice users(test::TestPipe());
  {
    const Walls walls(Walls::kSettings, Folder(), Work() / "cache-settings");
    ASSERT_EQ(Convert(Docs() + "/web.fodt", Results() + "/beside.txt", "2", "MS Word"), "");
    const int own = test::StartedOffice();
    EXPECT_GT(own, 0);
    EXPECT_NE(own, users.pid());
    EXPECT_EQ(listener_->Take(), std::vector<std::string>{});
  }
  EXPECT_TRUE(users.Terminate());
}

TEST_F(ConfinedOffice, WallsThatCannotBeHadFailTheConversion) {
  struct Case {
    std::vector<std::pair<const char*, std::string>> env;
    std::string error;
  };
  const std::string missing = Work() / "no-such-folder";
  for (const Case& c :
       {Case{{{"QUILLET_OFFICE_CONFINE", missing}}, "QUILLET_OFFICE_CONFINE names no folder: " + missing},
        Case{{{"QUILLET_OFFICE_CONFINE", Folder()}, {"QUILLET_OFFICE_ISOLATION", "chroot"}},
             "QUILLET_OFFICE_ISOLATION names no known isolation (bwrap or none): chroot"},
        Case{{{"QUILLET_OFFICE_ISOLATION", "bwrap"}},
             "QUILLET_OFFICE_ISOLATION needs QUILLET_OFFICE_CONFINE, the folder the office may use"}}) {
    for (const auto& [name, value] : c.env) ::setenv(name, value.c_str(), 1);
    test::Library().Reload();
    const std::string dest = Results() + "/refused.txt";
    EXPECT_EQ(Convert(Docs() + "/web.fodt", dest, "2", "MS Word"), c.error);
    EXPECT_FALSE(fs::exists(dest));
    EXPECT_EQ(test::OfficeChildren(), std::vector<int>{});
    for (const auto& [name, value] : c.env) ::unsetenv(name);
  }
}

class IsolatedOffice : public ConfinedOffice {
 protected:
  void SetUp() override {
    std::string why;
    if (!office::uno::OfficeIsolationWorks(why)) GTEST_SKIP() << "offices cannot be isolated here: " << why;
  }
};

TEST_F(IsolatedOffice, LinkedContentAndFilesOutsideItsFoldersStayOut) {
  // A picture named inside an embedded SVG picture is read by LibreOffice
  // itself, whatever its settings: only the isolation keeps it out.
  WriteFile(Docs() + "/svg.fodt", FlatTextWithSvgNaming("file://" + Outside() + "/picture.png"));
  fs::copy_file(Docs() + "/web.fodt", Outside() + "/web.fodt", fs::copy_options::overwrite_existing);
  {
    // A new profile slot: its first start restarts soffice inside the walls.
    const Walls walls(Walls::kIsolated, Folder(), Work() / "cache-isolated");
    ExpectWalled(ConvertAll("isolated"), "isolated");
    ASSERT_EQ(Convert(Docs() + "/svg.fodt", Results() + "/isolated-svg.pdf", "17", "MS Word"), "");
    EXPECT_FALSE(HoldsPicture(Results() + "/isolated-svg.pdf"));
    // A document outside its folders is not there for it.
    EXPECT_NE(Convert(Outside() + "/web.fodt", Results() + "/from-outside.txt", "2", "MS Word"), "");
    EXPECT_FALSE(fs::exists(Results() + "/from-outside.txt"));
    EXPECT_EQ(listener_->Take(), std::vector<std::string>{});
  }
  {
    // (Without the isolation the SVG's picture is embedded, and the
    // document outside converts.)
    const Walls open(Walls::kSettings, Folder(), Work() / "cache-settings");
    ASSERT_EQ(Convert(Docs() + "/svg.fodt", Results() + "/confined-svg.pdf", "17", "MS Word"), "");
    EXPECT_TRUE(HoldsPicture(Results() + "/confined-svg.pdf"));
    EXPECT_EQ(Convert(Outside() + "/web.fodt", Results() + "/from-outside.txt", "2", "MS Word"), "");
  }
}

// The names of the pipe files in Folder.
std::vector<std::string> PipesIn(const std::string& folder) {
  std::vector<std::string> found;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(folder, ec))
    if (e.path().filename().string().rfind("OSL_PIPE_", 0) == 0) found.push_back(e.path().filename().string());
  std::sort(found.begin(), found.end());
  return found;
}

// True once process Pid has ended (gone, or a zombie not yet reaped by
// whoever inherited it), within Limit.
bool EndedWithin(pid_t pid, std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  for (;;) {
    const std::string stat = ReadFile("/proc/" + std::to_string(pid) + "/stat");
    const size_t close = stat.rfind(')');
    if (close == std::string::npos || stat.compare(close + 1, 2, " Z") == 0) return true;
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(20ms);
  }
}

TEST_F(IsolatedOffice, ItsPipesAreWhereOslSocketPathSaysAndGoWithIt) {
  const std::string sockets = Work() / "sockets";
  fs::create_directories(sockets);
  ::setenv("OSL_SOCKET_PATH", sockets.c_str(), 1);
  const std::string accepting = "OSL_PIPE_" + std::to_string(::getuid()) + "_quillet-" + std::to_string(::getpid());
  {
    const Walls walls(Walls::kIsolated, Folder(), Work() / "cache-isolated");
    ASSERT_EQ(Convert(Docs() + "/web.fodt", Results() + "/piped.txt", "2", "MS Word"), "");
    // Two: the pipe it accepts on, and that of its single-instance check.
    const std::vector<std::string> pipes = PipesIn(sockets);
    ASSERT_EQ(pipes.size(), 2u);
    EXPECT_EQ(
        std::count_if(pipes.begin(), pipes.end(), [&](const std::string& p) { return p.rfind(accepting, 0) == 0; }), 1);
    // None where this process's own runtime would put them.
    for (const auto& e : fs::directory_iterator(office::uno::PipeFolder()))
      EXPECT_NE(e.path().filename().string().rfind(accepting, 0), 0u) << e.path();
    // Found through its sockets too (the leftovers of a killed office).
    const int pid = test::StartedOffice();
    ASSERT_GT(pid, 0);
    std::vector<std::string> found;
    for (const std::string& f : office::uno::PipeFilesOf(pid)) found.push_back(fs::path(f).filename().string());
    EXPECT_EQ(found, pipes);
  }
  // The office has ended with the library's unload: its pipes went with it.
  EXPECT_EQ(PipesIn(sockets), std::vector<std::string>{});
}

TEST_F(IsolatedOffice, KillingItEndsEverythingInsideAndTheNextOfficeServes) {
  const Walls walls(Walls::kIsolated, Folder(), Work() / "cache-isolated");
  ASSERT_EQ(Convert(Docs() + "/web.fodt", Results() + "/before-kill.txt", "2", "MS Word"), "");
  const int pid = test::StartedOffice();
  ASSERT_GT(pid, 0);
  // bubblewrap, its process 1 in the office's namespace, and soffice.
  const std::vector<pid_t> inside = office::uno::ProcessTree(pid);
  ASSERT_GE(inside.size(), 3u);
  EXPECT_EQ(std::count_if(inside.begin(), inside.end(),
                          [](pid_t p) { return ReadFile("/proc/" + std::to_string(p) + "/comm") == "soffice.bin\n"; }),
            1);
  ASSERT_EQ(::kill(pid, SIGKILL), 0);
  for (const pid_t p : inside) EXPECT_TRUE(EndedWithin(p, 5s)) << "process " << p << " runs on";

  ASSERT_EQ(Convert(Docs() + "/web.fodt", Results() + "/after-kill.txt", "2", "MS Word"), "");
  EXPECT_EQ(ReadFile(Results() + "/after-kill.txt"), ReadFile(Results() + "/before-kill.txt"));
  const int next = test::StartedOffice();
  EXPECT_GT(next, 0);
  EXPECT_NE(next, pid);
  const std::vector<pid_t> nextInside = office::uno::ProcessTree(next);
  test::Library().Unload();
  for (const pid_t p : nextInside) EXPECT_TRUE(EndedWithin(p, 15s)) << "process " << p << " runs on";
}

}  // namespace
}  // namespace quillet
