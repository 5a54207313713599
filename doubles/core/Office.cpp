#include "Office.h"

#include <atomic>

#include "Application.h"
#include "PdfObjects.h"
#include "InternetExplorer.h"

namespace quillet::doubles {

namespace {

constexpr CLSID kWordClsid = {0x6f0a8f52, 0x3c1d, 0x4b7e, {0x9e, 0x21, 0x5a, 0x4c, 0x0d, 0x1e, 0x77, 0x01}};
constexpr CLSID kExcelClsid = {0x6f0a8f52, 0x3c1d, 0x4b7e, {0x9e, 0x21, 0x5a, 0x4c, 0x0d, 0x1e, 0x77, 0x02}};
constexpr CLSID kPowerPointClsid = {0x6f0a8f52, 0x3c1d, 0x4b7e, {0x9e, 0x21, 0x5a, 0x4c, 0x0d, 0x1e, 0x77, 0x03}};
constexpr CLSID kPdfMakerClsid = {0x6f0a8f52, 0x3c1d, 0x4b7e, {0x9e, 0x21, 0x5a, 0x4c, 0x0d, 0x1e, 0x77, 0x04}};
constexpr CLSID kPdfDocumentClsid = {0x6f0a8f52, 0x3c1d, 0x4b7e, {0x9e, 0x21, 0x5a, 0x4c, 0x0d, 0x1e, 0x77, 0x05}};
constexpr CLSID kInternetExplorerClsid = {0x6f0a8f52, 0x3c1d, 0x4b7e, {0x9e, 0x21, 0x5a, 0x4c, 0x0d, 0x1e, 0x77, 0x07}};

class Factory : public IClassFactory {
 public:
  Factory(AppKind kind, bool automation, void (*onCreate)())
      : kind_(kind), automation_(automation), onCreate_(onCreate) {}
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
    com::ComPtr<IDispatch> app = com::ComPtr<IDispatch>::Adopt(CreateApplication(kind_, automation_));
    const HRESULT hr = app ? app->QueryInterface(riid, object) : E_FAIL;
    if (onCreate_) onCreate_();
    return hr;
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

 private:
  AppKind kind_;
  bool automation_;
  void (*onCreate_)();
  std::atomic<ULONG> refs_{1};
};

}  // namespace

AppKind AppKindOf(const std::string& name) {
  if (name == "Excel") return AppKind::Excel;
  if (name == "PowerPoint") return AppKind::PowerPoint;
  return AppKind::Word;
}

const char* AppName(AppKind kind) {
  switch (kind) {
    case AppKind::Word:
      return "Word";
    case AppKind::Excel:
      return "Excel";
    case AppKind::PowerPoint:
      return "PowerPoint";
    case AppKind::PdfMaker:
      return "PdfMaker";
    case AppKind::PdfDocument:
      return "PdfDocument";
    case AppKind::InternetExplorer:
      return "InternetExplorer";
  }
  return "?";
}

const CLSID& AppClsid(AppKind kind) {
  switch (kind) {
    case AppKind::Word:
      return kWordClsid;
    case AppKind::Excel:
      return kExcelClsid;
    case AppKind::PowerPoint:
      return kPowerPointClsid;
    case AppKind::PdfMaker:
      return kPdfMakerClsid;
    case AppKind::PdfDocument:
      return kPdfDocumentClsid;
    case AppKind::InternetExplorer:
      return kInternetExplorerClsid;
  }
  return kWordClsid;
}

IDispatch* CreateApplication(AppKind kind, bool automation) {
  auto session = std::make_shared<Session>(AppName(kind), automation);
  if (session->script().refuseCreation) return nullptr;
  TrackSession(session);
  if (kind == AppKind::PdfMaker) return NewPdfMaker(session);
  if (kind == AppKind::PdfDocument) return NewPdfDocument(session);
  if (kind == AppKind::InternetExplorer) return NewInternetExplorer(session);
  return new Application(session, kind);
}

IClassFactory* CreateFactory(AppKind kind, bool automation, void (*onCreate)()) {
  return new Factory(kind, automation, onCreate);
}

}  // namespace quillet::doubles
