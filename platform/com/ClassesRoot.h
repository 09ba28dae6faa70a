#pragma once
// The COM runtime's view of HKEY_CLASSES_ROOT: string values and subkey names by key path.

#include <string>
#include <vector>

#include "platform/com/WinTypes.h"

// The key's string value (valueName empty: the default value); false when key or value is
// missing or the value is not a string.
bool ReadClassesRootString(const std::u16string& keyPath, const std::u16string& valueName, std::u16string& value);
bool ClassesRootKeyExists(const std::u16string& keyPath);
// The names of the key's direct subkeys; none when the key is missing.
std::vector<std::u16string> ClassesRootSubKeys(const std::u16string& keyPath);
// Creates the key (and its parents) when needed and sets its string value.
LONG WriteClassesRootString(const std::u16string& keyPath, const std::u16string& valueName, const std::u16string& value);
LONG CreateClassesRootKey(const std::u16string& keyPath);

// "{XXXXXXXX-...}" as the registry writes class ids.
std::u16string GuidToRegistryText(REFGUID guid);
