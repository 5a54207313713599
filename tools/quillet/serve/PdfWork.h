// What is done to a finished PDF, by libqpdf: split, flatten, metadata read
// and written, encryption. The compatible route does it to the PDF files its
// workers wrote; the PDF-engines routes to the clients' own. The server calls
// none of it itself: its child of the PDF work does (PdfJob.h).
//
// A client's PDF is hostile: each operation reads it with qpdf's recovery,
// without its warnings on the server's output, and refuses a document of more
// pages than kMostPages; a split makes at most kMostParts files of a request.
// Each raises PdfRefused (the client's fault: 400) or std::runtime_error.
//
// Thread-safety: none shared; each call works on its own files.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

namespace quillet::cli::serve {

inline constexpr int kMostPages = 20000;
inline constexpr size_t kMostParts = 1000;
// A metadata field's ceilings: its entries and the length of each text.
inline constexpr size_t kMostMetadataKeys = 16;
inline constexpr size_t kLongestMetadataText = 4096;

// A PDF the server cannot take, as the client is told (400).
class PdfRefused : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Pages by number from 1; Last 0 for "to the end".
struct PageSpan {
  int first = 1;
  int last = 0;
};
// A list of pages and ranges, "1-3,5,7-" (blanks anywhere): nothing when it is
// not one, or has more than 100 entries, or a range that runs backwards.
std::optional<std::vector<PageSpan>> PageSpans(const std::string& text);

// How a PDF is split: into parts of Interval pages, or the pages of Spans
// (one part per page, or one part of them all when Unify).
struct SplitMode {
  enum class Kind { Intervals, Pages } kind = Kind::Intervals;
  int interval = 1;
  std::vector<PageSpan> spans;
  bool unify = false;
};

// Writes the parts of Pdf into Folder under names of the server's, and returns
// their paths in order. Made counts the parts this request made before; the
// split is refused when it would pass kMostParts.
std::vector<std::string> SplitPdf(const std::string& pdf, const SplitMode& mode, const std::string& folder,
                                  size_t& made);
// The name a client reads for part Index of a split of the file it named
// Stem: Stem_0.pdf, Stem_1.pdf, ..., or Stem.pdf when the pages are unified.
std::string SplitPartName(const std::string& stem, size_t index, const SplitMode& mode);

// Merges annotation appearances, form fields' included, into the pages'
// content (the annotations go), in place.
void FlattenPdf(const std::string& pdf);

// The document information of Pdf as the PDF-engines route answers it: each
// entry of its Info dictionary by name (texts as UTF-8), with PDFVersion and
// PageCount.
nlohmann::json ReadPdfMetadata(const std::string& pdf);
// The reason Metadata cannot be written, naming the entry; nothing when it can.
// Taken: an object of at most kMostMetadataKeys of Author, Creator, Keywords (a
// text or a list of texts), Producer, Subject, Title, CreationDate and ModDate
// (RFC 3339 or a PDF date), Trapped (True, False, Unknown).
std::optional<std::string> MetadataProblem(const nlohmann::json& metadata);
// Writes Metadata (checked by MetadataProblem) into Pdf's Info dictionary, in place.
void WritePdfMetadata(const std::string& pdf, const nlohmann::json& metadata);

// Encrypts Pdf in place with AES-256: User opens it; Owner (User when empty)
// has every right.
void EncryptPdf(const std::string& pdf, const std::string& user, const std::string& owner);

// Raises PdfRefused unless Pdf is a PDF file qpdf reads, without a password,
// of at most kMostPages pages: every client's PDF is checked before any work,
// so that none goes back unread.
void CheckPdf(const std::string& pdf);

// The bytes the PDF work of this process may add to the disk in all (a
// split's parts, a merge, a file written again larger); 0 (the default)
// counts nothing. The child of a request's PDF work sets it once; a write
// that passes it raises PdfResultsTooLarge, and the work ends.
class PdfResultsTooLarge : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};
void SetPdfOutputCeiling(uint64_t bytes);
// Counts the file just written at Path, which had Before bytes before
// (0 for a new file), against the ceiling.
void CountPdfOutput(const std::string& path, uint64_t before = 0);

// Whether Pdf is encrypted (for checks and tests).
bool IsEncrypted(const std::string& pdf);

}  // namespace quillet::cli::serve
