// The process's one global interface table. There are no proxies on this platform, so an
// entry hands back the registered object itself, queried for the interface asked for.

#include <map>
#include <mutex>

#include "platform/com/ComApartment.h"
#include "platform/com/ComPtr.h"
#include "platform/com/ObjIdl.h"
#include "platform/com/StandardClasses.h"

namespace {

class TGlobalInterfaceTable final : public IGlobalInterfaceTable {
public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override {
    if (!ppvObject) return E_POINTER;
    *ppvObject = nullptr;
    if (riid != IID_IUnknown && riid != IID_IGlobalInterfaceTable) return E_NOINTERFACE;
    *ppvObject = static_cast<IGlobalInterfaceTable*>(this);
    return S_OK;
  }
  // The table lives as long as the process; references do not count.
  ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }

  HRESULT STDMETHODCALLTYPE RegisterInterfaceInGlobal(IUnknown* pUnk, REFIID riid, DWORD* pdwCookie) override {
    if (!pdwCookie) return E_INVALIDARG;
    *pdwCookie = 0;
    if (!pUnk) return E_INVALIDARG;
    ComPtr<IUnknown> entry;
    const HRESULT hr = pUnk->QueryInterface(riid, reinterpret_cast<void**>(entry.ReleaseAndGetAddressOf()));
    if (FAILED(hr)) return hr;
    std::lock_guard lock(FLock);
    do ++FLastCookie;
    while (FLastCookie == 0 || FEntries.count(FLastCookie));
    FEntries.emplace(FLastCookie, std::move(entry));
    *pdwCookie = FLastCookie;
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE RevokeInterfaceFromGlobal(DWORD dwCookie) override {
    ComPtr<IUnknown> revoked;
    {
      std::lock_guard lock(FLock);
      auto found = FEntries.find(dwCookie);
      if (found == FEntries.end()) return E_INVALIDARG;
      revoked = std::move(found->second);
      FEntries.erase(found);
    }
    // Released outside the lock: the object's destructor may use the table.
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE GetInterfaceFromGlobal(DWORD dwCookie, REFIID riid, void** ppv) override {
    if (!ppv) return E_INVALIDARG;
    *ppv = nullptr;
    if (!CurrentApartment()) return CO_E_NOTINITIALIZED;
    ComPtr<IUnknown> entry;
    {
      std::lock_guard lock(FLock);
      auto found = FEntries.find(dwCookie);
      if (found == FEntries.end()) return E_INVALIDARG;
      entry = found->second;
    }
    return entry->QueryInterface(riid, ppv);
  }

private:
  std::mutex FLock;
  std::map<DWORD, ComPtr<IUnknown>> FEntries;
  DWORD FLastCookie = 0;
};

}  // namespace

HRESULT GetGlobalInterfaceTable(REFIID riid, void** ppv) {
  // Never destroyed: entries may be revoked by code that runs during exit.
  static auto* table = new TGlobalInterfaceTable;
  return table->QueryInterface(riid, ppv);
}
