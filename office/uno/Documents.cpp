#include "uno/Documents.h"

#include "utilities/automation/FailureKinds.h"

#include <sys/stat.h>

#include <fstream>
#include <iterator>
#include <optional>

#include <com/sun/star/beans/NamedValue.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/document/MacroExecMode.hpp>
#include <com/sun/star/document/UpdateDocMode.hpp>
#include <com/sun/star/drawing/XDrawPages.hpp>
#include <com/sun/star/drawing/XDrawPagesSupplier.hpp>
#include <com/sun/star/frame/XComponentLoader.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/io/IOException.hpp>
#include <com/sun/star/lang/IllegalArgumentException.hpp>
#include <com/sun/star/lang/XServiceInfo.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/style/XStyleFamiliesSupplier.hpp>
#include <com/sun/star/text/XDocumentIndexesSupplier.hpp>
#include <com/sun/star/text/XTextRange.hpp>
#include <com/sun/star/text/XTextDocument.hpp>
#include <com/sun/star/util/XCloseable.hpp>
#include <com/sun/star/util/XRefreshable.hpp>

#include "automation/Failure.h"
#include "uno/FileOutput.h"
#include "uno/InteractionHandler.h"

namespace quillet::office::uno {

namespace {

const char* ServiceOf(DocumentKind kind) {
  switch (kind) {
    case DocumentKind::Text:
      return "com.sun.star.text.TextDocument";
    case DocumentKind::Spreadsheet:
      return "com.sun.star.sheet.SpreadsheetDocument";
    case DocumentKind::Presentation:
      return "com.sun.star.presentation.PresentationDocument";
  }
  return "";
}

bool Accepted(const std::vector<std::string>& accepted, const std::string& filter) {
  if (accepted.empty()) return true;
  for (const std::string& a : accepted) {
    if (!a.empty() && a.back() == '*') {
      if (filter.compare(0, a.size() - 1, a, 0, a.size() - 1) == 0) return true;
    } else if (a == filter) {
      return true;
    }
  }
  return false;
}

bool StartsWithOneOf(const std::string& path, const std::vector<std::string>& signatures) {
  if (signatures.empty()) return true;
  std::ifstream in(path, std::ios::binary);
  char head[16] = {};
  in.read(head, sizeof head);
  const std::string start(head, static_cast<size_t>(in.gcount()));
  for (const std::string& s : signatures)
    if (start.compare(0, s.size(), s) == 0) return true;
  return false;
}

bool OfKind(const Reference<css::lang::XComponent>& document, DocumentKind kind) {
  Reference<css::lang::XServiceInfo> info(document, UNO_QUERY);
  return info.is() && info->supportsService(OUString::createFromAscii(ServiceOf(kind))) &&
         !(kind == DocumentKind::Text && info->supportsService(OUString("com.sun.star.text.WebDocument")));
}

// LibreOffice's PDF import does not fail on a file that its reader cannot
// open (damaged, or garbage after "%PDF-"): it imports a PDF of its own
// instead (share/xpdfimport/xpdfimport_err.pdf), one page with one sentence.
// Such a document is recognised by that sentence, its spaces aside.
bool IsPdfImportFallback(const Reference<css::lang::XComponent>& document) {
  static const std::string kSentence = "ThisPDFfileisencryptedandcan'tbeopened.";
  Reference<css::drawing::XDrawPagesSupplier> supplier(document, UNO_QUERY);
  if (!supplier.is()) return false;
  Reference<css::drawing::XDrawPages> pages = supplier->getDrawPages();
  if (!pages.is() || pages->getCount() != 1) return false;
  Reference<css::container::XIndexAccess> shapes(pages->getByIndex(0), UNO_QUERY);
  if (!shapes.is()) return false;
  std::string text;
  for (sal_Int32 i = 0; i < shapes->getCount() && text.size() <= kSentence.size(); ++i) {
    Reference<css::text::XTextRange> range(shapes->getByIndex(i), UNO_QUERY);
    if (!range.is()) continue;
    for (char c : Utf8(range->getString()))
      if (c != ' ' && c != '\n' && c != '\r' && c != '\t') text += c;
  }
  return text == kSentence;
}

// Stores through Media (the filter and its settings), into a stream of ours
// unless the filter writes a web page.
void Store(const Reference<css::lang::XComponent>& document, const std::string& path, const std::string& filter,
           std::vector<css::beans::PropertyValue> media, ByteOrder order) {
  const std::string folder = path.substr(0, path.find_last_of('/') + 1);
  struct stat st {};
  if (!folder.empty() && (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)))
    throw Failure(SaveFailure(path, "the folder does not exist"));
  // A web page is written with the pictures beside it, so the office must
  // have the file's name; every other export goes through a stream of ours,
  // whose writes fail visibly.
  const bool webPage = filter.find("HTML") != std::string::npos || filter.find("html") != std::string::npos;
  std::optional<FileOutput> output;
  if (!webPage) {
    output.emplace(path, order);
    media.push_back(Prop("OutputStream", Any(output->stream())));
  }
  try {
    Reference<css::frame::XStorable>(document, UNO_QUERY_THROW)
        ->storeToURL(webPage ? FileUrl(path) : OUString("private:stream"), MakeProps(media));
  } catch (const css::io::IOException& e) {
    std::string why = output ? output->Close() : "";  // the stream's own reason first
    if (why.empty()) why = Utf8(e.Message);
    throw Failure(SaveFailure(path, why));
  }
  if (output) {
    const std::string why = output->Close();
    if (!why.empty()) throw Failure(SaveFailure(path, why));
    output->Keep();
  }
}

// Updates every index of a text document (tables of contents, alphabetical
// and user indexes) from the text as it is; other documents have none.
void UpdateIndexes(const Reference<css::lang::XComponent>& document) {
  Reference<css::text::XDocumentIndexesSupplier> supplier(document, UNO_QUERY);
  if (!supplier.is()) return;
  const Reference<css::container::XIndexAccess> indexes = supplier->getDocumentIndexes();
  for (sal_Int32 i = 0; i < indexes->getCount(); ++i) {
    // (XDocumentIndex::update is deprecated for this.)
    Reference<css::util::XRefreshable> index(indexes->getByIndex(i), UNO_QUERY);
    if (index.is()) index->refresh();
  }
}

// A page style of Writer or Calc made landscape: its sides change places.
void TurnStyle(const Reference<css::beans::XPropertySet>& style) {
  bool landscape = false;
  style->getPropertyValue(OUString("IsLandscape")) >>= landscape;
  if (landscape) return;
  sal_Int32 width = 0, height = 0;
  style->getPropertyValue(OUString("Width")) >>= width;
  style->getPropertyValue(OUString("Height")) >>= height;
  style->setPropertyValue(OUString("IsLandscape"), Any(true));
  if (width < height) {
    style->setPropertyValue(OUString("Width"), Any(height));
    style->setPropertyValue(OUString("Height"), Any(width));
  }
}

// Writer's and Calc's pages are laid out by page styles; a presentation's
// slides share one size, which every page carries.
void TurnToLandscape(const Reference<css::lang::XComponent>& document) {
  Reference<css::drawing::XDrawPagesSupplier> drawing(document, UNO_QUERY);
  if (drawing.is() && !Reference<css::sheet::XSpreadsheetDocument>(document, UNO_QUERY).is() &&
      !Reference<css::text::XTextDocument>(document, UNO_QUERY).is()) {
    const Reference<css::drawing::XDrawPages> pages = drawing->getDrawPages();
    for (sal_Int32 i = 0; i < pages->getCount(); ++i) {
      Reference<css::beans::XPropertySet> page(pages->getByIndex(i), UNO_QUERY_THROW);
      sal_Int32 width = 0, height = 0;
      page->getPropertyValue(OUString("Width")) >>= width;
      page->getPropertyValue(OUString("Height")) >>= height;
      if (width >= height) continue;
      page->setPropertyValue(OUString("Width"), Any(height));
      page->setPropertyValue(OUString("Height"), Any(width));
    }
    return;
  }
  Reference<css::style::XStyleFamiliesSupplier> families(document, UNO_QUERY);
  if (!families.is()) return;
  Reference<css::container::XNameAccess> styles(families->getStyleFamilies()->getByName(OUString("PageStyles")),
                                                UNO_QUERY_THROW);
  for (const OUString& name : styles->getElementNames())
    TurnStyle(Reference<css::beans::XPropertySet>(styles->getByName(name), UNO_QUERY_THROW));
}

// LibreOffice's PDF/A-1 is tagged and declares conformance level A, which
// includes level B; the applications' PDF/A-1 declares B. The metadata of a
// PDF/A file is an uncompressed stream, so the one letter is changed in
// place and no offset of the file moves.
void DeclareConformanceB(const std::string& path) {
  const std::string declared = "<pdfaid:conformance>A</pdfaid:conformance>";
  std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
  const std::string data((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  const size_t at = data.find(declared);
  if (at == std::string::npos) return;
  file.clear();
  file.seekp(static_cast<std::streamoff>(at + declared.find('>') + 1));
  file.put('B');
  if (!file.flush()) throw Failure(SaveFailure(path, "the PDF/A declaration cannot be written"));
}

}  // namespace

std::string FileNotFoundText(const std::string& path) { return "This file could not be found. (" + path + ")"; }

std::string LoadedFilter(const Reference<css::lang::XComponent>& document) {
  Reference<css::frame::XModel> model(document, UNO_QUERY);
  if (!model.is()) return {};
  for (const auto& arg : model->getArgs()) {
    OUString name;
    if (arg.Name == "FilterName" && (arg.Value >>= name)) return Utf8(name);
  }
  return {};
}

Reference<css::lang::XComponent> LoadDocument(const Office& office, const LoadRequest& request) {
  struct stat st {};
  if (::stat(request.path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) throw Failure(FileNotFoundText(request.path));
  if (st.st_size == 0 && !request.emptyFileAllowed) throw Failure(kFileCorrupt, ole::kFileCorrupt);
  if (st.st_size > 0 && !StartsWithOneOf(request.path, request.signatures))
    throw Failure(kFileCorrupt, ole::kFileCorrupt);

  auto log = std::make_shared<InteractionLog>();
  std::vector<css::beans::PropertyValue> media = {
      Prop("Hidden", Any(true)),
      Prop("ReadOnly", Any(true)),
      Prop("InteractionHandler", Any(MakeAbortingHandler(log))),
      Prop("MacroExecutionMode", Any(css::document::MacroExecMode::NEVER_EXECUTE)),
      Prop("UpdateDocMode", Any(css::document::UpdateDocMode::NO_UPDATE)),
  };
  if (!request.filter.empty()) media.push_back(Prop("FilterName", Any(Ou(request.filter))));
  if (!request.filterOptions.empty()) media.push_back(Prop("FilterOptions", Any(Ou(request.filterOptions))));
  if (request.hasPassword) media.push_back(Prop("Password", Any(Ou(request.password))));

  Reference<css::lang::XComponent> document;
  try {
    Reference<css::frame::XComponentLoader> loader(office.desktop(), UNO_QUERY_THROW);
    document = loader->loadComponentFromURL(FileUrl(request.path), OUString("_blank"), 0, MakeProps(media));
  } catch (const css::lang::IllegalArgumentException&) {
    // the type detection found nothing it can load
  } catch (const css::io::IOException&) {
  }
  if (!document.is()) {
    if (log->passwordRequested) throw Failure(kPasswordIncorrect, ole::kPasswordIncorrect);
    throw Failure(kFileCorrupt, ole::kFileCorrupt);
  }

  // An import filter of the application's own (named, or one the detection
  // chose from the accepted ones) makes a document of its kind; only what
  // the detection chose freely has to be asked what it is. (Every question
  // is a round trip to the office.)
  const bool detected = request.filter.empty();
  const bool accepted = !detected || Accepted(request.acceptedFilters, LoadedFilter(document));
  if (!accepted || (detected && request.acceptedFilters.empty() && !OfKind(document, request.kind)) ||
      (request.filter == "draw_pdf_import" && IsPdfImportFallback(document))) {
    CloseDocument(document);
    throw Failure(kFileCorrupt, ole::kFileCorrupt);
  }
  return document;
}

void StoreDocument(const Reference<css::lang::XComponent>& document, const std::string& path, const std::string& filter,
                   const std::string& filterOptions, const std::string& password, ByteOrder order) {
  std::vector<css::beans::PropertyValue> media = {Prop("FilterName", Any(Ou(filter))), Prop("Overwrite", Any(true))};
  if (!filterOptions.empty()) media.push_back(Prop("FilterOptions", Any(Ou(filterOptions))));
  if (!password.empty()) {
    // Office Open XML files are encrypted from the password in the encryption
    // data; the other formats take it as it is.
    const bool ooxml = filter.find("2007") != std::string::npos || filter.find("Office Open XML") != std::string::npos;
    if (ooxml) {
      const css::beans::NamedValue keys[] = {{OUString("OOXPassword"), Any(Ou(password))},
                                             {OUString("CryptoType"), Any(OUString("Standard"))}};
      media.push_back(Prop("EncryptionData", Any(Sequence<css::beans::NamedValue>(keys, 2))));
    } else {
      media.push_back(Prop("Password", Any(Ou(password))));
    }
  }
  Store(document, path, filter, std::move(media), order);
}

void ExportPdf(const Reference<css::lang::XComponent>& document, const std::string& path, const std::string& filter,
               int pdfA, const std::string& pageRange, const options::PdfExportOptions& options) {
  if (options.IsTrue("UpdateIndexes")) UpdateIndexes(document);
  if (options.IsTrue("Landscape")) TurnToLandscape(document);
  std::vector<css::beans::PropertyValue> data;
  if (pdfA != 0) data.push_back(Prop("SelectPdfVersion", Any(static_cast<sal_Int32>(pdfA))));
  if (!pageRange.empty()) data.push_back(Prop("PageRange", Any(Ou(pageRange))));
  for (const options::PdfExportName& name : options::PdfExportNames()) {
    const std::optional<int32_t> value = options.Find(name.Name);
    if (!value || name.FilterProperty.empty()) continue;
    const std::string property(name.FilterProperty);
    data.push_back(Prop(property.c_str(), name.Kind == options::PdfExportKind::Boolean
                                              ? Any(*value != 0)
                                              : Any(static_cast<sal_Int32>(*value))));
  }
  if (options.IsTrue("PdfUa")) data.push_back(Prop("UseTaggedPDF", Any(true)));
  std::vector<css::beans::PropertyValue> media = {Prop("FilterName", Any(Ou(filter))), Prop("Overwrite", Any(true)),
                                                  Prop("FilterData", Any(MakeProps(data)))};
  Store(document, path, filter, std::move(media), ByteOrder::AsWritten);
  if (pdfA == 1) DeclareConformanceB(path);
}

std::string PdfExportFilterOf(const Reference<css::lang::XComponent>& document) {
  Reference<css::lang::XServiceInfo> info(document, UNO_QUERY);
  if (info.is() && info->supportsService(OUString("com.sun.star.drawing.DrawingDocument"))) return "draw_pdf_Export";
  return "writer_pdf_Export";
}

void CloseDocument(const Reference<css::lang::XComponent>& document) noexcept {
  if (!document.is()) return;
  try {
    Reference<css::util::XCloseable> closeable(document, UNO_QUERY);
    if (closeable.is())
      closeable->close(true);
    else
      document->dispose();
  } catch (const css::uno::Exception&) {
    // already closed, or the office has gone
  }
}

}  // namespace quillet::office::uno
