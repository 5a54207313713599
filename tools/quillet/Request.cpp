#include "Request.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "engine/options/Options.h"

namespace quillet::cli {

namespace {

constexpr App kApps[] = {App::Word, App::Excel, App::PowerPoint};

// The keyword the library would act on: of those present, the one it tests
// last ("MS Word", then "MS Excel", then "MS Powerpoint").
std::optional<App> KeywordApp(const std::string& option) {
  std::optional<App> found;
  for (App app : kApps)
    if (option.find(AppKeyword(app)) != std::string::npos) found = app;
  return found;
}

bool NamesOtherApplication(const std::string& option) {
  return option.find("Adobe Acrobat") != std::string::npos || option.find("No MS Word") != std::string::npos;
}

std::string WithKeyword(App app, const std::string& option) {
  return option.empty() ? AppKeyword(app) : std::string(AppKeyword(app)) + " " + option;
}

// The user's option text after the keywords of the PDF settings. (Before it,
// so that a value that runs to the end of the text, OPENFORMAT='s, stays
// as it is.)
std::string WithPdfKeywords(const Ask& ask) {
  std::string keywords;
  auto add = [&](const std::string& keyword) { keywords += (keywords.empty() ? "" : " ") + keyword; };
  if (!ask.pdfa.empty()) add(ask.pdfa == "1" ? "PDFA" : "PDFA=" + ask.pdfa);
  // A list of pages is the quoted form of the keyword; one range is not.
  if (!ask.pages.empty())
    add(ask.pages.find(',') == std::string::npos ? "PAGES=" + ask.pages : "PAGES=\"" + ask.pages + "\"");
  if (ask.password) add(quillet::options::QuotePasswordKeyword(*ask.password));
  if (keywords.empty()) return ask.option;
  return ask.option.empty() ? keywords : keywords + " " + ask.option;
}

}  // namespace

std::string ReadPasswordFile(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream all;
  if (!in || !(all << in.rdbuf())) throw std::invalid_argument("the password file " + file + " cannot be read");
  std::string password = all.str();
  if (!password.empty() && password.back() == '\n') password.pop_back();
  if (!password.empty() && password.back() == '\r') password.pop_back();
  return password;
}

App ChooseApp(const std::string& source, const Ask& ask) {
  if (!ask.app.empty()) {
    if (const auto app = ParseApp(ask.app)) return *app;
    throw std::invalid_argument("unknown application " + ask.app + " (word, excel or powerpoint)");
  }
  if (const auto app = KeywordApp(ask.option)) return *app;
  return AppOfSource(source);
}

std::string OptionFor(App app, const Ask& ask) {
  // The keyword goes in front: a value at the end of the option text (that of
  // OPENFORMAT= runs to its end) stays as it is.
  const std::string option = WithPdfKeywords(ask);
  if (!ask.app.empty()) return WithKeyword(app, option);
  if (KeywordApp(ask.option) || NamesOtherApplication(ask.option)) return option;
  // Word documents are routed by the library itself, from its format table.
  if (app == App::Word) return option;
  return WithKeyword(app, option);
}

Request MakeRequest(const std::string& source, const std::string& dest, const Ask& ask) {
  const App app = ChooseApp(source, ask);
  Destination d;
  if (!ask.format.empty()) {
    d = ResolveFormat(ask.format, app);
  } else if (const auto named = FormatOfDestination(dest, app)) {
    d = *named;
  } else {
    throw std::invalid_argument("the extension of " + dest + " names no format of " + AppName(app) +
                                ": give one with --format");
  }
  // The library takes whole paths: a bare "out.txt" would name no folder.
  std::error_code ec;
  const auto whole = [&](const std::string& p) {
    const std::filesystem::path absolute = std::filesystem::absolute(p, ec);
    return ec ? p : absolute.string();
  };
  return {whole(source), whole(dest), std::to_string(d.format), OptionFor(app, ask)};
}

}  // namespace quillet::cli
