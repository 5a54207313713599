#include "applications/PdfSoftware.h"

#include "applications/OfficeApplications.h"
#include "platform/error.h"

namespace quillet {

namespace {

ole::Variant Create(const char* progId, const char* what) {
  try {
    return ole::Variant(ole::CreateOleObject(progId));
  } catch (const Error& e) {
    throw Error(std::string("No ") + what + " is installed: \"" + progId + "\" cannot be created (" + e.what() +
                    "). Install Adobe Acrobat on Windows; on Linux install Debian's packages libgs10 and libqpdf29, "
                    "which quillet's libquillet-pdf.so uses",
                ErrorCode::NotInstalled);
  }
}

}  // namespace

ole::Variant CreatePdfMaker() { return Create(kPdfMakerProgId, "PDF maker"); }

ole::Variant CreatePdfDocument() { return Create(kPdfDocumentProgId, "PDF document editor"); }

const ole::Variant& TOfficeApplications::PdfMaker() {
  if (pdfMaker_.IsEmpty()) pdfMaker_ = CreatePdfMaker();
  return pdfMaker_;
}

const ole::Variant& TOfficeApplications::PdfDocument() {
  if (pdfDocument_.IsEmpty()) pdfDocument_ = CreatePdfDocument();
  return pdfDocument_;
}

}  // namespace quillet
