#include "ClientOptions.h"

#include <regex>
#include <stdexcept>
#include <vector>

#include "engine/options/Options.h"
#include "platform/utf8.h"

namespace quillet::cli::serve {

namespace {

bool Blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// The keywords of Text: runs of non-blanks, a quoted password value (with its
// doubled quotes) taken whole.
std::vector<std::string> Keywords(const std::string& text) {
  static const std::string kQuoted = std::string(options::kPassword) + "\"";
  std::vector<std::string> words;
  for (size_t i = 0; i < text.size();) {
    if (Blank(text[i])) {
      ++i;
      continue;
    }
    size_t end = i;
    if (text.compare(i, kQuoted.size(), kQuoted) == 0) {
      end = i + kQuoted.size();
      for (;; ++end) {
        if (end >= text.size()) throw std::invalid_argument("The value of PASSWORD= lacks its closing double quote");
        if (text[end] != '"') continue;
        if (end + 1 < text.size() && text[end + 1] == '"') {
          ++end;
          continue;
        }
        ++end;
        break;
      }
      if (end < text.size() && !Blank(text[end]))
        throw std::invalid_argument("a blank must follow the quoted value of PASSWORD=");
    } else {
      while (end < text.size() && !Blank(text[end])) ++end;
    }
    words.push_back(text.substr(i, end - i));
    i = end;
  }
  return words;
}

const std::regex& Offered() {
  static const std::regex kOffered(
      "PDFA(=[123])?"
      "|PAGES=[1-9][0-9]{0,4}(-[1-9][0-9]{0,4})?"
      "|orientation:=[12]"
      "|(JPEG|GIF)(WIDTH|HEIGHT)=-?[0-9]{1,6}"
      "|JPEGQUALITY=[0-9]{1,3}"
      "|(JPEG|GIF)KEEPASPECT(=[01])?");
  return kOffered;
}

}  // namespace

std::string ClientOption(const std::string& text) {
  std::string rebuilt;
  for (const std::string& word : Keywords(text)) {
    std::string keyword = word;
    if (word.rfind(options::kPassword, 0) == 0) {
      // Read back as the library reads it, and written as it writes it.
      try {
        keyword = options::QuotePasswordKeyword(options::Password(word).value_or(""));
      } catch (const std::exception& e) {
        throw std::invalid_argument(e.what());
      }
    } else if (word.rfind(options::kTimeout, 0) == 0) {
      throw std::invalid_argument("give the deadline in the field timeout, not in the option text");
    } else if (!std::regex_match(word, Offered())) {
      throw std::invalid_argument("the option keyword " + utf8::Shown(word, 48) +
                                  " is not one this server takes (PDFA, PAGES=, PASSWORD=, orientation:=, "
                                  "JPEG and GIF picture settings)");
    }
    rebuilt += (rebuilt.empty() ? "" : " ") + keyword;
  }
  return rebuilt;
}

}  // namespace quillet::cli::serve
