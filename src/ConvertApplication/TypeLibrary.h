// The type library embedded in quillet.dll (resource TYPELIB 1) and the type
// information of a dual interface in it.
#pragma once

#include <string>

#include "ConvertApplication/AutomationTypes.h"
#include "platform/com/com_ptr.h"

namespace quillet::comserver {

// A dual interface has two descriptions: the dispatch interface, which is
// what IDispatch::GetTypeInfo hands out, and the vtable interface it refers
// to, on which names are resolved and calls are made (ITypeInfo::Invoke then
// calls the object's own vtable entries).
struct DualTypeInfo {
  com::ComPtr<ITypeInfo> dispatch;
  com::ComPtr<ITypeInfo> vtable;
};

// The library in the file at ModulePath, without registering it.
HRESULT LoadEmbeddedTypeLib(const std::wstring& modulePath, com::ComPtr<ITypeLib>& library);

// Both descriptions of the dual interface Iid of the library at ModulePath.
HRESULT LoadDualTypeInfo(const std::wstring& modulePath, REFIID iid, DualTypeInfo& info);

}  // namespace quillet::comserver
