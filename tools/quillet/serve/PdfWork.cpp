#include "PdfWork.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFAcroFormDocumentHelper.hh>
#include <qpdf/QPDFExc.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <regex>

namespace quillet::cli::serve {

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

std::atomic<uint64_t> outputCeiling{0}, outputWritten{0};

uint64_t SizeOf(const std::string& path) {
  std::error_code ec;
  const uintmax_t size = fs::file_size(path, ec);
  return ec ? 0 : static_cast<uint64_t>(size);
}

std::string WithoutBlanks(const std::string& text) {
  std::string out;
  for (const char c : text)
    if (c != ' ' && c != '\t' && c != '\r' && c != '\n') out.push_back(c);
  return out;
}

// Reads a client's PDF: qpdf recovers what it can of a damaged file and keeps
// its warnings to itself; a file it cannot read at all, or of too many pages,
// is the client's fault.
std::unique_ptr<QPDF> Open(const std::string& pdf) {
  auto q = std::make_unique<QPDF>();
  q->setSuppressWarnings(true);
  try {
    q->processFile(pdf.c_str());
  } catch (const QPDFExc& e) {
    if (e.getErrorCode() == qpdf_e_password) throw PdfRefused("a PDF file needs a password to be opened");
    throw PdfRefused("a file is not a PDF file that can be read");
  }
  size_t pages = 0;
  try {
    pages = QPDFPageDocumentHelper(*q).getAllPages().size();
  } catch (const std::exception&) {
    throw PdfRefused("a PDF file's pages cannot be read");
  }
  if (pages > static_cast<size_t>(kMostPages))
    throw PdfRefused("a PDF file has more than " + std::to_string(kMostPages) + " pages");
  return q;
}

// Writes Q over Pdf (through a file beside it: qpdf reads its source while it writes).
void Replace(QPDF& q, const std::string& pdf, const std::function<void(QPDFWriter&)>& configure = {}) {
  const std::string next = pdf + ".next";
  const uint64_t before = SizeOf(pdf);
  try {
    QPDFWriter writer(q, next.c_str());
    if (configure) configure(writer);
    writer.write();
  } catch (const QPDFExc&) {
    std::error_code ec;
    fs::remove(next, ec);
    throw PdfRefused("a PDF file cannot be written again: it is damaged");
  }
  fs::rename(next, pdf);
  CountPdfOutput(pdf, before);
}

void WritePages(const std::vector<QPDFPageObjectHelper>& pages, const std::string& path) {
  QPDF out;
  out.emptyPDF();
  QPDFPageDocumentHelper helper(out);
  for (const QPDFPageObjectHelper& page : pages) helper.addPage(page, false);
  try {
    QPDFWriter writer(out, path.c_str());
    writer.write();
  } catch (const QPDFExc&) {
    throw PdfRefused("the pages of a PDF file cannot be written: it is damaged");
  }
  CountPdfOutput(path);
}

// "D:20240102030405+01'00'" as exiftool writes dates ("2024:01:02 03:04:05+01:00").
std::string ShownDate(const std::string& pdfDate) {
  static const std::regex kDate(R"(D?:?(\d{4})(\d{2})?(\d{2})?(\d{2})?(\d{2})?(\d{2})?(Z|[+-]\d{2}'?\d{2}'?)?.*)");
  std::smatch m;
  if (!std::regex_match(pdfDate, m, kDate)) return pdfDate;
  auto part = [&](int i, const char* otherwise) { return m[i].matched ? m[i].str() : std::string(otherwise); };
  std::string shown = part(1, "") + ":" + part(2, "01") + ":" + part(3, "01") + " " + part(4, "00") + ":" +
                      part(5, "00") + ":" + part(6, "00");
  if (m[7].matched) {
    std::string zone = m[7].str();
    if (zone == "Z") return shown + "Z";
    zone.erase(std::remove(zone.begin(), zone.end(), '\''), zone.end());
    shown += zone.substr(0, 3) + ":" + zone.substr(3, 2);
  }
  return shown;
}

// An RFC 3339 date ("2024-01-02T03:04:05+01:00", "...Z") or a PDF date as a PDF date.
std::optional<std::string> PdfDate(const std::string& text) {
  static const std::regex kRfc(
      R"((\d{4})-(\d{2})-(\d{2})[T ](\d{2}):(\d{2}):(\d{2})(?:\.\d{1,9})?(Z|[+-]\d{2}:\d{2}))");
  static const std::regex kPdf(R"(D:\d{4}(\d{2}(\d{2}(\d{2}(\d{2}(\d{2})?)?)?)?)?(Z|[+-]\d{2}'\d{2}'?)?)");
  std::smatch m;
  if (std::regex_match(text, kPdf)) return text;
  if (!std::regex_match(text, m, kRfc)) return std::nullopt;
  std::string date = "D:" + m[1].str() + m[2].str() + m[3].str() + m[4].str() + m[5].str() + m[6].str();
  const std::string zone = m[7].str();
  if (zone == "Z") return date + "Z";
  return date + zone.substr(0, 3) + "'" + zone.substr(4, 2) + "'";
}

const std::vector<std::string>& TextKeys() {
  static const std::vector<std::string> kKeys = {"Author", "Creator", "Producer", "Subject", "Title"};
  return kKeys;
}

}  // namespace

