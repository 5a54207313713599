// The token a server may require: clients send it as "Authorization: Bearer
// <token>" on every route but /health, which then shows no process ids or
// error texts to those without it.
//
// Thread-safety: const after it is made; any thread may check a request.
#pragma once

#include <string>

namespace quillet::cli::serve {

class Token {
 public:
  // None: every request is admitted.
  Token() = default;
  explicit Token(const std::string& token);
  // The first line of File, without the blanks at its end. Raises
  // std::invalid_argument when the file cannot be read or holds no token.
  static Token FromFile(const std::string& file);

  bool required() const { return !wanted_.empty(); }
  // Whether Authorization (the header's value) carries the token; true for
  // every value when none is required. Its time does not tell how much of
  // the value matched.
  bool Admits(const std::string& authorization) const;

 private:
  std::string wanted_;  // the whole header value: "Bearer <token>"
};

}  // namespace quillet::cli::serve
