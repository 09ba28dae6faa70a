#include "servers/serverlist/ServerCatalog.h"

#include <algorithm>

namespace {

// Closes the key when the scope ends.
class TRegKey {
public:
  explicit TRegKey(const std::u16string& path) {
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &FKey) != ERROR_SUCCESS) FKey = nullptr;
  }
  ~TRegKey() {
    if (FKey) RegCloseKey(FKey);
  }
  TRegKey(const TRegKey&) = delete;
  TRegKey& operator=(const TRegKey&) = delete;

  explicit operator bool() const { return FKey != nullptr; }
  HKEY Get() const { return FKey; }

private:
  HKEY FKey = nullptr;
};

// Subkeys whose names are braced GUIDs, in registry order; names of other shapes (and names
// too long for a GUID) are passed over.
std::vector<GUID> GuidSubKeys(const std::u16string& path) {
  std::vector<GUID> guids;
  const TRegKey key(path);
  if (!key) return guids;
  for (DWORD index = 0;; ++index) {
    WCHAR name[64];
    DWORD length = static_cast<DWORD>(std::size(name));
    const LONG status = RegEnumKeyExW(key.Get(), index, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_NO_MORE_ITEMS) break;
    GUID guid;
    if (status == ERROR_SUCCESS && length == 38 && name[0] == u'{' && SUCCEEDED(IIDFromString(name, &guid)))
      guids.push_back(guid);
    else if (status != ERROR_SUCCESS && status != ERROR_MORE_DATA)
      break;
  }
  return guids;
}

// The key's default string value; empty when the key or value is missing or is no string.
std::u16string DefaultValue(const std::u16string& path) {
  const TRegKey key(path);
  if (!key) return {};
  DWORD type = REG_NONE;
  DWORD bytes = 0;
  if (RegQueryValueExW(key.Get(), u"", nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_EXPAND_SZ))
    return {};
  std::u16string text(bytes / sizeof(WCHAR), u'\0');
  if (RegQueryValueExW(key.Get(), u"", nullptr, &type, reinterpret_cast<LPBYTE>(text.data()), &bytes) !=
      ERROR_SUCCESS)
    return {};
  // The stored data need not end with a NUL; the text ends at the first one or at the data's end.
  text.resize(std::min<size_t>(bytes / sizeof(WCHAR), text.size()));
  return text.substr(0, text.find(u'\0'));
}

std::u16string ClassKeyPath(REFCLSID clsid) {
  OLECHAR text[39];
  StringFromGUID2(clsid, text, 39);
  return std::u16string(u"CLSID\\") + text;
}

bool Listed(const std::vector<CATID>& list, const CATID& category) {
  return std::find(list.begin(), list.end(), category) != list.end();
}

bool Qualifies(const std::u16string& classKey, const TCategoryQuery& query) {
  if (query.Implemented) {
    const std::vector<GUID> implemented = GuidSubKeys(classKey + u"\\Implemented Categories");
    if (std::none_of(implemented.begin(), implemented.end(),
                     [&](const CATID& category) { return Listed(*query.Implemented, category); }))
      return false;
  }
  if (query.Required) {
    const std::vector<GUID> required = GuidSubKeys(classKey + u"\\Required Categories");
    if (std::any_of(required.begin(), required.end(),
                    [&](const CATID& category) { return !Listed(*query.Required, category); }))
      return false;
  }
  return true;
}

}  // namespace

std::vector<CLSID> ClassesOfCategories(const TCategoryQuery& query) {
  std::vector<CLSID> classes;
  for (const CLSID& clsid : GuidSubKeys(u"CLSID"))
    if (Qualifies(ClassKeyPath(clsid), query)) classes.push_back(clsid);
  return classes;
}

HRESULT ClassDetails(REFCLSID clsid, TServerClassDetails& details) {
  details = {};
  const std::u16string classKey = ClassKeyPath(clsid);
  if (!TRegKey(classKey)) return REGDB_E_CLASSNOTREG;
  details.ProgId = DefaultValue(classKey + u"\\ProgID");
  if (details.ProgId.empty()) return REGDB_E_CLASSNOTREG;
  details.Description = DefaultValue(classKey);
  details.VersionIndependentProgId = DefaultValue(classKey + u"\\VersionIndependentProgID");
  return S_OK;
}
