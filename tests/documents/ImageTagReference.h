// The image-tag removal done the slow, obvious way: the tokenizer steps from
// tag to tag and deletes each image tag from its text in place. The one-pass
// StripImageTags must give exactly the same text; the tests and the benchmark
// hold it against this.
#pragma once

#include <string>

#include "HTMLParser/HTMLParser.h"
#include "utilities/Strings.h"

namespace quillet::test {

inline std::string StripImageTagsByParser(const std::string& text) {
  THtmlParser parser;
  parser.SetText(text);
  while (parser.NextTag()) {
    const std::string name = Trim(LowerCase(parser.CurrentTag()->UpperName()));
    if (name == "img" || name == "v:imagedata") parser.RemoveTag();
  }
  return parser.Text();
}

}  // namespace quillet::test
