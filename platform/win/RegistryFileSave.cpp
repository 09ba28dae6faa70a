// Writing the registry file (format in RegistryFile.h).

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <mutex>

#include "platform/rtl/StringUtils.h"
#include "platform/win/RegistryFile.h"
#include "platform/win/RegistryStore.h"

namespace {

bool IsSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDFFF; }
bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

std::string Quoted(std::u16string_view text) {
  std::string out = "\"";
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i];
    switch (unit) {
      case u'\\': out += "\\\\"; continue;
      case u'"': out += "\\\""; continue;
      case u'\n': out += "\\n"; continue;
      case u'\r': out += "\\r"; continue;
      case u'\t': out += "\\t"; continue;
      case u'\0': out += "\\0"; continue;
      default: break;
    }
    if (IsHighSurrogate(unit) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      out += Utf16ToUtf8(text.substr(i, 2));
      ++i;
    } else if (unit < 0x20 || unit == 0x7F || IsSurrogate(unit)) {
      out += Format("\\u%04X", unsigned(unit));
    } else {
      out += Utf16ToUtf8(text.substr(i, 1));
    }
  }
  return out + "\"";
}

// The text of a string value that holds one whole null-terminated UTF-16 string.
bool StoredString(const std::vector<BYTE>& data, std::u16string& text) {
  if (data.size() < sizeof(WCHAR) || data.size() % sizeof(WCHAR) != 0) return false;
  text.resize(data.size() / sizeof(WCHAR));
  std::memcpy(text.data(), data.data(), data.size());
  if (text.back() != u'\0') return false;
  text.pop_back();
  return true;
}

std::string HexBytes(const std::vector<BYTE>& data) {
  std::string out;
  for (size_t i = 0; i < data.size(); ++i) out += Format(i ? ",%02x" : "%02x", data[i]);
  return out;
}

std::string ValueData(const TRegistryValue& value) {
  std::u16string text;
  if ((value.Type == REG_SZ || value.Type == REG_EXPAND_SZ) && StoredString(value.Data, text))
    return (value.Type == REG_EXPAND_SZ ? "expand:" : "") + Quoted(text);
  if (value.Type == REG_DWORD && value.Data.size() == sizeof(DWORD)) {
    DWORD number;
    std::memcpy(&number, value.Data.data(), sizeof number);
    return Format("dword:%08x", unsigned(number));
  }
  if (value.Type == REG_QWORD && value.Data.size() == sizeof(uint64_t)) {
    uint64_t number;
    std::memcpy(&number, value.Data.data(), sizeof number);
    return Format("qword:%016llx", static_cast<unsigned long long>(number));
  }
  if (value.Type == REG_BINARY) return "hex:" + HexBytes(value.Data);
  return Format("hex(%u):", unsigned(value.Type)) + HexBytes(value.Data);
}

std::string ValueLine(const TRegistryValue& value) {
  return (value.Name.empty() ? std::string("@") : Quoted(value.Name)) + "=" + ValueData(value) + "\n";
}

bool WritableKeyName(std::u16string_view name) {
  for (size_t i = 0; i < name.size(); ++i) {
    if (name[i] < 0x20 || name[i] == 0x7F) return false;
    if (IsHighSurrogate(name[i]) && i + 1 < name.size() && IsLowSurrogate(name[i + 1]))
      ++i;
    else if (IsSurrogate(name[i]))
      return false;
  }
  return true;
}

// The file's text; false with error set when a key name cannot be written.
bool RegistryText(std::string& text, std::string& error) {
  text = "Zelk Registry 1\n";
  const TRegistryKey& root = *ClassesRootKey();
  if (!root.Values().empty()) {
    text += "[]\n";
    for (const TRegistryValue& value : root.Values()) text += ValueLine(value);
  }
  // Depth first in listing order, without recursion; each entry carries its key's path.
  std::vector<std::pair<const TRegistryKey*, std::string>> pending;
  for (auto it = root.SubKeys().rbegin(); it != root.SubKeys().rend(); ++it) pending.push_back({it->get(), ""});
  while (!pending.empty()) {
    auto [key, parentPath] = pending.back();
    pending.pop_back();
    if (key->Volatile) continue;
    if (!WritableKeyName(key->Name())) {
      error = "the key name \"" + Utf16ToUtf8(key->Name()) + "\" under \"" + parentPath +
              "\" has a character the registry file cannot hold";
      return false;
    }
    const std::string path = parentPath.empty() ? Utf16ToUtf8(key->Name()) : parentPath + "\\" + Utf16ToUtf8(key->Name());
    text += "\n[" + path + "]\n";
    for (const TRegistryValue& value : key->Values()) text += ValueLine(value);
    for (auto it = key->SubKeys().rbegin(); it != key->SubKeys().rend(); ++it) pending.push_back({it->get(), path});
  }
  return true;
}

}  // namespace

bool SaveRegistryFile(const std::string& path, std::string& error) {
  std::string text;
  {
    std::shared_lock lock(RegistryLock());
    if (!RegistryText(text, error)) {
      error = path + ": " + error;
      return false;
    }
  }
  const std::string temporary = path + ".tmp";
  {
    std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
    if (file) file << text;
    if (!file || !file.flush()) {
      error = Format("%s: cannot write the file: %s", temporary.c_str(), std::strerror(errno));
      std::remove(temporary.c_str());
      return false;
    }
  }
  if (std::rename(temporary.c_str(), path.c_str()) != 0) {
    error = Format("%s: cannot replace the file: %s", path.c_str(), std::strerror(errno));
    std::remove(temporary.c_str());
    return false;
  }
  return true;
}

void ClearRegistry() {
  std::unique_lock lock(RegistryLock());
  ClassesRootKey()->Clear();
}
