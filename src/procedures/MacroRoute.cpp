// The macro-driven route: the request goes into a job file, a macro kept in a
// template document converts the file inside the application, and its answer
// comes back through the same job file.
#include "documents/AcrobatTemplateName.h"
#include "documents/OpenTemplate.h"
#include "engine/options/Options.h"
#include "engine/formatlib/FormatCodes.h"
#include "platform/fs.h"
#include "platform/path.h"
#include "procedures/MacroJob.h"
#include "procedures/Routes.h"
#include "procedures/SlideImages.h"
#include "procedures/WatchedCall.h"
#include "utilities/Guarded.h"
#include "utilities/Maker.h"
#include "utilities/Messages.h"
#include "utilities/Strings.h"
#include "utilities/TextLines.h"

namespace quillet {

namespace {

// Excel's macro may stop on a dialog of its own; the second button ends it.
const TWatchJob kMacroWatch{"excel.exe", "#32770", "", "", "button#2", 60000};

// The template kept beside the host program for the codes other than PDF,
// one per application.
std::string MacroTemplateName(const std::string& kind) {
  if (kind == "excel") return "quillet.xlt";
  if (kind == "powerpoint") return "quillet.pot";
  return "quillet.dot";
}

// Closes the template without saving; a failure is left alone.
void CloseTemplate(const ole::Variant& document, const std::string& kind) {
  Ignoring([&] {
    if (kind == "powerpoint")
      document.Call("Close");
    else
      document.Call("Close", {}, {{"SaveChanges", 0}});
  });
}

}  // namespace

Status ConvertWithMacro(TProcedureContext& context, TApplication app, const TConversionRequest& request) {
  const std::string& src = request.Src;
  const std::string& dest = request.Dest;
  // Macros live in Word, Excel and PowerPoint. Any other application chosen
  // with the macro keyword (Acrobat, the route without Word) has its
  // template run in Word, which is started for it.
  const bool excel = app == TApplication::Excel;
  const bool powerPoint = app == TApplication::PowerPoint;
  const std::string kind = excel ? "excel" : powerPoint ? "powerpoint" : "word";
  TOfficeApplications& applications = context.Applications();
  const TApplicationSlot& slot = applications.Slot(excel        ? TApplication::Excel
                                                   : powerPoint ? TApplication::PowerPoint
                                                                : TApplication::Word);
  if (!excel && !powerPoint) {
    if (Status started = applications.StartWord(); !started) return started;
  }

  // 1. The template, opened in the application: the macro's document.
  std::string templateName;
  if (request.Format == formats::kPdfByPrinting) {
    GetAcrobatTemplateName(templateName);
    if (templateName.empty()) return Status(ErrorCode::NotInstalled, texts::kNoFerrule);
  } else {
    templateName = MacroTemplateName(kind);
  }
  ole::Variant document;
  if (Status opened = OpenTemplate(slot.Object, kind, templateName, &document); !opened.ok()) return opened;

  // 2. The request.
  const std::string jobFile = MacroJobFile();
  if (Status saved = Capture([&] { SaveLinesToFile(jobFile, {src, dest}); }); !saved.ok()) {
    CloseTemplate(document, kind);
    return saved;
  }

  // 3. The macro, then whatever it left open of this request.
  const auto runMacro = [&] {
    document.Call("Activate");
    document.Get("Application").Call("Run", {kMacroName});
    const std::string member = excel ? "ActiveWorkbook" : powerPoint ? "ActivePresentation" : "ActiveDocument";
    const ole::Variant active = slot.Object.Get(member);
    const std::string name = LowerCase(active.Get("fullname").AsString());
    if (name == LowerCase(src) || name == LowerCase(dest)) {
      if (powerPoint)
        active.Call("Close");
      else
        active.Call("Close", {}, {{"SaveChanges", 0}});
    }
  };
  const Status ran = excel ? WatchedCall(kMacroWatch, runMacro) : Capture(runMacro);
  // The template is given back after every run: a converter serving many
  // requests must not gather one open copy of it per request.
  CloseTemplate(document, kind);
  if (!ran.ok()) return ran;

  // 4. The log a macro may have written beside the result.
  os::DeleteFile(path::ChangeFileExt(dest, ".log"));

  // 5. The macro's answer.
  if (os::FileExists(jobFile)) {
    StringList lines;
    if (Status read = Capture([&] { lines = LoadLinesFromFile(jobFile); }); !read.ok()) return read;
    if (!lines.empty()) {
      // An answer that names the source is the macro's way of saying that
      // only the full Acrobat makes it. An empty first line is success.
      const std::string answer = Trim(lines.front());
      if (answer == src) return Status(ErrorCode::NotInstalled, texts::NeedFullAcrobat(kMakerOrderPage));
      return answer.empty() ? Status::Ok() : Status::Failed(answer);
    }
  }

  // 6. and 7. The slide pictures a PowerPoint macro saved; a failure here
  // reaches the dispatcher.
  if (powerPoint && (request.Format == formats::kPowerPointJpeg || request.Format == formats::kPowerPointGif))
    ConvertSlideBitmaps(dest, request.Format, context.ImageSettingsFor(""));
  return Status::Ok();
}

}  // namespace quillet
