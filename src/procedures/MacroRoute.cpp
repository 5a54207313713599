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

void ConvertWithMacro(TProcedureContext& context, const std::string& appName, const std::string& src,
                      const std::string& dest, const std::string& destFormat, const std::string&,
                      std::string& errorText) {
  errorText.clear();
  // Macros live in Word, Excel and PowerPoint. Any other application chosen
  // with the macro keyword (Acrobat, the route without Word) has its
  // template run in Word, which is started for it.
  const bool excel = appName == options::kMsExcel;
  const bool powerPoint = appName == options::kMsPowerpoint;
  const std::string kind = excel ? "excel" : powerPoint ? "powerpoint" : "word";
  TOfficeApplications& applications = context.Applications();
  const TApplicationSlot& slot =
      applications.Slot(excel ? TApplication::Excel : powerPoint ? TApplication::PowerPoint : TApplication::Word);
  if (!excel && !powerPoint) {
    const Status started = applications.StartWord();
    if (!started) {
      errorText = started.message();
      return;
    }
  }

  // 1. The template, opened in the application: the macro's document.
  std::string templateName;
  if (destFormat == formats::kPdfByPrinting) {
    GetAcrobatTemplateName(templateName);
    if (templateName.empty()) {
      errorText = texts::kNoFerrule;
      return;
    }
  } else {
    templateName = MacroTemplateName(kind);
  }
  ole::Variant document;
  OpenTemplate(slot.Object, kind, templateName, errorText, &document);
  if (!errorText.empty()) return;

  // 2. The request.
  const std::string jobFile = MacroJobFile();
  if (!Guarded([&] { SaveLinesToFile(jobFile, {src, dest}); }, errorText)) {
    CloseTemplate(document, kind);
    return;
  }

  // 3. The macro, then whatever it left open of this request.
  const auto runMacro = [&] {
    document.Call("Activate");
    document.Get("Application").Call("Run", {kMacroName});
    const std::string member =
        excel ? "ActiveWorkbook" : powerPoint ? "ActivePresentation" : "ActiveDocument";
    const ole::Variant active = slot.Object.Get(member);
    const std::string name = LowerCase(active.Get("fullname").AsString());
    if (name == LowerCase(src) || name == LowerCase(dest)) {
      if (powerPoint)
        active.Call("Close");
      else
        active.Call("Close", {}, {{"SaveChanges", 0}});
    }
  };
  const bool ran = excel ? WatchedCall(kMacroWatch, errorText, runMacro) : Guarded(runMacro, errorText);
  // The template is given back after every run: a converter serving many
  // requests must not gather one open copy of it per request.
  CloseTemplate(document, kind);
  if (!ran) return;

  // 4. The log a macro may have written beside the result.
  os::DeleteFile(path::ChangeFileExt(dest, ".log"));

  // 5. The macro's answer.
  if (os::FileExists(jobFile)) {
    StringList lines;
    if (!Guarded([&] { lines = LoadLinesFromFile(jobFile); }, errorText)) return;
    if (!lines.empty()) {
      errorText = Trim(lines.front());
      if (errorText == src)
        errorText = texts::NeedFullAcrobat(kMakerOrderPage);
      return;
    }
  }

  // 6. and 7. The slide pictures a PowerPoint macro saved; a failure here
  // reaches the dispatcher.
  if (powerPoint && (destFormat == formats::kPowerPointJpeg || destFormat == formats::kPowerPointGif))
    ConvertSlideBitmaps(dest, destFormat, context.ImageSettingsFor(""));
}

}  // namespace quillet
