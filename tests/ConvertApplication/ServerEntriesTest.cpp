// The four server entries of quillet.dll: registration as regsvr32 does it,
// the class factory, and when the library may be unloaded.
#include "ServerFixture.h"
#include "platform/unique_any.h"

namespace quillet::test {
namespace {

using Registration = ServerTest;

TEST_F(Registration, TheClassItsProgIdAndTheTypeLibraryAreRegistered) {
  const std::string clsidKey = std::string("CLSID\\") + kClsid;
  EXPECT_EQ(ClassesValue(clsidKey), "ConvertApplication Object");
  const auto server = ClassesValue(clsidKey + "\\InprocServer32");
  ASSERT_TRUE(server);
  EXPECT_TRUE(SameText(*server, LibraryPath())) << *server;
  EXPECT_EQ(ClassesValue(clsidKey + "\\InprocServer32", "ThreadingModel"), "Apartment");
  EXPECT_EQ(ClassesValue(clsidKey + "\\ProgID"), kProgId);
  EXPECT_EQ(ClassesValue(kProgId), "ConvertApplication Object");
  EXPECT_EQ(ClassesValue(std::string(kProgId) + "\\CLSID"), kClsid);

  // The type library is registered from the library file itself.
  const auto typeLib = ClassesValue(std::string("TypeLib\\") + kLibId + "\\1.0\\409\\" + kTypeLibPlatform);
  ASSERT_TRUE(typeLib);
  EXPECT_TRUE(SameText(typeLib->substr(typeLib->size() - LibraryPath().size()), LibraryPath())) << *typeLib;
  EXPECT_EQ(ClassesValue(std::string("Interface\\") + kIid), "IConvertApplication");
  EXPECT_EQ(ClassesValue(std::string("Interface\\") + kIid + "\\TypeLib"), kLibId);
}

TEST_F(Registration, UnregisteringRemovesEveryKeyItWroteAndRegisteringAgainRestoresThem) {
  ASSERT_EQ(Regsvr32(true), 0u);
  EXPECT_FALSE(ClassesKeyExists(std::string("CLSID\\") + kClsid));
  EXPECT_FALSE(ClassesKeyExists(kProgId));
  EXPECT_FALSE(ClassesKeyExists(std::string("TypeLib\\") + kLibId));
  EXPECT_FALSE(ClassesKeyExists(std::string("Interface\\") + kIid));
  CLSID clsid{};
  EXPECT_TRUE(FAILED(::CLSIDFromProgID(L"quillet.ConvertApplication", &clsid)));
  ComPtr<ITypeLib> library;
  EXPECT_TRUE(FAILED(::LoadRegTypeLib(GuidOf(kLibId), 1, 0, 0x0409, library.put())));
  // Unregistering what is not registered is no failure.
  EXPECT_EQ(Regsvr32(true), 0u);

  ASSERT_EQ(Regsvr32(false), 0u);
  EXPECT_EQ(::CLSIDFromProgID(L"quillet.ConvertApplication", &clsid), S_OK);
  EXPECT_EQ(clsid, GuidOf(kClsid));
  EXPECT_EQ(::LoadRegTypeLib(GuidOf(kLibId), 1, 0, 0x0409, library.put()), S_OK);
}

// The library loaded by the test itself, its entries looked up by name.
class ServerEntries : public ServerTest {
 protected:
  void SetUp() override {
    module_.reset(::LoadLibraryA(LibraryPath().c_str()));
    ASSERT_TRUE(module_);
    getClassObject = reinterpret_cast<GetClassObjectFn>(Entry("DllGetClassObject"));
    canUnloadNow = reinterpret_cast<CanUnloadNowFn>(Entry("DllCanUnloadNow"));
    ASSERT_TRUE(getClassObject && canUnloadNow);
  }
  void TearDown() override {
    factory.reset();
    objects.clear();
    module_.reset();
    ServerTest::TearDown();
  }

  using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
  using CanUnloadNowFn = HRESULT(STDAPICALLTYPE*)();
  GetClassObjectFn getClassObject = nullptr;
  CanUnloadNowFn canUnloadNow = nullptr;
  ComPtr<IClassFactory> factory;

 private:
  void* Entry(const char* name) const { return reinterpret_cast<void*>(::GetProcAddress(module_.get(), name)); }
  os::UniqueAny<HMODULE, &::FreeLibrary> module_;
};

TEST_F(ServerEntries, TheFactoryMakesANewObjectEachTime) {
  ASSERT_EQ(getClassObject(GuidOf(kClsid), __uuidof(IClassFactory), factory.put_void()), S_OK);
  ComPtr<IConvertApplication> first, second;
  ASSERT_EQ(factory->CreateInstance(nullptr, __uuidof(IConvertApplication), first.put_void()), S_OK);
  ASSERT_EQ(factory->CreateInstance(nullptr, __uuidof(IDispatch), second.put_void()), S_OK);
  EXPECT_NE(static_cast<IDispatch*>(first.get()), static_cast<IDispatch*>(second.get()));

  ComPtr<IUnknown> aggregated;
  EXPECT_EQ(factory->CreateInstance(first.get(), __uuidof(IUnknown), aggregated.put_void()), CLASS_E_NOAGGREGATION);
  EXPECT_FALSE(aggregated);
  ComPtr<IUnknown> none;
  EXPECT_EQ(factory->CreateInstance(nullptr, __uuidof(IClassFactory), none.put_void()), E_NOINTERFACE);
  EXPECT_FALSE(none);
  EXPECT_EQ(getClassObject(__uuidof(IUnknown), __uuidof(IClassFactory), none.put_void()), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_FALSE(none);
}

TEST_F(ServerEntries, TheLibraryMayBeUnloadedOnlyWithoutObjectsAndLocks) {
  EXPECT_EQ(canUnloadNow(), S_OK);
  ASSERT_EQ(getClassObject(GuidOf(kClsid), __uuidof(IClassFactory), factory.put_void()), S_OK);
  // Holding the factory alone does not count; its lock does.
  EXPECT_EQ(canUnloadNow(), S_OK);
  ASSERT_EQ(factory->LockServer(TRUE), S_OK);
  EXPECT_EQ(canUnloadNow(), S_FALSE);
  ComPtr<IConvertApplication> object;
  ASSERT_EQ(factory->CreateInstance(nullptr, __uuidof(IConvertApplication), object.put_void()), S_OK);
  ASSERT_EQ(factory->LockServer(FALSE), S_OK);
  EXPECT_EQ(canUnloadNow(), S_FALSE);
  // Every reference counts, whichever interface it came through.
  ComPtr<ISupportErrorInfo> other = object.try_query<ISupportErrorInfo>();
  ASSERT_TRUE(other);
  object.reset();
  EXPECT_EQ(canUnloadNow(), S_FALSE);
  other.reset();
  EXPECT_EQ(canUnloadNow(), S_OK);
  // An object that could not be handed out leaves nothing alive.
  ComPtr<IUnknown> none;
  EXPECT_EQ(factory->CreateInstance(nullptr, __uuidof(IClassFactory), none.put_void()), E_NOINTERFACE);
  EXPECT_EQ(canUnloadNow(), S_OK);
  // An unlock without a lock does not hide a later lock.
  ASSERT_EQ(factory->LockServer(FALSE), S_OK);
  ASSERT_EQ(factory->LockServer(TRUE), S_OK);
  EXPECT_EQ(canUnloadNow(), S_FALSE);
  ASSERT_EQ(factory->LockServer(FALSE), S_OK);
  EXPECT_EQ(canUnloadNow(), S_OK);
}

}  // namespace
}  // namespace quillet::test
