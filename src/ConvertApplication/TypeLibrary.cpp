#include "ConvertApplication/TypeLibrary.h"

namespace quillet::comserver {

HRESULT LoadEmbeddedTypeLib(const std::wstring& modulePath, com::ComPtr<ITypeLib>& library) {
  library.reset();
  return ::LoadTypeLibEx(modulePath.c_str(), REGKIND_NONE, library.put());
}

HRESULT LoadDualTypeInfo(const std::wstring& modulePath, REFIID iid, DualTypeInfo& info) {
  info = {};
  com::ComPtr<ITypeLib> library;
  HRESULT hr = LoadEmbeddedTypeLib(modulePath, library);
  if (FAILED(hr)) return hr;
  DualTypeInfo found;
  hr = library->GetTypeInfoOfGuid(iid, found.dispatch.put());
  if (FAILED(hr)) return hr;
  // Index -1 of a dual interface's dispatch description is its vtable half.
  HREFTYPE vtableRef = 0;
  hr = found.dispatch->GetRefTypeOfImplType(static_cast<UINT>(-1), &vtableRef);
  if (FAILED(hr)) return hr;
  hr = found.dispatch->GetRefTypeInfo(vtableRef, found.vtable.put());
  if (FAILED(hr)) return hr;
  info = std::move(found);
  return S_OK;
}

}  // namespace quillet::comserver
