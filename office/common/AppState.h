// What the objects of one stand-in application share: the office it holds,
// the documents it has open, and whether it has quit. Every automation object
// of the application keeps the state alive; when the last of them goes (or
// on Quit) the documents are closed and the office is let go.
//
// The office is taken by the first member that needs it, not when the
// application is made: the caller then holds the application, and with it
// the control that stops an office that does not start in time. When that
// fails (no LibreOffice on the machine) or the office has ended since
// (killed, or crashed), it is taken again at the next member that needs it: a
// failure is then that member's, with its reason, and an office that died is
// replaced by a new one for the requests that follow.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include <com/sun/star/document/XDocumentProperties.hpp>
#include <com/sun/star/lang/XComponent.hpp>

#include "common/FontRecord.h"
#include "uno/Installation.h"
#include "uno/Office.h"
#include "uno/Uno.h"

namespace quillet::office {

struct OpenDocument;

class AppState {
 public:
  // Source: the application's name in its errors ("Microsoft Word"); Module:
  // the part of LibreOffice its documents need.
  AppState(std::string source, uno::Module module);
  AppState(const AppState&) = delete;
  AppState& operator=(const AppState&) = delete;
  ~AppState();

  const std::string& source() const { return source_; }
  // The office, taken again when there is none or it has ended; raises
  // Failure when it cannot be had, and (as a server that has gone) after Quit.
  uno::Office& office();
  // The office for a document about to be loaded, counted as one more of
  // its documents. Between two documents (none of this application open) an
  // office due for recycling is ended first and a fresh one started.
  uno::Office& OfficeForNewDocument();
  // Raises as a server that has gone after Quit.
  void CheckRunning() const;
  // Closes every document and lets the office go.
  void Quit();
  bool quit() const { return quit_; }

  void Opened(const std::shared_ptr<OpenDocument>& document);

  // The fonts replaced in the document opened last: the office records the
  // fonts it maps from each open of a document until this is first asked
  // after it (once the document is saved). Empty when the office keeps no
  // such record.
  const std::vector<FontSubstitution>& Fonts();

  // Word's active printer (see common/Printing.h); empty: the office's default.
  std::string activePrinter;
  // The export options of the next ExportAsFixedFormat, as PDF.<Name>=
  // keywords and a quoted PAGES= list: set through the application's
  // PdfExportOptions, taken (and so cleared) by the export.
  std::string pdfExportOptions;
  // The documents still open, in the order they were opened.
  std::vector<std::shared_ptr<OpenDocument>> Documents();

 private:
  void CloseDocuments();

  std::string source_;
  uno::Module module_;
  std::shared_ptr<uno::Office> office_;
  bool quit_ = false;
  std::vector<std::weak_ptr<OpenDocument>> documents_;
  bool trackingFonts_ = false;
  std::vector<FontSubstitution> fonts_;
};

// One document open in the office.
struct OpenDocument {
  OpenDocument(std::string path, uno::Reference<uno::css::lang::XComponent> model)
      : path(std::move(path)), model(std::move(model)) {}
  OpenDocument(const OpenDocument&) = delete;
  OpenDocument& operator=(const OpenDocument&) = delete;
  ~OpenDocument() { Close(); }
  void Close() noexcept;
  bool closed() const { return !model.is(); }
  // The model; raises a described failure once the document is closed.
  const uno::Reference<uno::css::lang::XComponent>& Model() const;

  std::string path;
  uno::Reference<uno::css::lang::XComponent> model;
  int openEncoding = 0;  // code page of a text import (Word), else 0
  // The document's properties once asked for (each call on the office is a
  // round trip, and the converter reads and writes the title in turn).
  mutable uno::Reference<uno::css::document::XDocumentProperties> properties;
};

}  // namespace quillet::office
