// What the server makes of results: content types, zip archives, merged
// PDFs; and the page ranges of the compatible route.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace quillet::cli::serve {

// The content type of a result by its extension.
std::string ContentTypeOf(const std::string& name);
// A Content-Disposition value for Name (any bytes).
std::string AttachmentOf(const std::string& name);

// The results a conversion wrote under Folder: its regular files (a link is
// neither followed nor taken), with their paths relative to it, in order.
std::vector<std::pair<std::string, std::string>> ResultsIn(const std::string& folder);
// Writes a zip archive of Files (path, name in the archive). Raises
// std::runtime_error.
void ZipFiles(const std::vector<std::pair<std::string, std::string>>& files, const std::string& archive);
// Writes one PDF of the pages of Pdfs, in their order. Archival keeps the first
// PDF's XMP packet and output intents, which identify a PDF/A document (the
// merged one of PDF/A files made alike stays identified as such). Raises
// std::runtime_error.
void MergePdfs(const std::vector<std::string>& pdfs, const std::string& merged, bool archival = false);
// The number of pages of a PDF (for tests and checks).
int PageCount(const std::string& pdf);

// A page range of the compatible route ("3", "2-5", blanks around): the
// value of PAGES=; nothing when it is not one range.
std::optional<std::string> PageRange(const std::string& text);

}  // namespace quillet::cli::serve
