// The browser stand-in: Navigate loads the page at once, so it is never busy
// and complete as soon as Navigate returns; the text is read while the page
// is open and the page is closed again right away.
#include "ie/InternetExplorer.h"

#include "automation/DispatchObject.h"
#include "automation/Failure.h"
#include "common/AppState.h"
#include "uno/Documents.h"

namespace quillet::office::ie {

namespace {

constexpr const char* kSource = "Internet Explorer";

struct Browser {
  std::shared_ptr<AppState> app = std::make_shared<AppState>(kSource, uno::Module::Writer);
  bool visible = false;
  bool navigated = false;
  std::string text;  // the page's text; empty before any page (about:blank)
};

// A plain path, or a file URL.
std::string PagePath(const std::string& url) {
  if (url.rfind("file:", 0) == 0) return uno::FilePath(uno::Ou(url));
  return url;
}

class Element : public DispatchObject {
 public:
  explicit Element(std::shared_ptr<Browser> browser) : DispatchObject(kSource) {
    Property("innerText", [browser](const CallArgs&, Result& r) {
      browser->app->office();
      r.Text(browser->text);
    });
  }
};

class Document : public DispatchObject {
 public:
  explicit Document(std::shared_ptr<Browser> browser) : DispatchObject(kSource) {
    Property("documentElement", [browser](const CallArgs&, Result& r) {
      browser->app->office();
      r.Object(new Element(browser));
    });
  }
};

class InternetExplorer : public DispatchObject {
 public:
  InternetExplorer() : DispatchObject(kSource) {
    Property(
        "Visible",
        [this](const CallArgs&, Result& r) {
          browser_->app->office();
          r.Bool(browser_->visible);
        },
        [this](const CallArgs& a) {
          browser_->app->office();
          browser_->visible = a.PutBool();
        });
    Method("Navigate", {"URL", "Flags", "TargetFrameName", "PostData", "Headers"},
           [this](const CallArgs& a, Result&) { Navigate(a.Text(0, "URL").value_or("")); });
    Property("Busy", [this](const CallArgs&, Result& r) {
      browser_->app->office();
      r.Bool(false);
    });
    // READYSTATE_UNINITIALIZED before any page, READYSTATE_COMPLETE after.
    Property("ReadyState", [this](const CallArgs&, Result& r) {
      browser_->app->office();
      r.Int(browser_->navigated ? 4 : 0);
    });
    Property("Document", [this](const CallArgs&, Result& r) {
      browser_->app->office();
      r.Object(new Document(browser_));
    });
    Method("Quit", {}, [this](const CallArgs&, Result&) { browser_->app->Quit(); });
  }

 private:
  void Navigate(const std::string& url) {
    if (url.empty()) throw Failure("A URL is needed.");
    uno::LoadRequest request;
    request.path = PagePath(url);
    request.kind = uno::DocumentKind::Text;
    request.filter = "HTML (StarWriter)";
    const OpenDocument page(request.path, uno::LoadDocument(browser_->app->office(), request));
    browser_->text = PageText(page.Model());
    browser_->navigated = true;
  }

  std::shared_ptr<Browser> browser_ = std::make_shared<Browser>();
};

}  // namespace

IDispatch* NewInternetExplorer() { return new InternetExplorer; }

}  // namespace quillet::office::ie
