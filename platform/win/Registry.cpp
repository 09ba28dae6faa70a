// The registry functions over the in-memory HKEY_CLASSES_ROOT. A handle keeps its key alive:
// once the key is deleted (or the registry cleared) calls through it answer ERROR_KEY_DELETED.

#include <cstring>
#include <mutex>

#include "platform/win/RegistryStore.h"

namespace {

// The live key behind hKey with every right of required; ERROR_INVALID_HANDLE,
// ERROR_KEY_DELETED or ERROR_ACCESS_DENIED otherwise.
LONG UsableKey(HKEY hKey, REGSAM required, TOpenKey& open) {
  if (!FindKeyHandle(hKey, open)) return ERROR_INVALID_HANDLE;
  if (open.Key->Deleted()) return ERROR_KEY_DELETED;
  if ((open.Access & required) != required) return ERROR_ACCESS_DENIED;
  return ERROR_SUCCESS;
}

// The key at path below the live key behind hKey; walking down needs no access right.
LONG FindKey(HKEY hKey, LPCWSTR path, std::shared_ptr<TRegistryKey>& key) {
  TOpenKey parent;
  LONG result = UsableKey(hKey, 0, parent);
  if (result != ERROR_SUCCESS) return result;
  std::vector<std::u16string_view> names;
  result = SplitKeyPath(path ? path : u"", names);
  if (result != ERROR_SUCCESS) return result;
  key = std::move(parent.Key);
  for (std::u16string_view name : names) {
    key = key->FindSubKey(name);
    if (!key) return ERROR_FILE_NOT_FOUND;
  }
  return ERROR_SUCCESS;
}

std::u16string_view ValueName(LPCWSTR name) { return name ? std::u16string_view(name) : std::u16string_view(); }

}  // namespace

LONG RegOpenKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD /*ulOptions*/, REGSAM samDesired, PHKEY phkResult) {
  if (!phkResult) return ERROR_INVALID_PARAMETER;
  *phkResult = nullptr;
  std::unique_lock lock(RegistryLock());
  std::shared_ptr<TRegistryKey> key;
  const LONG result = FindKey(hKey, lpSubKey, key);
  if (result != ERROR_SUCCESS) return result;
  *phkResult = RegisterKeyHandle(std::move(key), samDesired);
  return ERROR_SUCCESS;
}

