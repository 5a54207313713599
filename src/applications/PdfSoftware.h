// The PDF software that PDF output uses besides the printer: the PDF maker,
// which makes a PDF from a PostScript file, and the PDF document, which edits
// a PDF's document information. Both are automation objects found by ProgID:
// on Windows those of Adobe Acrobat (Distiller's "PdfDistiller.PdfDistiller"
// with FileToPDF, and "AcroExch.PDDoc"); on Linux the stand-ins of
// libquillet-pdf.so, which answer the same members over Ghostscript and qpdf.
#pragma once

#include "utilities/automation/Automation.h"

namespace quillet {

inline constexpr const char* kPdfMakerProgId = "PdfDistiller.PdfDistiller";
inline constexpr const char* kPdfDocumentProgId = "AcroExch.PDDoc";

// A new PDF maker / PDF document object; raises Error naming the ProgID, the
// reason and what to install.
ole::Variant CreatePdfMaker();
ole::Variant CreatePdfDocument();

}  // namespace quillet
