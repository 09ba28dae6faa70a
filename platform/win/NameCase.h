#pragma once
// Windows' case-insensitive comparison of names (registry keys and values, atoms such as
// clipboard format names): the upper-case mapping of the Latin, Greek and Cyrillic letters of
// the Basic Multilingual Plane, unit by unit. The order is that of the upper-case names.

#include <string_view>

int CompareNamesIgnoringCase(std::u16string_view a, std::u16string_view b);
bool SameNameIgnoringCase(std::u16string_view a, std::u16string_view b);
