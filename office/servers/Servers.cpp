// The exports of libquillet-office.so: one factory function per application,
// in the shape of DllGetClassObject, as the server registry of the COM layer
// calls them. "Word.Application", "Excel.Application",
// "PowerPoint.Application" and "InternetExplorer.Application" are resolved
// to them without a registry file.
#include "automation/ClassFactory.h"
#include "automation/DispatchObject.h"
#include "excel/Excel.h"
#include "ie/InternetExplorer.h"
#include "powerpoint/PowerPoint.h"
#include "servers/ClassIds.h"
#include "uno/Errors.h"
#include "uno/Office.h"
#include "word/WordDoc.h"

namespace {

using quillet::office::GetClassObject;

template <IDispatch* (*Make)()>
IDispatch* Create() {
  quillet::office::uno::InstallExceptionTranslation();
  return Make();
}

}  // namespace

#define OFFICE_EXPORT extern "C" __attribute__((visibility("default")))

OFFICE_EXPORT HRESULT WordGetClassObject(REFCLSID clsid, REFIID riid, void** object) {
  return GetClassObject(clsid, quillet::office::kWordClsid, &Create<quillet::office::word::NewWordApplication>, riid,
                        object);
}

OFFICE_EXPORT HRESULT ExcelGetClassObject(REFCLSID clsid, REFIID riid, void** object) {
  return GetClassObject(clsid, quillet::office::kExcelClsid, &Create<quillet::office::excel::NewExcelApplication>, riid,
                        object);
}

OFFICE_EXPORT HRESULT PowerPointGetClassObject(REFCLSID clsid, REFIID riid, void** object) {
  return GetClassObject(clsid, quillet::office::kPowerPointClsid,
                        &Create<quillet::office::powerpoint::NewPowerPointApplication>, riid, object);
}

OFFICE_EXPORT HRESULT InternetExplorerGetClassObject(REFCLSID clsid, REFIID riid, void** object) {
  return GetClassObject(clsid, quillet::office::kInternetExplorerClsid,
                        &Create<quillet::office::ie::NewInternetExplorer>, riid, object);
}

// The process id of the office that the stand-ins of this process started, 0
// when they attached to a running one or hold none.
OFFICE_EXPORT int OfficeStartedProcess() { return quillet::office::uno::StartedOfficeProcess(); }

// Stand-in objects alive in this process (for the tests).
OFFICE_EXPORT long OfficeLiveObjects() { return quillet::office::DispatchObject::LiveObjects(); }
