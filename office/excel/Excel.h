// The Excel stand-in over LibreOffice Calc.
#pragma once

#include <memory>
#include <string>

#include "common/AppState.h"
#include "platform/com/com.h"

namespace quillet::office::excel {

IDispatch* NewExcelApplication();
IDispatch* NewWorkbooks(std::shared_ptr<AppState> app);
IDispatch* NewWorkbook(std::shared_ptr<AppState> app, std::shared_ptr<OpenDocument> book);

// Excel's web page (format 44): the main page at Path and the folder of
// Path's name with ".files", holding filelist.xml and one page per sheet.
void SaveWebPage(const OpenDocument& book, const std::string& path);

}  // namespace quillet::office::excel
