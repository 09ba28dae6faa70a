#include "servers/hdasim/ServerRegistration.h"

#include <mutex>

#include "opc/_OPCCOMN.h"
#include "platform/rtl/StringUtils.h"
#include "servers/hdasim/ServerObject.h"

namespace {

// Creates objects of T on the historian of its registration.
template <class T>
class THdaSimClassFactory : public TComObject<IClassFactory> {
public:
  explicit THdaSimClassFactory(std::shared_ptr<HdaHistorian> historian) : FHistorian(std::move(historian)) {}

  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) override {
    if (!ppvObject) return E_POINTER;
    *ppvObject = nullptr;
    if (pUnkOuter) return CLASS_E_NOAGGREGATION;
    T* object = new (std::nothrow) T(FHistorian);
    if (!object) return E_OUTOFMEMORY;
    ComPtr<T> holder(object);
    return object->QueryInterface(riid, ppvObject);
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

private:
  const std::shared_ptr<HdaHistorian> FHistorian;
};

struct TRegistration {
  std::mutex Lock;
  std::vector<DWORD> Cookies;
  std::vector<std::string> Diagnostics;
};

TRegistration& Registration() {
  static TRegistration registration;
  return registration;
}

void RevokeLocked(TRegistration& registration) {
  for (const DWORD cookie : registration.Cookies) CoRevokeClassObject(cookie);
  registration.Cookies.clear();
}

// The category's description, as the categories manager of Windows writes it.
HRESULT RegisterHdaCategory() {
  OLECHAR id[39];
  StringFromGUID2(CATID_OPCHDAServer10, id, 39);
  const std::u16string path = std::u16string(u"Component Categories\\") + id;
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &key,
                      nullptr) != ERROR_SUCCESS)
    return REGDB_E_WRITEREGDB;
  const std::u16string description = OPC_CATEGORY_DESCRIPTION_HDA10;
  const LONG written = RegSetValueExW(key, u"409", 0, REG_SZ, reinterpret_cast<const BYTE*>(description.c_str()),
                                      static_cast<DWORD>((description.size() + 1) * sizeof(WCHAR)));
  RegCloseKey(key);
  return written == ERROR_SUCCESS ? S_OK : REGDB_E_WRITEREGDB;
}

template <class T>
HRESULT RegisterClass(const TComClassInfo& info, const std::shared_ptr<HdaHistorian>& historian,
                      std::vector<DWORD>& cookies) {
  ComPtr<IClassFactory> factory(new (std::nothrow) THdaSimClassFactory<T>(historian));
  if (!factory) return E_OUTOFMEMORY;
  DWORD cookie = 0;
  const HRESULT hr = RegisterComClass(info, factory.Get(), &cookie);
  if (SUCCEEDED(hr)) cookies.push_back(cookie);
  return hr;
}

}  // namespace

HRESULT RegisterHdaSimServers(const THdaSimOptions& options) {
  HdaHistorianOptions historianOptions;
  historianOptions.Clock = options.Clock;
  historianOptions.MaxReturnValues = options.MaxReturnValues;
  historianOptions.DataFolder = options.DataFolder.value_or(HdaDataFolderFromEnvironment());
  auto historian = std::make_shared<HdaHistorian>(std::move(historianOptions));

  TComClassInfo full;
  full.ClassId = CLSID_ZelkHDASim;
  full.ProgId = "Zelk.HDASim.1";
  full.VersionIndependentProgId = "Zelk.HDASim";
  full.Description = "Zelk HDA Simulation Server";
  full.ImplementedCategories = {CATID_OPCHDAServer10};
  TComClassInfo minimal;
  minimal.ClassId = CLSID_ZelkHDASimMinimal;
  minimal.ProgId = "Zelk.HDASim.Minimal.1";
  minimal.Description = "Zelk HDA Simulation Server (minimal)";
  minimal.ImplementedCategories = {CATID_OPCHDAServer10};

  TRegistration& registration = Registration();
  std::lock_guard lock(registration.Lock);
  RevokeLocked(registration);
  registration.Diagnostics = historian->Diagnostics();
  HRESULT hr = RegisterHdaCategory();
  if (SUCCEEDED(hr)) hr = RegisterClass<THdaSimServer>(full, historian, registration.Cookies);
  if (SUCCEEDED(hr)) hr = RegisterClass<THdaSimMinimalServer>(minimal, historian, registration.Cookies);
  if (FAILED(hr)) RevokeLocked(registration);
  return hr;
}

void RevokeHdaSimServers() {
  TRegistration& registration = Registration();
  std::lock_guard lock(registration.Lock);
  RevokeLocked(registration);
}

std::vector<std::string> HdaSimDiagnostics() {
  TRegistration& registration = Registration();
  std::lock_guard lock(registration.Lock);
  return registration.Diagnostics;
}

void RequestHdaSimShutdown(const std::string& reason) { THdaSimServer::RequestShutdownOfAll(Utf8ToUtf16(reason)); }
