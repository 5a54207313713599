// The doubles of the PDF software: the PDF maker (FileToPdf) and the PDF
// document (Open, SetInfo, Save, Close). Their transcripts are
// PdfMaker.transcript and PdfDocument.transcript.
#pragma once

#include <memory>

#include "DispObject.h"

namespace quillet::doubles {

DispObject* NewPdfMaker(std::shared_ptr<Session> session);
DispObject* NewPdfDocument(std::shared_ptr<Session> session);

}  // namespace quillet::doubles
