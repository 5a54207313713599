// InternetExplorer.Application over LibreOffice: a page is read by Writer's
// HTML import and its text is what Document.documentElement.innerText gives.
#pragma once

#include <memory>
#include <string>

#include <com/sun/star/lang/XComponent.hpp>

#include "platform/com/com.h"
#include "uno/Uno.h"

namespace quillet::office::ie {

IDispatch* NewInternetExplorer();

// The rendered text of a page loaded into Writer: block by block (headings,
// paragraphs, list items with their labels, table rows), CR LF between
// blocks and at the page's own line breaks; the cells of a table row are
// separated by tabs. Empty paragraphs give no line.
std::string PageText(const uno::Reference<uno::css::lang::XComponent>& document);

}  // namespace quillet::office::ie
