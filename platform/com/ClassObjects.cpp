// Finding a class object and creating objects. A class is found, in this order, among the
// runtime's own classes, the class objects registered in this process, and the in-process
// server module named by HKCR\CLSID\{...}\InprocServer32. Every class lives in this process,
// so it answers any server context; only another computer cannot be reached.

#include <unistd.h>

#include <algorithm>
#include <mutex>
#include <vector>

#include "platform/com/ClassesRoot.h"
#include "platform/com/ComApartment.h"
#include "platform/com/ComPtr.h"
#include "platform/com/InprocServerModules.h"
#include "platform/com/ObjIdl.h"
#include "platform/com/StandardClasses.h"
#include "platform/rtl/StringUtils.h"
#include "platform/win32.h"

namespace {

constexpr DWORD KnownContexts = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER;

struct TRegisteredClass {
  CLSID ClassId;
  ComPtr<IUnknown> ClassObject;
  DWORD Cookie;
  bool SingleUse;
};

std::mutex ClassesLock;
std::vector<TRegisteredClass> RegisteredClasses;
DWORD LastClassCookie = 0;

// A single-use registration serves one activation and is then withdrawn, as on Windows.
ComPtr<IUnknown> TakeRegisteredClassObject(REFCLSID clsid) {
  std::lock_guard lock(ClassesLock);
  // The latest registration of a class wins.
  auto found = std::find_if(RegisteredClasses.rbegin(), RegisteredClasses.rend(),
                            [&clsid](const TRegisteredClass& c) { return c.ClassId == clsid; });
  if (found == RegisteredClasses.rend()) return nullptr;
  ComPtr<IUnknown> classObject = found->ClassObject;
  if (found->SingleUse) RegisteredClasses.erase(std::next(found).base());
  return classObject;
}

HRESULT GetModuleClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
  std::u16string modulePath;
  if (!ReadClassesRootString(u"CLSID\\" + GuidToRegistryText(rclsid) + u"\\InprocServer32", u"", modulePath) ||
      modulePath.empty())
    return REGDB_E_CLASSNOTREG;
  TInprocServerModule module;
  std::string error;
  const HRESULT hr = LoadInprocServerModule(Utf16ToUtf8(modulePath), module, error);
  if (FAILED(hr)) return hr;
  return module.GetClassObject(rclsid, riid, ppv);
}

// The computer's own name, its host (DNS) name, or a loopback name.
bool IsThisComputer(LPCWSTR name) {
  if (!name || !*name) return true;
  const std::string wanted = Utf16ToUtf8(name);
  if (SameText(wanted, "localhost") || wanted == "127.0.0.1") return true;
  char host[256] = {};
  if (gethostname(host, sizeof host - 1) == 0 && SameText(wanted, host)) return true;
  WCHAR computer[MAX_COMPUTERNAME_LENGTH + 1];
  DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
  return GetComputerNameW(computer, &size) && SameText(wanted, Utf16ToUtf8(std::u16string(computer, size)));
}

}  // namespace

HRESULT CoRegisterClassObject(REFCLSID rclsid, LPUNKNOWN pUnk, DWORD dwClsContext, DWORD flags, LPDWORD lpdwRegister) {
  if (!lpdwRegister) return E_INVALIDARG;
  *lpdwRegister = 0;
  if (!pUnk || !(dwClsContext & KnownContexts)) return E_INVALIDARG;
  if (!CurrentApartment()) return CO_E_NOTINITIALIZED;
  std::lock_guard lock(ClassesLock);
  *lpdwRegister = ++LastClassCookie;
  RegisteredClasses.push_back({rclsid, pUnk, *lpdwRegister, flags == REGCLS_SINGLEUSE});
  return S_OK;
}

HRESULT CoRevokeClassObject(DWORD dwRegister) {
  ComPtr<IUnknown> revoked;
  {
    std::lock_guard lock(ClassesLock);
    auto found = std::find_if(RegisteredClasses.begin(), RegisteredClasses.end(),
                              [dwRegister](const TRegisteredClass& c) { return c.Cookie == dwRegister; });
    if (found == RegisteredClasses.end()) return E_INVALIDARG;
    revoked = std::move(found->ClassObject);
    RegisteredClasses.erase(found);
  }
  return S_OK;
}

HRESULT CoGetClassObject(REFCLSID rclsid, DWORD dwClsContext, COSERVERINFO* pServerInfo, REFIID riid, LPVOID* ppv) {
  if (!ppv) return E_INVALIDARG;
  *ppv = nullptr;
  if (!(dwClsContext & KnownContexts)) return E_INVALIDARG;
  if (!CurrentApartment()) return CO_E_NOTINITIALIZED;
  // A server name is used only for remote activation; there is no transport to another
  // computer, which therefore answers as an unreachable one.
  if (pServerInfo && (dwClsContext & CLSCTX_REMOTE_SERVER) && !IsThisComputer(pServerInfo->pwszName))
    return HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE);
  const HRESULT standard = GetStandardClassObject(rclsid, riid, ppv);
  if (standard != CLASS_E_CLASSNOTAVAILABLE) return standard;
  if (ComPtr<IUnknown> classObject = TakeRegisteredClassObject(rclsid)) return classObject->QueryInterface(riid, ppv);
  return GetModuleClassObject(rclsid, riid, ppv);
}

HRESULT CoCreateInstance(REFCLSID rclsid, LPUNKNOWN pUnkOuter, DWORD dwClsContext, REFIID riid, LPVOID* ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (pUnkOuter && riid != IID_IUnknown) return CLASS_E_NOAGGREGATION;
  ComPtr<IClassFactory> factory;
  const HRESULT hr = CoGetClassObject(rclsid, dwClsContext, nullptr, IID_IClassFactory,
                                      reinterpret_cast<void**>(factory.ReleaseAndGetAddressOf()));
  if (FAILED(hr)) return hr;
  return factory->CreateInstance(pUnkOuter, riid, ppv);
}

HRESULT CoCreateInstanceEx(REFCLSID Clsid, IUnknown* punkOuter, DWORD dwClsCtx, COSERVERINFO* pServerInfo,
                           DWORD dwCount, MULTI_QI* pResults) {
  if (dwCount == 0 || !pResults) return E_INVALIDARG;
  for (DWORD i = 0; i < dwCount; ++i) {
    if (!pResults[i].pIID) return E_INVALIDARG;
    pResults[i].pItf = nullptr;
    pResults[i].hr = E_NOINTERFACE;
  }
  ComPtr<IClassFactory> factory;
  HRESULT hr = CoGetClassObject(Clsid, dwClsCtx, pServerInfo, IID_IClassFactory,
                                reinterpret_cast<void**>(factory.ReleaseAndGetAddressOf()));
  ComPtr<IUnknown> object;
  if (SUCCEEDED(hr))
    hr = factory->CreateInstance(punkOuter, IID_IUnknown, reinterpret_cast<void**>(object.ReleaseAndGetAddressOf()));
  if (FAILED(hr)) {
    for (DWORD i = 0; i < dwCount; ++i) pResults[i].hr = hr;
    return hr;
  }
  DWORD delivered = 0;
  for (DWORD i = 0; i < dwCount; ++i) {
    pResults[i].hr = object->QueryInterface(*pResults[i].pIID, reinterpret_cast<void**>(&pResults[i].pItf));
    if (SUCCEEDED(pResults[i].hr)) ++delivered;
  }
  if (delivered == dwCount) return S_OK;
  return delivered ? CO_S_NOTALLINTERFACES : E_NOINTERFACE;
}
