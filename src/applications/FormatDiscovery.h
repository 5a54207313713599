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
#include "platform/status.h"

namespace quillet {

struct TFormatTables {
  TFormatList& SourceFormats;
  TFormatList& DestFormats;
};

// Each answers why Word could not be had (the text of its start, code
// NotInstalled); what Word raises while it is read escapes as Error, and the
// caller catches it with the request's other failures.

// The rows Word opens, appended to the source table.
Status LoadWordOpenFormats(TOfficeApplications& applications, TFormatList& sourceFormats);
// Both tables at once, when the destination table is empty: neither is left
// half-filled by a build that Word breaks off.
Status LoadWordSaveFormats(TOfficeApplications& applications, const TFormatTables& tables);
// The application of the first source row whose lower-cased pattern contains
// Src's lower-cased extension, else the first row's (AppName, emptied first);
// builds the tables first when the source table is empty.
Status ChooseSourceApplication(TOfficeApplications& applications, const TFormatTables& tables, const std::string& src,
                               std::string& appName);
// The text form of either table (Text, emptied first), built first when it is
// empty.
Status GetSourceFormatListText(TOfficeApplications& applications, const TFormatTables& tables, std::string& text);
Status GetDestFormatListText(TOfficeApplications& applications, const TFormatTables& tables, std::string& text);

}  // namespace quillet
