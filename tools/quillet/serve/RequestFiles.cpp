#include "RequestFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "AccessLog.h"
#include "Edge.h"
#include "Output.h"
#include "Server.h"
#include "platform/unique_fd.h"

namespace quillet::cli::serve {

std::string Clean(std::string text, const std::vector<std::pair<std::string, std::string>>& paths) {
  for (const auto& [path, shown] : paths)
    for (size_t at = 0; !path.empty() && (at = text.find(path, at)) != std::string::npos; at += shown.size())
      text.replace(at, path.size(), shown);
  return text;
}

std::string WithoutBase(const std::string& text, const std::string& base) {
  return Clean(text, {{base + "/", ""}, {base, ""}});
}

std::string ClientText(const std::string& text, const Upload& upload, const std::string& inside,
                       const std::string& base) {
  // The library names the files as the worker saw them.
  const std::string source = upload.source().substr(upload.folder.size());  // "/in/source.ext"
  return Clean(text, {{inside + source, upload.name},
                      {upload.source(), upload.name},
                      {inside + "/out/", ""},
                      {inside + "/", ""},
                      {upload.results() + "/", ""},
                      {upload.folder + "/", ""},
                      {base + "/", ""},
                      {base, ""}});
}

bool ReadInto(const httplib::ContentReader& reader, const RequestFolder& folder, const FormLimits& limits, Form& form,
              httplib::Response& res) {
  const FormRefusal refusal = ReadForm(reader, folder, limits, form);
  if (refusal.status == 0) return true;
  if (Connection* c = CurrentConnection()) c->CloseAfterAnswer();
  Fail(res, refusal.status, refusal.error);
  return false;
}

void SendFile(httplib::Response& res, const std::shared_ptr<RequestFolder>& folder, const std::string& path,
              const std::string& name) {
  auto file = std::make_shared<os::UniqueFd>(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
  struct stat st {};
  if (!*file || ::fstat(file->get(), &st) != 0 || !S_ISREG(st.st_mode))
    return Fail(res, 500, "the result cannot be read");
  const size_t size = static_cast<size_t>(st.st_size);
  res.status = 200;
  res.set_content_provider(
      size, ContentTypeOf(name), [file, folder](size_t offset, size_t length, httplib::DataSink& sink) {
        char chunk[65536];
        const ssize_t n = ::pread(file->get(), chunk, std::min(length, sizeof chunk), static_cast<off_t>(offset));
        return n > 0 && sink.write(chunk, static_cast<size_t>(n));
      });
  res.set_header("Content-Disposition", AttachmentOf(name));
  CurrentNote().bytesOut = size;
}

}  // namespace quillet::cli::serve
