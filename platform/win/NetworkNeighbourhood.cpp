// WNetOpenEnumW / WNetEnumResourceW / WNetCloseEnum over a fixed tree: the network, its one
// workgroup, and the computers this machine knows by name.

#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/win/KnownComputers.h"
#include "platform/win/NameCase.h"
#include "platform/win/WinBase.h"
#include "platform/win/WinNetWk.h"

namespace {

constexpr char16_t NetworkName[] = u"Network";
constexpr char16_t WorkgroupName[] = u"WORKGROUP";

struct TResource {
  DWORD DisplayType;
  std::u16string RemoteName;
};

struct TEnumeration {
  std::vector<TResource> Resources;
  size_t Next = 0;
};

std::mutex EnumerationsLock;
std::map<uintptr_t, TEnumeration>& Enumerations() {
  static auto* enumerations = new std::map<uintptr_t, TEnumeration>;
  return *enumerations;
}
uintptr_t LastEnumeration = 0x2000;

// The content of a container; false for one this machine does not know.
bool ContainerContent(const NETRESOURCEW* container, std::vector<TResource>& content) {
  if (!container) {
    content.push_back({RESOURCEDISPLAYTYPE_NETWORK, NetworkName});
    return true;
  }
  const std::u16string_view name = container->lpRemoteName ? container->lpRemoteName : u"";
  switch (container->dwDisplayType) {
    case RESOURCEDISPLAYTYPE_NETWORK:
      if (!SameNameIgnoringCase(name, NetworkName)) return false;
      content.push_back({RESOURCEDISPLAYTYPE_DOMAIN, WorkgroupName});
      return true;
    case RESOURCEDISPLAYTYPE_DOMAIN:
      if (!SameNameIgnoringCase(name, WorkgroupName)) return false;
      for (const std::u16string& computer : KnownComputerNames())
        content.push_back({RESOURCEDISPLAYTYPE_SERVER, u"\\\\" + computer});
      return true;
    case RESOURCEDISPLAYTYPE_SERVER:
      // A computer's shares are not listed.
      return true;
    default:
      return false;
  }
}

// Bytes a record takes in the caller's buffer with its strings.
DWORD RecordSize(const TResource& resource) {
  const size_t strings = resource.RemoteName.size() + 1 + 1 + std::char_traits<char16_t>::length(NetworkName) + 1;
  return DWORD(sizeof(NETRESOURCEW) + strings * sizeof(WCHAR));
}

}  // namespace

DWORD WNetOpenEnumW(DWORD dwScope, DWORD dwType, DWORD dwUsage, LPNETRESOURCEW lpNetResource, LPHANDLE lphEnum) {
  if (!lphEnum) return ERROR_INVALID_PARAMETER;
  *lphEnum = nullptr;
  if (dwScope < RESOURCE_CONNECTED || dwScope > RESOURCE_CONTEXT || dwType > RESOURCETYPE_PRINT ||
      (dwUsage & ~(RESOURCEUSAGE_ALL | RESOURCEUSAGE_NOLOCALDEVICE)))
    return ERROR_INVALID_PARAMETER;
  if (lpNetResource && !(lpNetResource->dwUsage & RESOURCEUSAGE_CONTAINER)) return ERROR_NOT_CONTAINER;
  TEnumeration enumeration;
  // Connected and remembered resources: there are none. Every listed resource is a container.
  const bool listsContainers = dwUsage == 0 || (dwUsage & RESOURCEUSAGE_CONTAINER);
  if (dwScope == RESOURCE_GLOBALNET || dwScope == RESOURCE_CONTEXT) {
    std::vector<TResource> content;
    if (!ContainerContent(lpNetResource, content)) return ERROR_BAD_NETPATH;
    if (listsContainers) enumeration.Resources = std::move(content);
  }
  std::lock_guard lock(EnumerationsLock);
  LastEnumeration += 4;
  Enumerations()[LastEnumeration] = std::move(enumeration);
  *lphEnum = reinterpret_cast<HANDLE>(LastEnumeration);
  return NO_ERROR;
}

DWORD WNetEnumResourceW(HANDLE hEnum, LPDWORD lpcCount, LPVOID lpBuffer, LPDWORD lpBufferSize) {
  if (!lpcCount || !lpBuffer || !lpBufferSize) return ERROR_INVALID_PARAMETER;
  std::lock_guard lock(EnumerationsLock);
  auto found = Enumerations().find(reinterpret_cast<uintptr_t>(hEnum));
  if (found == Enumerations().end()) return ERROR_INVALID_HANDLE;
  TEnumeration& enumeration = found->second;
  if (enumeration.Next == enumeration.Resources.size()) {
    *lpcCount = 0;
    return ERROR_NO_MORE_ITEMS;
  }
  // Strings go on WCHAR boundaries: an odd last byte is not used.
  const size_t usable = *lpBufferSize - *lpBufferSize % sizeof(WCHAR);
  const DWORD first = RecordSize(enumeration.Resources[enumeration.Next]);
  if (first > usable) {
    *lpBufferSize = first;
    return ERROR_MORE_DATA;
  }

  // Records from the front, their strings from the back.
  BYTE* const buffer = static_cast<BYTE*>(lpBuffer);
  size_t recordsEnd = 0;
  size_t stringsStart = usable;
  auto placeString = [&](std::u16string_view text) {
    stringsStart -= (text.size() + 1) * sizeof(WCHAR);
    BYTE* target = buffer + stringsStart;
    const std::u16string terminated(text);
    std::memcpy(target, terminated.c_str(), (terminated.size() + 1) * sizeof(WCHAR));
    return reinterpret_cast<LPWSTR>(target);
  };
  DWORD delivered = 0;
  while (delivered < *lpcCount && enumeration.Next < enumeration.Resources.size()) {
    const TResource& resource = enumeration.Resources[enumeration.Next];
    if (recordsEnd + RecordSize(resource) > stringsStart) break;
    NETRESOURCEW record = {RESOURCE_GLOBALNET, RESOURCETYPE_ANY, resource.DisplayType, RESOURCEUSAGE_CONTAINER,
                           nullptr, nullptr, nullptr, nullptr};
    record.lpRemoteName = placeString(resource.RemoteName);
    record.lpComment = placeString(u"");
    record.lpProvider = placeString(NetworkName);
    std::memcpy(buffer + recordsEnd, &record, sizeof record);
    recordsEnd += sizeof record;
    ++enumeration.Next;
    ++delivered;
  }
  *lpcCount = delivered;
  return NO_ERROR;
}

DWORD WNetCloseEnum(HANDLE hEnum) {
  std::lock_guard lock(EnumerationsLock);
  return Enumerations().erase(reinterpret_cast<uintptr_t>(hEnum)) ? NO_ERROR : ERROR_INVALID_HANDLE;
}
