// A web page to plain text through Internet Explorer: a hidden instance loads
// and renders the page, and the rendered text of its root element is written
// to the text file. No HTML is parsed here.
#pragma once

#include <cstdint>
#include <string>

namespace quillet {

// How long each of the two waits for the page (Busy, then ReadyState) may
// take before the conversion gives up.
inline constexpr uint32_t kPageWaitLimitMs = 60000;

// Loads SourcePath (handed to Navigate as it is) in a new, hidden
// "InternetExplorer.Application", waits while it reports Busy and then until
// its ReadyState is 4 (complete), and writes Document.documentElement.innerText
// to DestPath with SaveTextToFile (missing folders are made, CR LF line ends).
// The instance is told to quit before the routine returns.
//
// ErrorText is emptied first. It becomes
//   "Error, can not create InternetExplorer.Application"  (nothing is written),
//   "Error, can not save text in IE"  when the text cannot be read or written,
//   a text naming the page when a wait runs past WaitLimitMs.
// Failures of visible, Navigate, Busy and ReadyState are raised to the caller
// (the instance is then released without quit); a failure of quit is ignored.
void HtmlToTextByIE(const std::string& SourcePath, const std::string& DestPath, std::string& ErrorText,
                    uint32_t WaitLimitMs = kPageWaitLimitMs);

// The text a wait gives at its limit: "Error, Internet Explorer was still busy
// loading \"<page>\" after 60 seconds" (Busy), "Error, Internet Explorer did
// not finish loading \"<page>\" within 60 seconds" (ReadyState). Limits that
// are not whole seconds are given in milliseconds ("250 ms").
std::string PageStillBusyText(const std::string& page, uint32_t waitLimitMs);
std::string PageNotCompleteText(const std::string& page, uint32_t waitLimitMs);

}  // namespace quillet
