// The converter's format tables: ordered rows of file formats, each with a
// display key, the application's format code, file-name patterns and the
// application that opens it. Row 0 is the default in several places.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace quillet {

struct TFormatNode {
  std::string Key;      // description, or code "=" description for rows without application
  std::string Code;     // format code as decimal text
  std::string Pattern;  // file-name patterns separated by ";"
  std::string AppName;  // application that opens the format, or empty
};

// Rows are never changed after they are added; duplicates are allowed.
using TFormatList = std::vector<TFormatNode>;

void AddFormat(TFormatList& table, const std::string& description, const std::string& code, const std::string& pattern,
               const std::string& appName);

// True when a row's Code equals Code (whole, case-sensitive).
bool HasFormat(const TFormatList& table, const std::string& code);

// The extension of the first row whose Code equals Code (whole, case-sensitive).
// When none does, shows the box "File format <code> do not exist!" and leaves
// Ext empty.
void FindFormatExt(const TFormatList& table, const std::string& code, std::string& ext);

// The Code of row Index; the caller guarantees the row exists.
void FormatCodeAt(const TFormatList& table, size_t index, std::string& code);

// The extension of row Index's Pattern; a missing row shows the box
// "No. <index> File format do not exist!" and leaves Ext empty.
void FormatExtAt(const TFormatList& table, int index, std::string& ext);

// One line per row, Key:Code:Pattern:AppName, joined by CR LF (none after the last).
void FormatListText(const TFormatList& table, std::string& text);

void ClearFormats(TFormatList& table);

// Clears the table and releases it.
void FreeFormats(std::unique_ptr<TFormatList>& table);

}  // namespace quillet
