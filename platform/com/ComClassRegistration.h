#pragma once
// Registering a COM class of this process: its keys under HKEY_CLASSES_ROOT (so that ProgID
// look-ups, the categories manager and server browsers find it) and its class object (so that
// CoCreateInstance creates it).

#include <string>
#include <vector>

#include "platform/com/ComObject.h"

struct TComClassInfo {
  CLSID ClassId = GUID_NULL;
  std::string ProgId;                    // "Vendor.Server.1"; empty: none
  std::string VersionIndependentProgId;  // "Vendor.Server"; empty: none
  std::string Description;               // default value of the class and ProgID keys
  std::vector<CATID> ImplementedCategories;
  std::string InprocServer;              // module path for InprocServer32; empty: none
};

// Writes CLSID\{id} (description), its ProgID, VersionIndependentProgID, InprocServer32 and
// Implemented Categories\{catid} subkeys, and the ProgID keys (<ProgID>\CLSID; the
// version-independent one also with CurVer). REGDB_E_WRITEREGDB when the registry refuses.
HRESULT RegisterClassKeys(const TComClassInfo& info);

// RegisterClassKeys, then CoRegisterClassObject(classObject) for every context, multiple use.
// *cookie is for CoRevokeClassObject; the registry keys stay.
HRESULT RegisterComClass(const TComClassInfo& info, IUnknown* classObject, DWORD* cookie);

// The same with a TComClassFactory<T> as class object.
template <class T>
HRESULT RegisterComClass(const TComClassInfo& info, DWORD* cookie) {
  ComPtr<IClassFactory> factory(new (std::nothrow) TComClassFactory<T>);
  if (!factory) return E_OUTOFMEMORY;
  return RegisterComClass(info, factory.Get(), cookie);
}
