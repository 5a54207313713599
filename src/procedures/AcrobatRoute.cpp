// The Acrobat route: the plug-in bridge converts the file inside Acrobat.
// Three destination codes of the converter's own become the bridge's delimiter
// options; the bridge's answer is the request's error text.
#include "dialogs/HostWindow.h"
#include "engine/formatlib/FormatCodes.h"
#include "procedures/Routes.h"
#include "utilities/Guarded.h"

namespace quillet {

namespace {

// Delimited text from a PDF: the code replaces the caller's whole option
// text, so any other keyword is dropped. Every other code passes the option
// text through as it is.
std::string BridgeOption(const TFormatCode& destFormat, const std::string& option) {
  if (destFormat == formats::kDelimitedByComma) return "delimit=,";
  if (destFormat == formats::kDelimitedByTab) return "delimit=\t";
  if (destFormat == formats::kDelimitedBySemicolon) return "delimit=;";
  return option;
}

}  // namespace

Status ConvertWithAcrobat(TProcedureContext& context, const TConversionRequest& request) {
  // Acrobat may have taken the screen from the host: give it back, before and after.
  BringHostPopupForward();
  std::string answer;
  Status called = Capture([&] {
    // The bridge takes all four by reference; only the answer is read back.
    std::string srcFile = request.Src, destFile = request.Dest,
                sentOption = BridgeOption(request.Format, request.Options.Text);
    context.Applications().AcrobatBridge().Call("ConvertFile", {ole::Arg::Ref(srcFile), ole::Arg::Ref(destFile),
                                                                ole::Arg::Ref(sentOption), ole::Arg::Ref(answer)});
  });
  BringHostPopupForward();
  if (!called.ok()) return called;
  return answer.empty() ? Status::Ok() : Status::Failed(answer);
}

}  // namespace quillet
