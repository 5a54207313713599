// PowerPoint's part of an Office conversion: the read-only open without a
// window, the title, the text of the slides ("9999") or the generic save,
// the slide-picture passes with their log ("16", "17"), and the print to
// PostScript with the slides fitted to the page.
#include "documents/PowerPointToText.h"
#include "platform/clock.h"
#include "platform/path.h"
#include "procedures/OfficeSteps.h"
#include "procedures/SlideImages.h"
#include "procedures/WatchedCall.h"
#include "utilities/Guarded.h"

namespace quillet {

namespace {

// A password prompt owned by PowerPoint's window is answered with its first
// button, so the open fails with PowerPoint's own message instead of waiting.
const TWatchJob kOpenWatch{"", "Password", "", "Microsoft PowerPoint", "button#1", 60000};

class PowerPointSteps : public TOfficeSteps {
 public:
  PowerPointSteps(const ole::Variant& app, const TOfficeRequest& request, const TProcedureContext& context)
      : TOfficeSteps(app, request), context_(context) {}

  bool Open(std::string& errorText) override {
    std::string failure;
    bool opened = false;
    // Starting the watcher is under the same guard as the open.
    const bool started = Guarded(
        [&] {
          opened = WatchedCall(kOpenWatch, failure, [&] {
            Document = App.CallOrGet("Presentations")
                           .Call("Open", {}, {{"FileName", Request.SrcFile}, {"WithWindow", false}, {"ReadOnly", true}});
          });
        },
        failure);
    if (started && opened) {
      DocumentOpen = true;
      return true;
    }
    errorText = failure;
    Failed(errorText);
    return false;
  }

  void SetTitle() override {
    Ignoring([&] {
      const ole::Args title{"title"};
      if (Document.Get("BuiltInDocumentProperties", title).Get("value").AsString().empty())
        Document.Get("BuiltInDocumentProperties", title).Put("value", path::ExtractFileName(Request.SrcFile));
    });
  }

  void Save(std::string& errorText) override {
    if (Request.DestFormat == "9999") {
      PowerPointToText(Document, Request.DestFile, errorText);
      return;
    }
    // The picture settings are read before the save, so that a malformed
    // picture keyword fails the request before PowerPoint writes anything.
    if (SavesSlidePictures()) pictures_ = context_.ImageSettingsFor(Request.Option);
    SaveAsGeneric();
  }

  void Close() override {
    os::ProcessMessages();
    Document.Call("Close");
    DocumentOpen = false;
    if (SavesSlidePictures()) ConvertSlideBitmaps(Request.DestFile, Request.DestFormat, pictures_);
  }

  void CloseAfterFailure() override {
    if (!DocumentOpen) return;
    Document.Call("Close");
    DocumentOpen = false;
  }

  // PowerPoint takes the printer from the presentation's print options.
  bool PrintToPostScript(const std::string& printer, const std::string& psFile, std::string& errorText) override {
    Document.Get("PrintOptions").Put("ActivePrinter", printer);
    Ignoring([&] { Document.Get("PrintOptions").Put("FitToPage", true); });
    if (!Guarded([&] { Document.Call("PrintOut", {}, {{"PrintToFile", psFile}}); }, errorText)) return false;
    Document.Call("Close");
    DocumentOpen = false;
    return true;
  }

  void Failed(const std::string& errorText) override {
    if (Request.DestFormat == "17") WriteSlideLog(Request.SrcFile, Request.DestFile, errorText);
  }

  void Succeeded() override {
    if (Request.DestFormat == "17") WriteSlideLog(Request.SrcFile, Request.DestFile, "");
  }

 private:
  bool SavesSlidePictures() const { return Request.DestFormat == "17" || Request.DestFormat == "16"; }

  const TProcedureContext& context_;
  ImageSettings pictures_;
};

}  // namespace

std::unique_ptr<TOfficeSteps> MakePowerPointSteps(const ole::Variant& app, const TOfficeRequest& request,
                                                  const TProcedureContext& context) {
  return std::make_unique<PowerPointSteps>(app, request, context);
}

}  // namespace quillet
