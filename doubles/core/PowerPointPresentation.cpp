#include "PowerPointPresentation.h"

#include <cstdio>

#include "PowerPointSlides.h"
#include "Printing.h"
#include "Values.h"
#include "SlideImages.h"
#include "WebPages.h"
#include "platform/fs.h"
#include "platform/path.h"

namespace quillet::doubles {

namespace {

constexpr int32_t kWebPage = 12, kGifPictures = 16, kJpegPictures = 17;

const DocumentShape& Shape() {
  static const DocumentShape shape{"PowerPoint.Presentation", {}, {"FileName", "FileFormat", "EmbedTrueTypeFonts"}};
  return shape;
}

// slide0001.htm, slide0002.htm, ...
std::string SlidePage(size_t n) {
  char name[32];
  std::snprintf(name, sizeof name, "slide%04u.htm", static_cast<unsigned>(n));
  return name;
}

using SlideRanges = std::vector<std::pair<int32_t, int32_t>>;

// One range of slides of the print options.
class PrintRange : public DispObject {
 public:
  PrintRange(std::shared_ptr<Session> s, const std::string& name, std::pair<int32_t, int32_t> range)
      : DispObject(std::move(s), name) {
    Property("Start", [range](const CallArgs&, VARIANT* r) {
      SetInt(r, range.first);
      return S_OK;
    });
    Property("End", [range](const CallArgs&, VARIANT* r) {
      SetInt(r, range.second);
      return S_OK;
    });
  }
};

// PrintOptions.Ranges: Add(Start, End), ClearAll, Count and Item.
class PrintRanges : public DispObject {
 public:
  PrintRanges(std::shared_ptr<Session> s, const std::string& name, std::shared_ptr<SlideRanges> ranges)
      : DispObject(std::move(s), name), ranges_(std::move(ranges)) {
    Method("Add", {"Start", "End"}, [this](const CallArgs& a, VARIANT* r) {
      ranges_->emplace_back(a.Int(0, "Start"), a.Int(1, "End"));
      SetObject(r, MakeRange(static_cast<int32_t>(ranges_->size())));
      return S_OK;
    });
    Method("ClearAll", {}, [this](const CallArgs&, VARIANT*) {
      ranges_->clear();
      return S_OK;
    });
    Collection([this] { return static_cast<int32_t>(ranges_->size()); },
               [this](int32_t index) { return MakeRange(index); });
  }

 private:
  DispObject* MakeRange(int32_t index) {
    return new PrintRange(sessionPtr(), name() + "(" + std::to_string(index) + ")",
                          (*ranges_)[static_cast<size_t>(index - 1)]);
  }
  std::shared_ptr<SlideRanges> ranges_;
};

// The presentation's print options: the printer, whether slides are fitted
// to the page and the ranges of slides, kept for the presentation's life.
class PrintOptions : public DispObject {
 public:
  PrintOptions(std::shared_ptr<Session> s, const std::string& name, std::shared_ptr<std::string> printer,
               Stored fitToPage, std::shared_ptr<SlideRanges> ranges)
      : DispObject(std::move(s), name) {
    Property("Ranges", [this, ranges](const CallArgs&, VARIANT* r) {
      SetObject(r, new PrintRanges(sessionPtr(), this->name() + ".Ranges", ranges));
      return S_OK;
    });
    Property(
        "ActivePrinter",
        [printer](const CallArgs&, VARIANT* r) {
          SetText(r, *printer);
          return S_OK;
        },
        [printer](const CallArgs& a, VARIANT*) {
          *printer = PlainText(*a.putValue);
          return S_OK;
        });
    Property(
        "FitToPage", [fitToPage](const CallArgs&, VARIANT* r) { return fitToPage.Get(r); },
        [fitToPage](const CallArgs& a, VARIANT*) mutable { return fitToPage.Put(*a.putValue); });
  }
};

}  // namespace

const std::vector<std::string>& PowerPointPresentation::OpenParams() {
  static const std::vector<std::string> params{"FileName", "ReadOnly", "Untitled", "WithWindow"};
  return params;
}

PowerPointPresentation::PowerPointPresentation(std::shared_ptr<Session> s, const std::string& path)
    : Document(std::move(s), Shape(), path) {
  auto printer = std::make_shared<std::string>();
  const Stored fitToPage(BoolVariant(false));
  auto ranges = std::make_shared<SlideRanges>();
  Property("PrintOptions", [this, printer, fitToPage, ranges](const CallArgs&, VARIANT* r) {
    SetObject(r, new PrintOptions(sessionPtr(), name() + ".PrintOptions", printer, fitToPage, ranges));
    return S_OK;
  });
  // PDF (FixedFormatType 2) only; with RangeType 4 the slides of the print
  // options' ranges.
  Method("ExportAsFixedFormat",
         {"Path", "FixedFormatType", "Intent", "FrameSlides", "HandoutOrder", "OutputType", "PrintHiddenSlides",
          "PrintRange", "RangeType", "SlideShowName", "IncludeDocProperties", "KeepIRMSettings", "DocStructureTags",
          "BitmapMissingFonts", "UseISO19005_1", "ExternalExporter"},
         [this, ranges](const CallArgs& a, VARIANT*) {
           const std::string file = a.Text(0, "Path");
           if (file.empty()) return Raise("A file name is needed.");
           if (a.Int(1, "FixedFormatType", -1) != 2) return Raise("This double exports PDF only.");
           std::string pages;
           if (a.Int(8, "RangeType") == 4)
             for (const auto& [first, last] : *ranges)
               pages += (pages.empty() ? "" : ",") + std::to_string(first) + "-" + std::to_string(last);
           WriteExport(file, pages, a.Bool(14, "UseISO19005_1"));
           return S_OK;
         });
  Method("PrintOut", {"From", "To", "PrintToFile", "Copies", "Collate"}, [this, printer](const CallArgs& a, VARIANT*) {
    const std::string file = a.Text(2, "PrintToFile");
    if (file.empty()) return Raise("This double prints to a file only.");
    WritePrint(session().script(), "PowerPoint", this->path(), *printer, false, file);
    return S_OK;
  });
  Property("Slides", [this](const CallArgs&, VARIANT* r) {
    SetObject(r, new Slides(sessionPtr(), name() + ".Slides"));
    return S_OK;
  });
}

void PowerPointPresentation::Save(const CallArgs& a, const std::string& dest, int32_t format) {
  const Script& script = session().script();
  if (format == kGifPictures || format == kJpegPictures) {
    const std::string folder = path::ChangeFileExt(dest, "");
    os::ForceDirectories(folder);
    WriteSlideImages(folder, static_cast<int32_t>(script.slides.size()), script.slideWidth, script.slideHeight,
                     script.badSlideImages);
  } else if (format == kWebPage) {
    std::vector<std::pair<std::string, std::string>> files;
    for (size_t i = 0; i < script.slides.size(); ++i) {
      std::vector<std::string> texts;
      for (const ScriptedShape& shape : script.slides[i])
        if (shape.kind == ScriptedShape::Kind::Text) texts.push_back(shape.text);
      files.emplace_back(SlidePage(i + 1), TablePage("Slide " + std::to_string(i + 1), texts));
    }
    WriteWebLayout(dest, files);
  } else {
    Document::Save(a, dest, format);
  }
}

}  // namespace quillet::doubles
