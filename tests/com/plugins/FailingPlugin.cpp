// A module whose registration fails: it must be skipped without harm to the others.

#include "platform/win32.h"

extern "C" __attribute__((visibility("default"))) HRESULT DllRegisterServer() { return E_ACCESSDENIED; }

extern "C" __attribute__((visibility("default"))) HRESULT DllGetClassObject(REFCLSID, REFIID, LPVOID* ppv) {
  if (ppv) *ppv = nullptr;
  return CLASS_E_CLASSNOTAVAILABLE;
}
