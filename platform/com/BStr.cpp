#include <cstdlib>
#include <cstring>

#include "platform/com/OleAuto.h"

namespace {

// Block layout: [DWORD byte length][bytes][two zero bytes]; the BSTR points at the bytes.
constexpr size_t kPrefixBytes = sizeof(DWORD);
constexpr size_t kTerminatorBytes = sizeof(OLECHAR);
// The length prefix is 32 bits wide and must leave room for the terminator.
constexpr UINT kMaxByteLength = 0xFFFFFFFFu - kPrefixBytes - kTerminatorBytes;

BYTE* BlockOf(BSTR bstr) { return reinterpret_cast<BYTE*>(bstr) - kPrefixBytes; }

DWORD StoredByteLength(BSTR bstr) {
  DWORD length;
  std::memcpy(&length, BlockOf(bstr), sizeof length);
  return length;
}

// A BSTR of byteLength bytes, filled from source or zeroed.
BSTR AllocateBytes(const void* source, UINT byteLength) {
  if (byteLength > kMaxByteLength) return nullptr;
  auto* block = static_cast<BYTE*>(std::malloc(kPrefixBytes + byteLength + kTerminatorBytes));
  if (!block) return nullptr;
  DWORD length = byteLength;
  std::memcpy(block, &length, sizeof length);
  BYTE* bytes = block + kPrefixBytes;
  if (source)
    std::memcpy(bytes, source, byteLength);
  else
    std::memset(bytes, 0, byteLength);
  std::memset(bytes + byteLength, 0, kTerminatorBytes);
  return reinterpret_cast<BSTR>(bytes);
}

bool CharacterBytes(UINT characters, UINT& bytes) {
  if (characters > kMaxByteLength / sizeof(OLECHAR)) return false;
  bytes = characters * sizeof(OLECHAR);
  return true;
}

}  // namespace

BSTR SysAllocString(const OLECHAR* psz) {
  if (!psz) return nullptr;
  size_t length = 0;
  while (psz[length]) ++length;
  if (length > kMaxByteLength / sizeof(OLECHAR)) return nullptr;
  return SysAllocStringLen(psz, static_cast<UINT>(length));
}

BSTR SysAllocStringLen(const OLECHAR* strIn, UINT ui) {
  UINT bytes;
  if (!CharacterBytes(ui, bytes)) return nullptr;
  return AllocateBytes(strIn, bytes);
}

BSTR SysAllocStringByteLen(LPCSTR psz, UINT len) { return AllocateBytes(psz, len); }

INT SysReAllocString(BSTR* pbstr, const OLECHAR* psz) {
  if (!pbstr) return FALSE;
  BSTR replacement = SysAllocString(psz);
  if (psz && !replacement) return FALSE;
  SysFreeString(*pbstr);
  *pbstr = replacement;
  return TRUE;
}

INT SysReAllocStringLen(BSTR* pbstr, const OLECHAR* psz, UINT len) {
  if (!pbstr) return FALSE;
  // Allocate before freeing: psz may point into the old string.
  BSTR replacement = SysAllocStringLen(psz, len);
  if (!replacement) return FALSE;
  if (!psz && *pbstr) {
    UINT kept = SysStringLen(*pbstr) < len ? SysStringLen(*pbstr) : len;
    std::memcpy(replacement, *pbstr, kept * sizeof(OLECHAR));
  }
  SysFreeString(*pbstr);
  *pbstr = replacement;
  return TRUE;
}

void SysFreeString(BSTR bstrString) {
  if (bstrString) std::free(BlockOf(bstrString));
}

UINT SysStringLen(BSTR pbstr) { return pbstr ? StoredByteLength(pbstr) / sizeof(OLECHAR) : 0; }

UINT SysStringByteLen(BSTR bstr) { return bstr ? StoredByteLength(bstr) : 0; }
