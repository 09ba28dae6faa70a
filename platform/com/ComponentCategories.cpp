// The component-categories manager: reads HKCR\CLSID\{...}\Implemented Categories and
// Required Categories, and the descriptions under HKCR\Component Categories\{catid}.

#include <algorithm>
#include <cstring>

#include "platform/com/ClassesRoot.h"
#include "platform/com/ComCat.h"
#include "platform/com/Enumerators.h"
#include "platform/com/StandardClasses.h"
#include "platform/com/TaskMemory.h"
#include "platform/rtl/StringUtils.h"

namespace {

constexpr ULONG AnyCategory = ULONG(-1);
constexpr LCID EnglishLcid = 0x409;

bool ParseGuid(const std::u16string& text, GUID& guid) {
  return text.size() == 38 && text[0] == u'{' && SUCCEEDED(IIDFromString(text.c_str(), &guid));
}

std::vector<GUID> GuidSubKeys(const std::u16string& keyPath) {
  std::vector<GUID> guids;
  for (const std::u16string& name : ClassesRootSubKeys(keyPath)) {
    GUID guid;
    if (ParseGuid(name, guid)) guids.push_back(guid);
  }
  return guids;
}

std::u16string ClassKey(REFCLSID clsid) { return u"CLSID\\" + GuidToRegistryText(clsid); }
std::vector<GUID> ImplementedCategories(REFCLSID clsid) { return GuidSubKeys(ClassKey(clsid) + u"\\Implemented Categories"); }
std::vector<GUID> RequiredCategories(REFCLSID clsid) { return GuidSubKeys(ClassKey(clsid) + u"\\Required Categories"); }

bool Contains(ULONG count, const CATID list[], const GUID& guid) { return std::find(list, list + count, guid) != list + count; }

bool ValidCategoryList(ULONG count, const CATID list[], bool zeroAllowed) {
  if (count == AnyCategory) return true;
  if (count == 0) return zeroAllowed;
  return list != nullptr;
}

// A class qualifies when it implements at least one of the implemented list (or that list is
// "any") and requires nothing outside the required list (or that list is "any").
bool ClassMatches(REFCLSID clsid, ULONG cImplemented, const CATID rgcatidImpl[], ULONG cRequired, const CATID rgcatidReq[]) {
  if (cImplemented != AnyCategory) {
    const std::vector<GUID> implemented = ImplementedCategories(clsid);
    if (std::none_of(implemented.begin(), implemented.end(),
                     [&](const GUID& c) { return Contains(cImplemented, rgcatidImpl, c); }))
      return false;
  }
  if (cRequired != AnyCategory) {
    const std::vector<GUID> required = RequiredCategories(clsid);
    if (std::any_of(required.begin(), required.end(), [&](const GUID& c) { return !Contains(cRequired, rgcatidReq, c); }))
      return false;
  }
  return true;
}

// The category's description for lcid, else its English one.
bool CategoryDescription(REFCATID catid, LCID lcid, std::u16string& description, LCID& found) {
  const std::u16string key = u"Component Categories\\" + GuidToRegistryText(catid);
  for (LCID candidate : {lcid, EnglishLcid}) {
    if (ReadClassesRootString(key, Utf8ToUtf16(Format("%x", unsigned(candidate))), description)) {
      found = candidate;
      return true;
    }
  }
  return false;
}

using TEnumCategoryInfo = TEnumerator<IEnumCATEGORYINFO, TEnumValuePolicy<CATEGORYINFO>>;

class TComponentCategoriesManager : public TComObject<ICatInformation> {
public:
  HRESULT STDMETHODCALLTYPE EnumCategories(LCID lcid, IEnumCATEGORYINFO** ppenumCategoryInfo) override {
    if (!ppenumCategoryInfo) return E_INVALIDARG;
    std::vector<CATEGORYINFO> categories;
    for (const GUID& catid : GuidSubKeys(u"Component Categories")) {
      CATEGORYINFO info{};
      info.catid = catid;
      info.lcid = lcid;
      std::u16string description;
      if (CategoryDescription(catid, lcid, description, info.lcid)) {
        const size_t length = std::min<size_t>(description.size(), std::size(info.szDescription) - 1);
        std::memcpy(info.szDescription, description.data(), length * sizeof(OLECHAR));
      }
      categories.push_back(info);
    }
    return TEnumCategoryInfo::Create(std::move(categories), ppenumCategoryInfo);
  }

