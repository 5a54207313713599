#include "ServerFixture.h"

namespace quillet::test {

void ServerTest::SetUpTestSuite() {
  ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
  ASSERT_EQ(Regsvr32(false), 0u);
}

void ServerTest::TearDownTestSuite() { ::CoUninitialize(); }

void ServerTest::TearDown() {
  objects.clear();
  // With no object and no lock left the library answers DllCanUnloadNow with
  // S_OK and COM frees it: the converter gives the applications back.
  ::CoFreeUnusedLibrariesEx(0, 0);
  EXPECT_FALSE(LibraryLoaded()) << "quillet.dll stayed loaded after its last object went";
}

ComPtr<IConvertApplication> ServerTest::Create() {
  CLSID clsid{};
  EXPECT_EQ(::CLSIDFromProgID(L"quillet.ConvertApplication", &clsid), S_OK);
  ComPtr<IConvertApplication> object;
  const HRESULT hr =
      ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, __uuidof(IConvertApplication), object.put_void());
  EXPECT_EQ(hr, S_OK);
  if (object) objects.push_back(object.try_query<IUnknown>());
  return object;
}

bool ServerTest::LibraryLoaded() { return ::GetModuleHandleA(LibraryPath().c_str()) != nullptr; }

std::string ServerTest::File(const std::string& name, const std::string& content) const {
  const std::string path = dir / name;
  WriteFile(path, content);
  return path;
}

Lines ServerTest::WordCallsWith(const std::string& part) const {
  Lines found;
  for (const std::string& line : d.Calls(App::Word))
    if (line.find(part) != std::string::npos) found.push_back(line);
  return found;
}

UniqueBstr Bstr(const std::string& text) { return UniqueBstr::From(text); }

UniqueBstr Bstr(const std::wstring& text) {
  return UniqueBstr(::SysAllocStringLen(text.data(), static_cast<UINT>(text.size())));
}

}  // namespace quillet::test
