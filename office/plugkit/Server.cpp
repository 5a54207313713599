// The export of libquillet-plugkit.so: the factory function of the bridge, in
// the shape of DllGetClassObject, as the server registry of the COM layer
// calls it. "plugkit.PKApplication" is resolved to it without a registry file.
#include "PlugKitApplication.h"
#include "automation/ClassFactory.h"

namespace {

// As in the COM layer's built-in server table (src/platform/com/com_posix.cpp).
constexpr CLSID kPlugKitClsid = {0x3b8e41a0, 0x5d2c, 0x4f6e, {0x8a, 0x11, 0x2c, 0x7d, 0x90, 0x4e, 0x51, 0x10}};

}  // namespace

extern "C" __attribute__((visibility("default"))) HRESULT PlugKitGetClassObject(REFCLSID clsid, REFIID riid,
                                                                                void** object) {
  return quillet::office::GetClassObject(clsid, kPlugKitClsid, &quillet::plugkit::NewPlugKitApplication, riid, object);
}