  HRESULT STDMETHODCALLTYPE GetCategoryDesc(REFCATID rcatid, LCID lcid, LPWSTR* pszDesc) override {
    if (!pszDesc) return E_INVALIDARG;
    *pszDesc = nullptr;
    if (!ClassesRootKeyExists(u"Component Categories\\" + GuidToRegistryText(rcatid))) return CAT_E_CATIDNOEXIST;
    std::u16string description;
    LCID found;
    if (!CategoryDescription(rcatid, lcid, description, found)) return CAT_E_NODESCRIPTION;
    const size_t bytes = (description.size() + 1) * sizeof(WCHAR);
    *pszDesc = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
    if (!*pszDesc) return E_OUTOFMEMORY;
    std::memcpy(*pszDesc, description.c_str(), bytes);
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE EnumClassesOfCategories(ULONG cImplemented, const CATID rgcatidImpl[], ULONG cRequired,
                                                    const CATID rgcatidReq[], IEnumGUID** ppenumClsid) override {
    if (!ppenumClsid) return E_INVALIDARG;
    *ppenumClsid = nullptr;
    if (!ValidCategoryList(cImplemented, rgcatidImpl, false) || !ValidCategoryList(cRequired, rgcatidReq, true))
      return E_INVALIDARG;
    std::vector<GUID> classes;
    for (const GUID& clsid : GuidSubKeys(u"CLSID"))
      if (ClassMatches(clsid, cImplemented, rgcatidImpl, cRequired, rgcatidReq)) classes.push_back(clsid);
    return CreateEnumGUID(std::move(classes), ppenumClsid);
  }

  HRESULT STDMETHODCALLTYPE IsClassOfCategories(REFCLSID rclsid, ULONG cImplemented, const CATID rgcatidImpl[],
                                                ULONG cRequired, const CATID rgcatidReq[]) override {
    if (!ValidCategoryList(cImplemented, rgcatidImpl, false) || !ValidCategoryList(cRequired, rgcatidReq, true))
      return E_INVALIDARG;
    return ClassMatches(rclsid, cImplemented, rgcatidImpl, cRequired, rgcatidReq) ? S_OK : S_FALSE;
  }

  HRESULT STDMETHODCALLTYPE EnumImplCategoriesOfClass(REFCLSID rclsid, IEnumGUID** ppenumCatid) override {
    return EnumCategoriesOfClass(rclsid, ImplementedCategories, ppenumCatid);
  }

  HRESULT STDMETHODCALLTYPE EnumReqCategoriesOfClass(REFCLSID rclsid, IEnumGUID** ppenumCatid) override {
    return EnumCategoriesOfClass(rclsid, RequiredCategories, ppenumCatid);
  }

private:
  static HRESULT EnumCategoriesOfClass(REFCLSID rclsid, std::vector<GUID> (*categories)(REFCLSID),
                                       IEnumGUID** ppenumCatid) {
    if (!ppenumCatid) return E_INVALIDARG;
    *ppenumCatid = nullptr;
    if (!ClassesRootKeyExists(ClassKey(rclsid))) return REGDB_E_CLASSNOTREG;
    return CreateEnumGUID(categories(rclsid), ppenumCatid);
  }
};

}  // namespace

HRESULT CreateComponentCategoriesManager(REFIID riid, void** ppv) {
  ComPtr<TComponentCategoriesManager> manager(new (std::nothrow) TComponentCategoriesManager);
  if (!manager) return E_OUTOFMEMORY;
  return manager->QueryInterface(riid, ppv);
}
