// A document open in the Word stand-in, and the objects that reach into it.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <com/sun/star/text/XTextRange.hpp>

#include "automation/CallArgs.h"
#include "common/AppState.h"
#include "platform/com/com.h"

namespace quillet::office::word {

struct WordDoc {
  std::shared_ptr<OpenDocument> doc;
  std::optional<int> saveEncoding;  // SaveEncoding as put; OpenEncoding until then
  bool printRevisions = false;
  // The document's links, found on first use: each a range of the text that
  // carries one link target.
  std::optional<std::vector<uno::Reference<uno::css::text::XTextRange>>> links;

  // Pictures (by name) whose linked file was copied into the document while
  // the link stays: still linked pictures until their link is broken.
  std::vector<std::string> keptLinks;

  int OpenEncoding() const;
};

IDispatch* NewWordApplication();
IDispatch* NewFileConverters(std::shared_ptr<AppState> app);
IDispatch* NewDocuments(std::shared_ptr<AppState> app);
IDispatch* NewDocument(std::shared_ptr<AppState> app, std::shared_ptr<WordDoc> doc);
IDispatch* NewHyperlinks(std::shared_ptr<AppState> app, std::shared_ptr<WordDoc> doc);
IDispatch* NewInlineShapes(std::shared_ptr<AppState> app, std::shared_ptr<WordDoc> doc);
IDispatch* NewCharacters(std::shared_ptr<AppState> app, std::shared_ptr<WordDoc> doc);
IDispatch* NewPageSetup(std::shared_ptr<AppState> app, std::shared_ptr<WordDoc> doc);

// Document.PrintOut with Word's parameters: into OutputFileName when
// PrintToFile is true, else to the printer, through the active printer.
void PrintOut(AppState& app, const WordDoc& doc, const CallArgs& args);
inline const std::vector<std::string> kPrintOutParams = {"Background",
                                                         "Append",
                                                         "Range",
                                                         "OutputFileName",
                                                         "From",
                                                         "To",
                                                         "Item",
                                                         "Copies",
                                                         "Pages",
                                                         "PageType",
                                                         "PrintToFile",
                                                         "Collate",
                                                         "FileName",
                                                         "ActivePrinterMacGX",
                                                         "ManualDuplexPrint",
                                                         "PrintZoomColumn",
                                                         "PrintZoomRow",
                                                         "PrintZoomPaperWidth",
                                                         "PrintZoomPaperHeight"};

// Document.ExportAsFixedFormat with Word's parameters: PDF only, all pages or
// From to To (Range 3), PDF/A-1b with UseISO19005_1, and the export options
// the application was given for it (see common/PdfExport.h), whose pages list
// comes before Range.
void ExportAsFixedFormat(AppState& app, const WordDoc& doc, const CallArgs& args);
inline const std::vector<std::string> kExportParams = {"OutputFileName",
                                                       "ExportFormat",
                                                       "OpenAfterExport",
                                                       "OptimizeFor",
                                                       "Range",
                                                       "From",
                                                       "To",
                                                       "Item",
                                                       "IncludeDocProps",
                                                       "KeepIRM",
                                                       "CreateBookmarks",
                                                       "DocStructureTags",
                                                       "BitmapMissingFonts",
                                                       "UseISO19005_1",
                                                       "FixedFormatExtClassPtr"};

// Runs the template macro Name (only quillet.AutoExec.QLConvert is known).
void RunMacro(AppState& app, const std::string& name);

// Document.SaveAs with Word's parameters.
void SaveAs(const AppState& app, WordDoc& doc, const CallArgs& args);
inline const std::vector<std::string> kSaveAsParams = {"FileName",
                                                       "FileFormat",
                                                       "LockComments",
                                                       "Password",
                                                       "AddToRecentFiles",
                                                       "WritePassword",
                                                       "ReadOnlyRecommended",
                                                       "EmbedTrueTypeFonts",
                                                       "SaveNativePictureFormat",
                                                       "SaveFormsData",
                                                       "SaveAsAOCELetter",
                                                       "Encoding",
                                                       "InsertLineBreaks",
                                                       "AllowSubstitutions",
                                                       "LineEnding",
                                                       "AddBiDiMarks"};

}  // namespace quillet::office::word
