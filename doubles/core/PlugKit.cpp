#include "PlugKit.h"

#include <atomic>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "Application.h"
#include "DispObject.h"
#include "platform/file.h"

namespace quillet::doubles {

namespace {

constexpr CLSID kPlugKitClsid = {0x6f0a8f52, 0x3c1d, 0x4b7e, {0x9e, 0x21, 0x5a, 0x4c, 0x0d, 0x1e, 0x77, 0x10}};

// "a|b|c" lines become lines joined by Delimiter.
std::string Delimited(const std::string& source, const std::string& delimiter) {
  std::istringstream in(source);
  std::string line, out;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    for (char c : line) {
      if (c == '|')
        out += delimiter;
      else
        out += c;
    }
    out += "\r\n";
  }
  return out;
}

class PlugKitApplication : public DispObject {
 public:
  explicit PlugKitApplication(std::shared_ptr<Session> session) : DispObject(std::move(session), "PKApplication") {
    Member("IsPlug_insLoadOk", {}, [this](const CallArgs&, VARIANT* result) {
      SetInt(result, this->session().script().plugInsLoadOk);
      return S_OK;
    });
    Method("ConvertFile", {"SrcFile", "DestFile", "Option", "ErrorText"},
           [this](const CallArgs& args, VARIANT*) { return ConvertFile(args); });
  }

 protected:
  // Linux: a conversion that hangs can be aborted, as on the applications.
  HRESULT QueryOther(REFIID riid, void** object) override {
    return OfferServerControl(this, sessionPtr(), riid, object);
  }

 private:
  HRESULT ConvertFile(const CallArgs& args) {
    VARIANT* answer = args.Find(3, "ErrorText");
    if (!answer || answer->vt != (VT_BYREF | VT_BSTR) || !answer->pbstrVal)
      return Raise("ErrorText must be passed by reference as a text.");
    const std::string src = args.Text(0, "SrcFile"), dest = args.Text(1, "DestFile");
    const std::string option = args.Text(2, "Option");
    SetAnswer(*answer, Convert(src, dest, option));
    return S_OK;
  }

  std::string Convert(const std::string& src, const std::string& dest, const std::string& option) {
    if (!session().script().convertAnswer.empty()) return session().script().convertAnswer;
    std::ifstream in(src, std::ios::binary);
    if (!in) return "Can not open " + src;
    std::ostringstream all;
    all << in.rdbuf();
    const size_t at = option.find("delimit=");
    const std::string delimiter =
        at != std::string::npos && at + 8 < option.size() ? option.substr(at + 8, 1) : std::string(" ");
    const std::string text = Delimited(all.str(), delimiter);
    const os::UniqueFile out{std::fopen(dest.c_str(), "wb")};
    if (!out || std::fwrite(text.data(), 1, text.size(), out.get()) != text.size()) return "Can not write " + dest;
    return {};
  }

  static void SetAnswer(VARIANT& answer, const std::string& text) {
    ::SysFreeString(*answer.pbstrVal);
    const com::OleString w = com::ToOle(text);
    *answer.pbstrVal = ::SysAllocStringLen(w.data(), static_cast<UINT>(w.size()));
  }
};

class Factory : public IClassFactory {
 public:
  virtual ~Factory() = default;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    if (!object) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IClassFactory) {
      *object = static_cast<IClassFactory*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG n = --refs_;
    if (n == 0) delete this;
    return n;
  }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    const auto bridge = com::ComPtr<IDispatch>::Adopt(CreatePlugKit());
    return bridge->QueryInterface(riid, object);
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

 private:
  std::atomic<ULONG> refs_{1};
};

}  // namespace

const CLSID& PlugKitClsid() { return kPlugKitClsid; }

IDispatch* CreatePlugKit() {
  auto session = std::make_shared<Session>("Acrobat", true);
  TrackSession(session);
  return new PlugKitApplication(session);
}

IClassFactory* CreatePlugKitFactory() { return new Factory(); }

}  // namespace quillet::doubles
