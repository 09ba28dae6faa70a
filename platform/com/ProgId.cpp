// ProgIDs: HKCR\<ProgID>\CLSID names the class, HKCR\CLSID\{...}\ProgID names the ProgID.

#include <cstring>

#include "platform/com/ClassesRoot.h"
#include "platform/com/ComBaseApi.h"
#include "platform/com/TaskMemory.h"

HRESULT CLSIDFromProgID(LPCOLESTR lpszProgID, LPCLSID lpclsid) {
  if (!lpszProgID || !lpclsid) return E_INVALIDARG;
  *lpclsid = GUID_NULL;
  const std::u16string progId(lpszProgID);
  // A backslash would reach into another key's subkeys.
  if (progId.empty() || progId.find(u'\\') != std::u16string::npos) return CO_E_CLASSSTRING;
  std::u16string classIdText;
  if (!ReadClassesRootString(progId + u"\\CLSID", u"", classIdText)) return CO_E_CLASSSTRING;
  // The stored text must be a braced class id; it is never taken for a ProgID again.
  if (classIdText.empty() || classIdText[0] != u'{' || FAILED(CLSIDFromString(classIdText.c_str(), lpclsid))) {
    *lpclsid = GUID_NULL;
    return CO_E_CLASSSTRING;
  }
  return S_OK;
}

HRESULT CLSIDFromProgIDEx(LPCOLESTR lpszProgID, LPCLSID lpclsid) { return CLSIDFromProgID(lpszProgID, lpclsid); }

HRESULT ProgIDFromCLSID(REFCLSID clsid, LPOLESTR* lplpszProgID) {
  if (!lplpszProgID) return E_INVALIDARG;
  *lplpszProgID = nullptr;
  std::u16string progId;
  if (!ReadClassesRootString(u"CLSID\\" + GuidToRegistryText(clsid) + u"\\ProgID", u"", progId) || progId.empty())
    return REGDB_E_CLASSNOTREG;
  const size_t bytes = (progId.size() + 1) * sizeof(OLECHAR);
  *lplpszProgID = static_cast<LPOLESTR>(CoTaskMemAlloc(bytes));
  if (!*lplpszProgID) return E_OUTOFMEMORY;
  std::memcpy(*lplpszProgID, progId.c_str(), bytes);
  return S_OK;
}
