// The COM subset for systems without COM: BSTR and VARIANT handling, text
// conversion, activation through the server registry, and the running-object
// table. See com_posix.h and the README section "Automation on Linux".
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <optional>
#include <sstream>
#include <vector>

#include "platform/com/ComPtr.h"
#include "platform/com/com.h"
#include "platform/error.h"
#include "platform/file.h"
#include "platform/fs.h"
#include "platform/module.h"
#include "platform/utf8.h"

// ---------------------------------------------------------------- BSTR

BSTR SysAllocStringLen(const OLECHAR* text, UINT length) {
  // Length prefix (bytes, 32 bits), the characters, a zero character.
  auto* block = static_cast<uint32_t*>(std::malloc(sizeof(uint32_t) + (size_t(length) + 1) * sizeof(OLECHAR)));
  if (!block) return nullptr;
  block[0] = length * sizeof(OLECHAR);
  auto* chars = reinterpret_cast<OLECHAR*>(block + 1);
  if (text)
    std::memcpy(chars, text, length * sizeof(OLECHAR));
  else
    std::memset(chars, 0, length * sizeof(OLECHAR));
  chars[length] = 0;
  return chars;
}

BSTR SysAllocString(const OLECHAR* text) {
  if (!text) return nullptr;
  UINT n = 0;
  while (text[n]) ++n;
  return SysAllocStringLen(text, n);
}

void SysFreeString(BSTR text) {
  if (text) std::free(reinterpret_cast<uint32_t*>(text) - 1);
}

UINT SysStringLen(BSTR text) { return text ? reinterpret_cast<uint32_t*>(text)[-1] / sizeof(OLECHAR) : 0; }

// ---------------------------------------------------------------- VARIANT

void VariantInit(VARIANT* v) { std::memset(v, 0, sizeof *v); }

HRESULT VariantClear(VARIANT* v) {
  if (!v) return E_INVALIDARG;
  if (!(v->vt & VT_BYREF)) {
    switch (v->vt) {
      case VT_BSTR:
        SysFreeString(v->bstrVal);
        break;
      case VT_DISPATCH:
      case VT_UNKNOWN:
        if (v->punkVal) v->punkVal->Release();
        break;
      default:
        break;
    }
  }
  VariantInit(v);
  return S_OK;
}

HRESULT VariantCopy(VARIANT* dest, const VARIANT* src) {
  if (!dest || !src) return E_INVALIDARG;
  if (dest == src) return S_OK;
  VariantClear(dest);
  *dest = *src;
  if (!(src->vt & VT_BYREF)) {
    if (src->vt == VT_BSTR && src->bstrVal) {
      dest->bstrVal = SysAllocStringLen(src->bstrVal, SysStringLen(src->bstrVal));
      if (!dest->bstrVal) {
        VariantInit(dest);
        return E_OUTOFMEMORY;
      }
    } else if ((src->vt == VT_DISPATCH || src->vt == VT_UNKNOWN) && src->punkVal) {
      src->punkVal->AddRef();
    }
  }
  return S_OK;
}

// ---------------------------------------------------------------- text

