// Joining the pages of a workbook or presentation saved as a web page (one
// page per sheet or slide, listed in the supporting folder's filelist.xml)
// into one page.
#pragma once

#include <string>

namespace quillet {

// The pages of kind PageKind ("sheet" or "slide") that the file list at
// FileListPath names, in its order, as full paths separated by CR LF: the file
// list's folder followed by the page's name as the list writes it. A reference
// line is taken when, trimmed and lower-cased, it contains "o:file href=",
// ".htm\"/>" and the kind. A file list that cannot be read gives what was found so far
// (nothing), never a failure.
void GetHtmlPageList(const std::string& FileListPath, const std::string& PageKind, std::string& PageList);

// Writes DestPath as one page made of "<html><head>", the first page's meta,
// title and end-of-head lines and its body start tag gathered onto one line
// (its onload handler renamed onload1), then from every page in PageList (one
// path a line) the lines from its first "<table" line to its last "</table"
// line, and "</body></html>"; every line followed by CR LF. False when
// DestPath cannot be written. A page that cannot be read raises Error
// "Cannot open file <path>" to the caller.
bool MergeHtmlPages(const std::string& PageList, const std::string& DestPath);

}  // namespace quillet
