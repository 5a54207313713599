// What the objects of one stand-in application share: the office it holds,
// the documents it has open, and whether it has quit. Every automation object
// of the application keeps the state alive; when the last of them goes (or
// on Quit) the documents are closed and the office is let go.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include <com/sun/star/lang/XComponent.hpp>

#include "uno/Office.h"
#include "uno/Uno.h"

namespace quillet::office {

struct OpenDocument;

class AppState {
 public:
  // Source: the application's name in its errors ("Microsoft Word").
  explicit AppState(std::string source);
  AppState(const AppState&) = delete;
  AppState& operator=(const AppState&) = delete;
  ~AppState();

  const std::string& source() const { return source_; }
  // The office; raises (as a server that has gone) after Quit.
  uno::Office& office() const;
  // Closes every document and lets the office go.
  void Quit();
  bool quit() const { return !office_; }

  void Opened(const std::shared_ptr<OpenDocument>& document);

  // Word's active printer (see common/Printing.h); empty: the office's default.
  std::string activePrinter;
  // The documents still open, in the order they were opened.
  std::vector<std::shared_ptr<OpenDocument>> Documents();

 private:
  std::string source_;
  std::shared_ptr<uno::Office> office_;
  std::vector<std::weak_ptr<OpenDocument>> documents_;
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
};

}  // namespace quillet::office
