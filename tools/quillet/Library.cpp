#include "Library.h"

#include <chrono>
#include <vector>

#include "quillet/quillet.h"

namespace quillet::cli {

Outcome Convert(const Request& r) {
  // Error texts carry paths and the applications' own messages.
  static std::vector<char> error(1 << 20);
  error[0] = 0;
  const auto start = std::chrono::steady_clock::now();
  const bool ok =
      ConvertSingleFile(r.source.c_str(), r.destination.c_str(), r.format.c_str(), r.option.c_str(), error.data()) != 0;
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
  Outcome outcome{ok, error.data(), static_cast<long>(ms.count()), Failure::None};
  if (ok) return outcome;
  if (outcome.error.empty()) outcome.error = "the conversion failed without a reason";
  // (Of this thread's last call: asked before any other call of the library.)
  outcome.code = GetField("errorcode").value;
  outcome.failure = FailureOfCode(outcome.code);
  return outcome;
}

Failure FailureOfCode(const std::string& code) {
  if (code == QUILLET_ERROR_DEADLINE) return Failure::Deadline;
  if (code == QUILLET_ERROR_APPLICATIONENDED) return Failure::OfficeEnded;
  return Failure::Document;
}

Field GetField(const std::string& name) {
  std::vector<char> error(1 << 16);
  error[0] = 0;
  const int32_t length = GetFieldValue(name.c_str(), "", nullptr, 0, error.data());
  std::string value(static_cast<size_t>(length > 0 ? length : 0) + 1, '\0');
  if (length > 0) GetFieldValue(name.c_str(), "", value.data(), length, error.data());
  value.resize(static_cast<size_t>(length > 0 ? length : 0));
  return {value, error.data()};
}

}  // namespace quillet::cli
