#include "platform/win/NameCase.h"

#include <algorithm>

namespace {

char16_t UpperCaseUnit(char16_t c) {
  if (c >= u'a' && c <= u'z') return c - 0x20;
  if (c < 0xE0) return c;
  // Latin-1 Supplement
  if (c <= 0xFE) return c == 0xF7 ? c : c - 0x20;
  if (c == 0xFF) return 0x178;
  if (c >= 0x100 && c <= 0x17E && c != 0x131 && c != 0x138 && c != 0x149) {
    // Latin Extended-A pairs a capital on an even code with its small letter on the next,
    // except in the runs 0x139..0x148 and 0x179..0x17E, where the capital is odd.
    const bool oddSmall = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
    if (oddSmall) return (c % 2 == 0) ? c - 1 : c;
    return (c % 2 == 1) ? c - 1 : c;
  }
  // Greek and Cyrillic
  if (c >= 0x3B1 && c <= 0x3CB && c != 0x3C2) return c - 0x20;
  if (c >= 0x430 && c <= 0x44F) return c - 0x20;
  if (c >= 0x450 && c <= 0x45F) return c - 0x50;
  return c;
}

}  // namespace

int CompareNamesIgnoringCase(std::u16string_view a, std::u16string_view b) {
  const size_t common = std::min(a.size(), b.size());
  for (size_t i = 0; i < common; ++i) {
    const char16_t ua = UpperCaseUnit(a[i]);
    const char16_t ub = UpperCaseUnit(b[i]);
    if (ua != ub) return ua < ub ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool SameNameIgnoringCase(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() && CompareNamesIgnoringCase(a, b) == 0;
}
