// BuiltInDocumentProperties of a document: Item(name or number) gives a
// property whose Value reads and writes the document's own properties.
#pragma once

#include <memory>

#include "automation/DispatchObject.h"
#include "common/AppState.h"

namespace quillet::office {

// The object answering BuiltInDocumentProperties(Index): the collection when
// Index is missing, else the property.
IDispatch* NewDocumentProperties(std::shared_ptr<AppState> app, std::shared_ptr<OpenDocument> document);
IDispatch* NewDocumentProperty(std::shared_ptr<AppState> app, std::shared_ptr<OpenDocument> document,
                               const VARIANT& index);

// The document's title, and setting it.
std::string DocumentTitle(const OpenDocument& document);
void SetDocumentTitle(const OpenDocument& document, const std::string& title);

}  // namespace quillet::office