std::optional<std::vector<PageSpan>> PageSpans(const std::string& text) {
  static const std::regex kEntry(R"(([1-9][0-9]{0,5})(-([1-9][0-9]{0,5})?)?)");
  const std::string compact = WithoutBlanks(text);
  if (compact.empty()) return std::nullopt;
  std::vector<PageSpan> spans;
  size_t at = 0;
  while (at <= compact.size()) {
    const size_t comma = std::min(compact.find(',', at), compact.size());
    std::smatch m;
    const std::string entry = compact.substr(at, comma - at);
    if (!std::regex_match(entry, m, kEntry) || spans.size() == 100) return std::nullopt;
    PageSpan span{std::stoi(m[1].str()), std::stoi(m[1].str())};
    if (m[2].matched) span.last = m[3].matched ? std::stoi(m[3].str()) : 0;
    if (span.last != 0 && span.last < span.first) return std::nullopt;
    spans.push_back(span);
    at = comma + 1;
  }
  return spans;
}

std::vector<std::string> SplitPdf(const std::string& pdf, const SplitMode& mode, const std::string& folder,
                                  size_t& made) {
  const std::unique_ptr<QPDF> q = Open(pdf);
  const std::vector<QPDFPageObjectHelper> pages = QPDFPageDocumentHelper(*q).getAllPages();
  const int count = static_cast<int>(pages.size());
  std::vector<std::vector<QPDFPageObjectHelper>> parts;
  if (mode.kind == SplitMode::Kind::Intervals) {
    const size_t wanted = (pages.size() + mode.interval - 1) / static_cast<size_t>(mode.interval);
    if (made + wanted > kMostParts)
      throw PdfRefused("the split would make more than " + std::to_string(kMostParts) + " files");
    for (int i = 0; i < count; i += mode.interval)
      parts.emplace_back(pages.begin() + i, pages.begin() + std::min(count, i + mode.interval));
  } else {
    std::vector<QPDFPageObjectHelper> chosen;
    for (const PageSpan& span : mode.spans) {
      const int last = span.last == 0 ? count : span.last;
      if (span.first > count || last > count)
        throw PdfRefused("splitSpan names a page past the last of a document of " + std::to_string(count) + " pages");
      for (int p = span.first; p <= last; ++p) chosen.push_back(pages[p - 1]);
    }
    const size_t wanted = mode.unify ? 1 : chosen.size();
    if (made + wanted > kMostParts)
      throw PdfRefused("the split would make more than " + std::to_string(kMostParts) + " files");
    if (mode.unify) {
      parts.push_back(chosen);
    } else {
      for (const QPDFPageObjectHelper& page : chosen) parts.push_back({page});
    }
  }
  std::vector<std::string> paths;
  for (size_t i = 0; i < parts.size(); ++i) {
    const std::string path = folder + "/part-" + std::to_string(made + i) + ".pdf";
    WritePages(parts[i], path);
    paths.push_back(path);
  }
  made += parts.size();
  return paths;
}

std::string SplitPartName(const std::string& stem, size_t index, const SplitMode& mode) {
  if (mode.unify && mode.kind == SplitMode::Kind::Pages) return stem + ".pdf";
  return stem + "_" + std::to_string(index) + ".pdf";
}

void FlattenPdf(const std::string& pdf) {
  const std::unique_ptr<QPDF> q = Open(pdf);
  try {
    QPDFAcroFormDocumentHelper(*q).generateAppearancesIfNeeded();
    QPDFPageDocumentHelper(*q).flattenAnnotations(0, an_invisible | an_hidden);
  } catch (const QPDFExc&) {
    throw PdfRefused("a PDF file's annotations cannot be flattened: it is damaged");
  }
  Replace(*q, pdf);
}

json ReadPdfMetadata(const std::string& pdf) {
  const std::unique_ptr<QPDF> q = Open(pdf);
  json metadata = json::object();
  QPDFObjectHandle info = q->getTrailer().getKey("/Info");
  if (info.isDictionary()) {
    for (const std::string& key : info.getKeys()) {
      QPDFObjectHandle value = info.getKey(key);
      std::string name = key.substr(1);
      std::string text;
      if (value.isString())
        text = value.getUTF8Value();
      else if (value.isName())
        text = value.getName().substr(1);
      else if (value.isScalar())
        text = value.unparse();
      else
        continue;  // a dictionary or a list: not document information
      if (name == "CreationDate") name = "CreateDate", text = ShownDate(text);
      if (name == "ModDate") name = "ModifyDate", text = ShownDate(text);
      metadata[name] = text;
    }
  }
  metadata["PDFVersion"] = q->getPDFVersion();
  metadata["PageCount"] = QPDFPageDocumentHelper(*q).getAllPages().size();
  return metadata;
}

