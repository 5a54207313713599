// Making a saved web page stand alone: its supporting folder goes, and so do
// the image tags that pointed into it.
#pragma once

#include <string>

namespace quillet {

// Deletes the page's supporting folder (HtmlPath with the extension ".files")
// and, when HtmlPath contains ".htm" in any letter case, strips the img and
// v:imagedata tags from the page and writes it back with CR LF line ends.
// ErrorText is emptied first and receives the message of a failure ("Cannot
// open file <path>", "Cannot create file <path>", a folder that cannot be
// entered), which ends the work; a folder that stays (after its message box)
// is reported as "Cannot remove folder <folder>" once the page is done.
// A missing folder is no failure.
void RemoveHtmlImages(const std::string& HtmlPath, std::string& ErrorText);

}  // namespace quillet
