// quillet formats and quillet field NAME.
#include <cstdio>
#include <string>

#include "Commands.h"
#include "FormatNames.h"
#include "Library.h"

namespace quillet::cli {

namespace {

std::string Number(const std::optional<int>& n) { return n ? std::to_string(*n) : "-"; }

std::string Names(const char* names) {
  std::string text = names;
  for (char& c : text)
    if (c == '|') c = ',';
  return text;
}

}  // namespace

int RunFormats(bool library) {
  std::printf("%-10s %-9s %6s %6s %10s  %s\n", "name", "extension", "Word", "Excel", "PowerPoint", "what");
  for (const FormatName& f : FormatNames())
    std::printf("%-10s %-9s %6s %6s %10s  %s\n", Names(f.names).c_str(), f.extension, Number(f.word).c_str(),
                Number(f.excel).c_str(), Number(f.powerpoint).c_str(), f.description);
  std::printf("\nA number is passed to the application as it is (quillet convert --format 17 ...).\n");
  if (!library) return kOk;
  for (const char* field : {"sourceformatlist", "destformatlist"}) {
    const Field f = GetField(field);
    if (!f.error.empty()) {
      std::fprintf(stderr, "quillet: %s\n", f.error.c_str());
      return kFailed;
    }
    std::string lines = f.value;
    std::erase(lines, '\r');
    std::printf("\n%s (the library's table, description:code:pattern:application):\n%s\n", field, lines.c_str());
  }
  return kOk;
}

int RunField(const std::string& name) {
  const Field f = GetField(name);
  if (!f.error.empty()) {
    std::fprintf(stderr, "quillet: %s\n", f.error.c_str());
    return kFailed;
  }
  std::printf("%s\n", f.value.c_str());
  return kOk;
}

}  // namespace quillet::cli
