#include "documents/gsdlllib/Ghostscript.h"

#include <utility>
#include <vector>

#include "platform/utf8.h"
#include "utilities/Messages.h"

namespace quillet {

namespace {

struct Binding {
  bool loaded = false;
  os::GhostscriptEntries entries;
};

Binding& TheBinding() {
  static Binding binding;
  return binding;
}

}  // namespace

bool GhostscriptLoaded() { return TheBinding().loaded; }

bool LoadGhostscript() {
  Binding& b = TheBinding();
  if (!os::BindGhostscript(b.entries)) return false;
  b.loaded = true;
  return true;
}

int QUILLET_LIBRARY_CALL GhostscriptCallback(int, char*, unsigned long) { return 0; }

Status PsToPdfByGhostscript(const std::string& psPath, const std::string& pdfPath) {
  // On Linux the interpreter is told that its arguments are UTF-8 and
  // decodes them itself: a path that is not UTF-8 is not handed to it.
  for (const auto& [text, what] :
       {std::pair{&psPath, texts::kThePostScriptFile}, std::pair{&pdfPath, texts::kThePdfFile}}) {
    if (!utf8::IsLibraryText(*text)) return Status(ErrorCode::InvalidText, utf8::NotValidMessage(*text, what));
  }
  if (!GhostscriptLoaded() && !LoadGhostscript()) return Status(ErrorCode::NotInstalled, texts::kCannotLoadGhostscript);
  const os::GhostscriptEntries& gs = TheBinding().entries;

  // Exactly these ten entries, the paths unquoted, each one entry.
  std::vector<std::string> args{
      "ps2pdf", "-dNOPAUSE",    "-dBATCH", "-dSAFER", "-sDEVICE=pdfwrite", "-sOutputFile=" + pdfPath,
      "-c",     ".setpdfwrite", "-f",      psPath};
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  auto fail = [&](const char* message) {
    gs.exit();
    return Status::Failed(message);
  };
  if (gs.init(GhostscriptCallback, nullptr, static_cast<int>(args.size()), argv.data()) != 0)
    return fail(texts::kCannotInitGhostscript);
  if (gs.executeBegin() != 0) return fail(texts::kCannotBeginGhostscript);
  if (gs.executeCont(nullptr, 0) != 0) return fail(texts::kCannotContinueGhostscript);
  if (gs.executeEnd() != 0) return fail(texts::kCannotEndGhostscript);
  // An exit that fails leaves no text of its own.
  return gs.exit() == 0 ? Status::Ok() : Status::Failed(texts::GhostscriptUnclean(pdfPath));
}

}  // namespace quillet
