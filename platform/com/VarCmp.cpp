#include <string_view>

#include "platform/com/AutomationNumber.h"
#include "platform/com/OleAuto.h"
#include "platform/com/VariantView.h"

namespace {

// Simple case folding for the Latin, Greek and Cyrillic letters.
char16_t FoldCase(char16_t c) {
  if ((c >= u'A' && c <= u'Z') || (c >= u'\u00C0' && c <= u'\u00DE' && c != u'\u00D7') ||
      (c >= u'\u0391' && c <= u'\u03AB' && c != u'\u03A2') || (c >= u'\u0410' && c <= u'\u042F'))
    return char16_t(c + 0x20);
  if (c >= u'\u0400' && c <= u'\u040F') return char16_t(c + 0x50);
  if (((c >= u'\u0100' && c <= u'\u012F') || (c >= u'\u014A' && c <= u'\u0177')) && c % 2 == 0)
    return char16_t(c + 1);
  return c;
}

// Letters first compare without regard to case; only equal texts are then told apart by
// case, lowercase first, the way a linguistic comparison orders them.
int CompareStrings(std::u16string_view left, std::u16string_view right, bool ignoreCase) {
  size_t common = left.size() < right.size() ? left.size() : right.size();
  for (size_t i = 0; i < common; ++i) {
    char16_t a = FoldCase(left[i]), b = FoldCase(right[i]);
    if (a != b) return a < b ? -1 : 1;
  }
  if (left.size() != right.size()) return left.size() < right.size() ? -1 : 1;
  if (ignoreCase) return 0;
  for (size_t i = 0; i < common; ++i)
    if (left[i] != right[i]) return FoldCase(left[i]) == left[i] ? -1 : 1;
  return 0;
}

std::u16string_view TextOf(const VARIANT& value) {
  return value.vt == VT_BSTR ? std::u16string_view(value.bstrVal, SysStringLen(value.bstrVal)) : std::u16string_view();
}

bool IsComparable(VARTYPE vt) {
  return !(vt & VT_ARRAY) && vt != VT_UNKNOWN && vt != VT_DISPATCH && vt != VT_ERROR;
}

HRESULT ToResult(int order) { return order < 0 ? VARCMP_LT : order > 0 ? VARCMP_GT : VARCMP_EQ; }

}  // namespace

HRESULT VarCmp(LPVARIANT pvarLeft, LPVARIANT pvarRight, LCID, ULONG dwFlags) {
  if (!pvarLeft || !pvarRight) return E_INVALIDARG;
  if (!IsValidVariantType(pvarLeft->vt) || !IsValidVariantType(pvarRight->vt)) return DISP_E_BADVARTYPE;
  VARIANT left, right;
  HRESULT hr = ReadThroughReference(*pvarLeft, left);
  if (SUCCEEDED(hr)) hr = ReadThroughReference(*pvarRight, right);
  if (FAILED(hr)) return hr;
  if (left.vt == VT_NULL || right.vt == VT_NULL) return VARCMP_NULL;
  if (!IsComparable(left.vt) || !IsComparable(right.vt)) return DISP_E_TYPEMISMATCH;

  bool leftText = left.vt == VT_BSTR, rightText = right.vt == VT_BSTR;
  if (leftText || rightText) {
    // Empty stands for "" beside a string; any number sorts before any string.
    if ((leftText || left.vt == VT_EMPTY) && (rightText || right.vt == VT_EMPTY))
      return ToResult(CompareStrings(TextOf(left), TextOf(right), dwFlags & NORM_IGNORECASE));
    return leftText ? VARCMP_GT : VARCMP_LT;
  }
  AutomationNumber a, b;
  hr = NumberFromVariant(left, a);
  if (SUCCEEDED(hr)) hr = NumberFromVariant(right, b);
  if (FAILED(hr)) return hr;
  return ToResult(CompareNumbers(a, b));
}
