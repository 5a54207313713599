// Open(FullPath), SetInfo(InfoKey, Buffer), Save(Type, FullPath) and Close
// over qpdf, which rewrites a PDF whole and keeps every object it does not
// touch. Each answers True, or False when it could not do its part (as the
// Windows object does); the flags of Save are of no consequence here: the
// file is always written whole, its unused objects dropped.
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFWriter.hh>

#include <filesystem>
#include <memory>
#include <string>

#include "automation/DispatchObject.h"
#include "pdf/PdfObjects.h"

namespace quillet::office::pdf {

namespace {

class PdfDocument : public DispatchObject {
 public:
  PdfDocument() : DispatchObject("quillet PDF document") {
    Method("Open", {"FullPath"},
           [this](const CallArgs& a, Result& r) { r.Bool(Open(a.Text(0, "FullPath").value_or(""))); });
    Method("SetInfo", {"InfoKey", "Buffer"}, [this](const CallArgs& a, Result& r) {
      r.Bool(SetInfo(a.Text(0, "InfoKey").value_or(""), a.Text(1, "Buffer").value_or("")));
    });
    Method("Save", {"Type", "FullPath"},
           [this](const CallArgs& a, Result& r) { r.Bool(Save(a.Text(1, "FullPath").value_or(""))); });
    Method("Close", {}, [this](const CallArgs&, Result& r) {
      pdf_.reset();
      r.Bool(true);
    });
  }

 private:
  bool Open(const std::string& path) {
    pdf_.reset();
    try {
      auto pdf = std::make_unique<QPDF>();
      pdf->setSuppressWarnings(true);
      pdf->processFile(path.c_str());
      pdf_ = std::move(pdf);
      return true;
    } catch (const std::exception&) {
      return false;
    }
  }

  bool SetInfo(const std::string& key, const std::string& text) {
    if (!pdf_ || key.empty()) return false;
    try {
      QPDFObjectHandle trailer = pdf_->getTrailer();
      if (!trailer.getKey("/Info").isDictionary())
        trailer.replaceKey("/Info", pdf_->makeIndirectObject(QPDFObjectHandle::newDictionary()));
      trailer.getKey("/Info").replaceKey("/" + key, QPDFObjectHandle::newUnicodeString(text));
      return true;
    } catch (const std::exception&) {
      return false;
    }
  }

  // Written beside the file and put in its place: the open document still
  // reads from the old one.
  bool Save(const std::string& path) {
    if (!pdf_ || path.empty()) return false;
    const std::string temp = path + ".saving";
    std::error_code ec;
    try {
      QPDFWriter writer(*pdf_, temp.c_str());
      writer.write();
      std::filesystem::rename(temp, path);
      return true;
    } catch (const std::exception&) {
      std::filesystem::remove(temp, ec);
      return false;
    }
  }

  std::unique_ptr<QPDF> pdf_;
};

}  // namespace

IDispatch* NewPdfDocument() { return new PdfDocument; }

}  // namespace quillet::office::pdf
