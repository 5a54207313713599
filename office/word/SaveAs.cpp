// Document.SaveAs: the format number through the Word table of
// formats/SaveFormats, text in the code page that Encoding (or SaveEncoding)
// names, a password when one is given.
#include "automation/Failure.h"
#include "formats/Encodings.h"
#include "formats/OpenFormats.h"
#include "formats/SaveFormats.h"
#include "uno/Documents.h"
#include "word/WordDoc.h"

namespace quillet::office::word {

namespace {

// WdLineEndingType: 0 CR LF, 1 CR, 2 LF CR, 3 LF, 4 LS/PS.
std::string LineEnds(std::optional<int32_t> ending) {
  switch (ending.value_or(0)) {
    case 1: return "CR";
    case 3: return "LF";
    default: return "CRLF";
  }
}

}  // namespace

void SaveAs(const AppState&, WordDoc& doc, const CallArgs& args) {
  const std::optional<std::string> file = args.Text(0, "FileName");
  if (!file || file->empty()) throw Failure("A file name is needed.");
  const int number = args.Int(1, "FileFormat").value_or(formats::WordFormatForPath(*file));
  const formats::SaveFormat& format = formats::FindSaveFormat(formats::Application::Word, number);
  const auto model = doc.doc->Model();
  std::string options = format.options;
  uno::ByteOrder order = uno::ByteOrder::AsWritten;
  if (format.kind == formats::SaveKind::Text) {
    int codePage = std::stoi(format.options);
    bool bom = false;
    if (number == 7) {
      // Unicode text, or encoded text in the code page asked for.
      codePage = args.Int(11, "Encoding").value_or(doc.saveEncoding.value_or(formats::kUtf16));
      bom = true;
    }
    options = formats::TextExportOptions(codePage, bom);
    if (codePage == formats::kUtf16BigEndian) order = uno::ByteOrder::SwapPairs;
    options.replace(options.find(",CRLF,"), 6, "," + LineEnds(args.Int(14, "LineEnding")) + ",");
  }
  uno::StoreDocument(model, *file, format.filter, options, args.Text(3, "Password").value_or(""), order);
}

}  // namespace quillet::office::word
