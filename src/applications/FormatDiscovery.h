// The format tables, built from Word the first time they are needed, and the
// choice of the application for a source file by its extension. The tables
// belong to the converter; these routines fill and read them, starting Word
// through Applications when it is not held yet.
//
// Thread-safety: the converter's thread only.
#pragma once

#include <string>

#include "applications/OfficeApplications.h"
#include "engine/formatlib/FormatTable.h"

namespace quillet {

struct TFormatTables {
  TFormatList& SourceFormats;
  TFormatList& DestFormats;
};

// The rows Word opens, appended to the source table.
void LoadWordOpenFormats(TOfficeApplications& applications, TFormatList& sourceFormats, std::string& errorText);
// Both tables at once, when the destination table is empty: neither is left
// half-filled by a build that Word breaks off.
void LoadWordSaveFormats(TOfficeApplications& applications, const TFormatTables& tables, std::string& errorText);
// The application of the first source row whose lower-cased pattern contains
// Src's lower-cased extension, else the first row's; builds the tables first
// when the source table is empty.
void ChooseSourceApplication(TOfficeApplications& applications, const TFormatTables& tables, const std::string& src,
                             std::string& errorText, std::string& appName);
// The text form of either table, built first when it is empty.
void GetSourceFormatListText(TOfficeApplications& applications, const TFormatTables& tables,
                             std::string& errorText, std::string& text);
void GetDestFormatListText(TOfficeApplications& applications, const TFormatTables& tables, std::string& errorText,
                           std::string& text);

}  // namespace quillet
