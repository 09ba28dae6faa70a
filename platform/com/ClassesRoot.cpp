#include "platform/com/ClassesRoot.h"

#include "platform/win32.h"

namespace {

// Closes the key when it goes out of scope.
class TKey {
public:
  TKey() = default;
  TKey(const TKey&) = delete;
  TKey& operator=(const TKey&) = delete;
  ~TKey() {
    if (FKey) RegCloseKey(FKey);
  }
  HKEY* operator&() { return &FKey; }
  operator HKEY() const { return FKey; }

private:
  HKEY FKey = nullptr;
};

}  // namespace

bool ReadClassesRootString(const std::u16string& keyPath, const std::u16string& valueName, std::u16string& value) {
  TKey key;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, keyPath.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  DWORD type = 0;
  DWORD size = 0;
  if (RegQueryValueExW(key, valueName.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return false;
  if (type != REG_SZ && type != REG_EXPAND_SZ) return false;
  std::u16string text(size / sizeof(WCHAR) + 1, u'\0');
  size = DWORD(text.size() * sizeof(WCHAR));
  if (RegQueryValueExW(key, valueName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &size) !=
      ERROR_SUCCESS)
    return false;
  text.resize(size / sizeof(WCHAR));
  // The stored size counts the terminating null when the writer included it.
  while (!text.empty() && text.back() == u'\0') text.pop_back();
  value = std::move(text);
  return true;
}

bool ClassesRootKeyExists(const std::u16string& keyPath) {
  TKey key;
  return RegOpenKeyExW(HKEY_CLASSES_ROOT, keyPath.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS;
}

std::vector<std::u16string> ClassesRootSubKeys(const std::u16string& keyPath) {
  std::vector<std::u16string> names;
  TKey key;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, keyPath.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return names;
  // Key names are at most 255 characters.
  WCHAR name[256];
  for (DWORD index = 0;; ++index) {
    DWORD length = 256;
    if (RegEnumKeyExW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    names.emplace_back(name, length);
  }
  return names;
}

LONG CreateClassesRootKey(const std::u16string& keyPath) {
  TKey key;
  return RegCreateKeyExW(HKEY_CLASSES_ROOT, keyPath.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr,
                         &key, nullptr);
}

LONG WriteClassesRootString(const std::u16string& keyPath, const std::u16string& valueName, const std::u16string& value) {
  TKey key;
  LONG result = RegCreateKeyExW(HKEY_CLASSES_ROOT, keyPath.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE,
                                nullptr, &key, nullptr);
  if (result != ERROR_SUCCESS) return result;
  return RegSetValueExW(key, valueName.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                        DWORD((value.size() + 1) * sizeof(WCHAR)));
}

std::u16string GuidToRegistryText(REFGUID guid) {
  OLECHAR text[39];
  StringFromGUID2(guid, text, 39);
  return text;
}
