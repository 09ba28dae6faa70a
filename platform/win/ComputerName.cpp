#include <unistd.h>

#include <cstring>
#include <string>

#include "platform/win/WinBase.h"

namespace {

std::u16string NetBiosName() {
  char host[256] = {};
  if (gethostname(host, sizeof host - 1) != 0 || !host[0]) std::strcpy(host, "localhost");
  std::u16string name;
  for (const char* c = host; *c && *c != '.' && name.size() < MAX_COMPUTERNAME_LENGTH; ++c)
    name += char16_t(*c >= 'a' && *c <= 'z' ? *c - 'a' + 'A' : static_cast<unsigned char>(*c));
  return name;
}

}  // namespace

BOOL GetComputerNameW(LPWSTR lpBuffer, LPDWORD nSize) {
  if (!nSize) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const std::u16string name = NetBiosName();
  if (!lpBuffer || *nSize <= name.size()) {
    *nSize = DWORD(name.size() + 1);
    SetLastError(ERROR_BUFFER_OVERFLOW);
    return FALSE;
  }
  std::memcpy(lpBuffer, name.c_str(), (name.size() + 1) * sizeof(WCHAR));
  *nSize = DWORD(name.size());
  return TRUE;
}
