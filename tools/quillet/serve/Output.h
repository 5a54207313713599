// What the server makes of uploads and results: safe file names, content
// types, zip archives, merged PDFs, option keywords.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace quillet::cli::serve {

// The base name of an upload's name, with no folder part (either slash), no
// control characters and no leading dots; "document" when nothing is left.
std::string CleanName(const std::string& uploaded);
// Name without its extension, and its extension (lower case, with the dot).
std::string StemOf(const std::string& name);

// The content type of a result by its extension.
std::string ContentTypeOf(const std::string& name);
// A Content-Disposition value for Name (any bytes).
std::string AttachmentOf(const std::string& name);

// Writes a zip archive at Archive of the files under Folder, named by their
// paths relative to it. Raises std::runtime_error.
void ZipFolder(const std::string& folder, const std::string& archive);
// Writes a zip archive of Files, each under its given name.
void ZipFiles(const std::vector<std::pair<std::string, std::string>>& files, const std::string& archive);
// Writes one PDF of the pages of Pdfs, in their order. Raises std::runtime_error.
void MergePdfs(const std::vector<std::string>& pdfs, const std::string& merged);
// The number of pages of a PDF (for tests and checks).
int PageCount(const std::string& pdf);

// The keyword text for a password: PASSWORD=TEXT, in double quotes (each
// quote doubled) when it holds a blank or starts with a quote.
std::string PasswordKeyword(const std::string& password);
// A page range of the compatible route ("3", "2-5", blanks around): the
// value of PAGES=; nothing when it is not one range.
std::optional<std::string> PageRange(const std::string& text);

}  // namespace quillet::cli::serve
