#include "Office.h"

#include <cstdio>

#include "DispObject.h"

namespace quillet::doubles {

namespace {

constexpr CLSID kWordClsid = {0x6f0a8f52, 0x3c1d, 0x4b7e, {0x9e, 0x21, 0x5a, 0x4c, 0x0d, 0x1e, 0x77, 0x01}};
constexpr CLSID kExcelClsid = {0x6f0a8f52, 0x3c1d, 0x4b7e, {0x9e, 0x21, 0x5a, 0x4c, 0x0d, 0x1e, 0x77, 0x02}};
constexpr CLSID kPowerPointClsid = {0x6f0a8f52, 0x3c1d, 0x4b7e, {0x9e, 0x21, 0x5a, 0x4c, 0x0d, 0x1e, 0x77, 0x03}};

using Ptr = std::shared_ptr<Session>;

// A property that stores what was put and answers it back.
class Stored {
 public:
  explicit Stored(VARIANT initial) { **value_ = initial; }
  HRESULT Get(VARIANT* result) const { return result ? ::VariantCopy(result, value_->get()) : S_OK; }
  HRESULT Put(const VARIANT& v) {
    const VARIANT& d = Deref(v);
    if (d.vt & VT_BYREF) return DISP_E_TYPEMISMATCH;
    return ::VariantCopy(value_->get(), const_cast<VARIANT*>(&d));
  }

