// The application doubles as in-process servers of the Linux server registry:
// one shared object, one factory function per application. A registry line
//   Word.Application {6F0A8F52-3C1D-4B7E-9E21-5A4C0D1E7701} WordGetClassObject /path/liboffice-doubles.so
// makes the Word double what "Word.Application" creates; AcrobatGetClassObject
// serves the plug-in bridge double.
#include "core/DispObject.h"
#include "platform/com/ComPtr.h"
#include "core/Office.h"
#include "core/PlugKit.h"

using quillet::doubles::AppClsid;
using quillet::doubles::AppKind;

namespace {

HRESULT GetClassObject(AppKind kind, REFCLSID clsid, REFIID riid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (clsid != AppClsid(kind)) return CLASS_E_CLASSNOTAVAILABLE;
  const auto factory = quillet::com::ComPtr<IClassFactory>::Adopt(quillet::doubles::CreateFactory(kind, true));
  return factory->QueryInterface(riid, object);
}

}  // namespace

#define DOUBLE_EXPORT extern "C" __attribute__((visibility("default")))

DOUBLE_EXPORT HRESULT WordGetClassObject(REFCLSID clsid, REFIID riid, void** object) {
  return GetClassObject(AppKind::Word, clsid, riid, object);
}

DOUBLE_EXPORT HRESULT ExcelGetClassObject(REFCLSID clsid, REFIID riid, void** object) {
  return GetClassObject(AppKind::Excel, clsid, riid, object);
}

DOUBLE_EXPORT HRESULT PowerPointGetClassObject(REFCLSID clsid, REFIID riid, void** object) {
  return GetClassObject(AppKind::PowerPoint, clsid, riid, object);
}

// The plug-in bridge, "plugkit.PKApplication".
DOUBLE_EXPORT HRESULT AcrobatGetClassObject(REFCLSID clsid, REFIID riid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (clsid != quillet::doubles::PlugKitClsid()) return CLASS_E_CLASSNOTAVAILABLE;
  const auto factory = quillet::com::ComPtr<IClassFactory>::Adopt(quillet::doubles::CreatePlugKitFactory());
  return factory->QueryInterface(riid, object);
}

DOUBLE_EXPORT HRESULT PdfMakerGetClassObject(REFCLSID clsid, REFIID riid, void** object) {
  return GetClassObject(AppKind::PdfMaker, clsid, riid, object);
}

DOUBLE_EXPORT HRESULT PdfDocumentGetClassObject(REFCLSID clsid, REFIID riid, void** object) {
  return GetClassObject(AppKind::PdfDocument, clsid, riid, object);
}

DOUBLE_EXPORT HRESULT InternetExplorerGetClassObject(REFCLSID clsid, REFIID riid, void** object) {
  return GetClassObject(AppKind::InternetExplorer, clsid, riid, object);
}

// A user-started instance (visible), for a test that registers it as running.
DOUBLE_EXPORT IDispatch* CreateRunningApplication(int kind) {
  return quillet::doubles::CreateApplication(static_cast<AppKind>(kind), false);
}

// Objects of the doubles alive in this process.
DOUBLE_EXPORT long DoubleLiveObjects() { return quillet::doubles::LiveObjects(); }

// Every later call of App's objects fails as on a server process that died.
DOUBLE_EXPORT void KillApplication(int kind) {
  quillet::doubles::KillSessions(quillet::doubles::AppName(static_cast<AppKind>(kind)));
}
