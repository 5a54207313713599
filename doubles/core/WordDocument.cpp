#include "WordDocument.h"

#include "Files.h"

namespace quillet::doubles {

namespace {

const DocumentShape& Shape() {
  static const DocumentShape shape{
      "Word.Document",
      {"SaveChanges", "OriginalFormat", "RouteDocument"},
      {"FileName", "FileFormat", "LockComments", "Password", "AddToRecentFiles", "WritePassword",
       "ReadOnlyRecommended", "EmbedTrueTypeFonts", "SaveNativePictureFormat", "SaveFormsData", "SaveAsAOCELetter",
       "Encoding", "InsertLineBreaks", "AllowSubstitutions", "LineEnding", "AddBiDiMarks"}};
  return shape;
}
constexpr size_t kSaveAsEncoding = 11;  // the position of Encoding among SaveAs's parameters

}  // namespace

const std::vector<std::string>& WordDocument::OpenParams() {
  static const std::vector<std::string> params{
      "FileName",      "ConfirmConversions", "ReadOnly",          "AddToRecentFiles",
      "PasswordDocument", "PasswordTemplate", "Revert",           "WritePasswordDocument",
      "WritePasswordTemplate", "Format",     "Encoding",          "Visible"};
  return params;
}

WordDocument::WordDocument(std::shared_ptr<Session> s, const std::string& path)
    : Document(s, Shape(), path),
      saveEncoding_(IntValue(s->script().openEncoding)) {
  const Script& script = s->script();
  links_ = std::make_shared<std::vector<WordLink>>();
  for (const ScriptedLink& link : script.hyperlinks) links_->push_back({link.address, link.text});
  shapes_ = std::make_shared<std::vector<WordInlineShape>>();
  for (int32_t type : script.inlineShapes) shapes_->emplace_back(type);

  Member("Hyperlinks", {}, [this](const CallArgs&, VARIANT* r) {
    SetObject(r, new Hyperlinks(sessionPtr(), name() + ".Hyperlinks", links_));
    return S_OK;
  });
  Member("InlineShapes", {}, [this](const CallArgs&, VARIANT* r) {
    SetObject(r, new InlineShapes(sessionPtr(), name() + ".InlineShapes", shapes_));
    return S_OK;
  });
  Member("Characters", {}, [this](const CallArgs&, VARIANT* r) {
    SetObject(r, new Characters(sessionPtr(), name() + ".Characters"));
    return S_OK;
  });
  Property("OpenEncoding", [this](const CallArgs&, VARIANT* r) {
    SetInt(r, session().script().openEncoding);
    return S_OK;
  });
  auto stored = [this](const char* member, Stored& value) {
    Property(
        member, [&value](const CallArgs&, VARIANT* r) { return value.Get(r); },
        [&value](const CallArgs& a, VARIANT*) { return value.Put(*a.putValue); });
  };
  stored("SaveEncoding", saveEncoding_);
  stored("TrackRevisions", trackRevisions_);
  stored("PrintRevisions", printRevisions_);
  stored("ShowRevisions", showRevisions_);
}

void WordDocument::Save(const CallArgs& a, const std::string& dest, int32_t format) {
  std::string line = SavedLine(format);
  if (a.Find(kSaveAsEncoding, "Encoding")) line += " encoding " + std::to_string(a.Int(kSaveAsEncoding, "Encoding"));
  WriteWholeFile(dest, line + "\r\n");
}

}  // namespace quillet::doubles
