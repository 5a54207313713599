#include <string>
#include <string_view>

#include "FuzzTargets.h"
#include "Names.h"
#include "platform/utf8.h"

namespace quillet::fuzz {

// What a name the service reads back to a client may never be, whatever the
// client sent: a path, a hidden file, text that is not UTF-8, a control
// character, longer than its bound, or something cleaning would change again.
int UploadName(const uint8_t* data, size_t size) {
  const std::string given(reinterpret_cast<const char*>(data), size);
  const std::string name = cli::serve::CleanName(given);
  FUZZ_CHECK(!name.empty());
  FUZZ_CHECK(name.size() <= cli::serve::kLongestName);
  FUZZ_CHECK(utf8::IsValid(name));
  FUZZ_CHECK(name.find_first_of("/\\") == std::string::npos);
  FUZZ_CHECK(name[0] != '.' && name[0] != ' ');
  for (const char c : name) FUZZ_CHECK(static_cast<unsigned char>(c) >= 0x20 && c != 0x7f);
  FUZZ_CHECK(cli::serve::CleanName(name) == name);
  // A document's extension survives the cut of a long name.
  if (given.find_first_of("/\\") == std::string::npos && given.size() > cli::serve::kLongestName &&
      utf8::IsValid(given) && std::string_view(given).ends_with(".docx") && given.find('\x7f') == std::string::npos)
    FUZZ_CHECK(std::string_view(name).ends_with(".docx"));
  return 0;
}

}  // namespace quillet::fuzz
