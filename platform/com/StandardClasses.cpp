#include "platform/com/StandardClasses.h"

#include "platform/com/ComCat.h"
#include "platform/com/ComObject.h"

namespace {

class TStandardClassFactory : public TComObject<IClassFactory> {
public:
  using TCreator = HRESULT (*)(REFIID, void**);
  explicit TStandardClassFactory(TCreator creator) : FCreator(creator) {}

  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) override {
    if (!ppvObject) return E_POINTER;
    *ppvObject = nullptr;
    if (pUnkOuter) return CLASS_E_NOAGGREGATION;
    return FCreator(riid, ppvObject);
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

private:
  const TCreator FCreator;
};

}  // namespace

HRESULT GetStandardClassObject(REFCLSID rclsid, REFIID riid, void** ppv) {
  *ppv = nullptr;
  TStandardClassFactory::TCreator creator = nullptr;
  if (rclsid == CLSID_StdGlobalInterfaceTable)
    creator = GetGlobalInterfaceTable;
  else if (rclsid == CLSID_StdComponentCategoriesMgr)
    creator = CreateComponentCategoriesManager;
  else
    return CLASS_E_CLASSNOTAVAILABLE;
  ComPtr<TStandardClassFactory> factory(new (std::nothrow) TStandardClassFactory(creator));
  if (!factory) return E_OUTOFMEMORY;
  return factory->QueryInterface(riid, ppv);
}
