#include "ConvertApplication/ConvertApplication.h"

#include <string>

#include "ConvertApplication/ComError.h"
#include "exports/instance/Engine.h"
#include "platform/com/ComPtr.h"
#include "platform/error.h"
#include "utilities/Guarded.h"

namespace quillet::comserver {

namespace {

TOfficeConvertClass& Engine() {
  if (!ConvertEngine) throw Error("The converter is not available");
  return *ConvertEngine;
}

}  // namespace

HRESULT STDMETHODCALLTYPE TConvertApplication::ConvertFolder(BSTR sSrcFilePath, BSTR sDestFilePath,
                                                             BSTR sDestFileFormat, LONG iIsSubFolder, BSTR sOption,
                                                             BSTR* result) {
  if (!result) return ReturnComError(E_POINTER, __uuidof(IConvertApplication), kErrorSource);
  *result = nullptr;
  try {
    // The BSTRs as library strings in the ANSI code page: a null BSTR is the
    // empty text, characters the code page lacks become its default character.
    const std::string src = com::FromBstr(sSrcFilePath);
    const std::string dest = com::FromBstr(sDestFilePath);
    const std::string format = com::FromBstr(sDestFileFormat);
    const std::string option = com::FromBstr(sOption);
    std::string report;
    const auto lock = LockRequests();
    Engine().ConvertFolderContents(src, dest, format, iIsSubFolder, option, report);
    com::UniqueBstr text = com::UniqueBstr::From(report);
    if (!text.get()) return ReturnComError(E_OUTOFMEMORY, __uuidof(IConvertApplication), kErrorSource);
    *result = text.release();
    return S_OK;
  } catch (const std::bad_alloc&) {
    return ReturnComError(E_OUTOFMEMORY, __uuidof(IConvertApplication), kErrorSource);
  } catch (...) {
    return ReturnComError(E_FAIL, __uuidof(IConvertApplication), kErrorSource, CurrentErrorMessage());
  }
}

IUnknown* CreateConvertApplication(const DualTypeInfo& typeInfo) {
  return static_cast<IConvertApplication*>(new TConvertApplication(typeInfo));
}

}  // namespace quillet::comserver
