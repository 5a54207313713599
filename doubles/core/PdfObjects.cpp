#include "PdfObjects.h"

#include <fstream>

#include "Files.h"
#include "Printing.h"

namespace quillet::doubles {

namespace {

bool Exists(const std::string& file) { return static_cast<bool>(std::ifstream(file, std::ios::binary)); }

// FileToPdf(InputPostScript, OutputPDF, JobOptions): the PDF names its
// source; a PostScript file that is missing raises; the answer is the
// script's (1, success, by default).
class PdfMaker : public DispObject {
 public:
  explicit PdfMaker(std::shared_ptr<Session> s) : DispObject(std::move(s), "PdfMaker") {
    Method("FileToPdf", {"InputPostScript", "OutputPDF", "JobOptions"}, [this](const CallArgs& a, VARIANT* r) {
      const std::string ps = a.Text(0, "InputPostScript"), pdf = a.Text(1, "OutputPDF");
      if (!Exists(ps)) return Raise("The PostScript file cannot be read: " + ps);
      WriteWholeFile(pdf, SmallPdf("Made from " + BaseName(ps)));
      SetInt(r, session().script().fileToPdfResult);
      return S_OK;
    });
  }
};

// Every member answers True, except Open of a file that is not there.
class PdfDocument : public DispObject {
 public:
  explicit PdfDocument(std::shared_ptr<Session> s) : DispObject(std::move(s), "PdfDocument") {
    Method("Open", {"FullPath"}, [](const CallArgs& a, VARIANT* r) {
      SetBool(r, Exists(a.Text(0, "FullPath")));
      return S_OK;
    });
    Method("SetInfo", {"InfoKey", "Buffer"}, [](const CallArgs&, VARIANT* r) {
      SetBool(r, true);
      return S_OK;
    });
    Method("Save", {"Type", "FullPath"}, [](const CallArgs&, VARIANT* r) {
      SetBool(r, true);
      return S_OK;
    });
    Method("Close", {}, [](const CallArgs&, VARIANT* r) {
      SetBool(r, true);
      return S_OK;
    });
  }
};

}  // namespace

DispObject* NewPdfMaker(std::shared_ptr<Session> session) { return new PdfMaker(std::move(session)); }

DispObject* NewPdfDocument(std::shared_ptr<Session> session) { return new PdfDocument(std::move(session)); }

}  // namespace quillet::doubles
