#include "servers/hdasim/ServerBrowser.h"

#include <algorithm>

#include "platform/PlatformExtensions.h"
#include "platform/rtl/StringUtils.h"
#include "servers/hdasim/ServerValues.h"

namespace {

bool Compare(const HdaValue& left, OPCHDA_OPERATORCODES op, const HdaValue& right) {
  int order;
  if (std::holds_alternative<std::string>(left) || std::holds_alternative<std::string>(right)) {
    const std::string a = ToText(left), b = ToText(right);
    order = a < b ? -1 : a > b ? 1 : 0;
  } else {
    const double a = ToNumber(left), b = ToNumber(right);
    order = a < b ? -1 : a > b ? 1 : 0;
  }
  switch (op) {
    case OPCHDA_EQUAL: return order == 0;
    case OPCHDA_LESS: return order < 0;
    case OPCHDA_LESSEQUAL: return order <= 0;
    case OPCHDA_GREATER: return order > 0;
    case OPCHDA_GREATEREQUAL: return order >= 0;
    case OPCHDA_NOTEQUAL: return order != 0;
  }
  return false;
}

HRESULT TaskText(const std::string& text, LPWSTR* out) {
  *out = TaskString(text);
  return *out ? S_OK : E_OUTOFMEMORY;
}

std::string Join(const std::string& path, std::string_view name) {
  return path.empty() ? std::string(name) : path + "." + std::string(name);
}

class THdaSimBrowser : public TComObject<IOPCHDA_Browser> {
public:
  THdaSimBrowser(std::shared_ptr<const HdaHistorian> historian, std::vector<THdaBrowseFilter> filters)
      : FHistorian(std::move(historian)), FFilters(std::move(filters)), FPosition(&FHistorian->AddressSpace().Root()) {}

  HRESULT STDMETHODCALLTYPE GetEnum(OPCHDA_BROWSETYPE dwBrowseType, IEnumString** ppIEnumString) override {
    if (!ppIEnumString) return E_POINTER;
    *ppIEnumString = nullptr;
    std::vector<std::u16string> names;
    const HdaBranch* position = Position();
    switch (dwBrowseType) {
      case OPCHDA_BRANCH:
        for (const auto& branch : position->Branches()) names.push_back(Utf8ToUtf16(branch->Name()));
        break;
      case OPCHDA_LEAF:
      case OPCHDA_ITEMS:
        for (const int item : position->Items())
          if (Passes(item)) names.push_back(Utf8ToUtf16(ItemNameOf(FHistorian->Item(item).ItemId)));
        break;
      case OPCHDA_FLAT: AddFlat(*position, names); break;
      default: return E_INVALIDARG;
    }
    const bool empty = names.empty();
    const HRESULT hr = CreateEnumString(std::move(names), ppIEnumString);
    if (FAILED(hr)) return hr;
    return empty ? S_FALSE : S_OK;
  }

  HRESULT STDMETHODCALLTYPE ChangeBrowsePosition(OPCHDA_BROWSEDIRECTION dwBrowseDirection, LPCWSTR szString) override {
    std::lock_guard lock(FLock);
    switch (dwBrowseDirection) {
      case OPCHDA_BROWSE_UP:
        if (!FPosition->Parent()) return E_FAIL;
        FPosition = FPosition->Parent();
        return S_OK;
      case OPCHDA_BROWSE_DOWN: {
        const HdaBranch* branch = szString ? FPosition->FindBranch(Utf16ToUtf8(szString)) : nullptr;
        if (!branch) return E_INVALIDARG;
        FPosition = branch;
        return S_OK;
      }
      case OPCHDA_BROWSE_DIRECT: {
        const HdaBranch* branch = FHistorian->AddressSpace().FindBranch(szString ? Utf16ToUtf8(szString) : "");
        if (!branch) return E_INVALIDARG;
        FPosition = branch;
        return S_OK;
      }
    }
    return E_INVALIDARG;
  }

  HRESULT STDMETHODCALLTYPE GetItemID(LPCWSTR szNode, LPWSTR* pszItemID) override {
    if (!pszItemID) return E_POINTER;
    *pszItemID = nullptr;
    if (!szNode || !*szNode) return E_INVALIDARG;
    const std::string name = Utf16ToUtf8(szNode);
    const std::string relative = Join(Position()->Path(), name);
    for (const std::string& id : {relative, name}) {
      if (FHistorian->FindItem(id) >= 0 || FHistorian->AddressSpace().FindBranch(id)) return TaskText(id, pszItemID);
    }
    return E_INVALIDARG;
  }

  HRESULT STDMETHODCALLTYPE GetBranchPosition(LPWSTR* pszBranchPos) override {
    if (!pszBranchPos) return E_POINTER;
    return TaskText(Position()->Path(), pszBranchPos);
  }

private:
  const HdaBranch* Position() const {
    std::lock_guard lock(FLock);
    return FPosition;
  }

  bool Passes(int item) const {
    return std::all_of(FFilters.begin(), FFilters.end(), [&](const THdaBrowseFilter& filter) {
      HdaValue value;
      return FHistorian->ReadAttribute(item, filter.Attribute, value) == HdaStatus::Ok &&
             Compare(value, filter.Operator, filter.Value);
    });
  }

  void AddFlat(const HdaBranch& branch, std::vector<std::u16string>& names) const {
    for (const int item : branch.Items())
      if (Passes(item)) names.push_back(Utf8ToUtf16(FHistorian->Item(item).ItemId));
    for (const auto& child : branch.Branches()) AddFlat(*child, names);
  }

  const std::shared_ptr<const HdaHistorian> FHistorian;
  const std::vector<THdaBrowseFilter> FFilters;
  mutable std::mutex FLock;
  const HdaBranch* FPosition;
};

}  // namespace

HRESULT ParseBrowseFilter(DWORD attribute, OPCHDA_OPERATORCODES op, const VARIANT& value, THdaBrowseFilter& filter) {
  const auto& table = HdaAttributeTable();
  if (std::none_of(table.begin(), table.end(), [&](const HdaAttributeInfo& info) { return info.Id == attribute; }))
    return OPC_E_INVALIDATTRID;
  if (op < OPCHDA_EQUAL || op > OPCHDA_NOTEQUAL) return E_INVALIDARG;
  if (!VariantToValue(value, filter.Value)) return OPC_E_INVALIDDATATYPE;
  filter.Attribute = attribute;
  filter.Operator = op;
  return S_OK;
}

HRESULT CreateHdaSimBrowser(std::shared_ptr<const HdaHistorian> historian, std::vector<THdaBrowseFilter> filters,
                            IOPCHDA_Browser** browser) {
  auto* object = new (std::nothrow) THdaSimBrowser(std::move(historian), std::move(filters));
  if (!object) return E_OUTOFMEMORY;
  *browser = object;
  object->AddRef();
  return S_OK;
}
