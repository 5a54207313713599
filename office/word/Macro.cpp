// The template macro of the macro route, quillet.AutoExec.QLConvert, as the
// Word stand-in runs it natively: it reads the job file, converts the source
// into the destination in the format the destination's extension names, and
// writes its answer as the job file's first line (empty for success).
#include <exception>

#include "automation/Failure.h"
#include "common/LoadRequests.h"
#include "formats/Encodings.h"
#include "formats/OpenFormats.h"
#include "formats/SaveFormats.h"
#include "procedures/MacroJob.h"
#include "uno/Documents.h"
#include "utilities/TextLines.h"
#include "word/WordDoc.h"

namespace quillet::office::word {

namespace {

void Convert(AppState& app, const std::string& src, const std::string& dest) {
  const formats::OpenRule rule = formats::WordOpenRule(src, std::nullopt);
  uno::LoadRequest request = LoadRequestFor(src, uno::DocumentKind::Text, rule);
  OpenDocument doc(src, uno::LoadDocument(app.OfficeForNewDocument(), request));
  const formats::SaveFormat& format =
      formats::FindSaveFormat(formats::Application::Word, formats::WordFormatForPath(dest));
  std::string options = format.options;
  if (format.kind == formats::SaveKind::Text) options = formats::TextExportOptions(std::stoi(format.options), false);
  uno::StoreDocument(doc.Model(), dest, format.filter, options, "");
}

}  // namespace

void RunMacro(AppState& app, const std::string& name) {
  if (name != kMacroName) throw Failure("Unable to run the specified macro");
  const std::string jobFile = MacroJobFile();
  const StringList job = LoadLinesFromFile(jobFile);
  if (job.size() < 2) throw Failure("The job file " + jobFile + " names no source and destination");
  std::string answer;
  try {
    Convert(app, job[0], job[1]);
  } catch (const std::exception& e) {
    answer = e.what();
    if (answer.empty()) answer = "The macro could not convert " + job[0];
  }
  SaveLinesToFile(jobFile, {answer});
}

}  // namespace quillet::office::word
