// The web-page layout that Excel and PowerPoint write: a main page, and
// beside it a supporting folder named after it with ".files" (book.htm:
// book.files) holding filelist.xml, which lists the folder's pages as
//   <o:File HRef="sheet001.htm"/>
// and the pages themselves, one per sheet or slide.
#pragma once

#include <string>
#include <vector>

namespace quillet::office {

// MainPage with its extension replaced by ".files".
std::string SupportFolder(const std::string& mainPage);

// An empty supporting folder for MainPage (what was there before goes).
std::string MakeSupportFolder(const std::string& mainPage);

// Writes filelist.xml into Folder: the main page, then Pages (file names in
// the folder) in order.
void WriteFileList(const std::string& folder, const std::string& mainPage, const std::vector<std::string>& pages);

// Writes a page of its own with Title and the Body lines.
void WritePage(const std::string& file, const std::string& title, const std::vector<std::string>& body);

// Text with &, <, > and " written as entities.
std::string HtmlEscape(const std::string& text);

// Writes Text to File, raising Failure when it cannot.
void WriteTextFile(const std::string& file, const std::string& text);

}  // namespace quillet::office