namespace quillet::com {

OleString ToOle(const std::string& text) {
  // A text that is not well-formed UTF-8 is refused, never decoded as best
  // we can: a byte passed on "as itself", or an overlong form decoded to the
  // character it spells, becomes a character that every check before this
  // one missed, a "/" or a "." in a name checked for both.
  std::optional<OleString> units = utf8::ToUtf16(text);
  if (!units) throw Error(utf8::NotValidMessage(text), ErrorCode::InvalidText);
  return std::move(*units);
}

std::string FromOle(const OLECHAR* text, size_t length) {
  // A surrogate without its other half spells no character: written out as
  // one, it would be UTF-8 that the library refuses everywhere else.
  const std::u16string_view units(text, text ? length : 0);
  std::optional<std::string> out = utf8::FromUtf16(units);
  if (!out) throw Error(utf8::NotValidMessage(units), ErrorCode::InvalidText);
  return std::move(*out);
}

std::string FromBstr(BSTR text) { return text ? FromOle(text, SysStringLen(text)) : std::string(); }

std::string SystemText(HRESULT code) {
  // The messages of the codes that this system's activation and calls can
  // produce; any other code has no text here.
  static const std::map<uint32_t, const char*> kTexts = {
      {0x80004001u, "Not implemented"},
      {0x80004002u, "No such interface supported"},
      {0x80004003u, "Invalid pointer"},
      {0x80004005u, "Unspecified error"},
      {0x8000FFFFu, "Catastrophic failure"},
      {0x8007000Eu, "Not enough memory resources are available to complete this operation."},
      {0x80070057u, "The parameter is incorrect."},
      {0x80040110u, "Class does not support aggregation (or class object is remote)"},
      {0x80040111u, "ClassFactory cannot supply requested class"},
      {0x80040154u, "Class not registered"},
      {0x800401E3u, "Operation unavailable"},
      {0x800401F3u, "Invalid class string"},
      {0x800401F8u, "DLL for class not found"},
      {0x800401F9u, "Error in the DLL"},
      {0x80010105u, "The server threw an exception."},
      {0x80010108u, "The object invoked has disconnected from its clients."},
      {0x80020003u, "Member not found."},
      {0x80020004u, "Parameter not found."},
      {0x80020005u, "Type mismatch."},
      {0x80020006u, "Unknown name."},
      {0x80020007u, "No named arguments."},
      {0x80020008u, "Bad variable type."},
      {0x80020009u, "Exception occurred."},
      {0x8002000Au, "Out of present range."},
      {0x8002000Bu, "Invalid index."},
      {0x8002000Eu, "Invalid number of parameters."},
      {0x8002000Fu, "Parameter not optional."},
  };
  auto it = kTexts.find(static_cast<uint32_t>(code));
  return it == kTexts.end() ? std::string() : std::string(it->second);
}

void EnsureApartment() {}  // every thread may call servers here

std::string LocalServerExeName(const std::string&) { return {}; }

void EnableCallCancellation() {}

bool CancelCall(uint32_t) { return false; }

CallFrameGuard::CallFrameGuard() = default;  // no system frames here
CallFrameGuard::~CallFrameGuard() = default;

}  // namespace quillet::com

// ---------------------------------------------------------------- activation

namespace {

using quillet::com::ComPtr;

int HexValue(OLECHAR c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool ParseGuid(const std::string& text, GUID& guid) {
  // {xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}
  static const char kShape[] = "{########-####-####-####-############}";
  if (text.size() != sizeof kShape - 1) return false;
  uint8_t bytes[16];
  int nibble = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (kShape[i] != '#') {
      if (text[i] != kShape[i]) return false;
      continue;
    }
    const int v = HexValue(static_cast<OLECHAR>(static_cast<unsigned char>(text[i])));
    if (v < 0) return false;
    if (nibble % 2 == 0)
      bytes[nibble / 2] = static_cast<uint8_t>(v << 4);
    else
      bytes[nibble / 2] |= static_cast<uint8_t>(v);
    ++nibble;
  }
  guid.Data1 = (uint32_t(bytes[0]) << 24) | (uint32_t(bytes[1]) << 16) | (uint32_t(bytes[2]) << 8) | bytes[3];
  guid.Data2 = static_cast<uint16_t>((bytes[4] << 8) | bytes[5]);
  guid.Data3 = static_cast<uint16_t>((bytes[6] << 8) | bytes[7]);
  std::memcpy(guid.Data4, bytes + 8, 8);
  return true;
}

bool SameProgId(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x + 32);
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y + 32);
    if (x != y) return false;
  }
  return true;
}

// One line of the server registry:
//   ProgID  {CLSID}  factory-function  /path/of/server.so
// The path runs to the end of the line and may hold blanks; "#" starts a comment line.
// A registry file is a few lines; more than this is not one.
constexpr size_t kMaxRegistryBytes = 1 << 20;

struct ServerEntry {
  std::string progId;
  CLSID clsid;
  std::string factory;
  std::string library;
};

std::string RegistryFile() {
  if (const char* env = std::getenv("QUILLET_AUTOMATION_REGISTRY"); env && *env) return env;
  std::string base;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg)
    base = xdg;
  else if (const char* home = std::getenv("HOME"); home && *home)
    base = std::string(home) + "/.config";
  if (!base.empty()) {
    std::string user = base + "/quillet/automation-servers";
    if (quillet::os::FileExists(user)) return user;
  }
  return "/etc/quillet/automation-servers";
}

