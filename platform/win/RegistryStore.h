#pragma once
// The in-memory tree behind HKEY_CLASSES_ROOT and the table of open key handles. Internal to
// the registry functions and the registry file; callers hold RegistryLock() while they use it.

#include <memory>
#include <shared_mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win/WinReg.h"

// Windows' limits: a key name of 255 characters, a value name of 16383, 512 levels of keys.
inline constexpr size_t MaxKeyNameLength = 255;
inline constexpr size_t MaxValueNameLength = 16383;
inline constexpr size_t MaxKeyDepth = 512;

struct TRegistryValue {
  std::u16string Name;
  DWORD Type = REG_NONE;
  std::vector<BYTE> Data;
};

class TRegistryKey {
public:
  explicit TRegistryKey(std::u16string name, TRegistryKey* parent) : FName(std::move(name)), FParent(parent) {}

  const std::u16string& Name() const { return FName; }
  TRegistryKey* Parent() const { return FParent; }
  bool Deleted() const { return FDeleted; }
  std::u16string Class;
  bool Volatile = false;
  FILETIME LastWriteTime = {0, 0};

  // Subkeys in the order of their upper-case names.
  const std::vector<std::shared_ptr<TRegistryKey>>& SubKeys() const { return FSubKeys; }
  std::shared_ptr<TRegistryKey> FindSubKey(std::u16string_view name) const;
  // The existing subkey of that name, or a new one; created tells which.
  std::shared_ptr<TRegistryKey> AddSubKey(std::u16string_view name, bool& created);
  // Detaches the subkey (which has no subkeys of its own) and marks it deleted.
  void RemoveSubKey(TRegistryKey* subKey);
  // Marks every key below this one deleted and empties this one.
  void Clear();

  // Values in the order they were first written.
  const std::vector<TRegistryValue>& Values() const { return FValues; }
  const TRegistryValue* FindValue(std::u16string_view name) const;
  void SetValue(std::u16string_view name, DWORD type, std::vector<BYTE> data);

private:
  void Touch();

  std::u16string FName;
  TRegistryKey* FParent;
  bool FDeleted = false;
  std::vector<std::shared_ptr<TRegistryKey>> FSubKeys;
  std::vector<TRegistryValue> FValues;
};

// Guards the tree and the handle table.
std::shared_mutex& RegistryLock();
const std::shared_ptr<TRegistryKey>& ClassesRootKey();

// Splits "A\B\C" into its names. ERROR_BAD_PATHNAME for a leading backslash,
// ERROR_INVALID_PARAMETER for a name over 255 characters or a path deeper than 512 levels.
// Repeated and trailing backslashes are ignored.
LONG SplitKeyPath(std::u16string_view path, std::vector<std::u16string_view>& names);

struct TOpenKey {
  std::shared_ptr<TRegistryKey> Key;
  REGSAM Access = 0;
};
// The key behind a handle (HKEY_CLASSES_ROOT or one that RegisterKeyHandle gave); false for
// any other value. Needs the lock, shared or exclusive.
bool FindKeyHandle(HKEY handle, TOpenKey& open);
// Needs the lock exclusively.
HKEY RegisterKeyHandle(std::shared_ptr<TRegistryKey> key, REGSAM access);
bool ReleaseKeyHandle(HKEY handle);
