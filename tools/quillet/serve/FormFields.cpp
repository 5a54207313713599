#include "FormFields.h"

#include <strings.h>

#include <algorithm>
#include <charconv>
#include <set>

#include "engine/options/Options.h"
#include "platform/utf8.h"

namespace quillet::cli::serve {

using nlohmann::json;

namespace {

// The export switches of the LibreOffice route, each a PDF.<Name>= keyword of
// the library: the field's name with its first letter in upper case.
constexpr const char* kExportSwitches[] = {"landscape",
                                           "exportFormFields",
                                           "allowDuplicateFieldNames",
                                           "exportBookmarks",
                                           "exportBookmarksToPdfDestination",
                                           "exportPlaceholders",
                                           "exportNotes",
                                           "exportNotesPages",
                                           "exportOnlyNotesPages",
                                           "exportNotesInMargin",
                                           "convertOooTargetToPdfTarget",
                                           "exportLinksRelativeFsys",
                                           "exportHiddenSlides",
                                           "skipEmptyPages",
                                           "addOriginalDocumentAsStream",
                                           "singlePageSheets",
                                           "losslessImageCompression",
                                           "reduceImageResolution",
                                           "updateIndexes"};

// A field's name as a refusal shows it: a client's bytes, cut and made printable.
std::string Shown(const std::string& name) { return utf8::Shown(name, 64); }

// Refuses each field sent that is not one of Taken, and each sent twice.
void OnlyFields(const Form& form, const std::set<std::string>& taken, const std::string& route) {
  for (auto it = form.fields.begin(); it != form.fields.end(); it = form.fields.upper_bound(it->first)) {
    if (!taken.count(it->first))
      throw FieldRefused("the field " + Shown(it->first) + " is not taken by " + route +
                         " (see the README's field table)");
    if (form.fields.count(it->first) > 1) throw FieldRefused("the field " + Shown(it->first) + " was sent twice");
  }
}

bool Sent(const Form& form, const char* name) { return form.fields.count(name) != 0; }

std::optional<bool> Bool(const Form& form, const char* name) {
  if (!Sent(form, name)) return std::nullopt;
  const auto value = ParseBool(form.Field(name));
  if (!value) throw FieldRefused("the field " + std::string(name) + " must be true or false");
  return value;
}

std::optional<int> Whole(const std::string& text) {
  int value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// The passwords of the encryption: texts the PDF's AES-256 takes (at most 127
// bytes, no NUL byte), the owner's only with the user's.
void ReadEncryption(const Form& form, PdfAfter& after, bool userMandatory) {
  after.userPassword = form.Field("userPassword");
  after.ownerPassword = form.Field("ownerPassword");
  for (const auto* name : {"userPassword", "ownerPassword"}) {
    const std::string value = form.Field(name);
    if (value.size() > 127 || value.find('\0') != std::string::npos || !utf8::IsValid(value))
      throw FieldRefused("the field " + std::string(name) + " must be UTF-8 text of at most 127 bytes");
  }
  if (after.userPassword.empty() && (userMandatory || Sent(form, "userPassword")))
    throw FieldRefused("the field userPassword must not be empty");
  if (after.userPassword.empty() && !after.ownerPassword.empty())
    throw FieldRefused("the field ownerPassword is taken only with userPassword");
}

void ReadMetadata(const Form& form, PdfAfter& after, bool mandatory) {
  if (!Sent(form, "metadata")) {
    if (mandatory) throw FieldRefused("the field metadata is required");
    return;
  }
  json metadata = json::parse(form.Field("metadata"), nullptr, false);
  if (metadata.is_discarded()) throw FieldRefused("the field metadata must be a JSON object");
  if (const auto problem = MetadataProblem(metadata)) throw FieldRefused("the field metadata: " + *problem);
  after.metadata = std::move(metadata);
}

void ReadSplit(const Form& form, PdfAfter& after, bool mandatory) {
  const bool any = Sent(form, "splitMode") || Sent(form, "splitSpan") || Sent(form, "splitUnify");
  if (!any && !mandatory) return;
  const std::string mode = form.Field("splitMode");
  SplitMode split;
  if (mode == "intervals")
    split.kind = SplitMode::Kind::Intervals;
  else if (mode == "pages")
    split.kind = SplitMode::Kind::Pages;
  else
    throw FieldRefused("the field splitMode must be intervals or pages");
  if (!Sent(form, "splitSpan")) throw FieldRefused("the field splitSpan is required with splitMode");
  std::string span = form.Field("splitSpan");
  span.erase(std::remove_if(span.begin(), span.end(), [](char c) { return c == ' ' || c == '\t'; }), span.end());
  if (split.kind == SplitMode::Kind::Intervals) {
    const auto interval = Whole(span);
    if (!interval || *interval < 1) throw FieldRefused("the field splitSpan must be a whole number of pages from 1");
    split.interval = *interval;
  } else {
    const auto spans = PageSpans(span);
    if (!spans) throw FieldRefused("the field splitSpan must be pages and ranges such as 1-3,5,7-");
    split.spans = *spans;
  }
  split.unify = Bool(form, "splitUnify").value_or(false);
  if (split.unify && split.kind != SplitMode::Kind::Pages)
    throw FieldRefused("the field splitUnify is taken only with splitMode pages");
  after.split = split;
}

}  // namespace

std::optional<bool> ParseBool(const std::string& text) {
  for (const char* yes : {"1", "t", "T", "TRUE", "true", "True"})
    if (text == yes) return true;
  for (const char* no : {"0", "f", "F", "FALSE", "false", "False"})
    if (text == no) return false;
  return std::nullopt;
}

void OnlyFilesField(const Form& form) {
  for (const Upload& upload : form.files)
    if (upload.field != "files")
      throw FieldRefused("the file field " + Shown(upload.field) + " is not taken: send files as files");
}

std::vector<std::string> ReadPdfFormatFields(const Form& form) {
  std::vector<std::string> keywords;
  if (Sent(form, "pdfa")) {
    static const std::pair<const char*, const char*> kLevels[] = {
        {"PDF/A-1b", "PDFA=1"}, {"PDF/A-2b", "PDFA=2"}, {"PDF/A-3b", "PDFA=3"}};
    const std::string pdfa = form.Field("pdfa");
    const auto level = std::find_if(std::begin(kLevels), std::end(kLevels),
                                    [&](const auto& l) { return strcasecmp(l.first, pdfa.c_str()) == 0; });
    if (level == std::end(kLevels)) throw FieldRefused("the field pdfa must be PDF/A-1b, PDF/A-2b or PDF/A-3b");
    keywords.push_back(level->second);
  }
  if (const auto pdfua = Bool(form, "pdfua"); pdfua)
    keywords.push_back(std::string("PDF.PdfUa=") + (*pdfua ? "true" : "false"));
  return keywords;
}

LibreOfficeAsk ReadLibreOfficeFields(const Form& form) {
  std::set<std::string> taken = {"password",   "nativePageRanges", "quality",  "maxImageResolution", "pdfa",
                                 "pdfua",      "nativePdfFormats", "merge",    "splitMode",          "splitSpan",
                                 "splitUnify", "flatten",          "metadata", "userPassword",       "ownerPassword",
                                 "timeout",    "downloadFrom"};
  taken.insert(std::begin(kExportSwitches), std::end(kExportSwitches));
  OnlyFields(form, taken, "/forms/libreoffice/convert");
  OnlyFilesField(form);

  LibreOfficeAsk ask;
  ask.keywords = ReadPdfFormatFields(form);
  // The formats come from the office's own export; no other engine makes them.
  if (Bool(form, "nativePdfFormats") == false && (Sent(form, "pdfa") || Sent(form, "pdfua")))
    throw FieldRefused("the field nativePdfFormats may not be false: PDF/A and PDF/UA come from the office's export");
  if (Sent(form, "nativePageRanges")) {
    const auto spans = PageSpans(form.Field("nativePageRanges"));
    if (!spans || std::any_of(spans->begin(), spans->end(), [](const PageSpan& s) { return s.last == 0; }))
      throw FieldRefused("the field nativePageRanges must be pages and ranges such as 1-3,5");
    std::string list;
    for (const PageSpan& s : *spans)
      list += (list.empty() ? "" : ",") + std::to_string(s.first) +
              (s.last != s.first ? "-" + std::to_string(s.last) : std::string());
    // One page or one range as today's keyword; a list quoted.
    ask.keywords.push_back("PAGES=" + (spans->size() == 1 ? list : "\"" + list + "\""));
  }
  if (Sent(form, "password")) {
    if (form.Field("password").empty()) throw FieldRefused("the field password must not be empty");
    ask.keywords.push_back(options::QuotePasswordKeyword(form.Field("password")));
  }
  for (const char* name : kExportSwitches)
    if (const auto value = Bool(form, name)) {
      std::string keyword = std::string("PDF.") + name + "=" + (*value ? "true" : "false");
      keyword[4] = static_cast<char>(std::toupper(static_cast<unsigned char>(keyword[4])));
      ask.keywords.push_back(keyword);
    }
  if (Sent(form, "quality")) {
    const auto quality = Whole(form.Field("quality"));
    if (!quality || *quality < 1 || *quality > 100)
      throw FieldRefused("the field quality must be a whole number from 1 to 100");
    ask.keywords.push_back("PDF.Quality=" + std::to_string(*quality));
  }
  if (Sent(form, "maxImageResolution")) {
    const auto dpi = Whole(form.Field("maxImageResolution"));
    static const int kResolutions[] = {75, 150, 300, 600, 1200};
    if (!dpi || std::find(std::begin(kResolutions), std::end(kResolutions), *dpi) == std::end(kResolutions))
      throw FieldRefused("the field maxImageResolution must be 75, 150, 300, 600 or 1200");
    ask.keywords.push_back("PDF.MaxImageResolution=" + std::to_string(*dpi));
  }

  ask.after.merge = Bool(form, "merge").value_or(false);
  ask.after.archival = Sent(form, "pdfa");
  ReadSplit(form, ask.after, false);
  ReadMetadata(form, ask.after, false);
  ask.after.flatten = Bool(form, "flatten").value_or(false);
  ReadEncryption(form, ask.after, false);
  // As the service: PDF/A forbids encryption, and a split part is not the
  // document the office made PDF/A.
  if (Sent(form, "pdfa") && !ask.after.userPassword.empty())
    throw FieldRefused("the field userPassword cannot be taken with pdfa: PDF/A forbids encryption");
  if (Sent(form, "pdfa") && ask.after.split)
    throw FieldRefused("the field splitMode cannot be taken with pdfa: the parts would not be PDF/A");
  return ask;
}

PdfAfter ReadPdfEngineFields(const Form& form, PdfRoute route) {
  std::set<std::string> taken;
  std::string name;
  switch (route) {
    case PdfRoute::Merge:
      taken = {"flatten", "metadata", "userPassword", "ownerPassword"}, name = "/forms/pdfengines/merge";
      break;
    case PdfRoute::Split:
      taken = {"splitMode", "splitSpan", "splitUnify", "flatten", "metadata", "userPassword", "ownerPassword"};
      name = "/forms/pdfengines/split";
      break;
    case PdfRoute::Flatten:
      name = "/forms/pdfengines/flatten";
      break;
    case PdfRoute::ReadMetadata:
      name = "/forms/pdfengines/metadata/read";
      break;
    case PdfRoute::WriteMetadata:
      taken = {"metadata"}, name = "/forms/pdfengines/metadata/write";
      break;
    case PdfRoute::Encrypt:
      taken = {"userPassword", "ownerPassword"}, name = "/forms/pdfengines/encrypt";
      break;
    case PdfRoute::Convert:
      taken = {"pdfa", "pdfua"}, name = "/forms/pdfengines/convert";
      break;
  }
  // The deadline of the PDF work (PdfJob.h) and of the conversions, as the
  // LibreOffice route's own.
  taken.insert({"downloadFrom", "timeout"});
  OnlyFields(form, taken, name);
  OnlyFilesField(form);
  if (route == PdfRoute::Convert) {
    if (!Sent(form, "pdfa") && !Sent(form, "pdfua"))
      throw FieldRefused("either the field pdfa or the field pdfua must be given");
    ReadPdfFormatFields(form);
  }
  PdfAfter after;
  after.merge = route == PdfRoute::Merge;
  if (route == PdfRoute::Split) ReadSplit(form, after, true);
  if (taken.count("metadata")) ReadMetadata(form, after, route == PdfRoute::WriteMetadata);
  if (taken.count("flatten")) after.flatten = Bool(form, "flatten").value_or(false);
  after.flatten = after.flatten || route == PdfRoute::Flatten;
  if (taken.count("userPassword")) ReadEncryption(form, after, route == PdfRoute::Encrypt);
  return after;
}

}  // namespace quillet::cli::serve
