#include "PrintingFixture.h"

#include <cstdlib>
#include <filesystem>

#include "documents/gsdlllib/PostScriptPrinter.h"
#include "procedures/Routes.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace quillet::test {

namespace {

void SetVar(const std::string& name, const std::string* value) {
#ifdef _WIN32
  ::SetEnvironmentVariableA(name.c_str(), value ? value->c_str() : nullptr);
  _putenv_s(name.c_str(), value ? value->c_str() : "");
#else
  if (value)
    ::setenv(name.c_str(), value->c_str(), 1);
  else
    ::unsetenv(name.c_str());
#endif
}

}  // namespace

ScopedEnv::ScopedEnv(const char* name, const std::string& value) : name_(name) {
  if (const char* old = std::getenv(name)) {
    had_ = true;
    old_ = old;
  }
  SetVar(name_, &value);
}

ScopedEnv::~ScopedEnv() { SetVar(name_, had_ ? &old_ : nullptr); }

PrintingTest::PrintingTest() {
  doubles::UseGhostscriptDouble();
  conv.Settings().PrintWaitLimits = TPrintWaits{5000, 5000, 20, 0};
}

std::string PrintingTest::Src(const std::string& name) {
  const std::string file = dir / name;
  WriteFile(file, "content\r\n");
  return file;
}

std::string PrintingTest::ToPdf(const std::string& appName, const std::string& src, const std::string& dest,
                                const std::string& option, TOfficeConvertClass* with) {
  TOfficeConvertClass& c = with ? *with : conv;
  if (with) with->Settings().PrintWaitLimits = conv.Settings().PrintWaitLimits;
  std::string error;
  if (!c.StartApplication(appName, error)) return "not started: " + error;
  return ConvertOfficeDocument(c, *ApplicationNamed(appName), TConversionRequest::Parse(src, dest, "-1", option))
      .message();
}

Lines PrintingTest::CallsFrom(App app, const std::string& marker) const {
  Lines calls = d.Calls(app), from;
  bool on = false;
  for (const std::string& c : calls) {
    on = on || c.find(marker) != std::string::npos;
    if (on) from.push_back(c);
  }
  return from;
}

Lines PrintingTest::CallsWith(App app, const std::string& part) const {
  Lines found;
  for (const std::string& c : d.Calls(app))
    if (c.find(part) != std::string::npos) found.push_back(c);
  return found;
}

std::string PrintingTest::ChosenPrinter() {
  std::string name;
  FindPostScriptPrinter(name);
  return name;
}

bool PrintingTest::NoTemporaryFile(const std::string& ext) const {
  for (const auto& e : std::filesystem::directory_iterator(temp.path()))
    if (e.path().extension() == ext) return false;
  return true;
}

bool StartsWith(const std::string& text, const std::string& prefix) { return text.rfind(prefix, 0) == 0; }

}  // namespace quillet::test
