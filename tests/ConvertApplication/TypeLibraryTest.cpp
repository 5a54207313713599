// The registered type library as a compiled client reads it (LoadRegTypeLib):
// the library, the dual interface with its three members, and the class.
#include "ServerFixture.h"
#include "TypeInfoHolders.h"

namespace quillet::test {
namespace {

class TypeLibrary : public ServerTest {
 protected:
  void SetUp() override { ASSERT_EQ(::LoadRegTypeLib(GuidOf(kLibId), 1, 0, 0x0409, library.put()), S_OK); }
  void TearDown() override {
    library.reset();
    ServerTest::TearDown();
  }

  std::string Documentation(ITypeInfo* info, MEMBERID member, std::string* help = nullptr) {
    UniqueBstr name, doc;
    info->GetDocumentation(member, name.put(), doc.put(), nullptr, nullptr);
    if (help) *help = doc.str();
    return name.str();
  }

  ComPtr<ITypeLib> library;
};

TEST_F(TypeLibrary, TheLibraryIsQuilletVersionOneInEnglish) {
  const LibAttr attr(library.get());
  ASSERT_TRUE(attr);
  EXPECT_EQ(attr->guid, GuidOf(kLibId));
  EXPECT_EQ(attr->wMajorVerNum, 1);
  EXPECT_EQ(attr->wMinorVerNum, 0);
  EXPECT_EQ(attr->lcid, 0x0409u);
  EXPECT_EQ(attr->syskind, kSysKind);
  UniqueBstr name, doc;
  ASSERT_EQ(library->GetDocumentation(-1, name.put(), doc.put(), nullptr, nullptr), S_OK);
  EXPECT_EQ(name.str(), "quillet");
  EXPECT_EQ(doc.str(), "quillet Library");
  // The interface and the class, nothing else: the base interfaces come from stdole2.
  EXPECT_EQ(library->GetTypeInfoCount(), 2u);
}

TEST_F(TypeLibrary, TheInterfaceIsDualWithThreeMembersAtDispatchIdentifiersOneToThree) {
  ComPtr<ITypeInfo> dispatch;
  ASSERT_EQ(library->GetTypeInfoOfGuid(GuidOf(kIid), dispatch.put()), S_OK);
  std::string help;
  EXPECT_EQ(Documentation(dispatch.get(), MEMBERID_NIL, &help), "IConvertApplication");
  EXPECT_EQ(help, "Dispatch interface for ConvertApplication Object");
  {
    const TypeAttr attr(dispatch.get());
    ASSERT_TRUE(attr);
    EXPECT_EQ(attr->typekind, TKIND_DISPATCH);
    EXPECT_TRUE(attr->wTypeFlags & TYPEFLAG_FDUAL);
    EXPECT_TRUE(attr->wTypeFlags & TYPEFLAG_FDISPATCHABLE);
  }

  // The vtable half: derived from IDispatch, the three members after its seven entries.
  HREFTYPE ref = 0;
  ASSERT_EQ(dispatch->GetRefTypeOfImplType(static_cast<UINT>(-1), &ref), S_OK);
  ComPtr<ITypeInfo> vtable;
  ASSERT_EQ(dispatch->GetRefTypeInfo(ref, vtable.put()), S_OK);
  const TypeAttr attr(vtable.get());
  ASSERT_TRUE(attr);
  EXPECT_EQ(attr->typekind, TKIND_INTERFACE);
  EXPECT_TRUE(attr->wTypeFlags & TYPEFLAG_FDUAL);
  EXPECT_TRUE(attr->wTypeFlags & TYPEFLAG_FOLEAUTOMATION);
  ASSERT_EQ(attr->cFuncs, 3);
  EXPECT_EQ(attr->cImplTypes, 1);
  HREFTYPE baseRef = 0;
  ASSERT_EQ(vtable->GetRefTypeOfImplType(0, &baseRef), S_OK);
  ComPtr<ITypeInfo> base;
  ASSERT_EQ(vtable->GetRefTypeInfo(baseRef, base.put()), S_OK);
  EXPECT_EQ(Documentation(base.get(), MEMBERID_NIL), "IDispatch");

  struct Expected {
    MEMBERID id;
    const char* name;
    std::vector<VARTYPE> params;
    std::vector<USHORT> flags;
  };
  const Expected expected[] = {
      {1, "OnStartPage", {VT_UNKNOWN}, {PARAMFLAG_FIN}},
      {2, "OnEndPage", {}, {}},
      {3,
       "ConvertFolder",
       {VT_BSTR, VT_BSTR, VT_BSTR, VT_I4, VT_BSTR, VT_PTR},
       {PARAMFLAG_FIN, PARAMFLAG_FIN, PARAMFLAG_FIN, PARAMFLAG_FIN, PARAMFLAG_FIN, PARAMFLAG_FOUT | PARAMFLAG_FRETVAL}},
  };
  for (UINT i = 0; i < 3; ++i) {
    const FuncDesc func(vtable.get(), i);
    ASSERT_TRUE(func);
    const Expected& e = expected[i];
    EXPECT_EQ(func->memid, e.id);
    EXPECT_EQ(Documentation(vtable.get(), func->memid), e.name);
    EXPECT_EQ(func->funckind, FUNC_PUREVIRTUAL);
    EXPECT_EQ(func->invkind, INVOKE_FUNC);
    EXPECT_EQ(func->callconv, CC_STDCALL);
    EXPECT_EQ(func->elemdescFunc.tdesc.vt, VT_HRESULT);
    // After QueryInterface, AddRef, Release, GetTypeInfoCount, GetTypeInfo,
    // GetIDsOfNames and Invoke, in the order of the C++ declaration.
    EXPECT_EQ(func->oVft, static_cast<SHORT>((7 + i) * sizeof(void*)));
    ASSERT_EQ(func->cParams, static_cast<SHORT>(e.params.size()));
    for (size_t p = 0; p < e.params.size(); ++p) {
      EXPECT_EQ(func->lprgelemdescParam[p].tdesc.vt, e.params[p]) << e.name << " parameter " << p;
      EXPECT_EQ(func->lprgelemdescParam[p].paramdesc.wParamFlags & (PARAMFLAG_FIN | PARAMFLAG_FOUT | PARAMFLAG_FRETVAL),
                e.flags[p])
          << e.name << " parameter " << p;
    }
    if (e.id == 3) {
      EXPECT_EQ(func->lprgelemdescParam[5].tdesc.lptdesc->vt, VT_BSTR);
    }
  }
  // The parameter names scripts and tools show.
  BSTR raw[7] = {};
  UINT got = 0;
  ASSERT_EQ(vtable->GetNames(3, raw, 7, &got), S_OK);
  std::vector<UniqueBstr> names;
  for (UINT i = 0; i < got; ++i) names.emplace_back(raw[i]);
  std::vector<std::string> texts;
  for (const UniqueBstr& n : names) texts.push_back(n.str());
  EXPECT_EQ(texts, (std::vector<std::string>{"ConvertFolder", "sSrcFilePath", "sDestFilePath", "sDestFileFormat",
                                             "iIsSubFolder", "sOption", "result"}));
}

TEST_F(TypeLibrary, TheClassIsCreatableWithTheInterfaceAsItsDefault) {
  ComPtr<ITypeInfo> coclass;
  ASSERT_EQ(library->GetTypeInfoOfGuid(GuidOf(kClsid), coclass.put()), S_OK);
  std::string help;
  EXPECT_EQ(Documentation(coclass.get(), MEMBERID_NIL, &help), "ConvertApplication");
  EXPECT_EQ(help, "ConvertApplication Object");
  const TypeAttr attr(coclass.get());
  ASSERT_TRUE(attr);
  EXPECT_EQ(attr->typekind, TKIND_COCLASS);
  EXPECT_TRUE(attr->wTypeFlags & TYPEFLAG_FCANCREATE);
  ASSERT_EQ(attr->cImplTypes, 1);
  INT implFlags = 0;
  ASSERT_EQ(coclass->GetImplTypeFlags(0, &implFlags), S_OK);
  EXPECT_TRUE(implFlags & IMPLTYPEFLAG_FDEFAULT);
  HREFTYPE ref = 0;
  ASSERT_EQ(coclass->GetRefTypeOfImplType(0, &ref), S_OK);
  ComPtr<ITypeInfo> iface;
  ASSERT_EQ(coclass->GetRefTypeInfo(ref, iface.put()), S_OK);
  const TypeAttr ifaceAttr(iface.get());
  ASSERT_TRUE(ifaceAttr);
  EXPECT_EQ(ifaceAttr->guid, GuidOf(kIid));
}

TEST_F(TypeLibrary, TheGeneratedDeclarationsCarryTheSameIdentifiers) {
  // A compiled client uses the header generated from the same IDL.
  EXPECT_EQ(__uuidof(IConvertApplication), GuidOf(kIid));
  EXPECT_EQ(__uuidof(ConvertApplication), GuidOf(kClsid));
}

}  // namespace
}  // namespace quillet::test
