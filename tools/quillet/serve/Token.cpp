#include "Token.h"

#include <cctype>
#include <fstream>
#include <stdexcept>

namespace quillet::cli::serve {

Token::Token(const std::string& token) : wanted_(token.empty() ? "" : "Bearer " + token) {}

Token Token::FromFile(const std::string& file) {
  std::ifstream in(file);
  if (!in) throw std::invalid_argument("--auth-token-file: cannot read " + file);
  std::string token;
  std::getline(in, token);
  while (!token.empty() && std::isspace(static_cast<unsigned char>(token.back()))) token.pop_back();
  if (token.empty()) throw std::invalid_argument("--auth-token-file: the file holds no token");
  return Token(token);
}

bool Token::Admits(const std::string& authorization) const {
  if (wanted_.empty()) return true;
  unsigned char differ = authorization.size() != wanted_.size();
  for (size_t i = 0; i < wanted_.size(); ++i)
    differ |= static_cast<unsigned char>(wanted_[i] ^ (i < authorization.size() ? authorization[i] : 0));
  return differ == 0;
}

}  // namespace quillet::cli::serve
