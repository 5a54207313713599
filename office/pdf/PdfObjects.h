// The PDF software on Linux, as automation objects under the ProgIDs of the
// Windows software whose members they answer: "PdfDistiller.PdfDistiller"
// (FileToPDF over Ghostscript's pdfwrite) and "AcroExch.PDDoc" (Open,
// SetInfo, Save, Close of a PDF's document information over qpdf).
#pragma once

#include "platform/com/com.h"

namespace quillet::office::pdf {

IDispatch* NewPdfMaker();
IDispatch* NewPdfDocument();

}  // namespace quillet::office::pdf
