// UTF-8 <-> UTF-16 on arbitrary bytes, read both as UTF-8 and as UTF-16 units. Valid text
// converts there and back unchanged; invalid text becomes valid text that then does.

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "platform/rtl/StringUtils.h"

namespace {

bool IsValidUtf16(std::u16string_view units) {
  for (size_t i = 0; i < units.size(); ++i) {
    const char16_t unit = units[i];
    if (unit >= 0xDC00 && unit <= 0xDFFF) return false;
    if (unit >= 0xD800 && unit <= 0xDBFF) {
      if (i + 1 == units.size() || units[i + 1] < 0xDC00 || units[i + 1] > 0xDFFF) return false;
      ++i;
    }
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::u16string fromUtf8 = Utf8ToUtf16(bytes);
  if (!IsValidUtf16(fromUtf8)) __builtin_trap();
  const std::string utf8 = Utf16ToUtf8(fromUtf8);
  if (Utf8ToUtf16(utf8) != fromUtf8) __builtin_trap();
  // Without a U+FFFD in it the input was valid UTF-8, and comes back byte for byte.
  if (fromUtf8.find(u'\uFFFD') == std::u16string::npos && utf8 != bytes) __builtin_trap();

  std::u16string units(size / 2, u'\0');
  std::memcpy(units.data(), data, units.size() * sizeof(char16_t));
  const std::string fromUtf16 = Utf16ToUtf8(units);
  const std::u16string back = Utf8ToUtf16(fromUtf16);
  if (IsValidUtf16(units) ? back != units : !IsValidUtf16(back) || back.size() > units.size()) __builtin_trap();
  return 0;
}
