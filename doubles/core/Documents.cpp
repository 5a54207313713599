#include "Documents.h"

#include <cstdio>

#include "Files.h"
#include "OpenDialog.h"
#include "platform/file.h"
#include "utilities/Strings.h"

namespace quillet::doubles {

Documents::Documents(std::shared_ptr<Session> s, AppKind app, const std::string& name,
                     std::vector<std::string> openParams, DocumentMaker make)
    : DispObject(std::move(s), name), app_(app), make_(std::move(make)) {
  Property("Count", [this](const CallArgs&, VARIANT* r) {
    SetInt(r, opened_);
    return S_OK;
  });
  Method("Open", std::move(openParams), [this](const CallArgs& a, VARIANT* r) { return Open(a, r); });
}

namespace {

// PowerPoint takes a password with the file name, "name::password::".
std::string WithoutPassword(const std::string& name) {
  const std::string mark = "::";
  if (name.size() < 2 * mark.size() || name.compare(name.size() - mark.size(), mark.size(), mark) != 0) return name;
  const size_t start = name.rfind(mark, name.size() - mark.size() - 1);
  return start == std::string::npos ? name : name.substr(0, start);
}

}  // namespace

HRESULT Documents::Open(const CallArgs& a, VARIANT* result) {
  const std::string given = a.Text(0, "FileName");
  const std::string file = app_ == AppKind::PowerPoint ? WithoutPassword(given) : given;
  if (file.empty()) return Raise("A file name is needed.");
  if (!os::UniqueFile(std::fopen(file.c_str(), "rb"))) return Raise("This file could not be found. (" + file + ")");

  const Script& script = session().script();
  const std::string base = BaseName(file);
  if (!script.dialog.empty()) {
    if (const auto outcome = RaiseOpenDialog(app_, script.dialog, base, script.dialogTimeoutMs)) {
      if (outcome->timedOut) {
        session().Write("dialog " + outcome->caption + " timed out");
        return Raise("Nobody answered the dialog " + outcome->caption);
      }
      session().Write("dialog " + outcome->caption +
                      (outcome->pressed.empty() ? " closed" : " pressed " + outcome->pressed));
    }
  }
  if (const auto fail = script.failOpen.find(LowerCase(base)); fail != script.failOpen.end())
    return Raise(fail->second);

  ++opened_;
  session().activeDocument = file;
  SetObject(result, make_(sessionPtr(), file));
  return S_OK;
}

}  // namespace quillet::doubles
