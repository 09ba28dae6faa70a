// An in-process server module as a vendor would write it: DllRegisterServer records the
// module's class under HKEY_CLASSES_ROOT, DllGetClassObject hands out its class object.

#include <dlfcn.h>

#include "TestInterfaces.h"
#include "platform/PlatformExtensions.h"

namespace {

class TCounter : public TComObject<ITestCounter> {
public:
  HRESULT STDMETHODCALLTYPE Increment(LONG* value) override {
    if (!value) return E_POINTER;
    *value = ++FCount;
    return S_OK;
  }

private:
  LONG FCount = 0;
};

}  // namespace

extern "C" __attribute__((visibility("default"))) HRESULT DllRegisterServer() {
  Dl_info module;
  if (!dladdr(reinterpret_cast<void*>(&DllRegisterServer), &module) || !module.dli_fname) return E_UNEXPECTED;
  TComClassInfo info;
  info.ClassId = CLSID_TestPluginCounter;
  info.ProgId = "Zelk.TestPluginCounter.1";
  info.VersionIndependentProgId = "Zelk.TestPluginCounter";
  info.Description = "Zelk test plugin counter";
  info.InprocServer = module.dli_fname;
  return RegisterClassKeys(info);
}

extern "C" __attribute__((visibility("default"))) HRESULT DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (rclsid != CLSID_TestPluginCounter) return CLASS_E_CLASSNOTAVAILABLE;
  ComPtr<IClassFactory> factory(new TComClassFactory<TCounter>);
  return factory->QueryInterface(riid, ppv);
}