std::optional<std::string> MetadataProblem(const json& metadata) {
  if (!metadata.is_object()) return "metadata must be a JSON object";
  if (metadata.size() > kMostMetadataKeys)
    return "metadata may have at most " + std::to_string(kMostMetadataKeys) + " entries";
  auto text = [](const json& v) { return v.is_string() && v.get<std::string>().size() <= kLongestMetadataText; };
  for (const auto& [key, value] : metadata.items()) {
    const std::string shown = "metadata entry " + key.substr(0, 64);
    if (std::find(TextKeys().begin(), TextKeys().end(), key) != TextKeys().end()) {
      if (!text(value)) return shown + " must be a text of at most " + std::to_string(kLongestMetadataText) + " bytes";
    } else if (key == "Keywords") {
      const bool list = value.is_array() && value.size() <= 64 &&
                        std::all_of(value.begin(), value.end(), [&](const json& k) { return text(k); });
      if (!text(value) && !list) return shown + " must be a text or a list of at most 64 texts";
    } else if (key == "CreationDate" || key == "ModDate") {
      if (!value.is_string() || !PdfDate(value.get<std::string>()))
        return shown + " must be a date such as 2024-01-02T03:04:05Z";
    } else if (key == "Trapped") {
      if (value != "True" && value != "False" && value != "Unknown") return shown + " must be True, False or Unknown";
    } else {
      return shown + " is not one this server writes (Author, Creator, CreationDate, Keywords, ModDate, Producer, " +
             "Subject, Title, Trapped)";
    }
  }
  return std::nullopt;
}

void WritePdfMetadata(const std::string& pdf, const json& metadata) {
  if (const auto problem = MetadataProblem(metadata)) throw PdfRefused(*problem);
  const std::unique_ptr<QPDF> q = Open(pdf);
  QPDFObjectHandle trailer = q->getTrailer();
  QPDFObjectHandle info = trailer.getKey("/Info");
  if (!info.isDictionary()) {
    info = q->makeIndirectObject(QPDFObjectHandle::newDictionary());
    trailer.replaceKey("/Info", info);
  }
  for (const auto& [key, value] : metadata.items()) {
    QPDFObjectHandle entry;
    if (key == "Keywords" && value.is_array()) {
      std::string joined;
      for (const json& k : value) joined += (joined.empty() ? "" : ", ") + k.get<std::string>();
      entry = QPDFObjectHandle::newUnicodeString(joined);
    } else if (key == "CreationDate" || key == "ModDate") {
      entry = QPDFObjectHandle::newString(*PdfDate(value.get<std::string>()));
    } else if (key == "Trapped") {
      entry = QPDFObjectHandle::newName("/" + value.get<std::string>());
    } else {
      entry = QPDFObjectHandle::newUnicodeString(value.get<std::string>());
    }
    info.replaceKey("/" + key, entry);
  }
  Replace(*q, pdf);
}

void EncryptPdf(const std::string& pdf, const std::string& user, const std::string& owner) {
  const std::unique_ptr<QPDF> q = Open(pdf);
  const std::string& full = owner.empty() ? user : owner;
  Replace(*q, pdf, [&](QPDFWriter& writer) {
    writer.setR6EncryptionParameters(user.c_str(), full.c_str(), true, true, true, true, true, true, qpdf_r3p_full,
                                     true);
  });
}

void CheckPdf(const std::string& pdf) { Open(pdf); }

bool IsEncrypted(const std::string& pdf) {
  QPDF q;
  q.setSuppressWarnings(true);
  try {
    q.processFile(pdf.c_str());
  } catch (const QPDFExc& e) {
    if (e.getErrorCode() == qpdf_e_password) return true;
    throw;
  }
  return q.isEncrypted();
}

void SetPdfOutputCeiling(uint64_t bytes) { outputCeiling = bytes; }

void CountPdfOutput(const std::string& path, uint64_t before) {
  const uint64_t size = SizeOf(path);
  const uint64_t written = (outputWritten += size > before ? size - before : 0);
  if (outputCeiling != 0 && written > outputCeiling)
    throw PdfResultsTooLarge("the results of the PDF work are larger than the ceiling of " +
                             std::to_string(outputCeiling >> 20) + " MiB (--max-result)");
}

}  // namespace quillet::cli::serve
