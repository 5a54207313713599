#include "Application.h"

#include <atomic>

#include "Documents.h"
#include "Macro.h"
#include "ExcelWorkbook.h"
#include "PowerPointPresentation.h"
#include "WordConverters.h"
#include "WordDocument.h"

namespace quillet::doubles {

namespace {

template <class Doc>
DocumentMaker MakerOf() {
  return [](std::shared_ptr<Session> s, const std::string& path) -> DispObject* { return new Doc(std::move(s), path); };
}

}  // namespace

Application::Application(std::shared_ptr<Session> s, AppKind kind)
    : DispObject(s, AppName(kind)),
      visible_(BoolVariant(!s->automation())),
      windowState_(IntVariant(1)),
      displayAlerts_(kind == AppKind::Excel ? BoolVariant(true) : IntVariant(-1)),
      askToUpdateLinks_(BoolVariant(true)) {
  auto stored = [this](const char* member, Stored& value) {
    Property(
        member, [&value](const CallArgs&, VARIANT* r) { return value.Get(r); },
        [&value](const CallArgs& a, VARIANT*) { return value.Put(*a.putValue); });
  };
  Property("Version", [this](const CallArgs&, VARIANT* r) {
    SetText(r, session().script().version);
    return S_OK;
  });
  stored("Visible", visible_);
  stored("WindowState", windowState_);
  stored("DisplayAlerts", displayAlerts_);
  Method("Quit", {"SaveChanges", "OriginalFormat", "RouteDocument"}, [this](const CallArgs&, VARIANT*) {
    session().quitRequested = true;
    return S_OK;
  });

  if (kind == AppKind::Word || kind == AppKind::Excel || kind == AppKind::PowerPoint) {
    Method("Run", {"MacroName"}, [this, kind](const CallArgs& a, VARIANT*) {
      const std::string failure = RunMacro(session(), kind, a.Text(0, "MacroName"));
      return failure.empty() ? S_OK : Raise(failure);
    });
    const char* active = kind == AppKind::Word    ? "ActiveDocument"
                         : kind == AppKind::Excel ? "ActiveWorkbook"
                                                  : "ActivePresentation";
    Member(active, {}, [this, kind, active](const CallArgs&, VARIANT* r) {
      if (session().activeDocument.empty()) return Raise("This command is not available because no document is open.");
      SetObject(r, new ActiveDocument(sessionPtr(), kind, std::string(AppName(kind)) + "." + active));
      return S_OK;
    });
  }

  const std::string app = AppName(kind);
  auto collection = [this, kind, app](const char* member, std::vector<std::string> openParams, DocumentMaker make) {
    Member(member, {}, [this, kind, name = app + "." + member, openParams, make](const CallArgs&, VARIANT* r) {
      SetObject(r, new Documents(sessionPtr(), kind, name, openParams, make));
      return S_OK;
    });
  };
  switch (kind) {
    case AppKind::Word:
      Property(
          "ActivePrinter",
          [this](const CallArgs&, VARIANT* r) {
            SetText(r, session().activePrinter);
            return S_OK;
          },
          [this](const CallArgs& a, VARIANT*) {
            session().activePrinter = PlainText(*a.putValue);
            return S_OK;
          });
      Member("FileConverters", {}, [this, app](const CallArgs&, VARIANT* r) {
        SetObject(r, new FileConverters(sessionPtr(), app + ".FileConverters"));
        return S_OK;
      });
      collection("Documents", WordDocument::OpenParams(), MakerOf<WordDocument>());
      break;
    case AppKind::Excel:
      stored("AskToUpdateLinks", askToUpdateLinks_);
      collection("Workbooks", ExcelWorkbook::OpenParams(), MakerOf<ExcelWorkbook>());
      break;
    case AppKind::PowerPoint:
      collection("Presentations", PowerPointPresentation::OpenParams(), MakerOf<PowerPointPresentation>());
      break;
    case AppKind::PdfMaker:
    case AppKind::PdfDocument:
      break;                         // not applications: see PdfObjects.h
    case AppKind::InternetExplorer:  // an object of its own (InternetExplorer.h)
      break;
  }
}

HRESULT Application::QueryOther(REFIID riid, void** object) {
  return OfferServerControl(this, sessionPtr(), riid, object);
}

}  // namespace quillet::doubles
