#include "ConvertApplication/ComServer.h"

#include "ConvertApplication/ClassFactory.h"
#include "ConvertApplication/ConvertApplication.h"

namespace quillet::comserver {

namespace {

HINSTANCE serverModule = nullptr;
std::vector<TAutoObjectFactory*> offered;

TAutoObjectFactory& ConvertApplicationFactory() {
  // The class's help string is its description; the ProgID is the library's
  // name, a dot and the class's name.
  static TAutoObjectFactory factory(
      {__uuidof(ConvertApplication), L"quillet.ConvertApplication", L"ConvertApplication Object", L"Apartment"},
      __uuidof(IConvertApplication), &CreateConvertApplication);
  return factory;
}

}  // namespace

void StartServer(HINSTANCE module) {
  serverModule = module;
  offered = {&ConvertApplicationFactory()};
}

void StopServer(bool processEnding) {
  for (TAutoObjectFactory* factory : offered) factory->Shutdown(processEnding);
  offered.clear();
}

std::wstring ModulePath() {
  if (!serverModule) return {};
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = ::GetModuleFileNameW(serverModule, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return {};
    // A full buffer may mean a cut path: try again with a larger one.
    if (n < path.size()) {
      path.resize(n);
      return path;
    }
    if (path.size() >= 32768) return {};
    path.resize(path.size() * 2);
  }
}

const std::vector<TAutoObjectFactory*>& Factories() { return offered; }

TAutoObjectFactory* FindFactory(REFCLSID clsid) {
  for (TAutoObjectFactory* factory : offered)
    if (factory->Registration().clsid == clsid) return factory;
  return nullptr;
}

}  // namespace quillet::comserver
