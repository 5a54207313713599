#include "InternetExplorer.h"

#include <fstream>
#include <sstream>

#include "Values.h"

namespace quillet::doubles {

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The script's PageText: \r, \n and \t stand for those characters, \uXXXX for
// one UTF-16 code unit (a character the ANSI code page may not have); other
// bytes are text of this system's code page.
com::OleString Unescape(const std::string& s) {
  com::OleString out;
  std::string plain;
  auto flush = [&] {
    out += com::ToOle(plain);
    plain.clear();
  };
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '\\' || i + 1 == s.size()) {
      plain += s[i];
      continue;
    }
    const char e = s[i + 1];
    if (e == 'r' || e == 'n' || e == 't') {
      plain += e == 'r' ? '\r' : e == 'n' ? '\n' : '\t';
      ++i;
    } else if (e == 'u' && i + 5 < s.size() && HexDigit(s[i + 2]) >= 0 && HexDigit(s[i + 3]) >= 0 &&
               HexDigit(s[i + 4]) >= 0 && HexDigit(s[i + 5]) >= 0) {
      flush();
      out += static_cast<OLECHAR>((HexDigit(s[i + 2]) << 12) | (HexDigit(s[i + 3]) << 8) | (HexDigit(s[i + 4]) << 4) |
                                  HexDigit(s[i + 5]));
      i += 5;
    } else {
      plain += s[i];
    }
  }
  flush();
  return out;
}

// The page's bytes with everything from a "<" to the next ">" left out.
std::string WithoutTags(const std::string& html) {
  std::string text;
  bool inTag = false;
  for (char c : html) {
    if (c == '<')
      inTag = true;
    else if (c == '>' && inTag)
      inTag = false;
    else if (!inTag)
      text += c;
  }
  return text;
}

void SetOleText(VARIANT* result, const com::OleString& text) {
  if (!result) return;
  ::VariantClear(result);
  result->vt = VT_BSTR;
  result->bstrVal = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
}

// What the browser holds: the page last navigated to and how far it has come.
struct Page {
  bool navigated = false;
  com::OleString text;  // the rendered text; empty before a Navigate (about:blank)
  int32_t busyReads = 0, loadingReads = 0;
};

class Element : public DispObject {
 public:
  Element(std::shared_ptr<Session> s, std::shared_ptr<Page> page)
      : DispObject(s, "InternetExplorer.Document.documentElement") {
    Property("innerText", [page](const CallArgs&, VARIANT* r) {
      SetOleText(r, page->text);
      return S_OK;
    });
  }
};

class Document : public DispObject {
 public:
  Document(std::shared_ptr<Session> s, std::shared_ptr<Page> page) : DispObject(s, "InternetExplorer.Document") {
    Property("documentElement", [this, page](const CallArgs&, VARIANT* r) {
      SetObject(r, new Element(sessionPtr(), page));
      return S_OK;
    });
  }
};

class Browser : public DispObject {
 public:
  explicit Browser(std::shared_ptr<Session> s)
      : DispObject(s, "InternetExplorer"), visible_(BoolVariant(!s->automation())), page_(std::make_shared<Page>()) {
    Property(
        "Visible", [this](const CallArgs&, VARIANT* r) { return visible_.Get(r); },
        [this](const CallArgs& a, VARIANT*) { return visible_.Put(*a.putValue); });
    Method("Navigate", {"URL", "Flags", "TargetFrameName", "PostData", "Headers"}, [this](const CallArgs& a, VARIANT*) {
      const std::string url = a.Text(0, "URL");
      std::ifstream in(url, std::ios::binary);
      if (!in) return Raise("The page cannot be displayed: " + url);
      std::ostringstream bytes;
      bytes << in.rdbuf();
      const Script& script = session().script();
      page_->navigated = true;
      page_->text = script.hasPageText ? Unescape(script.pageText) : com::ToOle(WithoutTags(bytes.str()));
      page_->busyReads = script.busyReads;
      page_->loadingReads = script.loadingReads;
      return S_OK;
    });
    Property("Busy", [this](const CallArgs&, VARIANT* r) {
      SetBool(r, Countdown(page_->busyReads));
      return S_OK;
    });
    // READYSTATE_UNINITIALIZED before any page, READYSTATE_INTERACTIVE while
    // loading, READYSTATE_COMPLETE.
    Property("ReadyState", [this](const CallArgs&, VARIANT* r) {
      SetInt(r, !page_->navigated ? 0 : Countdown(page_->loadingReads) ? 3 : 4);
      return S_OK;
    });
    Property("Document", [this](const CallArgs&, VARIANT* r) {
      SetObject(r, new Document(sessionPtr(), page_));
      return S_OK;
    });
    Method("Quit", {}, [this](const CallArgs&, VARIANT*) {
      session().quitRequested = true;
      return S_OK;
    });
  }

 private:
  // True while Reads has reads left (for ever when it is negative).
  static bool Countdown(int32_t& reads) {
    if (reads < 0) return true;
    if (reads == 0) return false;
    --reads;
    return true;
  }

  Stored visible_;
  std::shared_ptr<Page> page_;
};

}  // namespace

DispObject* NewInternetExplorer(std::shared_ptr<Session> session) { return new Browser(std::move(session)); }

}  // namespace quillet::doubles
