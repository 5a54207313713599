#include "Output.h"

#include <zip.h>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <memory>
#include <regex>
#include <stdexcept>

#include "FormatNames.h"
#include "PdfWork.h"

namespace quillet::cli::serve {

namespace fs = std::filesystem;

std::string ContentTypeOf(const std::string& name) {
  static const std::pair<const char*, const char*> kTypes[] = {
      {".pdf", "application/pdf"},
      {".txt", "text/plain"},
      {".csv", "text/csv"},
      {".html", "text/html"},
      {".htm", "text/html"},
      {".rtf", "application/rtf"},
      {".doc", "application/msword"},
      {".docx", "application/vnd.openxmlformats-officedocument.wordprocessingml.document"},
      {".xls", "application/vnd.ms-excel"},
      {".xlsx", "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet"},
      {".ppt", "application/vnd.ms-powerpoint"},
      {".pptx", "application/vnd.openxmlformats-officedocument.presentationml.presentation"},
      {".odt", "application/vnd.oasis.opendocument.text"},
      {".ods", "application/vnd.oasis.opendocument.spreadsheet"},
      {".odp", "application/vnd.oasis.opendocument.presentation"},
      {".jpg", "image/jpeg"},
      {".gif", "image/gif"},
      {".png", "image/png"},
      {".zip", "application/zip"},
  };
  const std::string extension = ExtensionOf(name);
  for (const auto& [ext, type] : kTypes)
    if (extension == ext) return type;
  return "application/octet-stream";
}

std::string AttachmentOf(const std::string& name) {
  std::string plain, encoded;
  for (const unsigned char c : name) {
    plain.push_back(c < 0x20 || c >= 0x7f || c == '"' || c == '\\' ? '_' : static_cast<char>(c));
    if (std::isalnum(c) || std::string_view("-._~").find(static_cast<char>(c)) != std::string_view::npos) {
      encoded.push_back(static_cast<char>(c));
    } else {
      static const char* kHex = "0123456789ABCDEF";
      encoded += {'%', kHex[c >> 4], kHex[c & 15]};
    }
  }
  return "attachment; filename=\"" + plain + "\"; filename*=UTF-8''" + encoded;
}

namespace {

struct ZipCloser {
  void operator()(zip_t* z) const { zip_discard(z); }
};

}  // namespace

void ZipFiles(const std::vector<std::pair<std::string, std::string>>& files, const std::string& archive) {
  int error = 0;
  std::unique_ptr<zip_t, ZipCloser> zip(zip_open(archive.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error));
  if (!zip) throw std::runtime_error("the zip archive cannot be made");
  for (const auto& [path, name] : files) {
    zip_source_t* source = zip_source_file(zip.get(), path.c_str(), 0, -1);
    if (!source) throw std::runtime_error("a result cannot be put into the zip archive");
    if (zip_file_add(zip.get(), name.c_str(), source, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE) < 0) {
      zip_source_free(source);
      throw std::runtime_error("a result cannot be put into the zip archive");
    }
  }
  if (zip_close(zip.get()) != 0) throw std::runtime_error("the zip archive cannot be written");
  (void)zip.release();
}

std::vector<std::pair<std::string, std::string>> ResultsIn(const std::string& folder) {
  std::vector<std::pair<std::string, std::string>> files;
  std::error_code ec;
  for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code typeError;
    if (it->symlink_status(typeError).type() == fs::file_type::regular)
      files.emplace_back(it->path().string(), fs::relative(it->path(), folder).generic_string());
  }
  std::sort(files.begin(), files.end(), [](const auto& a, const auto& b) { return a.second < b.second; });
  return files;
}

void MergePdfs(const std::vector<std::string>& pdfs, const std::string& merged, bool archival) {
  try {
    std::vector<std::unique_ptr<QPDF>> sources;  // their pages are copied at the write
    QPDF out;
    out.emptyPDF();
    QPDFPageDocumentHelper pages(out);
    for (const std::string& pdf : pdfs) {
      sources.push_back(std::make_unique<QPDF>());
      sources.back()->processFile(pdf.c_str());
      for (QPDFPageObjectHelper& page : QPDFPageDocumentHelper(*sources.back()).getAllPages())
        pages.addPage(page, false);
    }
    if (archival && !sources.empty())
      for (const char* key : {"/Metadata", "/OutputIntents"})
        if (QPDFObjectHandle value = sources.front()->getRoot().getKey(key); !value.isNull()) {
          // (qpdf copies only indirect objects between documents; the intents are often direct.)
          if (!value.isIndirect()) value = sources.front()->makeIndirectObject(value);
          out.getRoot().replaceKey(key, out.copyForeignObject(value));
        }
    QPDFWriter writer(out, merged.c_str());
    writer.write();
  } catch (const std::exception& e) {
    throw std::runtime_error(std::string("the PDF files cannot be merged: ") + e.what());
  }
  CountPdfOutput(merged);
}

int PageCount(const std::string& pdf) {
  QPDF q;
  q.processFile(pdf.c_str());
  return static_cast<int>(QPDFPageDocumentHelper(q).getAllPages().size());
}

std::optional<std::string> PageRange(const std::string& text) {
  static const std::regex kRange(R"(\s*([1-9][0-9]{0,5})\s*(?:-\s*([1-9][0-9]{0,5})\s*)?)");
  std::smatch m;
  if (!std::regex_match(text, m, kRange)) return std::nullopt;
  if (!m[2].matched) return m[1].str();
  if (std::stoi(m[2].str()) < std::stoi(m[1].str())) return std::nullopt;
  return m[1].str() + "-" + m[2].str();
}

}  // namespace quillet::cli::serve
