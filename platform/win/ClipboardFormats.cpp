#include <mutex>
#include <string>
#include <vector>

#include "platform/win/NameCase.h"
#include "platform/win/WinBase.h"
#include "platform/win/WinUser.h"

namespace {

constexpr UINT FirstRegisteredFormat = 0xC000;
constexpr size_t MaxFormatNameLength = 255;

std::mutex FormatsLock;
// Names in the order registered: the id of Names[i] is FirstRegisteredFormat + i.
std::vector<std::u16string>& Names() {
  static auto* names = new std::vector<std::u16string>;
  return *names;
}

}  // namespace

UINT RegisterClipboardFormatW(LPCWSTR lpszFormat) {
  if (!lpszFormat) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const std::u16string_view name(lpszFormat);
  if (name.empty()) {
    SetLastError(ERROR_INVALID_NAME);
    return 0;
  }
  if (name.size() > MaxFormatNameLength) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::lock_guard lock(FormatsLock);
  std::vector<std::u16string>& names = Names();
  for (size_t i = 0; i < names.size(); ++i)
    if (SameNameIgnoringCase(names[i], name)) return UINT(FirstRegisteredFormat + i);
  if (FirstRegisteredFormat + names.size() > 0xFFFF) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return 0;
  }
  names.emplace_back(name);
  return UINT(FirstRegisteredFormat + names.size() - 1);
}
