// The files the doubles read and write on behalf of their documents.
#pragma once

#include <string>

namespace quillet::doubles {

// The file name of a path written with either delimiter ("C:\in\a.doc" and
// "/in/a.doc" both give "a.doc").
std::string BaseName(const std::string& path);

// Creates or replaces File with Bytes; raises Error "The file could not be
// saved: <File>" when it cannot.
void WriteWholeFile(const std::string& file, const std::string& bytes);

}  // namespace quillet::doubles
