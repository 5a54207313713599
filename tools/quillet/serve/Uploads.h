// What a request sends, taken off the wire: the folder of one request, and
// its multipart body read into it. Files are written to disk as they arrive,
// under names the server makes, each in a folder of its own; the client's file
// name is kept, cleaned, only to name the results. Fields are held in memory,
// each and all of them bounded.
//
// Thread-safety: a request folder and a form belong to the handler of their
// request (and, while a worker converts one of its files, to the pool).
#pragma once

#include <httplib.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace quillet::cli::serve {

// A private folder (0700) for one request, removed with everything in it.
class RequestFolder {
 public:
  // Makes it in Base. Raises std::runtime_error.
  explicit RequestFolder(const std::string& base);
  ~RequestFolder();
  RequestFolder(const RequestFolder&) = delete;
  RequestFolder& operator=(const RequestFolder&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// One uploaded file. It lies at Folder/in/source<extension>, and its results
// go to Folder/out/ (both made with it).
struct Upload {
  std::string field;      // the form field it came in
  std::string name;       // the client's file name, cleaned (CleanName)
  std::string extension;  // one the server converts, lower case with its dot
  std::string folder;     // inside the request folder
  uint64_t bytes = 0;
  std::string source() const { return folder + "/in/source" + extension; }
  std::string results() const { return folder + "/out"; }
};

struct Form {
  std::multimap<std::string, std::string> fields;
  std::vector<Upload> files;
  // The first value of a field; empty when it was not sent.
  std::string Field(const std::string& name) const;
  size_t Count(const std::string& name) const { return fields.count(name); }
};

struct FormLimits {
  uint64_t bytes = 100u << 20;  // the body's content, after any transfer or content coding
  size_t files = 32;
  size_t fields = 64;
  size_t fieldBytes = 64u << 10;  // one field's value
  bool pdfs = false;              // the files taken: PDF files, not the documents the server converts
};

// Why a form could not be read, as the client is told.
struct FormRefusal {
  int status = 0;  // 0: read whole
  std::string error;
};

// Reads the multipart body through Reader into Folder. The reading stops at
// the first refusal: a file whose extension is not one the server converts,
// or not .pdf when Limits take PDF files (400), one file or field too many or a field too long (413), more content
// than Limits allow (413), a body that is not well formed or ends early (400),
// a read past the request's deadline (408), a file that cannot be stored (500).
FormRefusal ReadForm(const httplib::ContentReader& reader, const RequestFolder& folder, const FormLimits& limits,
                     Form& form);

// The extensions of the documents the server converts, for its refusals.
std::string AcceptedExtensions();

}  // namespace quillet::cli::serve
