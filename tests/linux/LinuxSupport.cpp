#include "LinuxSupport.h"

#include <dirent.h>
#include <dlfcn.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <thread>

#include <com/sun/star/frame/XComponentLoader.hpp>

#include "FlatDocuments.h"
#include "uno/Connection.h"
#include "uno/Documents.h"
#include "uno/LocalContext.h"
#include "uno/OfficeProcess.h"
#include "uno/ProfileSlot.h"
#include "platform/com/com.h"
#include "servers/ClassIds.h"
#include "utilities/automation/Automation.h"

namespace quillet::test {

namespace {

// An 8 x 8 red PNG picture.
const char* kPicture =
    "iVBORw0KGgoAAAANSUhEUgAAAAgAAAAICAIAAABLbSncAAAAEUlEQVR4nGM4o6CAFTEMLQkAWU5DAcK453sAAAAASUVORK5CYII=";

std::string OfficeLibrary() {
  return (std::filesystem::path(QUILLET_LIBRARY).parent_path() / "libquillet-office.so").string();
}

// No server registry file may decide what the ProgIDs are: not the caller's
// variable, not the user's file, not the system's.
void IsolateEnvironment() {
  static TempDir config;
  ::unsetenv("QUILLET_AUTOMATION_REGISTRY");
  ::setenv("XDG_CONFIG_HOME", config.path().c_str(), 1);
  ::setenv("QUILLET_OFFICE_PIPE", TestPipe().c_str(), 1);
  if (std::filesystem::exists("/etc/quillet/automation-servers"))
    throw std::runtime_error("/etc/quillet/automation-servers exists: these tests need a machine without one");
}

// Makes Name.Ext from a flat document through the library.
std::string Make(const std::string& name, const std::string& flatExt, const std::string& flat, const std::string& ext,
                 const std::string& format, const std::string& option = {}) {
  const std::string source = Work() / (name + "." + flatExt), made = Work() / (name + "." + ext);
  WriteFile(source, flat);
  const std::string error = Convert(source, made, format, option);
  if (!error.empty()) throw std::runtime_error("cannot make " + made + ": " + error);
  return made;
}

// The Word stand-in of this process, made through its own factory: the
// library has no way to save with a password.
ole::Variant WordOfThisProcess() {
  void* lib = ::dlopen(OfficeLibrary().c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (!lib) throw std::runtime_error("the stand-ins are not loaded");
  using GetClassObject = HRESULT (*)(REFCLSID, REFIID, void**);
  auto get = reinterpret_cast<GetClassObject>(::dlsym(lib, "WordGetClassObject"));
  ::dlclose(lib);
  IClassFactory* factory = nullptr;
  if (!get || get(office::kWordClsid, IID_IClassFactory, reinterpret_cast<void**>(&factory)) != S_OK)
    throw std::runtime_error("no Word factory");
  IDispatch* word = nullptr;
  const HRESULT hr = factory->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(&word));
  factory->Release();
  if (hr != S_OK) throw std::runtime_error("no Word");
  return ole::Variant(ole::OleObject::Adopt(word));
}

std::string MakeSecret(const std::string& words) {
  const std::string made = Work() / "secret.docx";
  ole::Variant word = WordOfThisProcess();
  const ole::Variant doc = word.CallOrGet("Documents").Call("Open", {}, {{"FileName", words}, {"ReadOnly", true}});
  doc.Call("SaveAs", {}, {{"FileName", made}, {"FileFormat", 16}, {"Password", "secret"}});
  doc.Call("Close", {}, {{"SaveChanges", 0}});
  word.Call("Quit");
  return made;
}

}  // namespace

std::string TestPipe() { return "quillet-linux-test-" + std::to_string(::getpid()); }

QuilletLibrary& Library() {
  static QuilletLibrary* library = nullptr;  // unloaded by the process's end, as a program leaves it
  if (!library) {
    IsolateEnvironment();
    library = new QuilletLibrary(QUILLET_LIBRARY);
  }
  return *library;
}

const TempDir& Work() {
  static TempDir* work = new TempDir;
  return *work;
}

std::string LastErrorCode() { return Library().GetFieldValue("errorcode").value; }

std::string Convert(const std::string& src, const std::string& dest, const std::string& format,
                    const std::string& option) {
  const QuilletLibrary::Outcome outcome = Library().ConvertSingleFile(src, dest, format, option);
  if (outcome.ok != outcome.errorText.empty()) return "(the outcome and the error text disagree) " + outcome.errorText;
  return outcome.errorText;
}

const std::vector<std::vector<std::vector<std::string>>>& DeckText() {
  static const std::vector<std::vector<std::vector<std::string>>> deck = {
      {{"Quillet"}, {"Converts documents", "on Linux"}},
      {{"Second slide"}},
      {{"Third"}, {"and last"}},
  };
  return deck;
}

const Sources& Docs() {
  static Sources* docs = nullptr;
  if (docs) return *docs;
  Library();
  auto made = std::make_unique<Sources>();
  made->words =
      Make("words", "fodt", FlatText("<text:p>" + kWordsFirst + "</text:p><text:p>" + kWordsSecond + "</text:p>"),
           "docx", "16");
  made->picture =
      Make("picture", "fodt",
           FlatText(std::string("<text:p>A picture: <draw:frame draw:name=\"dot\" text:anchor-type=\"as-char\" "
                                "svg:width=\"1cm\" svg:height=\"1cm\"><draw:image><office:binary-data>") +
                    kPicture + "</office:binary-data></draw:image></draw:frame> and words.</text:p>"),
           "docx", "16");
  made->links = Make("links", "fodt",
                     FlatText("<text:p>See <text:a xlink:type=\"simple\" xlink:href=\"Report.doc\">the report</text:a> "
                              "and <text:a xlink:type=\"simple\" xlink:href=\"http://example.com/page.html\">a "
                              "page</text:a>.</text:p>"),
                     "docx", "16");
  made->chinese = Make("chinese", "fodt",
                       FlatText("<text:p text:style-name=\"zh\">" + kChinese + "</text:p><text:p>alpha</text:p>",
                                "<style:style style:name=\"zh\" style:family=\"paragraph\"><style:text-properties "
                                "style:language-asian=\"zh\" style:country-asian=\"CN\"/></style:style>"),
                       "docx", "16");
  made->cells = Make("cells", "fods",
                     FlatSpreadsheet({{"Prices",
                                       {{"Item", "Count", "Price"},
                                        {"Tea, green", "3", "2.5"},
                                        {"He said \"hi\"", "10", "0.25"},
                                        {"Gr\xc3\xbc"
                                         "n",
                                         "-7", "1000000"}}}}),
                     "xlsx", "51", "MS Excel");
  made->sheets =
      Make("sheets", "fods",
           FlatSpreadsheet(
               {{"North", {{"north cell", "1"}}}, {"South", {{"south cell", "2"}}}, {"West", {{"west cell", "3"}}}}),
           "xlsx", "51", "MS Excel");
  made->deck = Make("deck", "fodp", FlatPresentation(DeckText()), "pptx", "24", "MS Powerpoint");
  made->secret = MakeSecret(made->words);
  docs = made.release();
  return *docs;
}

std::string MakeWithFonts(const std::string& name, const std::string& ext, const std::vector<std::string>& fonts) {
  Library();
  const std::string flat = FlatWithFonts(ext, fonts);
  if (ext == "docx") return Make(name, "fodt", flat, "docx", "16");
  if (ext == "xlsx") return Make(name, "fods", flat, "xlsx", "51", "MS Excel");
  return Make(name, "fodp", flat, "pptx", "24", "MS Powerpoint");
}

std::vector<int> OfficeChildren() {
  std::vector<int> found;
  const std::string self = std::to_string(::getpid());
  for (const auto& e : std::filesystem::directory_iterator("/proc")) {
    const std::string name = e.path().filename().string();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::ifstream stat(e.path() / "stat");
    std::string line;
    std::getline(stat, line);
    // pid (comm) state ppid ...
    const size_t close = line.rfind(')');
    if (close == std::string::npos || line.find("(soffice.bin)") == std::string::npos) continue;
    const std::string rest = line.substr(close + 2);
    const std::string ppid = rest.substr(2, rest.find(' ', 2) - 2);
    if (ppid == self && rest[0] != 'Z') found.push_back(std::stoi(name));
  }
  return found;
}

int StartedOffice() {
  void* lib = ::dlopen(OfficeLibrary().c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (!lib) return -1;
  auto started = reinterpret_cast<int (*)()>(::dlsym(lib, "OfficeStartedProcess"));
  const int pid = started ? started() : -1;
  ::dlclose(lib);
  return pid;
}

bool GoneWithin(int pid, int milliseconds) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  while (std::filesystem::exists("/proc/" + std::to_string(pid))) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

struct UsersOffice::Parts {
  office::uno::ProfileSlot slot = office::uno::ProfileSlot::Take();
  std::unique_ptr<office::uno::OfficeProcess> process;
  std::string pipe;
};

UsersOffice::UsersOffice(const std::string& pipe) : parts_(new Parts) {
  namespace uno = office::uno;
  parts_->process = std::make_unique<uno::OfficeProcess>(
      uno::ProgramFolder() + "/soffice.bin",
      std::vector<std::string>{"--headless", "--invisible", "--norestore", "--nologo", "--nolockcheck",
                               "--accept=pipe,name=" + pipe + ";urp;",
                               "-env:UserInstallation=file://" + parts_->slot.profileFolder()},
      std::vector<std::string>{"TMPDIR=" + parts_->slot.tempFolder()});
  parts_->pipe = pipe;
  std::unique_ptr<uno::Connection> probe;
  for (int i = 0; i < 3000 && !probe && parts_->process->running(); ++i) {
    probe = uno::Connection::TryOpen(pipe);
    if (!probe) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  if (!probe) throw std::runtime_error("the user's office did not start: " + parts_->process->outcome());
  // (Held only while the test itself talks to it: with a second bridge of
  // this process open to the same office, the library's lost its connection.)
  probe->Dispose();
}

UsersOffice::~UsersOffice() = default;

std::unique_ptr<office::uno::Connection> UsersOffice::Connect() const {
  auto connection = office::uno::Connection::TryOpen(parts_->pipe);
  if (!connection) throw std::runtime_error("the user's office does not accept a connection");
  return connection;
}

int UsersOffice::pid() const { return parts_->process->pid(); }
bool UsersOffice::running() const { return parts_->process->running(); }

void UsersOffice::SaveWithPassword(const std::string& source, const std::string& dest, const std::string& filter,
                                   const std::string& password) {
  namespace uno = office::uno;
  using office::uno::Any;
  const auto connection = Connect();
  const uno::Reference<uno::css::frame::XComponentLoader> loader(connection->desktop(), uno::UNO_QUERY_THROW);
  const auto document = loader->loadComponentFromURL(uno::FileUrl(source), "_blank", 0,
                                                     uno::MakeProps({{"Hidden", Any(true)}, {"ReadOnly", Any(true)}}));
  if (!document.is()) throw std::runtime_error("cannot load " + source);
  uno::StoreDocument(document, dest, filter, "", password);
  uno::CloseDocument(document);
  connection->Dispose();
}

bool UsersOffice::Terminate() {
  const auto connection = Connect();
  try {
    connection->desktop()->terminate();
  } catch (const office::uno::css::uno::Exception&) {
  }
  connection->Dispose();
  return parts_->process->WaitForExit(std::chrono::seconds(15));
}

std::pair<int, int> JpegSize(const std::string& file) {
  const std::string data = ReadFile(file);
  if (data.size() < 4 || data.compare(0, 2, "\xff\xd8") != 0) return {0, 0};
  auto byte = [&](size_t at) { return static_cast<unsigned char>(data[at]); };
  for (size_t at = 2; at + 9 < data.size();) {
    if (byte(at) != 0xff) return {0, 0};
    const unsigned marker = byte(at + 1);
    const size_t length = byte(at + 2) << 8 | byte(at + 3);
    if (marker >= 0xc0 && marker <= 0xcf && marker != 0xc4 && marker != 0xc8 && marker != 0xcc)
      return {byte(at + 7) << 8 | byte(at + 8), byte(at + 5) << 8 | byte(at + 6)};
    at += 2 + length;
  }
  return {0, 0};
}

}  // namespace quillet::test
