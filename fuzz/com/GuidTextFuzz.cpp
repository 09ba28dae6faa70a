// Class id and interface id texts on arbitrary bytes, read as UTF-16 units up to the first
// null. An accepted braced text names the GUID that writes back as the same text (save case);
// anything else may only be a registered ProgID.

#include <cstdint>
#include <cstring>
#include <string>

#include "platform/win32.h"

namespace {

// {F0E1D2C3-B4A5-9687-7869-5A4B3C2D1E0F}
constexpr CLSID kFuzzClass = {0xF0E1D2C3, 0xB4A5, 0x9687, {0x78, 0x69, 0x5A, 0x4B, 0x3C, 0x2D, 0x1E, 0x0F}};
constexpr char16_t kFuzzProgId[] = u"Zelk.Fuzz.1";

// So that some texts read as a ProgID.
bool RegisterFuzzProgId() {
  OLECHAR classText[39];
  StringFromGUID2(kFuzzClass, classText, 39);
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CLASSES_ROOT, u"Zelk.Fuzz.1\\CLSID", 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
      ERROR_SUCCESS)
    return false;
  RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(classText), sizeof classText);
  RegCloseKey(key);
  return true;
}

bool SameTextIgnoringCase(const std::u16string& a, const OLECHAR* b) {
  for (size_t i = 0; i < a.size(); ++i) {
    auto upper = [](char16_t c) { return c >= u'a' && c <= u'z' ? char16_t(c - 32) : c; };
    if (upper(a[i]) != upper(b[i])) return false;
  }
  return b[a.size()] == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool registered = RegisterFuzzProgId();
  if (!registered) __builtin_trap();
  std::u16string text(size / 2, u'\0');
  std::memcpy(text.data(), data, text.size() * sizeof(char16_t));
  text.resize(std::char_traits<char16_t>::length(text.c_str()));

  CLSID clsid;
  const HRESULT hr = CLSIDFromString(text.c_str(), &clsid);
  IID iid;
  const HRESULT iidHr = IIDFromString(text.c_str(), &iid);
  if (iidHr == S_OK) {
    // A braced id: both read it alike and it is the text the writer gives.
    OLECHAR written[39];
    if (hr != S_OK || clsid != iid || StringFromGUID2(iid, written, 39) != 39 || !SameTextIgnoringCase(text, written))
      __builtin_trap();
  } else if (iidHr != E_INVALIDARG || iid != GUID_NULL) {
    __builtin_trap();
  } else if (hr == S_OK) {
    if (!SameTextIgnoringCase(text, kFuzzProgId) || clsid != kFuzzClass) __builtin_trap();  // key names ignore case
  } else if (hr != CO_E_CLASSSTRING || clsid != GUID_NULL) {
    __builtin_trap();
  }
  return 0;
}
