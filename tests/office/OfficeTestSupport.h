// What the tests of the office stand-ins share: the three applications,
// created once per test program through the COM layer as the converter
// creates them (one LibreOffice for the whole program), and source documents
// written as flat OpenDocument files and turned into Office formats by the
// stand-ins themselves.
#pragma once

#include <string>
#include <vector>

#include "FlatDocuments.h"
#include "TestSupport.h"
#include "utilities/automation/Automation.h"

namespace quillet::test {

// Points the COM layer at the stand-in library (QUILLET_OFFICE_LIB) and at
// a private well-known pipe, so that no office of the user's is attached.
void UseStandIns(const TempDir& dir);

struct Office {
  ole::Variant word, excel, powerpoint;
};
// The applications of this program, created on first use.
Office& Apps();

// Documents.Open / Workbooks.Open / Presentations.Open with the named
// arguments the converter passes.
ole::Variant OpenWord(const std::string& file);
ole::Variant OpenWorkbook(const std::string& file);
ole::Variant OpenPresentation(const std::string& file);
void SaveAs(const ole::Variant& document, const std::string& file, int format);

// Writes Flat as Name.fodt (.fods, .fodp) in Dir and saves it through the
// stand-in as Name.Ext with Format.
std::string MakeWordDocument(const TempDir& dir, const std::string& name, const std::string& flat,
                             const std::string& ext = "docx", int format = 16);
std::string MakeWorkbook(const TempDir& dir, const std::string& name, const std::string& flat);
std::string MakePresentation(const TempDir& dir, const std::string& name, const std::string& flat);

std::vector<std::string> FilesIn(const std::string& folder);

// The content of entry Name of the zip file Zip (stored or deflated); empty
// when there is no such entry.
std::string ZipEntry(const std::string& zip, const std::string& name);

}  // namespace quillet::test
