#include "Uploads.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <stdexcept>

#include "Edge.h"
#include "FormatNames.h"
#include "Names.h"
#include "platform/unique_fd.h"

namespace quillet::cli::serve {

namespace fs = std::filesystem;

RequestFolder::RequestFolder(const std::string& base) : path_(base + "/request-XXXXXX") {
  if (!::mkdtemp(path_.data())) throw std::runtime_error("no request folder can be made");
}

RequestFolder::~RequestFolder() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

std::string Form::Field(const std::string& name) const {
  const auto at = fields.find(name);
  return at == fields.end() ? std::string() : at->second;
}

std::string AcceptedExtensions() {
  std::string all;
  for (const std::string& e : DocumentExtensions()) all += (all.empty() ? "" : " ") + e;
  return all;
}

namespace {

// The part being read: a field's value, or a file's descriptor.
class Part {
 public:
  void Field(std::string name) {
    fd_.reset();
    field_ = std::move(name);
    value_.clear();
  }
  void File(os::UniqueFd fd) { fd_ = std::move(fd); }
  bool file() const { return static_cast<bool>(fd_); }
  const std::string& name() const { return field_; }
  std::string& value() { return value_; }
  bool Write(const char* data, size_t n) {
    while (n > 0) {
      const ssize_t w = ::write(fd_.get(), data, n);
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) return false;
      data += w;
      n -= static_cast<size_t>(w);
    }
    return true;
  }
  // Ends the part; false when a file could not be written whole.
  bool Close() { return os::Close(fd_); }

 private:
  os::UniqueFd fd_;
  std::string field_, value_;
};

}  // namespace

FormRefusal ReadForm(const httplib::ContentReader& reader, const RequestFolder& folder, const FormLimits& limits,
                     Form& form) {
  FormRefusal refusal;
  auto refuse = [&](int status, std::string error) {
    if (refusal.status == 0) refusal = {status, std::move(error)};
    return false;
  };
  Part part;
  bool pending = false;  // a field part whose value is still coming
  uint64_t bytes = 0;
  auto endField = [&] {
    if (pending) form.fields.emplace(part.name(), std::move(part.value()));
    pending = false;
  };
  const bool read = reader(
      [&](const httplib::MultipartFormData& header) {
        endField();
        if (!part.Close()) return refuse(500, "an upload cannot be stored");
        if (header.filename.empty()) {
          if (form.fields.size() >= limits.fields)
            return refuse(413, "the request has more than " + std::to_string(limits.fields) + " fields");
          part.Field(header.name);
          pending = true;
          return true;
        }
        if (form.files.size() >= limits.files)
          return refuse(413, "the request has more than " + std::to_string(limits.files) + " files");
        Upload upload;
        upload.field = header.name;
        upload.name = CleanName(header.filename);
        upload.extension = ExtensionOf(upload.name);
        if (limits.pdfs && upload.extension != ".pdf")
          return refuse(400, upload.name + ": the route takes PDF files (named .pdf)");
        if (!limits.pdfs && !IsDocument(upload.name))
          return refuse(400, upload.name + ": the server converts documents named " + AcceptedExtensions());
        upload.folder = folder.path() + "/" + std::to_string(form.files.size());
        std::error_code ec;
        fs::create_directories(upload.folder + "/in", ec);
        fs::create_directories(upload.folder + "/out", ec);
        os::UniqueFd fd(
            ec ? -1 : ::open(upload.source().c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (!fd) return refuse(500, "an upload cannot be stored");
        part.File(std::move(fd));
        form.files.push_back(std::move(upload));
        return true;
      },
      [&](const char* data, size_t n) {
        bytes += n;
        if (bytes > limits.bytes)
          return refuse(413, "the request is larger than " + std::to_string(limits.bytes) + " bytes");
        if (!part.file()) {
          if (part.value().size() + n > limits.fieldBytes)
            return refuse(413, "the field " + CleanName(part.name()) + " is longer than " +
                                   std::to_string(limits.fieldBytes) + " bytes");
          part.value().append(data, n);
          return true;
        }
        if (!part.Write(data, n)) return refuse(500, "an upload cannot be stored");
        form.files.back().bytes += n;
        return true;
      });
  endField();
  if (!part.Close() && refusal.status == 0) refuse(500, "an upload cannot be stored");
  if (refusal.status != 0) return refusal;
  if (!read) {
    const Connection* c = CurrentConnection();
    if (c && c->pastDeadline()) return {408, "the request was not sent in time"};
    if (c && c->pastSize()) return {413, "the request is larger than " + std::to_string(limits.bytes) + " bytes"};
    return {400, "the body is not a well-formed multipart/form-data body"};
  }
  return refusal;
}

}  // namespace quillet::cli::serve
