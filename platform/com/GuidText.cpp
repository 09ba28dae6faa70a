// The registry text form of a GUID: {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}, upper-case hex.

#include <cstring>
#include <initializer_list>

#include "platform/com/ComBaseApi.h"
#include "platform/com/TaskMemory.h"

namespace {

constexpr int GuidTextLength = 38;

// Byte positions of the hex pairs in the text, in the order of the GUID's bytes as written
// (Data1 and the two words most significant byte first).
constexpr int HexPairPositions[16] = {1, 3, 5, 7, 10, 12, 15, 17, 20, 22, 25, 27, 29, 31, 33, 35};

int HexValue(OLECHAR c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  return -1;
}

void GuidToBytes(const GUID& guid, uint8_t bytes[16]) {
  bytes[0] = uint8_t(guid.Data1 >> 24);
  bytes[1] = uint8_t(guid.Data1 >> 16);
  bytes[2] = uint8_t(guid.Data1 >> 8);
  bytes[3] = uint8_t(guid.Data1);
  bytes[4] = uint8_t(guid.Data2 >> 8);
  bytes[5] = uint8_t(guid.Data2);
  bytes[6] = uint8_t(guid.Data3 >> 8);
  bytes[7] = uint8_t(guid.Data3);
  std::memcpy(bytes + 8, guid.Data4, 8);
}

GUID BytesToGuid(const uint8_t bytes[16]) {
  GUID guid;
  guid.Data1 = uint32_t(bytes[0]) << 24 | uint32_t(bytes[1]) << 16 | uint32_t(bytes[2]) << 8 | bytes[3];
  guid.Data2 = uint16_t(bytes[4] << 8 | bytes[5]);
  guid.Data3 = uint16_t(bytes[6] << 8 | bytes[7]);
  std::memcpy(guid.Data4, bytes + 8, 8);
  return guid;
}

// Accepts exactly the braced form, hex digits in either case.
bool ParseBracedGuid(LPCOLESTR text, GUID& guid) {
  size_t length = 0;
  while (length <= GuidTextLength && text[length]) ++length;
  if (length != GuidTextLength || text[0] != u'{' || text[37] != u'}') return false;
  for (int dash : {9, 14, 19, 24})
    if (text[dash] != u'-') return false;
  uint8_t bytes[16];
  for (int i = 0; i < 16; ++i) {
    const int high = HexValue(text[HexPairPositions[i]]);
    const int low = HexValue(text[HexPairPositions[i] + 1]);
    if (high < 0 || low < 0) return false;
    bytes[i] = uint8_t(high << 4 | low);
  }
  guid = BytesToGuid(bytes);
  return true;
}

HRESULT AllocGuidText(REFGUID guid, LPOLESTR* text) {
  if (!text) return E_INVALIDARG;
  *text = static_cast<LPOLESTR>(CoTaskMemAlloc((GuidTextLength + 1) * sizeof(OLECHAR)));
  if (!*text) return E_OUTOFMEMORY;
  StringFromGUID2(guid, *text, GuidTextLength + 1);
  return S_OK;
}

}  // namespace

int StringFromGUID2(REFGUID rguid, LPOLESTR lpsz, int cchMax) {
  if (!lpsz || cchMax < GuidTextLength + 1) return 0;
  static constexpr char16_t Digits[] = u"0123456789ABCDEF";
  uint8_t bytes[16];
  GuidToBytes(rguid, bytes);
  const char16_t pattern[] = u"{00000000-0000-0000-0000-000000000000}";
  std::memcpy(lpsz, pattern, sizeof(pattern));
  for (int i = 0; i < 16; ++i) {
    lpsz[HexPairPositions[i]] = Digits[bytes[i] >> 4];
    lpsz[HexPairPositions[i] + 1] = Digits[bytes[i] & 0xF];
  }
  return GuidTextLength + 1;
}

HRESULT StringFromCLSID(REFCLSID rclsid, LPOLESTR* lplpsz) { return AllocGuidText(rclsid, lplpsz); }

HRESULT StringFromIID(REFIID rclsid, LPOLESTR* lplpsz) { return AllocGuidText(rclsid, lplpsz); }

HRESULT CLSIDFromString(LPCOLESTR lpsz, LPCLSID pclsid) {
  if (!pclsid) return E_INVALIDARG;
  *pclsid = GUID_NULL;
  if (!lpsz) return S_OK;
  if (ParseBracedGuid(lpsz, *pclsid)) return S_OK;
  // Text that is not a braced class id may be a registered ProgID.
  if (lpsz[0] != u'{' && SUCCEEDED(CLSIDFromProgID(lpsz, pclsid))) return S_OK;
  *pclsid = GUID_NULL;
  return CO_E_CLASSSTRING;
}

HRESULT IIDFromString(LPCOLESTR lpsz, LPIID lpiid) {
  if (!lpiid) return E_INVALIDARG;
  *lpiid = GUID_NULL;
  if (!lpsz) return S_OK;
  if (ParseBracedGuid(lpsz, *lpiid)) return S_OK;
  *lpiid = GUID_NULL;
  return E_INVALIDARG;
}