// Without a registry file, the applications are the stand-ins over
// LibreOffice, the Acrobat plug-in bridge the one over poppler, and the PDF
// software the objects over Ghostscript and qpdf, all shipped in the
// library's private folder (os::PrivateFolder: beside it in the build tree).
std::vector<ServerEntry> BuiltInServers() {
  static const struct {
    const char* progId;
    const char* clsid;
    const char* factory;
    const char* library;
  } kServers[] = {
      {"Word.Application", "{3B8E41A0-5D2C-4F6E-8A11-2C7D904E5101}", "WordGetClassObject", "libquillet-office.so"},
      {"Excel.Application", "{3B8E41A0-5D2C-4F6E-8A11-2C7D904E5102}", "ExcelGetClassObject", "libquillet-office.so"},
      {"PowerPoint.Application", "{3B8E41A0-5D2C-4F6E-8A11-2C7D904E5103}", "PowerPointGetClassObject",
       "libquillet-office.so"},
      {"plugkit.PKApplication", "{3B8E41A0-5D2C-4F6E-8A11-2C7D904E5110}", "PlugKitGetClassObject",
       "libquillet-plugkit.so"},
      {"PdfDistiller.PdfDistiller", "{3B8E41A0-5D2C-4F6E-8A11-2C7D904E5104}", "PdfMakerGetClassObject",
       "libquillet-pdf.so"},
      {"AcroExch.PDDoc", "{3B8E41A0-5D2C-4F6E-8A11-2C7D904E5105}", "PdfDocumentGetClassObject", "libquillet-pdf.so"},
      {"InternetExplorer.Application", "{3B8E41A0-5D2C-4F6E-8A11-2C7D904E5106}", "InternetExplorerGetClassObject",
       "libquillet-office.so"},
  };
  std::string folder = quillet::os::PrivateFolder();
  if (folder.empty()) folder = "./";
  std::vector<ServerEntry> entries;
  for (const auto& s : kServers) {
    ServerEntry e;
    e.progId = s.progId;
    ParseGuid(s.clsid, e.clsid);
    e.factory = s.factory;
    e.library = folder + s.library;
    entries.push_back(std::move(e));
  }
  return entries;
}

// Read at every look-up, as the Windows registry is: a server registered or
// removed while the process runs is seen at once. A registry file that
// exists is the whole truth; without one the built-in servers answer.
std::vector<ServerEntry> ReadRegistry() {
  std::vector<ServerEntry> entries;
  const std::string file = RegistryFile();
  if (!quillet::os::FileExists(file)) return BuiltInServers();
  // Only a regular file is read, and only so much of it: a registry that
  // names a FIFO or a device must neither hang the look-up nor fill memory.
  // Something there that is not a readable file registers nothing.
  const quillet::os::UniqueFile f(quillet::os::OpenRegularFile(file, "rb"));
  if (!f) return entries;
  std::string text(kMaxRegistryBytes, '\0');
  text.resize(std::fread(text.data(), 1, text.size(), f.get()));
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::istringstream fields(line);
    ServerEntry e;
    std::string clsid;
    if (!(fields >> e.progId) || e.progId[0] == '#') continue;
    if (!(fields >> clsid >> e.factory) || !ParseGuid(clsid, e.clsid)) continue;
    std::getline(fields >> std::ws, e.library);
    while (!e.library.empty() && (e.library.back() == ' ' || e.library.back() == '\t')) e.library.pop_back();
    if (!e.library.empty()) entries.push_back(std::move(e));
  }
  return entries;
}

std::mutex& Lock() {
  static std::mutex m;
  return m;
}

// Loaded servers stay loaded for the life of the process: objects they made
// may be alive anywhere. (The map itself goes with this library; the handles
// it holds are not closed.)
std::map<std::string, void*>& LoadedServers() {
  static std::map<std::string, void*> servers;
  return servers;
}

struct RunningEntry {
  DWORD cookie;
  CLSID clsid;
  ComPtr<IUnknown> object;
};

// The running-object table holds strong references until revoked. When the
// table itself goes (process end, or this library unloaded), the references
// still in it are dropped without calling into their servers, whose code may
// already be finalised: they go with the process, as on Windows.
struct RunningTable {
  std::vector<RunningEntry> entries;
  RunningTable() = default;
  RunningTable(const RunningTable&) = delete;
  RunningTable& operator=(const RunningTable&) = delete;
  ~RunningTable() {
    for (RunningEntry& e : entries) (void)e.object.detach();
  }
};

