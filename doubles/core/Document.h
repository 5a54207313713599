// What a Word document, an Excel workbook and a PowerPoint presentation have in
// common: Name, FullName, BuiltInDocumentProperties(Index).Value, SaveAs (one
// line naming the source and the format, unless the kind of document writes
// something else) and Close, after which the object answers nothing more.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "DispObject.h"

namespace quillet::doubles {

struct DocumentShape {
  std::string prefix;                     // "Word.Document": the object is <prefix>(<file name>)
  std::vector<std::string> closeParams;   // Close
  std::vector<std::string> saveAsParams;  // SaveAs; FileName first, FileFormat second
};

class Document : public DispObject {
 public:
  Document(std::shared_ptr<Session> session, const DocumentShape& shape, const std::string& path);

 protected:
  const std::string& path() const { return path_; }
  // The value of the built-in property Index, compared without regard to case;
  // "Title" starts as the script's title, every other one empty.
  std::shared_ptr<std::string> BuiltInProperty(const std::string& index);

  // Writes what SaveAs produces for Format at Dest (raising Error when it
  // cannot). The default: Dest holds the line SavedLine(Format) and a line end.
  virtual void Save(const CallArgs& args, const std::string& dest, int32_t format);
  // "<App> saved <source path> as format <Format>".
  std::string SavedLine(int32_t format) const;
  // What ExportAsFixedFormat writes at Dest: "<App> exported <source path>
  // as PDF", then " pages <Pages>" when a range was asked for and " PDF/A-1b"
  // with PdfA, and a line end.
  void WriteExport(const std::string& dest, const std::string& pages, bool pdfA) const;

 private:
  std::string path_;
  std::map<std::string, std::shared_ptr<std::string>> properties_;  // lower-case index -> value
};

}  // namespace quillet::doubles
