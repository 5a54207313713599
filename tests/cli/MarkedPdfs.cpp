#include "MarkedPdfs.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

namespace quillet::test {

std::string MarkedPdf(int pages, bool annotated) {
  QPDF q;
  q.emptyPDF();
  QPDFPageDocumentHelper helper(q);
  for (int i = 1; i <= pages; ++i) {
    QPDFObjectHandle page = q.makeIndirectObject(QPDFObjectHandle::parse(
        "<< /Type /Page /MediaBox [0 0 " + std::to_string(100 + i) + " 200] /Resources << >> >>"));
    page.replaceKey("/Contents", QPDFObjectHandle::newStream(&q, "0 0 10 10 re f\n"));
    if (annotated && i == 1) {
      QPDFObjectHandle look = QPDFObjectHandle::newStream(&q, "0 0 40 40 re f\n");
      look.getDict().replaceKey("/Type", QPDFObjectHandle::newName("/XObject"));
      look.getDict().replaceKey("/Subtype", QPDFObjectHandle::newName("/Form"));
      look.getDict().replaceKey("/BBox", QPDFObjectHandle::parse("[0 0 40 40]"));
      QPDFObjectHandle annotation =
          q.makeIndirectObject(QPDFObjectHandle::parse("<< /Type /Annot /Subtype /Square /Rect [10 10 50 50] >>"));
      annotation.replaceKey("/AP", QPDFObjectHandle::newDictionary());
      annotation.getKey("/AP").replaceKey("/N", look);
      page.replaceKey("/Annots", QPDFObjectHandle::newArray({annotation}));
    }
    helper.addPage(QPDFPageObjectHelper(page), false);
  }
  QPDFWriter writer(q);
  writer.setOutputMemory();
  writer.write();
  const auto buffer = writer.getBufferSharedPointer();
  return std::string(reinterpret_cast<const char*>(buffer->getBuffer()), buffer->getSize());
}

std::vector<int> Marks(const std::string& pdf, const char* password) {
  QPDF q;
  q.processMemoryFile("marked", pdf.data(), pdf.size(), password);
  std::vector<int> marks;
  for (QPDFPageObjectHelper& page : QPDFPageDocumentHelper(q).getAllPages())
    marks.push_back(static_cast<int>(page.getMediaBox().getArrayItem(2).getNumericValue()) - 100);
  return marks;
}

}  // namespace quillet::test
