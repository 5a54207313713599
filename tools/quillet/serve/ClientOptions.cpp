#include "ClientOptions.h"

#include <optional>
#include <regex>
#include <stdexcept>
#include <vector>

#include "engine/options/Options.h"
#include "platform/utf8.h"

namespace quillet::cli::serve {

namespace {

bool Blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// The runs of non-blanks of Text.
std::vector<std::string> Words(const std::string& text) {
  std::vector<std::string> words;
  for (size_t i = 0; i < text.size();) {
    if (Blank(text[i])) {
      ++i;
      continue;
    }
    size_t end = i;
    while (end < text.size() && !Blank(text[end])) ++end;
    words.push_back(text.substr(i, end - i));
    i = end;
  }
  return words;
}

const std::regex& Offered() {
  static const std::regex kOffered(
      "PDFA(=[123])?"
      "|PAGES=[1-9][0-9]{0,4}(-[1-9][0-9]{0,4})?"
      // A quoted list without blanks: at most 100 pages and ranges.
      "|PAGES=\"[1-9][0-9]{0,4}(-[1-9][0-9]{0,4})?(,[1-9][0-9]{0,4}(-[1-9][0-9]{0,4})?){0,99}\""
      "|orientation:=[12]"
      "|(JPEG|GIF)(WIDTH|HEIGHT)=-?[0-9]{1,6}"
      "|JPEGQUALITY=[0-9]{1,3}"
      "|(JPEG|GIF)KEEPASPECT(=[01])?"
      "|STRICTFONTS");
  return kOffered;
}

}  // namespace

std::string ClientOption(const std::string& text) {
  // The password is read, and taken out of the text, by the library's own
  // reader: keywords spelt inside it are not keywords, and it is written
  // back as the library writes it.
  std::optional<std::string> password;
  std::string rest;
  try {
    password = options::Password(text);
    rest = options::WithoutPassword(text);
  } catch (const std::exception& e) {
    throw std::invalid_argument(e.what());
  }
  const size_t at = text.find(options::kPassword);
  const bool quoted =
      password && at + options::kPassword.size() < text.size() && text[at + options::kPassword.size()] == '"';
  bool passwordSeen = false;
  std::string rebuilt;
  for (const std::string& word : Words(rest)) {
    std::string keyword = word;
    if (word.rfind(options::kPassword, 0) == 0) {
      // What is left of the keyword is the keyword alone, unless something
      // was glued to its closing quote, or the text names a second one.
      if (!passwordSeen && quoted && word.size() != options::kPassword.size())
        throw std::invalid_argument("a blank must follow the quoted value of PASSWORD=");
      if (passwordSeen || word.size() != options::kPassword.size())
        throw std::invalid_argument("PASSWORD= may be given once");
      passwordSeen = true;
      keyword = options::QuotePasswordKeyword(password.value_or(""));
    } else if (word.rfind(options::kTimeout, 0) == 0) {
      throw std::invalid_argument("give the deadline in the field timeout, not in the option text");
    } else if (word.rfind(options::kPdfExportPrefix, 0) == 0 && word.find('=') != std::string::npos) {
      // An export option: a name of the library's table and a value it takes,
      // read by its own reader; nothing else may be glued to it.
      try {
        const options::PdfExportOptions read = options::PdfExport(word);
        if (read.Keywords() != word) throw std::invalid_argument("");
      } catch (const std::exception&) {
        throw std::invalid_argument("the option keyword " + utf8::Shown(word, 48) +
                                    " is not a PDF export option this server takes (PDF.<Name>=true|false, "
                                    "PDF.Quality=1-100, PDF.MaxImageResolution=75|150|300|600|1200)");
      }
    } else if (!std::regex_match(word, Offered())) {
      throw std::invalid_argument("the option keyword " + utf8::Shown(word, 48) +
                                  " is not one this server takes (PDFA, PAGES=, PASSWORD=, PDF.<Name>=, "
                                  "orientation:=, STRICTFONTS, JPEG and GIF picture settings)");
    }
    rebuilt += (rebuilt.empty() ? "" : " ") + keyword;
  }
  return rebuilt;
}

}  // namespace quillet::cli::serve