LONG RegCreateKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD /*Reserved*/, LPWSTR lpClass, DWORD dwOptions,
                     REGSAM samDesired, const LPSECURITY_ATTRIBUTES /*lpSecurityAttributes*/, PHKEY phkResult,
                     LPDWORD lpdwDisposition) {
  if (!phkResult) return ERROR_INVALID_PARAMETER;
  *phkResult = nullptr;
  if (!lpSubKey || (dwOptions & ~REG_OPTION_VOLATILE)) return ERROR_INVALID_PARAMETER;
  std::vector<std::u16string_view> names;
  LONG result = SplitKeyPath(lpSubKey, names);
  if (result != ERROR_SUCCESS) return result;
  const bool isVolatile = dwOptions & REG_OPTION_VOLATILE;

  std::unique_lock lock(RegistryLock());
  TOpenKey parent;
  result = UsableKey(hKey, 0, parent);
  if (result != ERROR_SUCCESS) return result;
  // Check the whole path before creating any of it, so that a refusal leaves nothing behind.
  std::shared_ptr<TRegistryKey> key = parent.Key;
  size_t existing = 0;
  for (; existing < names.size(); ++existing) {
    std::shared_ptr<TRegistryKey> next = key->FindSubKey(names[existing]);
    if (!next) break;
    key = std::move(next);
  }
  const bool creates = existing < names.size();
  if (creates) {
    if (key == parent.Key && !(parent.Access & KEY_CREATE_SUB_KEY)) return ERROR_ACCESS_DENIED;
    if (key->Volatile && !isVolatile) return ERROR_CHILD_MUST_BE_VOLATILE;
  }
  for (size_t i = existing; i < names.size(); ++i) {
    bool created = false;
    key = key->AddSubKey(names[i], created);
    key->Volatile = isVolatile;
  }
  if (creates && lpClass) key->Class = lpClass;
  if (lpdwDisposition) *lpdwDisposition = creates ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
  *phkResult = RegisterKeyHandle(std::move(key), samDesired);
  return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY hKey) {
  if (hKey == HKEY_CLASSES_ROOT) return ERROR_SUCCESS;
  std::unique_lock lock(RegistryLock());
  return ReleaseKeyHandle(hKey) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

LONG RegDeleteKeyW(HKEY hKey, LPCWSTR lpSubKey) {
  if (!lpSubKey) return ERROR_INVALID_PARAMETER;
  std::unique_lock lock(RegistryLock());
  std::shared_ptr<TRegistryKey> key;
  const LONG result = FindKey(hKey, lpSubKey, key);
  if (result != ERROR_SUCCESS) return result;
  // The root cannot go, nor a key that still has subkeys.
  if (!key->Parent() || !key->SubKeys().empty()) return ERROR_ACCESS_DENIED;
  key->Parent()->RemoveSubKey(key.get());
  return ERROR_SUCCESS;
}

LONG RegQueryValueExW(HKEY hKey, LPCWSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData,
                      LPDWORD lpcbData) {
  if (lpReserved || (lpData && !lpcbData)) return ERROR_INVALID_PARAMETER;
  std::shared_lock lock(RegistryLock());
  TOpenKey open;
  const LONG result = UsableKey(hKey, KEY_QUERY_VALUE, open);
  if (result != ERROR_SUCCESS) return result;
  const TRegistryValue* value = open.Key->FindValue(ValueName(lpValueName));
  if (!value) return ERROR_FILE_NOT_FOUND;
  if (lpType) *lpType = value->Type;
  if (!lpcbData) return ERROR_SUCCESS;
  const DWORD size = DWORD(value->Data.size());
  const DWORD room = *lpcbData;
  *lpcbData = size;
  if (!lpData) return ERROR_SUCCESS;
  if (room < size) return ERROR_MORE_DATA;
  if (size) std::memcpy(lpData, value->Data.data(), size);
  return ERROR_SUCCESS;
}

LONG RegSetValueExW(HKEY hKey, LPCWSTR lpValueName, DWORD /*Reserved*/, DWORD dwType, const BYTE* lpData,
                    DWORD cbData) {
  if (!lpData && cbData) return ERROR_NOACCESS;
  const std::u16string_view name = ValueName(lpValueName);
  if (name.size() > MaxValueNameLength) return ERROR_INVALID_PARAMETER;
  std::vector<BYTE> data(lpData, lpData + (lpData ? cbData : 0));
  std::unique_lock lock(RegistryLock());
  TOpenKey open;
  const LONG result = UsableKey(hKey, KEY_SET_VALUE, open);
  if (result != ERROR_SUCCESS) return result;
  open.Key->SetValue(name, dwType, std::move(data));
  return ERROR_SUCCESS;
}

LONG RegEnumKeyExW(HKEY hKey, DWORD dwIndex, LPWSTR lpName, LPDWORD lpcchName, LPDWORD lpReserved, LPWSTR lpClass,
                   LPDWORD lpcchClass, PFILETIME lpftLastWriteTime) {
  if (!lpName || !lpcchName || lpReserved || (lpClass && !lpcchClass)) return ERROR_INVALID_PARAMETER;
  std::shared_lock lock(RegistryLock());
  TOpenKey open;
  const LONG result = UsableKey(hKey, KEY_ENUMERATE_SUB_KEYS, open);
  if (result != ERROR_SUCCESS) return result;
  const auto& subKeys = open.Key->SubKeys();
  if (dwIndex >= subKeys.size()) return ERROR_NO_MORE_ITEMS;
  const TRegistryKey& key = *subKeys[dwIndex];
  // Sizes count characters with the terminating null going in and without it coming out;
  // a buffer that is too small is left alone, and so is its size.
  if (key.Name().size() >= *lpcchName || (lpClass && key.Class.size() >= *lpcchClass)) return ERROR_MORE_DATA;
  std::memcpy(lpName, key.Name().c_str(), (key.Name().size() + 1) * sizeof(WCHAR));
  *lpcchName = DWORD(key.Name().size());
  if (lpClass) {
    std::memcpy(lpClass, key.Class.c_str(), (key.Class.size() + 1) * sizeof(WCHAR));
    *lpcchClass = DWORD(key.Class.size());
  }
  if (lpftLastWriteTime) *lpftLastWriteTime = key.LastWriteTime;
  return ERROR_SUCCESS;
}
