#include "Document.h"

#include "Application.h"
#include "Files.h"
#include "utilities/Strings.h"

namespace quillet::doubles {

namespace {

// One built-in document property: its Value, shared with every other object
// made for the same property of the same document.
class DocumentProperty : public DispObject {
 public:
  DocumentProperty(std::shared_ptr<Session> s, const std::string& name, std::shared_ptr<std::string> value)
      : DispObject(std::move(s), name) {
    Property(
        "Value",
        [value](const CallArgs&, VARIANT* r) {
          SetText(r, *value);
          return S_OK;
        },
        [value](const CallArgs& a, VARIANT*) {
          *value = PlainText(*a.putValue);
          return S_OK;
        });
  }
};

}  // namespace

Document::Document(std::shared_ptr<Session> s, const DocumentShape& shape, const std::string& path)
    : DispObject(s, shape.prefix + "(" + BaseName(path) + ")"), path_(path) {
  properties_["title"] = std::make_shared<std::string>(s->script().title);
  for (const auto& [name, value] : s->script().properties) properties_[name] = std::make_shared<std::string>(value);
  const std::string base = BaseName(path);
  DispObject::Property("Name", [base](const CallArgs&, VARIANT* r) {
    SetText(r, base);
    return S_OK;
  });
  DispObject::Property("FullName", [path](const CallArgs&, VARIANT* r) {
    SetText(r, path);
    return S_OK;
  });
  Method("Close", shape.closeParams, [this](const CallArgs&, VARIANT*) {
    MarkDeleted();
    if (session().activeDocument == path_) session().activeDocument.clear();
    return S_OK;
  });
  Method("Activate", {}, [this](const CallArgs&, VARIANT*) {
    session().activeDocument = path_;
    return S_OK;
  });
  Member("Application", {}, [this](const CallArgs&, VARIANT* r) {
    SetObject(r, new Application(sessionPtr(), AppKindOf(session().app())));
    return S_OK;
  });
  Method("SaveAs", shape.saveAsParams, [this](const CallArgs& a, VARIANT*) {
    const std::string dest = a.Text(0, "FileName");
    if (dest.empty()) return Raise("A file name is needed.");
    Save(a, dest, a.Int(1, "FileFormat", 0));
    return S_OK;
  });
  Member("BuiltInDocumentProperties", {"Index"}, [this](const CallArgs& a, VARIANT* r) {
    const std::string index = a.Text(0, "Index");
    SetObject(r, new DocumentProperty(sessionPtr(), name() + ".BuiltInDocumentProperties(" + index + ")",
                                      BuiltInProperty(index)));
    return S_OK;
  });
}

std::shared_ptr<std::string> Document::BuiltInProperty(const std::string& index) {
  // The numbers of the first four, as the applications give them.
  static const char* const kNumbered[] = {"title", "subject", "author", "keywords"};
  std::string key = LowerCase(index);
  if (key.size() == 1 && key[0] >= '1' && key[0] <= '4') key = kNumbered[key[0] - '1'];
  auto& value = properties_[key];
  if (!value) value = std::make_shared<std::string>();
  return value;
}

void Document::Save(const CallArgs&, const std::string& dest, int32_t format) {
  WriteWholeFile(dest, SavedLine(format) + "\r\n");
}

void Document::WriteExport(const std::string& dest, const std::string& pages, bool pdfA) const {
  WriteWholeFile(dest, session().app() + " exported " + path_ + " as PDF" + (pages.empty() ? "" : " pages " + pages) +
                           (pdfA ? " PDF/A-1b" : "") + "\r\n");
}

std::string Document::SavedLine(int32_t format) const {
  return session().app() + " saved " + path_ + " as format " + std::to_string(format);
}

}  // namespace quillet::doubles
