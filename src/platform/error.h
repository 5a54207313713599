// The one exception type of the library: every failure inside is raised as an
// Error carrying its message text, and each layer that can go on catches it and
// keeps the text as an error text.
#pragma once

#include <stdexcept>
#include <string>

namespace quillet {

class Error : public std::runtime_error {
 public:
  explicit Error(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace quillet
