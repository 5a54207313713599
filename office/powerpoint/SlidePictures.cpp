// Slides as pictures, one file per slide, at 96 dots per inch of the slide's
// size. LibreOffice's own BMP export ignores the size asked for and writes a
// wrong file size into the header; so each slide is exported as PNG, which
// the office then reads back as a bitmap whose DIB (a whole BMP file, 24 bits
// per pixel) is written out.
#include <com/sun/star/awt/XBitmap.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/drawing/GraphicExportFilter.hpp>
#include <com/sun/star/graphic/GraphicProvider.hpp>
#include <com/sun/star/lang/XComponent.hpp>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "automation/Failure.h"
#include "common/WebPageFolder.h"
#include "powerpoint/PowerPoint.h"

namespace quillet::office::powerpoint {

namespace {

namespace css = uno::css;
using uno::Reference;
using uno::UNO_QUERY;
using uno::UNO_QUERY_THROW;

constexpr double kDotsPerInch = 96;

sal_Int32 Pixels(sal_Int32 hundredthsOfMm) {
  return std::max<sal_Int32>(1, static_cast<sal_Int32>(std::lround(hundredthsOfMm / 2540.0 * kDotsPerInch)));
}

void ExportPng(uno::Office& office, const Reference<css::drawing::XShapes>& slide, const std::string& file) {
  Reference<css::beans::XPropertySet> page(slide, UNO_QUERY_THROW);
  sal_Int32 width = 0, height = 0;
  page->getPropertyValue("Width") >>= width;
  page->getPropertyValue("Height") >>= height;
  const auto filter = css::drawing::GraphicExportFilter::create(office.context());
  filter->setSourceDocument(Reference<css::lang::XComponent>(slide, UNO_QUERY_THROW));
  const uno::Props size =
      uno::MakeProps({{"PixelWidth", uno::Any(Pixels(width))}, {"PixelHeight", uno::Any(Pixels(height))}});
  filter->filter(uno::MakeProps({{"URL", uno::Any(uno::FileUrl(file))},
                                 {"MediaType", uno::Any(uno::OUString("image/png"))},
                                 {"FilterData", uno::Any(size)}}));
  if (!std::filesystem::exists(file)) throw Failure("The slide picture could not be saved: " + file);
}

void PngToBmp(uno::Office& office, const std::string& png, const std::string& bmp) {
  const auto provider = css::graphic::GraphicProvider::create(office.context());
  Reference<css::awt::XBitmap> bitmap(provider->queryGraphic(uno::MakeProps({{"URL", uno::Any(uno::FileUrl(png))}})),
                                      UNO_QUERY_THROW);
  const uno::Sequence<sal_Int8> dib = bitmap->getDIB();
  if (dib.getLength() < 54 || dib[0] != 'B' || dib[1] != 'M')
    throw Failure("The slide picture could not be made: " + bmp);
  std::ofstream out(bmp, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(dib.getConstArray()), dib.getLength());
  out.close();
  if (!out) throw Failure("The slide picture could not be saved: " + bmp);
}

}  // namespace

void SaveSlidePictures(uno::Office& office, const OpenDocument& deck, const std::string& folder,
                       const std::string& picture) {
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (ec) throw Failure("The folder could not be created: " + folder);
  const auto slides = SlidesOf(deck);
  for (size_t i = 0; i < slides.size(); ++i) {
    const std::string base = (std::filesystem::path(folder) / ("Slide" + std::to_string(i + 1))).string();
    if (picture == "png") {
      ExportPng(office, slides[i], base + ".png");
      continue;
    }
    const std::string png = base + ".tmp.png";
    try {
      ExportPng(office, slides[i], png);
      PngToBmp(office, png, base + ".bmp");
    } catch (...) {
      std::filesystem::remove(png, ec);
      throw;
    }
    std::filesystem::remove(png, ec);
  }
}

void SaveWebPage(uno::Office& office, const OpenDocument& deck, const std::string& path) {
  const std::string folder = MakeSupportFolder(path);
  const std::string folderName = std::filesystem::path(folder).filename().string();
  const auto slides = SlidesOf(deck);
  std::vector<std::string> pages, mainBody;
  for (size_t i = 0; i < slides.size(); ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "slide%04zu", i + 1);
    const std::string page = std::string(name) + ".htm", image = std::string(name) + ".png";
    ExportPng(office, slides[i], (std::filesystem::path(folder) / image).string());
    std::vector<std::string> texts;
    const auto& shapes = slides[i];
    for (sal_Int32 k = 0; k < shapes->getCount(); ++k) {
      uno::Reference<uno::css::drawing::XShape> shape(shapes->getByIndex(k), uno::UNO_QUERY);
      if (!shape.is() || !HasTextFrame(shape)) continue;
      std::string text = HtmlEscape(ShapeText(shape));
      for (size_t p = 0; (p = text.find('\r', p)) != std::string::npos;) text.replace(p, 1, "<br>");
      if (!text.empty()) texts.push_back("<tr><td>" + text + "</td></tr>");
    }
    auto table = [&](const std::string& src) {
      std::vector<std::string> t = {
          "<table border=\"0\" cellspacing=\"0\">",
          "<tr><td><img src=\"" + src + "\" alt=\"Slide " + std::to_string(i + 1) + "\"></td></tr>"};
      t.insert(t.end(), texts.begin(), texts.end());
      t.push_back("</table>");
      return t;
    };
    WritePage((std::filesystem::path(folder) / page).string(), "Slide " + std::to_string(i + 1), table(image));
    const auto inMain = table(folderName + "/" + image);
    mainBody.insert(mainBody.end(), inMain.begin(), inMain.end());
    pages.push_back(page);
    pages.push_back(image);
  }
  WritePage(path, std::filesystem::path(path).stem().string(), mainBody);
  WriteFileList(folder, path, pages);
}

}  // namespace quillet::office::powerpoint
