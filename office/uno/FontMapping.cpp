#include "uno/FontMapping.h"

#include <com/sun/star/awt/XFontMappingUse.hpp>
#include <com/sun/star/awt/XFontMappingUseItem.hpp>
#include <com/sun/star/lang/XMultiComponentFactory.hpp>

#include "automation/Failure.h"

namespace quillet::office::uno {

namespace {

Reference<css::awt::XFontMappingUse> Toolkit(const Office& office) {
  const auto context = office.context();
  Reference<css::awt::XFontMappingUse> toolkit(
      context->getServiceManager()->createInstanceWithContext("com.sun.star.awt.Toolkit", context), UNO_QUERY);
  if (!toolkit.is()) throw Failure("The office does not record the fonts it uses");
  return toolkit;
}

}  // namespace

void StartFontTracking(const Office& office) { Toolkit(office)->startTrackingFontMappingUse(); }

std::vector<FontMappingUse> FinishFontTracking(const Office& office) {
  std::vector<FontMappingUse> record;
  for (const css::awt::XFontMappingUseItem& item : Toolkit(office)->finishTrackingFontMappingUse()) {
    FontMappingUse use{Utf8(item.originalFont), {}};
    for (const OUString& used : item.usedFonts) use.used.push_back(Utf8(used));
    record.push_back(std::move(use));
  }
  return record;
}

}  // namespace quillet::office::uno
