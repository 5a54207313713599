#include "Macro.h"

#include <exception>

#include "Files.h"
#include "SlideImages.h"
#include "platform/fs.h"
#include "platform/path.h"
#include "procedures/MacroJob.h"
#include "utilities/TextLines.h"

namespace quillet::doubles {

namespace {

void Answer(const std::string& jobFile, const std::string& firstLine) { WriteWholeFile(jobFile, firstLine + "\r\n"); }

}  // namespace

std::string RunMacro(Session& session, AppKind kind, const std::string& name) {
  const Script& script = session.script();
  if (name != kMacroName || script.macro.empty()) return "The macro '" + name + "' cannot be found.";

  const std::string jobFile = MacroJobFile();
  StringList job;
  try {
    job = LoadLinesFromFile(jobFile);
  } catch (const std::exception& e) {
    return e.what();
  }
  const std::string src = job.size() > 0 ? job[0] : "";
  const std::string dest = job.size() > 1 ? job[1] : "";
  session.Write("macro " + src + "|" + dest);

  if (script.macro == "convert") {
    WriteWholeFile(dest, session.app() + " macro converted " + src + "\r\n");
    session.activeDocument = dest;
    Answer(jobFile, "");
  } else if (script.macro == "fail") {
    Answer(jobFile, script.macroAnswer);
  } else if (script.macro == "empty") {
    WriteWholeFile(jobFile, "");
  } else if (script.macro == "slides" && kind == AppKind::PowerPoint) {
    const std::string folder = path::ChangeFileExt(dest, "");
    os::ForceDirectories(folder);
    WriteSlideImages(folder, static_cast<int32_t>(script.slides.size()), script.slideWidth, script.slideHeight,
                     script.badSlideImages);
    WriteWholeFile(jobFile, "");
  }
  // "untouched": the job file stays as the converter wrote it.
  return "";
}

ActiveDocument::ActiveDocument(std::shared_ptr<Session> s, AppKind kind, const std::string& name)
    : DispObject(s, name) {
  const std::string path = s->activeDocument;
  Property("FullName", [path](const CallArgs&, VARIANT* r) {
    SetText(r, path);
    return S_OK;
  });
  std::vector<std::string> closeParams;
  if (kind == AppKind::Word) closeParams = {"SaveChanges", "OriginalFormat", "RouteDocument"};
  if (kind == AppKind::Excel) closeParams = {"SaveChanges", "Filename", "RouteWorkbook"};
  Method("Close", closeParams, [this, path](const CallArgs&, VARIANT*) {
    if (session().activeDocument == path) session().activeDocument.clear();
    MarkDeleted();
    return S_OK;
  });
}

}  // namespace quillet::doubles
