// The floor of a conversion: LibreOffice's own work, asked for by the
// smallest UNO client that does it (load hidden and read-only, store through
// the export filter, close), over a connection to a listening office.
//
//   peers_uno_floor PIPE FILTER FILTEROPTIONS OUTDIR EXT FILE...
//
// Like the library bench: a warm-up conversion of the first file, then
// "ms <milliseconds>" per file.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <com/sun/star/awt/XFontMappingUse.hpp>
#include <com/sun/star/frame/XComponentLoader.hpp>
#include <com/sun/star/lang/XMultiComponentFactory.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/util/XCloseable.hpp>

#include "uno/Connection.h"
#include "uno/Uno.h"

namespace uno = quillet::office::uno;
namespace css = uno::css;

namespace {

// With QUILLET_BENCH_TRACK_FONTS=1 each document is converted inside a record
// of the fonts the office maps, as the stand-ins keep one: what that record
// costs is the difference to the floor without it.
bool TrackFonts() {
  const char* track = std::getenv("QUILLET_BENCH_TRACK_FONTS");
  return track && std::string(track) == "1";
}

uno::Reference<css::awt::XFontMappingUse> Toolkit(const uno::Connection& office) {
  const auto context = office.context();
  return uno::Reference<css::awt::XFontMappingUse>(
      context->getServiceManager()->createInstanceWithContext("com.sun.star.awt.Toolkit", context),
      uno::UNO_QUERY_THROW);
}

void Convert(const uno::Connection& office, const std::string& src, const std::string& dest, const std::string& filter,
             const std::string& options) {
  static const bool track = TrackFonts();
  if (track) Toolkit(office)->startTrackingFontMappingUse();
  uno::Reference<css::frame::XComponentLoader> loader(office.desktop(), uno::UNO_QUERY_THROW);
  const auto doc =
      loader->loadComponentFromURL(uno::FileUrl(src), uno::OUString("_blank"), 0,
                                   uno::MakeProps({{"Hidden", uno::Any(true)}, {"ReadOnly", uno::Any(true)}}));
  std::vector<css::beans::PropertyValue> store = {uno::Prop("FilterName", uno::Any(uno::Ou(filter))),
                                                  uno::Prop("Overwrite", uno::Any(true))};
  if (!options.empty()) store.push_back(uno::Prop("FilterOptions", uno::Any(uno::Ou(options))));
  uno::Reference<css::frame::XStorable>(doc, uno::UNO_QUERY_THROW)
      ->storeToURL(uno::FileUrl(dest), uno::MakeProps(store));
  if (track) Toolkit(office)->finishTrackingFontMappingUse();
  uno::Reference<css::util::XCloseable>(doc, uno::UNO_QUERY_THROW)->close(true);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 7) {
    std::fprintf(stderr, "usage: %s PIPE FILTER FILTEROPTIONS OUTDIR EXT FILE...\n", argv[0]);
    return 2;
  }
  try {
    const auto office = uno::Connection::TryOpen(argv[1]);
    if (!office) {
      std::fprintf(stderr, "no office listens on %s\n", argv[1]);
      return 1;
    }
    const std::filesystem::path out = argv[4];
    const std::string ext = argv[5];
    auto dest = [&](const char* src) {
      return (out / std::filesystem::path(src).filename().replace_extension(ext)).string();
    };
    Convert(*office, argv[6], dest(argv[6]), argv[2], argv[3]);
    for (int i = 6; i < argc; ++i) {
      const auto start = std::chrono::steady_clock::now();
      Convert(*office, argv[i], dest(argv[i]), argv[2], argv[3]);
      const std::chrono::duration<double, std::milli> ms = std::chrono::steady_clock::now() - start;
      std::printf("ms %.2f\n", ms.count());
    }
  } catch (const css::uno::Exception& e) {
    std::fprintf(stderr, "%s\n", uno::Utf8(e.Message).c_str());
    return 1;
  }
  return 0;
}
