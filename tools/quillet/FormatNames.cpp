#include "FormatNames.h"

#include <algorithm>
#include <stdexcept>

#include "FormatTable.h"
#include "platform/ascii.h"

namespace quillet::cli {

namespace {

// The tables, made from the Python package's formats.json at build time.
using table::kNames;
using table::kSources;
using table::SourceExtension;

const SourceExtension* SourceOf(const std::string& path) {
  const std::string ext = ExtensionOf(path);
  for (const SourceExtension& s : kSources)
    if (ext == s.extension) return &s;
  return nullptr;
}

bool HasName(const FormatName& f, const std::string& name) {
  const std::string names = f.names;
  size_t start = 0;
  while (start <= names.size()) {
    const size_t bar = names.find('|', start);
    const size_t end = bar == std::string::npos ? names.size() : bar;
    if (names.compare(start, end - start, name) == 0) return true;
    start = end + 1;
  }
  return false;
}

const std::optional<int>& NumberFor(const FormatName& f, App app) {
  switch (app) {
    case App::Word:
      return f.word;
    case App::Excel:
      return f.excel;
    case App::PowerPoint:
      return f.powerpoint;
  }
  return f.word;
}

bool IsNumber(const std::string& s) {
  size_t i = s.size() > 1 && s[0] == '-' ? 1 : 0;
  if (i == s.size()) return false;
  for (; i < s.size(); ++i)
    if (!std::isdigit(static_cast<unsigned char>(s[i]))) return false;
  return true;
}

}  // namespace

const char* AppName(App app) {
  switch (app) {
    case App::Word:
      return "Word";
    case App::Excel:
      return "Excel";
    case App::PowerPoint:
      return "PowerPoint";
  }
  return "";
}

const char* AppKeyword(App app) {
  switch (app) {
    case App::Word:
      return "MS Word";
    case App::Excel:
      return "MS Excel";
    case App::PowerPoint:
      return "MS Powerpoint";
  }
  return "";
}

std::optional<App> ParseApp(const std::string& text) {
  const std::string t = ascii::ToLower(text);
  if (t == "word") return App::Word;
  if (t == "excel") return App::Excel;
  if (t == "powerpoint") return App::PowerPoint;
  return std::nullopt;
}

std::string ExtensionOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  const size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  return ascii::ToLower(path.substr(dot));
}

App AppOfSource(const std::string& path) {
  const SourceExtension* source = SourceOf(path);
  return source ? source->app : App::Word;
}

bool IsDocument(const std::string& path) { return SourceOf(path) != nullptr; }

std::vector<std::string> DocumentExtensions() {
  std::vector<std::string> all;
  for (const SourceExtension& s : kSources) all.emplace_back(s.extension);
  return all;
}

std::span<const FormatName> FormatNames() { return kNames; }

Destination ResolveFormat(const std::string& format, App app) {
  if (IsNumber(format)) {
    Destination d{std::stoi(format), {}};
    for (const FormatName& f : kNames)
      if (NumberFor(f, app) == d.format) {
        d.extension = f.extension;
        break;
      }
    return d;
  }
  const std::string name = ascii::ToLower(format);
  for (const FormatName& f : kNames) {
    if (!HasName(f, name)) continue;
    const std::optional<int>& number = NumberFor(f, app);
    if (!number) throw std::invalid_argument(std::string(AppName(app)) + " has no format " + name);
    return {*number, f.extension};
  }
  throw std::invalid_argument("unknown format " + format + " (quillet formats lists the names)");
}

std::optional<Destination> FormatOfDestination(const std::string& dest, App app) {
  const std::string ext = ExtensionOf(dest);
  if (ext.empty()) return std::nullopt;
  for (const FormatName& f : kNames)
    if (ext == f.extension || HasName(f, ext.substr(1)))
      if (const std::optional<int>& number = NumberFor(f, app)) return Destination{*number, f.extension};
  return std::nullopt;
}

}  // namespace quillet::cli
