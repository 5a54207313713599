// The option string: free text searched for case-sensitive keywords anywhere in
// it, with no grammar and no word boundaries.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "utilities/ApplicationTable.h"

namespace quillet::options {

// Application names; also the keywords that choose the application.
inline constexpr std::string_view kMsWord = ApplicationInfo(TApplication::Word).Name;
inline constexpr std::string_view kMsExcel = ApplicationInfo(TApplication::Excel).Name;
inline constexpr std::string_view kMsPowerpoint = ApplicationInfo(TApplication::PowerPoint).Name;
inline constexpr std::string_view kAdobeAcrobat = ApplicationInfo(TApplication::Acrobat).Name;
inline constexpr std::string_view kNoMsWord = ApplicationInfo(TApplication::NoWord).Name;

// Keywords with an effect of their own.
inline constexpr std::string_view kUseMacro = "USEMACRO";
inline constexpr std::string_view kOpenFormat = "OPENFORMAT";
inline constexpr std::string_view kOpenFormatValue = "OPENFORMAT=";
inline constexpr std::string_view kUseGsDll = "USEGSDLL";
inline constexpr std::string_view kOrientation1 = "orientation:=1";
inline constexpr std::string_view kOrientation2 = "orientation:=2";
inline constexpr std::string_view kMergeHtml = "MERGEHTML";
inline constexpr std::string_view kNoCreateImageDir = "NOCREATEIMAGEDIR";
inline constexpr std::string_view kStrictFonts = "STRICTFONTS";
// A keyword of this library's own: the deadline of each document, in whole
// seconds ("TIMEOUT=30").
inline constexpr std::string_view kTimeout = "TIMEOUT=";
inline constexpr uint32_t kDefaultTimeoutSeconds = 120;

// Keywords of this library's own for PDF output and protected sources.
// "PDFA" asks for PDF/A-1b, "PDFA=2" and "PDFA=3" for PDF/A-2b and 3b;
// "PAGES=2-3" (or "PAGES=4") a single range of pages or slides, and
// PAGES="1-3,5" in double quotes a list of them; "PASSWORD=TEXT" the password
// the source is opened with. The values of PDFA= and of an unquoted PAGES=
// end like that of TIMEOUT=; that of PASSWORD= ends at a blank, tab, CR or
// LF, unless it is written in double quotes, a quote inside doubled:
// PASSWORD="my secret", PASSWORD="say ""hi""".
inline constexpr std::string_view kPdfA = "PDFA";
inline constexpr std::string_view kPages = "PAGES=";
inline constexpr std::string_view kPassword = "PASSWORD=";
// "PDF.<Name>=<value>": one option of the applications' own PDF export each
// (PDF.ExportBookmarks=false, PDF.Quality=80); the value ends like that of
// TIMEOUT=. Every such keyword starts with "PDF." and ends with "=", so
// that none is a part of another.
inline constexpr std::string_view kPdfExportPrefix = "PDF.";

// True when Keyword occurs anywhere in Option (byte-wise, case-sensitive).
bool Has(std::string_view option, std::string_view keyword);

// The application the option string asks for: the five application keywords
// are tested in a fixed order and the last one found wins ("No MS Word" thus
// always beats the "MS Word" it contains). Empty when none is present.
std::string ChooseApplication(std::string_view option);

// The text after "OPENFORMAT=" up to the first CR LF of the whole option string.
std::string OpenFormatValue(const std::string& option);

// The deadline of one document in seconds: the whole number after the first
// "TIMEOUT=" (ended by a blank, tab, CR, LF, "," or ";" or the end of the
// option text), else the default. Raises Error "Invalid value '<v>' for
// TIMEOUT= (whole seconds from 1 to 86400)" for anything else.
uint32_t TimeoutSeconds(std::string_view option);

// A range of pages (or slides), counted from 1; From <= To.
struct PageRange {
  int32_t From = 0;
  int32_t To = 0;
};

// The PDF/A part asked for: 0 without "PDFA", 1 for "PDFA" or "PDFA=1", 2
// or 3. Raises Error "Invalid value '<v>' for PDFA= (1, 2 or 3)" else.
int PdfALevel(std::string_view option);

// The ranges after "PAGES="; empty without it. Unquoted, the value is one
// range; raises Error "Invalid value '<v>' for PAGES= (a page or a range of
// pages such as 2-3)" for anything but a page or an ascending range of pages
// from 1 to 99999. Quoted (PAGES="1-3, 5"), it is a list of such pages and
// ranges separated by "," with blanks around them allowed; raises Error
// "Invalid value '<v>' for PAGES= (a quoted list of pages and ranges of pages
// such as "1-3,5")" for anything else, an unended quote included.
std::vector<PageRange> Pages(std::string_view option);

// Ranges as LibreOffice's PageRange reads them: "1-3,5-5".
std::string PageRangesText(const std::vector<PageRange>& ranges);

// What the value of a PDF export option is.
enum class PdfExportKind {
  Boolean,     // true or false
  Quality,     // JPEG quality, 1 to 100
  Resolution,  // pixels per inch: 75, 150, 300, 600 or 1200
};

// One option of the PDF export: its keyword's name, and the property of
// LibreOffice's PDF export filter data that takes it (empty for Landscape
// and UpdateIndexes, which change the document before the export).
struct PdfExportName {
  std::string_view Name;
  std::string_view FilterProperty;
  PdfExportKind Kind;
};

// Every option of the PDF export, in a fixed order.
const std::vector<PdfExportName>& PdfExportNames();

// The PDF.<Name>= keywords of an option text: their values by the order of
// PdfExportNames (a boolean is 0 or 1), the first of a repeated name
// counting. Keywords spelt inside the value of PASSWORD= do not count.
class PdfExportOptions {
 public:
  bool Empty() const { return values_.empty(); }
  // The value given for Name; none when it was not given.
  std::optional<int32_t> Find(std::string_view name) const;
  // True when the boolean Name was given as true.
  bool IsTrue(std::string_view name) const { return Find(name).value_or(0) != 0; }
  // The names given, in the table's order.
  std::vector<std::string_view> Names() const;
  // The keywords again ("PDF.ExportBookmarks=false PDF.Quality=80"), which
  // PdfExport reads back to the same options.
  std::string Keywords() const;

  void Set(std::string_view name, int32_t value);

 private:
  std::vector<std::pair<std::string_view, int32_t>> values_;
};

// Reads the PDF.<Name>= keywords. Raises Error "Unknown PDF export option
// 'PDF.<Name>'" for a name not in the table and "Invalid value '<v>' for
// PDF.<Name>= (<what is allowed>)" for a malformed value (InvalidOption).
PdfExportOptions PdfExport(std::string_view option);

// The password after "PASSWORD="; none without it. Raises Error "The value
// of PASSWORD= lacks its closing double quote" for an unended quote (the
// error never shows the value).
std::optional<std::string> Password(std::string_view option);

// "PASSWORD=" followed by Password as the option reader reads it back:
// quoted when it is empty, holds a blank, tab, CR or LF or starts with a
// double quote.
std::string QuotePasswordKeyword(std::string_view password);

// The option text with the value of PASSWORD= taken out, so that neither a
// keyword spelt inside a password counts nor the password shows where the
// option text does.
std::string WithoutPassword(std::string_view option);

}  // namespace quillet::options
