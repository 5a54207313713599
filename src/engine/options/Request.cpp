#include "engine/options/Request.h"

namespace quillet {

TOptions TOptions::Parse(std::string option) {
  TOptions o;
  const std::string chosen = options::ChooseApplication(option);
  if (!chosen.empty()) o.Application = ApplicationNamed(chosen);
  o.UseMacro = options::Has(option, options::kUseMacro);
  o.UseGsDll = options::Has(option, options::kUseGsDll);
  o.MergeHtml = options::Has(option, options::kMergeHtml);
  o.NoCreateImageDir = options::Has(option, options::kNoCreateImageDir);
  o.StrictFonts = options::Has(option, options::kStrictFonts);
  o.Orientation1 = options::Has(option, options::kOrientation1);
  o.Orientation2 = options::Has(option, options::kOrientation2);
  o.OpenFormat = options::Has(option, options::kOpenFormat);
  if (o.OpenFormat) o.OpenFormatValue = options::OpenFormatValue(option);
  o.TimeoutSeconds = TOptionValue<uint32_t>::Read([&] { return options::TimeoutSeconds(option); });
  o.PdfA = TOptionValue<int>::Read([&] { return options::PdfALevel(option); });
  o.Pages = TOptionValue<std::vector<options::PageRange>>::Read([&] { return options::Pages(option); });
  o.Password = TOptionValue<std::optional<std::string>>::Read([&] { return options::Password(option); });
  o.PdfExport = TOptionValue<options::PdfExportOptions>::Read([&] { return options::PdfExport(option); });
  o.Text = std::move(option);
  return o;
}

}  // namespace quillet
