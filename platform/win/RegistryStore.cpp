#include "platform/win/RegistryStore.h"

#include <algorithm>
#include <chrono>
#include <map>

#include "platform/win/NameCase.h"

namespace {

FILETIME Now() {
  // 100-nanosecond intervals between 1601-01-01 and 1970-01-01.
  constexpr uint64_t UnixEpoch = 116444736000000000ULL;
  const auto since1970 = std::chrono::duration_cast<std::chrono::duration<int64_t, std::ratio<1, 10000000>>>(
      std::chrono::system_clock::now().time_since_epoch());
  const uint64_t ticks = UnixEpoch + uint64_t(since1970.count());
  return {DWORD(ticks), DWORD(ticks >> 32)};
}

// Handles look like Windows' (multiples of 4) and are never reused, so a closed handle stays
// invalid.
std::map<uintptr_t, TOpenKey>& OpenKeys() {
  static auto* keys = new std::map<uintptr_t, TOpenKey>;
  return *keys;
}
uintptr_t LastHandle = 0x1000;

// Where a subkey of that name is or would go.
template <class Keys>
auto SubKeyPosition(Keys& keys, std::u16string_view name) {
  return std::lower_bound(keys.begin(), keys.end(), name, [](const auto& key, std::u16string_view wanted) {
    return CompareNamesIgnoringCase(key->Name(), wanted) < 0;
  });
}

}  // namespace

LONG SplitKeyPath(std::u16string_view path, std::vector<std::u16string_view>& names) {
  names.clear();
  if (!path.empty() && path[0] == u'\\') return ERROR_BAD_PATHNAME;
  size_t start = 0;
  while (start < path.size()) {
    size_t end = path.find(u'\\', start);
    if (end == std::u16string_view::npos) end = path.size();
    if (end > start) {
      if (end - start > MaxKeyNameLength || names.size() == MaxKeyDepth) return ERROR_INVALID_PARAMETER;
      names.push_back(path.substr(start, end - start));
    }
    start = end + 1;
  }
  return ERROR_SUCCESS;
}

std::shared_ptr<TRegistryKey> TRegistryKey::FindSubKey(std::u16string_view name) const {
  auto found = SubKeyPosition(FSubKeys, name);
  if (found != FSubKeys.end() && SameNameIgnoringCase((*found)->Name(), name)) return *found;
  return nullptr;
}

std::shared_ptr<TRegistryKey> TRegistryKey::AddSubKey(std::u16string_view name, bool& created) {
  auto found = SubKeyPosition(FSubKeys, name);
  created = found == FSubKeys.end() || !SameNameIgnoringCase((*found)->Name(), name);
  if (!created) return *found;
  auto key = std::make_shared<TRegistryKey>(std::u16string(name), this);
  key->Touch();
  FSubKeys.insert(found, key);
  Touch();
  return key;
}

void TRegistryKey::RemoveSubKey(TRegistryKey* subKey) {
  auto found = std::find_if(FSubKeys.begin(), FSubKeys.end(), [subKey](const auto& key) { return key.get() == subKey; });
  if (found == FSubKeys.end()) return;
  subKey->FDeleted = true;
  subKey->FParent = nullptr;
  FSubKeys.erase(found);
  Touch();
}

void TRegistryKey::Clear() {
  // Depth-first without recursion: a tree read from a file may be deep.
  std::vector<std::shared_ptr<TRegistryKey>> pending = std::move(FSubKeys);
  FSubKeys.clear();
  FValues.clear();
  while (!pending.empty()) {
    std::shared_ptr<TRegistryKey> key = std::move(pending.back());
    pending.pop_back();
    key->FDeleted = true;
    key->FParent = nullptr;
    key->FValues.clear();
    for (auto& subKey : key->FSubKeys) pending.push_back(std::move(subKey));
    key->FSubKeys.clear();
  }
  Touch();
}

const TRegistryValue* TRegistryKey::FindValue(std::u16string_view name) const {
  auto found = std::find_if(FValues.begin(), FValues.end(),
                            [name](const auto& value) { return SameNameIgnoringCase(value.Name, name); });
  return found == FValues.end() ? nullptr : &*found;
}

void TRegistryKey::SetValue(std::u16string_view name, DWORD type, std::vector<BYTE> data) {
  if (auto* existing = const_cast<TRegistryValue*>(FindValue(name))) {
    existing->Type = type;
    existing->Data = std::move(data);
  } else {
    FValues.push_back({std::u16string(name), type, std::move(data)});
  }
  Touch();
}

void TRegistryKey::Touch() { LastWriteTime = Now(); }

std::shared_mutex& RegistryLock() {
  static auto* lock = new std::shared_mutex;
  return *lock;
}

const std::shared_ptr<TRegistryKey>& ClassesRootKey() {
  static auto* root = new std::shared_ptr<TRegistryKey>(std::make_shared<TRegistryKey>(u"HKEY_CLASSES_ROOT", nullptr));
  return *root;
}

bool FindKeyHandle(HKEY handle, TOpenKey& open) {
  if (handle == HKEY_CLASSES_ROOT) {
    open = {ClassesRootKey(), KEY_ALL_ACCESS};
    return true;
  }
  auto found = OpenKeys().find(reinterpret_cast<uintptr_t>(handle));
  if (found == OpenKeys().end()) return false;
  open = found->second;
  return true;
}

HKEY RegisterKeyHandle(std::shared_ptr<TRegistryKey> key, REGSAM access) {
  LastHandle += 4;
  OpenKeys()[LastHandle] = {std::move(key), access};
  return reinterpret_cast<HKEY>(LastHandle);
}

bool ReleaseKeyHandle(HKEY handle) { return OpenKeys().erase(reinterpret_cast<uintptr_t>(handle)) == 1; }
