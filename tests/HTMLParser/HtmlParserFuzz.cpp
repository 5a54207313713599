// libFuzzer target for the tag tokenizer: walks arbitrary text, removing or
// editing tags as the input's own bytes decide, and checks what every step
// hands out against the text it came from.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "HTMLParser/HTMLParser.h"

namespace {

void Fail(const char* what, int line) {
  std::fprintf(stderr, "check failed at line %d: %s\n", line, what);
  std::abort();
}
#define CHECK(cond) ((cond) ? void() : Fail(#cond, __LINE__))

bool Trimmed(const std::string& s) {
  return !s.empty() && static_cast<unsigned char>(s.front()) > ' ' && static_cast<unsigned char>(s.back()) > ' ';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using quillet::THtmlParser;
  const std::string text(reinterpret_cast<const char*>(data), size);
  THtmlParser p;
  p.SetText(text);

  // Each step either keeps its tag (the position moves on) or removes it (the
  // text shrinks by at least "<>"), so the walk is bounded by the text.
  const size_t limit = 2 * text.size() + 2;
  size_t steps = 0, choice = 0;
  while (p.NextTag()) {
    CHECK(++steps <= limit);
    const std::string& t = p.Text();
    const size_t start = static_cast<size_t>(p.TagStart() - 1), length = static_cast<size_t>(p.TagLength());
    CHECK(p.TagStart() >= 1 && length >= 2 && start + length <= t.size());
    CHECK(t[start] == '<' && t[start + length - 1] == '>');
    CHECK(t.find('>', start) == start + length - 1);
    CHECK(p.TextStart() >= 1);
    CHECK(t.compare(static_cast<size_t>(p.TextStart() - 1), p.TextBetween().size(), p.TextBetween()) == 0);

    quillet::TTag* tag = p.CurrentTag();
    CHECK(tag != nullptr && tag->Name.find(' ') == std::string::npos);
    for (const std::string& param : tag->Params) CHECK(Trimmed(param));

    switch (data[choice++ % size] % 4) {
      case 0:
        p.RemoveTag();
        CHECK(p.CurrentTag() == nullptr);
        break;
      case 1:
        tag->Params.Add("k='v w'");
        CHECK(p.Text().substr(start, static_cast<size_t>(p.TagLength())) == "<" + tag->AsString() + ">");
        break;
      case 2:
        if (tag->Params.Count() == 0) break;
        tag->Params.Delete(0);
        CHECK(p.Text().substr(start, static_cast<size_t>(p.TagLength())) == "<" + tag->AsString() + ">");
        break;
      default:
        break;
    }
  }
  CHECK(p.CurrentTag() == nullptr);
  return 0;
}
