// Every fuzz entry on its kept corpus (seeds, and each input that once broke
// an invariant) and on mutations of it, so that each build, the sanitizer
// builds above all, checks them without fuzzing time.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "FuzzTargets.h"

namespace quillet::fuzz {
namespace {

using Entry = int (*)(const uint8_t*, size_t);

std::vector<std::string> Corpus(const std::string& name) {
  std::vector<std::string> inputs;
  const std::filesystem::path dir = std::filesystem::path(QUILLET_FUZZ_CORPUS) / name;
  for (const auto& e : std::filesystem::directory_iterator(dir)) {
    std::ifstream in(e.path(), std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    inputs.push_back(s.str());
  }
  return inputs;
}

std::string Mutate(std::string s, std::mt19937& rng, const std::vector<std::string>& corpus) {
  const auto pick = [&](size_t n) { return n ? size_t(rng() % n) : 0; };
  static const char* const kTokens[] = {"<",
                                        ">",
                                        "\r\n",
                                        "\n",
                                        "\"/>",
                                        "<table",
                                        "</table",
                                        "<body",
                                        "onload",
                                        "o:File HRef=\"",
                                        ".htm",
                                        "sheet",
                                        "slide",
                                        "OPENFORMAT=",
                                        "MS Word",
                                        "No MS Word",
                                        "JPEGWIDTH=",
                                        "JPEGQUALITY=",
                                        "button#",
                                        "edit#",
                                        "=",
                                        "(",
                                        ")",
                                        "delay(1)",
                                        "-",
                                        "2147483648",
                                        "\xc3\xa9",
                                        "\xc0\xaf",
                                        "\xed\xa0\x80",
                                        "\xf4\x90\x80\x80",
                                        "\xf0\x9f\x98",
                                        std::string(1, '\0').c_str()};
  for (int k = 1 + int(pick(4)); k > 0; --k) {
    switch (pick(5)) {
      case 0:
        if (!s.empty()) s[pick(s.size())] = char(rng());
        break;
      case 1:
        if (!s.empty()) s.erase(pick(s.size()), 1 + pick(8));
        break;
      case 2: {
        const std::string t = kTokens[pick(std::size(kTokens))];
        s.insert(pick(s.size() + 1), t.empty() ? std::string(1, '\0') : t);
        break;
      }
      case 3: {
        const std::string& other = corpus[pick(corpus.size())];
        if (!other.empty()) s.insert(pick(s.size() + 1), other.substr(pick(other.size())));
        break;
      }
      default:
        if (!s.empty()) s = s.substr(0, pick(s.size() + 1));
    }
  }
  return s;
}

// Mutations: fewer for the entries that go through files on every input.
void Replay(const std::string& name, Entry entry, int mutations) {
  const std::vector<std::string> corpus = Corpus(name);
  ASSERT_FALSE(corpus.empty()) << name;
  for (const std::string& input : corpus) entry(reinterpret_cast<const uint8_t*>(input.data()), input.size());
  std::mt19937 rng(20261208);
  for (int i = 0; i < mutations; ++i) {
    const std::string input = Mutate(corpus[size_t(rng()) % corpus.size()], rng, corpus);
    entry(reinterpret_cast<const uint8_t*>(input.data()), input.size());
  }
}

TEST(FuzzReplay, DialogMacros) { Replay("macro", &Macro, 3000); }
TEST(FuzzReplay, OptionStrings) { Replay("options", &Options, 3000); }
TEST(FuzzReplay, ExtractBetween) { Replay("extract", &Extract, 3000); }
TEST(FuzzReplay, FileListsAndPageMerges) { Replay("htmlmerge", &HtmlMerge, 300); }
TEST(FuzzReplay, ReportLines) { Replay("reportline", &ReportLine, 300); }
TEST(FuzzReplay, Utf8Texts) { Replay("utf8", &Utf8, 3000); }
TEST(FuzzReplay, UploadNames) { Replay("uploadname", &UploadName, 3000); }

}  // namespace
}  // namespace quillet::fuzz
