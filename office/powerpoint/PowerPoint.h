// The PowerPoint stand-in over LibreOffice Impress.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include <com/sun/star/drawing/XShape.hpp>
#include <com/sun/star/drawing/XShapes.hpp>

#include "common/AppState.h"
#include "platform/com/com.h"

namespace quillet::office::powerpoint {

IDispatch* NewPowerPointApplication();
IDispatch* NewPresentations(std::shared_ptr<AppState> app);
IDispatch* NewPresentation(std::shared_ptr<AppState> app, std::shared_ptr<OpenDocument> deck);
IDispatch* NewSlides(std::shared_ptr<AppState> app, std::shared_ptr<OpenDocument> deck);

// The slides of the deck in order, each a collection of its shapes.
std::vector<uno::Reference<uno::css::drawing::XShapes>> SlidesOf(const OpenDocument& deck);
// Whether a shape has a text frame (pictures and groups have none), and its
// text as PowerPoint gives it (paragraphs separated by CR).
bool HasTextFrame(const uno::Reference<uno::css::drawing::XShape>& shape);
std::string ShapeText(const uno::Reference<uno::css::drawing::XShape>& shape);

// One picture per slide in Folder ("Slide1.bmp" ...): Picture "bmp" or "png".
void SaveSlidePictures(uno::Office& office, const OpenDocument& deck, const std::string& folder,
                       const std::string& picture);
// PowerPoint's web page (format 12): the main page and its supporting folder
// with one page per slide ("slide0001.htm" ...).
void SaveWebPage(uno::Office& office, const OpenDocument& deck, const std::string& path);

}  // namespace quillet::office::powerpoint
