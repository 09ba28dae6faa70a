#include "opc/_opcactivex.h"

#include <cstdint>

#include "platform/PlatformExtensions.h"
#include "platform/rtl/MessageSeam.h"
#include "platform/rtl/StringUtils.h"

namespace {

// Date-times strictly between these two lie in the years 1..9999, the years a TDateTime
// decodes (anything else, NaN included, would decode as 1899-12-30).
constexpr TDateTime kFirstDateTime = -693594;  // 0000-12-31; -693593.99 is 0001-01-01 23:45
constexpr TDateTime kEndDateTime = 2958466;    // 10000-01-01

int64_t Ticks(const FILETIME& FileTime) {
  return static_cast<int64_t>((static_cast<uint64_t>(FileTime.dwHighDateTime) << 32) | FileTime.dwLowDateTime);
}

FILETIME FileTimeOfTicks(int64_t Ticks) {
  return {static_cast<DWORD>(static_cast<uint64_t>(Ticks)), static_cast<DWORD>(static_cast<uint64_t>(Ticks) >> 32)};
}

}  // namespace

// Both conversions use the offset in force at the converted instant, as
// SystemTimeToTzSpecificLocalTime does with the system zone; FileTimeToLocalFileTime would
// shift every date by today's bias and put half a year of history an hour off.

TDateTime FileTimeToLocalDateTime(const FILETIME& FileTime) {
  if (FileTime.dwLowDateTime == 0 || FileTime.dwHighDateTime == 0) return 0;
  const int64_t utc = Ticks(FileTime);
  int64_t local = 0;
  if (utc < 0 || __builtin_add_overflow(utc, SystemTimeZoneOffsets()->OffsetAt(utc), &local) || local < 0) return 0;
  const FILETIME localFileTime = FileTimeOfTicks(local);
  SYSTEMTIME time;
  TDateTime result = 0;
  if (!FileTimeToSystemTime(&localFileTime, &time) ||
      !TryEncodeDateTime(time.wYear, time.wMonth, time.wDay, time.wHour, time.wMinute, time.wSecond, time.wMilliseconds,
                         result))
    return 0;
  return result;
}

FILETIME LocalDateTimeToFileTime(TDateTime DateTime) {
  if (!(DateTime > kFirstDateTime && DateTime < kEndDateTime)) return {0, 0};
  SYSTEMTIME time = {};
  DecodeDateTime(DateTime, time.wYear, time.wMonth, time.wDay, time.wHour, time.wMinute, time.wSecond,
                 time.wMilliseconds);
  FILETIME local;
  if (!SystemTimeToFileTime(&time, &local)) return {0, 0};
  const int64_t utc = SystemTimeZoneOffsets()->LocalToUtc(Ticks(local));
  if (utc < 0) return {0, 0};
  return FileTimeOfTicks(utc);
}

namespace {

// Server's connection point for Iid; null when Server is null, is no container or lacks it.
ComPtr<IConnectionPoint> FindConnectionPoint(IUnknown* Server, REFIID Iid) {
  ComPtr<IConnectionPointContainer> container;
  ComPtr<IConnectionPoint> point;
  if (!Server ||
      FAILED(Server->QueryInterface(IID_IConnectionPointContainer,
                                    reinterpret_cast<void**>(container.ReleaseAndGetAddressOf()))) ||
      !container)
    return point;
  if (FAILED(container->FindConnectionPoint(Iid, point.ReleaseAndGetAddressOf()))) point.Reset();
  return point;
}

ComPtr<IDataObject> DataObjectOf(IUnknown* Server) {
  ComPtr<IDataObject> dataObject;
  if (Server &&
      FAILED(Server->QueryInterface(IID_IDataObject, reinterpret_cast<void**>(dataObject.ReleaseAndGetAddressOf()))))
    dataObject.Reset();
  return dataObject;
}

}  // namespace

HRESULT ConnectionPointAdvise(IUnknown* Server, REFIID Iid, IUnknown* Sink, DWORD& Cookie) {
  ComPtr<IConnectionPoint> point = FindConnectionPoint(Server, Iid);
  if (!point) return E_FAIL;
  return point->Advise(Sink, &Cookie);
}

HRESULT ConnectionPointUnadvise(IUnknown* Server, REFIID Iid, DWORD Cookie) {
  if (Cookie == 0) return E_FAIL;
  ComPtr<IConnectionPoint> point = FindConnectionPoint(Server, Iid);
  if (!point) return E_FAIL;
  return SUCCEEDED(point->Unadvise(Cookie)) ? S_OK : E_FAIL;
}

HRESULT DataObjectAdvise(IUnknown* Server, UINT Format, IAdviseSink* Sink, DWORD& Connection) {
  ComPtr<IDataObject> dataObject = DataObjectOf(Server);
  if (!dataObject) return E_FAIL;
  Connection = 0;
  FORMATETC format = {static_cast<CLIPFORMAT>(Format), nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  DWORD connection = 0;
  const HRESULT hr = dataObject->DAdvise(&format, ADVF_PRIMEFIRST, Sink, &connection);
  if (SUCCEEDED(hr)) Connection = connection;
  return hr;
}

HRESULT DataObjectUnadvise(IUnknown* Server, DWORD Connection) {
  ComPtr<IDataObject> dataObject = DataObjectOf(Server);
  if (!dataObject) return E_FAIL;
  return dataObject->DUnadvise(Connection);
}

std::string ReadClassesRootString(const std::string& Key, const std::string& ValueName) {
  constexpr DWORD kBufferBytes = 256;
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, Utf8ToUtf16(Key).c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return "";
  WCHAR buffer[kBufferBytes / sizeof(WCHAR)] = {};
  DWORD type = REG_NONE;
  DWORD size = kBufferBytes;
  const LONG status =
      RegQueryValueExW(key, Utf8ToUtf16(ValueName).c_str(), nullptr, &type, reinterpret_cast<LPBYTE>(buffer), &size);
  RegCloseKey(key);
  if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return "";
  // The stored data need not end with a NUL; the text ends at the first one or at the data's end.
  std::u16string_view text(buffer, size / sizeof(WCHAR));
  return Utf16ToUtf8(text.substr(0, text.find(u'\0')));
}

UINT RegisterClipFormat(const std::string& Name) { return RegisterClipboardFormatW(Utf8ToUtf16(Name).c_str()); }

void ShowMessageBox(const std::string& Text, const std::string& Caption) {
  ApplicationMessageBox(Text, Caption, MB_OK);
}