std::vector<RunningEntry>& RunningObjects() {
  static RunningTable table;
  return table.entries;
}

}  // namespace

HRESULT CLSIDFromString(LPCOLESTR text, CLSID* clsid) {
  if (!text || !clsid) return E_INVALIDARG;
  size_t n = 0;
  while (text[n]) ++n;
  // A system function answers with a code: a broken text is no class string.
  const std::optional<std::string> guid = quillet::utf8::FromUtf16(std::u16string_view(text, n));
  return guid && ParseGuid(*guid, *clsid) ? S_OK : CO_E_CLASSSTRING;
}

HRESULT CLSIDFromProgID(LPCOLESTR progId, CLSID* clsid) {
  if (!progId || !clsid) return E_INVALIDARG;
  size_t n = 0;
  while (progId[n]) ++n;
  const std::optional<std::string> decoded = quillet::utf8::FromUtf16(std::u16string_view(progId, n));
  if (!decoded) return CO_E_CLASSSTRING;
  const std::string& name = *decoded;
  if (!name.empty() && name[0] == '{') return CLSIDFromString(progId, clsid);
  for (const ServerEntry& e : ReadRegistry()) {
    if (SameProgId(e.progId, name)) {
      *clsid = e.clsid;
      return S_OK;
    }
  }
  return CO_E_CLASSSTRING;
}

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID riid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (outer) return CLASS_E_NOAGGREGATION;
  // Every server here runs in the caller's process.
  if (!(context & CLSCTX_INPROC_SERVER)) return REGDB_E_CLASSNOTREG;
  ServerEntry entry;
  bool found = false;
  for (ServerEntry& e : ReadRegistry()) {
    if (e.clsid == clsid) {
      entry = std::move(e);
      found = true;
      break;
    }
  }
  if (!found) return REGDB_E_CLASSNOTREG;

  ServerFactoryFn factory = nullptr;
  {
    std::lock_guard<std::mutex> lock(Lock());
    void*& handle = LoadedServers()[entry.library];
    if (!handle) handle = ::dlopen(entry.library.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
      LoadedServers().erase(entry.library);
      return CO_E_DLLNOTFOUND;
    }
    factory = reinterpret_cast<ServerFactoryFn>(::dlsym(handle, entry.factory.c_str()));
  }
  if (!factory) return CO_E_ERRORINDLL;

  ComPtr<IClassFactory> classFactory;
  HRESULT hr = factory(clsid, IID_IClassFactory, classFactory.put_void());
  if (FAILED(hr)) return hr;
  if (!classFactory) return CLASS_E_CLASSNOTAVAILABLE;
  return classFactory->CreateInstance(nullptr, riid, object);
}

HRESULT GetActiveObject(REFCLSID clsid, void*, IUnknown** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  ComPtr<IUnknown> found;
  {
    std::lock_guard<std::mutex> lock(Lock());
    for (const RunningEntry& e : RunningObjects()) {
      if (e.clsid == clsid) {
        found = e.object;
        break;
      }
    }
  }
  if (!found) return MK_E_UNAVAILABLE;
  *object = found.detach();
  return S_OK;
}

HRESULT RegisterActiveObject(IUnknown* object, REFCLSID clsid, DWORD, DWORD* cookie) {
  if (!object || !cookie) return E_INVALIDARG;
  static DWORD next = 0;
  std::lock_guard<std::mutex> lock(Lock());
  *cookie = ++next;
  RunningObjects().push_back({*cookie, clsid, ComPtr<IUnknown>::Borrow(object)});
  return S_OK;
}

HRESULT RevokeActiveObject(DWORD cookie, void*) {
  ComPtr<IUnknown> released;  // released after the lock is given up
  {
    std::lock_guard<std::mutex> lock(Lock());
    auto& table = RunningObjects();
    for (auto it = table.begin(); it != table.end(); ++it) {
      if (it->cookie == cookie) {
        released = std::move(it->object);
        table.erase(it);
        return S_OK;
      }
    }
  }
  return E_INVALIDARG;
}
