#include "servers/serverlist/ServerListObject.h"

#include <cstring>

#include "servers/serverlist/ServerCatalog.h"

namespace {

constexpr ULONG AnyCategory = ULONG(-1);

// A category list from a client: (ULONG)-1 is "any"; false for a count without a list.
bool ReadCategories(ULONG count, const CATID list[], bool emptyAllowed, std::optional<std::vector<CATID>>& categories) {
  if (count == AnyCategory) return true;
  if (count == 0) {
    categories.emplace();
    return emptyAllowed;
  }
  if (!list) return false;
  categories.emplace(list, list + count);
  return true;
}

template <class TEnum, class TEnumInterface>
HRESULT EnumClasses(ULONG cImplemented, const CATID rgcatidImpl[], ULONG cRequired, const CATID rgcatidReq[],
                    TEnumInterface** ppenumClsid) {
  if (!ppenumClsid) return E_INVALIDARG;
  *ppenumClsid = nullptr;
  TCategoryQuery query;
  if (!ReadCategories(cImplemented, rgcatidImpl, false, query.Implemented) ||
      !ReadCategories(cRequired, rgcatidReq, true, query.Required))
    return E_INVALIDARG;
  return TEnum::Create(ClassesOfCategories(query), ppenumClsid);
}

LPOLESTR TaskString(const std::u16string& text) {
  const size_t bytes = (text.size() + 1) * sizeof(OLECHAR);
  auto* copy = static_cast<LPOLESTR>(CoTaskMemAlloc(bytes));
  if (copy) std::memcpy(copy, text.c_str(), bytes);
  return copy;
}

// Fills the out-parameters that are given (verIndProgId may be null); all of them or none.
HRESULT HandOutDetails(REFCLSID clsid, LPOLESTR* progId, LPOLESTR* userType, LPOLESTR* verIndProgId) {
  TServerClassDetails details;
  const HRESULT hr = ClassDetails(clsid, details);
  if (FAILED(hr)) return hr;
  *progId = TaskString(details.ProgId);
  *userType = TaskString(details.Description);
  if (verIndProgId) *verIndProgId = TaskString(details.VersionIndependentProgId);
  if (*progId && *userType && (!verIndProgId || *verIndProgId)) return S_OK;
  for (LPOLESTR* text : {progId, userType, verIndProgId}) {
    if (!text) continue;
    CoTaskMemFree(*text);
    *text = nullptr;
  }
  return E_OUTOFMEMORY;
}

using TOpcEnumGUID = TEnumerator<IOPCEnumGUID, TEnumValuePolicy<GUID>>;

}  // namespace

HRESULT TOpcServerList::EnumClassesOfCategories(ULONG cImplemented, CATID rgcatidImpl[], ULONG cRequired,
                                                CATID rgcatidReq[], IOPCEnumGUID** ppenumClsid) {
  return EnumClasses<TOpcEnumGUID>(cImplemented, rgcatidImpl, cRequired, rgcatidReq, ppenumClsid);
}

HRESULT TOpcServerList::EnumClassesOfCategories(ULONG cImplemented, CATID rgcatidImpl[], ULONG cRequired,
                                                CATID rgcatidReq[], IEnumGUID** ppenumClsid) {
  return EnumClasses<TEnumGUID>(cImplemented, rgcatidImpl, cRequired, rgcatidReq, ppenumClsid);
}

HRESULT TOpcServerList::GetClassDetails(REFCLSID clsid, LPOLESTR* ppszProgID, LPOLESTR* ppszUserType,
                                        LPOLESTR* ppszVerIndProgID) {
  if (!ppszProgID || !ppszUserType || !ppszVerIndProgID) return E_INVALIDARG;
  *ppszProgID = *ppszUserType = *ppszVerIndProgID = nullptr;
  return HandOutDetails(clsid, ppszProgID, ppszUserType, ppszVerIndProgID);
}

HRESULT TOpcServerList::GetClassDetails(REFCLSID clsid, LPOLESTR* ppszProgID, LPOLESTR* ppszUserType) {
  if (!ppszProgID || !ppszUserType) return E_INVALIDARG;
  *ppszProgID = *ppszUserType = nullptr;
  return HandOutDetails(clsid, ppszProgID, ppszUserType, nullptr);
}

HRESULT TOpcServerList::CLSIDFromProgID(LPCOLESTR szProgId, LPCLSID clsid) {
  // The class registry's own look-up: the ProgID key's CLSID subkey.
  return ::CLSIDFromProgID(szProgId, clsid);
}
