// Loading a document into the office hidden and read-only, and storing it
// through an export filter.
//
// A load is refused (and the half-loaded document closed) when LibreOffice
// gives nothing back, when the document is not of the application's kind, or
// when the import filter it chose does not belong to what the file's
// extension names: random bytes called .docx come back from LibreOffice as a
// plain-text document, which is not a .docx.
#pragma once

#include <string>
#include <vector>

#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/lang/XComponent.hpp>

#include "engine/options/Options.h"
#include "uno/FileOutput.h"
#include "uno/Office.h"
#include "uno/Uno.h"

namespace quillet::office::uno {

enum class DocumentKind { Text, Spreadsheet, Presentation };

struct LoadRequest {
  std::string path;
  DocumentKind kind = DocumentKind::Text;
  // The import filter to use; empty: LibreOffice's type detection chooses.
  std::string filter;
  std::string filterOptions;
  // Import filters accepted from the detection (a name ending in "*" accepts
  // every filter that starts with the rest); empty: any of the kind.
  std::vector<std::string> acceptedFilters;
  // The file must start with one of these byte strings (empty: anything).
  std::vector<std::string> signatures;
  bool emptyFileAllowed = true;
  bool hasPassword = false;
  std::string password;
};

// The texts of a failed load, as the applications give them.
inline constexpr const char* kPasswordIncorrect = "The password is incorrect";
inline constexpr const char* kFileCorrupt = "The file is corrupt and cannot be opened";
std::string FileNotFoundText(const std::string& path);

// The loaded document; raises Failure with the texts above.
Reference<css::lang::XComponent> LoadDocument(const Office& office, const LoadRequest& request);

// Stores Document to Path through Filter; Password encrypts the file when not
// empty. Order swaps every two bytes of what the filter writes (UTF-16 text
// made big endian); a web page, which the office writes itself, is always
// written as it comes.
void StoreDocument(const Reference<css::lang::XComponent>& document, const std::string& path, const std::string& filter,
                   const std::string& filterOptions, const std::string& password = {},
                   ByteOrder order = ByteOrder::AsWritten);

// Stores Document to Path as PDF through Filter (writer_pdf_Export,
// calc_pdf_Export, impress_pdf_Export): PDF/A-1b, 2b or 3b for PdfA 1 to 3
// (0: plain PDF), only the pages (slides) of PageRange ("2-3" or "1-3,5-5";
// empty: all), with the export options of Options in the filter data.
// Before the export, PDF.UpdateIndexes=true updates a text document's
// indexes, and PDF.Landscape=true turns every page style of a text document
// or a spreadsheet to landscape, and a presentation's portrait slides (the
// document is changed: it is not stored again). PDF.PdfUa=true asks for a
// tagged PDF too, which PDF/UA needs.
void ExportPdf(const Reference<css::lang::XComponent>& document, const std::string& path, const std::string& filter,
               int pdfA, const std::string& pageRange, const options::PdfExportOptions& options = {});

// The PDF export filter of the document's kind: draw_pdf_Export for a drawing
// (what the PDF import makes of a PDF file), writer_pdf_Export otherwise.
std::string PdfExportFilterOf(const Reference<css::lang::XComponent>& document);

// Closes the document, giving up its changes; never raises.
void CloseDocument(const Reference<css::lang::XComponent>& document) noexcept;

// The import filter the document was loaded with.
std::string LoadedFilter(const Reference<css::lang::XComponent>& document);

}  // namespace quillet::office::uno
