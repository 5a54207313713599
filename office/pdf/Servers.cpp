// The exports of libquillet-pdf.so: the factory functions of the PDF maker
// and the PDF document, in the shape of DllGetClassObject. The COM layer
// resolves "PdfDistiller.PdfDistiller" and "AcroExch.PDDoc" to them without a
// registry file.
#include "automation/ClassFactory.h"
#include "pdf/PdfObjects.h"

namespace {

constexpr CLSID kPdfMakerClsid = {0x3b8e41a0, 0x5d2c, 0x4f6e, {0x8a, 0x11, 0x2c, 0x7d, 0x90, 0x4e, 0x51, 0x04}};
constexpr CLSID kPdfDocumentClsid = {0x3b8e41a0, 0x5d2c, 0x4f6e, {0x8a, 0x11, 0x2c, 0x7d, 0x90, 0x4e, 0x51, 0x05}};

}  // namespace

#define PDF_EXPORT extern "C" __attribute__((visibility("default")))

PDF_EXPORT HRESULT PdfMakerGetClassObject(REFCLSID clsid, REFIID riid, void** object) {
  return quillet::office::GetClassObject(clsid, kPdfMakerClsid, &quillet::office::pdf::NewPdfMaker, riid, object);
}

PDF_EXPORT HRESULT PdfDocumentGetClassObject(REFCLSID clsid, REFIID riid, void** object) {
  return quillet::office::GetClassObject(clsid, kPdfDocumentClsid, &quillet::office::pdf::NewPdfDocument, riid, object);
}
