#include "ConvertApplication/AutoObject.h"

namespace quillet::comserver {

HRESULT DispatchGetTypeInfo(const DualTypeInfo& info, UINT index, ITypeInfo** typeInfo) {
  if (!typeInfo) return E_POINTER;
  *typeInfo = nullptr;
  if (index != 0) return DISP_E_BADINDEX;
  *typeInfo = com::ComPtr<ITypeInfo>(info.dispatch).detach();
  return S_OK;
}

HRESULT DispatchGetIDsOfNames(const DualTypeInfo& info, REFIID riid, LPOLESTR* names, UINT count, DISPID* ids) {
  // Names belong to the object's one dispatch interface, asked for as IID_NULL.
  if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
  if (count > 0 && (!names || !ids)) return E_POINTER;
  return info.vtable->GetIDsOfNames(names, count, ids);
}

HRESULT DispatchInvoke(const DualTypeInfo& info, void* object, DISPID member, REFIID riid, WORD flags,
                       DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception, UINT* argError) {
  if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
  // A caller without arguments may pass no argument block at all.
  DISPPARAMS none{};
  return info.vtable->Invoke(object, member, flags, params ? params : &none, result, exception, argError);
}

}  // namespace quillet::comserver
