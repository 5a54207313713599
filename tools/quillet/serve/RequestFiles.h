// A request's folder as the routes use it (Uploads.h makes it and reads the
// form into it): the form's refusal answered, a result sent from it as it is
// read from disk, and the texts about its files cleaned of the server's
// paths, so that a client reads neither the server's folders nor the names
// the server gave its files.
//
// Thread-safety: as the request folder, its request's handler's own.
#pragma once

#include <httplib.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "Uploads.h"

namespace quillet::cli::serve {

// Text with each of Paths in turn replaced by what stands beside it.
std::string Clean(std::string text, const std::vector<std::pair<std::string, std::string>>& paths);
// Text without the server's private folder Base.
std::string WithoutBase(const std::string& text, const std::string& base);
// The worker's text about a conversion of Upload as its client reads it: the
// upload by the client's name, the other files by their names in the
// request's folder. Inside: where the worker saw the upload's folder.
std::string ClientText(const std::string& text, const Upload& upload, const std::string& inside,
                       const std::string& base);

// Reads the form into Folder; false when it was refused, with the refusal
// answered and the connection closed after it (its body was not read whole).
bool ReadInto(const httplib::ContentReader& reader, const RequestFolder& folder, const FormLimits& limits, Form& form,
              httplib::Response& res);

// Answers with the file Path of Folder, named Name for the client, read from
// disk as it goes out; the folder lives until the answer has been written.
void SendFile(httplib::Response& res, const std::shared_ptr<RequestFolder>& folder, const std::string& path,
              const std::string& name);

}  // namespace quillet::cli::serve
