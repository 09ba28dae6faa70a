// VariantChangeType from a BSTR of arbitrary text to every numeric, date and Boolean type.
// The first byte picks the flags and whether the rest is UTF-8 or raw UTF-16 units. A value
// that converts must convert on to text: for the exact types that text reads back equal, for
// dates it reads back to the same text.

#include <cstdint>
#include <cstring>
#include <string>

#include "platform/rtl/StringUtils.h"
#include "platform/win32.h"

namespace {

// What a value's text must read back to.
enum class TReadBack { EqualValue, SameText, Nothing };

struct TTarget {
  VARTYPE vt;
  TReadBack readBack;
};

constexpr TTarget kTargets[] = {
    {VT_I1, TReadBack::EqualValue},   {VT_UI1, TReadBack::EqualValue},  {VT_I2, TReadBack::EqualValue},
    {VT_UI2, TReadBack::EqualValue},  {VT_I4, TReadBack::EqualValue},   {VT_UI4, TReadBack::EqualValue},
    {VT_INT, TReadBack::EqualValue},  {VT_UINT, TReadBack::EqualValue}, {VT_I8, TReadBack::EqualValue},
    {VT_UI8, TReadBack::EqualValue},  {VT_CY, TReadBack::EqualValue},   {VT_DECIMAL, TReadBack::EqualValue},
    {VT_BOOL, TReadBack::EqualValue},
    // The text holds whole seconds.
    {VT_DATE, TReadBack::SameText},
    // 15 (R4: 7) significant digits may round past the type's largest value.
    {VT_R4, TReadBack::Nothing},      {VT_R8, TReadBack::Nothing},
};

// The variant cleared when it goes.
struct TVariant {
  VARIANT v;
  TVariant() { VariantInit(&v); }
  ~TVariant() { VariantClear(&v); }
  TVariant(const TVariant&) = delete;
  TVariant& operator=(const TVariant&) = delete;
};

std::u16string TextOf(const uint8_t* data, size_t size, bool utf16) {
  if (!utf16) return Utf8ToUtf16(std::string_view(reinterpret_cast<const char*>(data), size));
  std::u16string units(size / 2, u'\0');
  std::memcpy(units.data(), data, units.size() * sizeof(char16_t));
  return units;
}

bool SameText(const VARIANT& a, const VARIANT& b) {
  return SysStringLen(a.bstrVal) == SysStringLen(b.bstrVal) &&
         std::memcmp(a.bstrVal, b.bstrVal, SysStringByteLen(a.bstrVal)) == 0;
}

void Check(const VARIANT& source, USHORT flags, const TTarget& target) {
  TVariant value;
  if (FAILED(VariantChangeType(&value.v, &source, flags, target.vt))) {
    if (value.v.vt != VT_EMPTY) __builtin_trap();  // a failure leaves the destination alone
    return;
  }
  TVariant text;
  if (value.v.vt != target.vt || FAILED(VariantChangeType(&text.v, &value.v, flags, VT_BSTR))) __builtin_trap();
  if (target.readBack == TReadBack::Nothing) return;
  TVariant back;
  if (FAILED(VariantChangeType(&back.v, &text.v, flags, target.vt))) __builtin_trap();
  if (target.readBack == TReadBack::EqualValue) {
    if (VarCmp(&value.v, &back.v, LOCALE_USER_DEFAULT, 0) != VARCMP_EQ) __builtin_trap();
  } else {
    TVariant textAgain;
    if (FAILED(VariantChangeType(&textAgain.v, &back.v, flags, VT_BSTR)) || !SameText(text.v, textAgain.v))
      __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const USHORT flags = data[0] & (VARIANT_NOVALUEPROP | VARIANT_ALPHABOOL | VARIANT_LOCALBOOL);
  const std::u16string text = TextOf(data + 1, size - 1, data[0] & 0x80);
  TVariant source;
  source.v.vt = VT_BSTR;
  source.v.bstrVal = SysAllocStringLen(text.data(), UINT(text.size()));
  for (const TTarget& target : kTargets) Check(source.v, flags, target);
  return 0;
}