 private:
  std::shared_ptr<com::UniqueVariant> value_ = std::make_shared<com::UniqueVariant>();
};

VARIANT IntValue(int32_t v) {
  VARIANT r;
  ::VariantInit(&r);
  r.vt = VT_I4;
  r.lVal = v;
  return r;
}

VARIANT BoolValue(bool v) {
  VARIANT r;
  ::VariantInit(&r);
  r.vt = VT_BOOL;
  r.boolVal = v ? VARIANT_TRUE : VARIANT_FALSE;
  return r;
}

std::string BaseName(const std::string& path) {
  const size_t slash = path.find_last_of("\\/:");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

class FileConverter : public DispObject {
 public:
  FileConverter(Ptr s, const std::string& name, const ScriptedConverter& c) : DispObject(std::move(s), name) {
    Property("CanOpen", [c](const CallArgs&, VARIANT* r) { SetBool(r, c.canOpen); return S_OK; });
    Property("CanSave", [c](const CallArgs&, VARIANT* r) { SetBool(r, c.canSave); return S_OK; });
    Property("Extensions", [c](const CallArgs&, VARIANT* r) { SetText(r, c.extensions); return S_OK; });
    Property("OpenFormat", [c](const CallArgs&, VARIANT* r) { SetInt(r, c.openFormat); return S_OK; });
    Property("SaveFormat", [c](const CallArgs&, VARIANT* r) { SetInt(r, c.saveFormat); return S_OK; });
    Property("FormatName", [c](const CallArgs&, VARIANT* r) { SetText(r, c.formatName); return S_OK; });
    Property("ClassName", [c](const CallArgs&, VARIANT* r) { SetText(r, c.formatName); return S_OK; });
  }
};

class FileConverters : public DispObject {
 public:
  FileConverters(Ptr s, const std::string& name) : DispObject(std::move(s), name) {
    Property("Count", [this](const CallArgs&, VARIANT* r) {
      SetInt(r, static_cast<int32_t>(session().script().converters.size()));
      return S_OK;
    });
    Member("Item", {"Index"}, [this](const CallArgs& a, VARIANT* r) {
      const auto& list = session().script().converters;
      const int32_t i = a.Int(0, "Index", 0);
      if (i < 1 || static_cast<size_t>(i) > list.size())
        return Raise("The requested member of the collection does not exist.");
      SetObject(r, new FileConverter(sessionPtr(), this->name() + "(" + std::to_string(i) + ")",
                                     list[static_cast<size_t>(i - 1)]));
      return S_OK;
    });
  }
};

// A document property of Word (only Title carries a value here).
class DocumentProperty : public DispObject {
 public:
  DocumentProperty(Ptr s, const std::string& name, std::shared_ptr<std::string> value)
      : DispObject(std::move(s), name) {
    Property(
        "Value", [value](const CallArgs&, VARIANT* r) { SetText(r, *value); return S_OK; },
        [value](const CallArgs& a, VARIANT*) {
          *value = a.putValue && (Deref(*a.putValue).vt == VT_BSTR) ? com::FromBstr(Deref(*a.putValue).bstrVal)
                                                                    : FormatValue(*a.putValue);
          return S_OK;
        });
  }
};

struct DocumentShape {
  std::string prefix;                     // "Word.Document"
  std::vector<std::string> closeParams;   // Close
  std::vector<std::string> saveAsParams;  // SaveAs
  bool properties;                        // BuiltInDocumentProperties
};

class Document : public DispObject {
 public:
  Document(Ptr s, const DocumentShape& shape, const std::string& path)
      : DispObject(s, shape.prefix + "(" + BaseName(path) + ")"), title_(std::make_shared<std::string>(s->script().title)) {
    const std::string base = BaseName(path);
    Property("Name", [base](const CallArgs&, VARIANT* r) { SetText(r, base); return S_OK; });
    Property("FullName", [path](const CallArgs&, VARIANT* r) { SetText(r, path); return S_OK; });
    Method("Close", shape.closeParams, [](const CallArgs&, VARIANT*) { return S_OK; });
    Method("SaveAs", shape.saveAsParams, [this, path](const CallArgs& a, VARIANT*) {
      // Writes a small file, so that a conversion leaves a destination behind.
      const std::string dest = a.Text(0, "FileName", a.Text(0, "Filename"));
      if (dest.empty()) return Raise("A file name is needed.");
      FILE* f = std::fopen(dest.c_str(), "wb");
      if (!f) return Raise("The file could not be saved: " + dest);
      std::fprintf(f, "%s saved %s as format %d\r\n", session().app().c_str(), path.c_str(),
                   a.Int(1, "FileFormat", 0));
      std::fclose(f);
      return S_OK;
    });
    if (shape.properties) {
      Member("BuiltInDocumentProperties", {"Index"}, [this](const CallArgs& a, VARIANT* r) {
        const std::string index = a.Text(0, "Index");
        auto value = index == "Title" ? title_ : std::make_shared<std::string>();
        SetObject(r, new DocumentProperty(sessionPtr(), this->name() + ".BuiltInDocumentProperties(" + index + ")",
                                          value));
        return S_OK;
      });
    }
  }

 private:
  std::shared_ptr<std::string> title_;
};

class Documents : public DispObject {
 public:
  Documents(Ptr s, const std::string& name, std::vector<std::string> openParams, DocumentShape shape)
      : DispObject(std::move(s), name) {
    Property("Count", [this](const CallArgs&, VARIANT* r) { SetInt(r, opened_); return S_OK; });
    Method("Open", openParams, [this, shape](const CallArgs& a, VARIANT* r) {
      const std::string file = a.Text(0, "FileName", a.Text(0, "Filename"));
      if (file.empty()) return Raise("A file name is needed.");
      if (FILE* f = std::fopen(file.c_str(), "rb")) {
        std::fclose(f);
      } else {
        return Raise("This file could not be found. (" + file + ")");
      }
      ++opened_;
      SetObject(r, new Document(sessionPtr(), shape, file));
      return S_OK;
    });
  }

 private:
  int32_t opened_ = 0;
};

class Application : public DispObject {
 public:
  Application(Ptr s, AppKind kind)
      : DispObject(s, AppName(kind)),
        visible_(BoolValue(!s->automation())),
        windowState_(IntValue(1)),
        displayAlerts_(kind == AppKind::Excel ? BoolValue(true) : IntValue(-1)) {
    Property("Version", [this](const CallArgs&, VARIANT* r) { SetText(r, session().script().version); return S_OK; });
    Property(
        "Visible", [this](const CallArgs&, VARIANT* r) { return visible_.Get(r); },
        [this](const CallArgs& a, VARIANT*) { return visible_.Put(*a.putValue); });
    Property(
        "WindowState", [this](const CallArgs&, VARIANT* r) { return windowState_.Get(r); },
        [this](const CallArgs& a, VARIANT*) { return windowState_.Put(*a.putValue); });
    Property(
        "DisplayAlerts", [this](const CallArgs&, VARIANT* r) { return displayAlerts_.Get(r); },
        [this](const CallArgs& a, VARIANT*) { return displayAlerts_.Put(*a.putValue); });
    Method("Quit", {"SaveChanges", "OriginalFormat", "RouteDocument"}, [this](const CallArgs&, VARIANT*) {
      session().quitRequested = true;
      return S_OK;
    });
    const std::string app = AppName(kind);
    switch (kind) {
      case AppKind::Word:
        Member("FileConverters", {}, [this, app](const CallArgs&, VARIANT* r) {
          SetObject(r, new FileConverters(sessionPtr(), app + ".FileConverters"));
          return S_OK;
        });
        Member("Documents", {}, [this, app](const CallArgs&, VARIANT* r) {
          SetObject(r, new Documents(sessionPtr(), app + ".Documents",
                                     {"FileName", "ConfirmConversions", "ReadOnly", "AddToRecentFiles",
                                      "PasswordDocument", "PasswordTemplate", "Revert", "WritePasswordDocument",
                                      "WritePasswordTemplate", "Format", "Encoding", "Visible"},
                                     {app + ".Document",
                                      {"SaveChanges", "OriginalFormat", "RouteDocument"},
                                      {"FileName", "FileFormat", "LockComments", "Password", "AddToRecentFiles",
                                       "WritePassword", "ReadOnlyRecommended", "EmbedTrueTypeFonts",
                                       "SaveNativePictureFormat", "SaveFormsData", "SaveAsAOCELetter", "Encoding",
                                       "InsertLineBreaks", "AllowSubstitutions", "LineEnding", "AddBiDiMarks"},
                                      true}));
          return S_OK;
        });
        break;
      case AppKind::Excel:
        Member("Workbooks", {}, [this, app](const CallArgs&, VARIANT* r) {
          SetObject(r, new Documents(sessionPtr(), app + ".Workbooks",
                                     {"Filename", "UpdateLinks", "ReadOnly", "Format", "Password",
                                      "WriteResPassword", "IgnoreReadOnlyRecommended", "Origin", "Delimiter",
                                      "Editable", "Notify", "Converter", "AddToMru"},
                                     {app + ".Workbook",
                                      {"SaveChanges", "Filename", "RouteWorkbook"},
                                      {"Filename", "FileFormat", "Password", "WriteResPassword",
                                       "ReadOnlyRecommended", "CreateBackup", "AccessMode", "ConflictResolution",
                                       "AddToMru", "TextCodepage", "TextVisualLayout"},
                                      false}));
          return S_OK;
        });
        break;
      case AppKind::PowerPoint:
        Member("Presentations", {}, [this, app](const CallArgs&, VARIANT* r) {
          SetObject(r, new Documents(sessionPtr(), app + ".Presentations",
                                     {"FileName", "ReadOnly", "Untitled", "WithWindow"},
                                     {app + ".Presentation", {}, {"FileName", "FileFormat", "EmbedTrueTypeFonts"},
                                      false}));
          return S_OK;
        });
        break;
    }
  }

 private:
  Stored visible_, windowState_, displayAlerts_;
};

class Factory : public IClassFactory {
 public:
  Factory(AppKind kind, bool automation, void (*onCreate)()) : kind_(kind), automation_(automation), onCreate_(onCreate) {}
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
    const HRESULT hr = app->QueryInterface(riid, object);
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

const char* AppName(AppKind kind) {
  switch (kind) {
    case AppKind::Word: return "Word";
    case AppKind::Excel: return "Excel";
    case AppKind::PowerPoint: return "PowerPoint";
  }
  return "?";
}

const CLSID& AppClsid(AppKind kind) {
  switch (kind) {
    case AppKind::Word: return kWordClsid;
    case AppKind::Excel: return kExcelClsid;
    case AppKind::PowerPoint: return kPowerPointClsid;
  }
  return kWordClsid;
}

IDispatch* CreateApplication(AppKind kind, bool automation) {
  auto session = std::make_shared<Session>(AppName(kind), automation);
  TrackSession(session);
  return new Application(session, kind);
}

IClassFactory* CreateFactory(AppKind kind, bool automation, void (*onCreate)()) {
  return new Factory(kind, automation, onCreate);
}

}  // namespace quillet::doubles
