// The COM routines of the transport that the HDA and DA clients share.

#include <algorithm>
#include <new>

#include "platform/rtl/StringUtils.h"
#include "toolkit/ZelkError.h"
#include "toolkit/com/ZelkCom.h"

std::string SysErrorMessage(HRESULT hr) {
  LPWSTR buffer = nullptr;
  const DWORD length =
      FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER,
                     nullptr, static_cast<DWORD>(hr), 0, reinterpret_cast<LPWSTR>(&buffer), 0, nullptr);
  std::u16string text(buffer ? buffer : u"", buffer ? length : 0);
  LocalFree(buffer);
  while (!text.empty() && (text.back() <= u' ' || text.back() == u'.')) text.pop_back();
  return Utf16ToUtf8(text);
}

std::string OleErrorText(HRESULT hr) {
  const std::string message = SysErrorMessage(hr);
  return message.empty() ? Format("OLE error %.8x", static_cast<unsigned>(hr)) : message;
}

void OleError(HRESULT hr) { throw EOleSysError(OleErrorText(hr), hr); }

void OleCheck(HRESULT hr) {
  if (FAILED(hr)) OleError(hr);
}

void CheckOPCResult(HRESULT hr) {
  if (FAILED(hr)) RaiseOPCError(hr);
}

void RaiseOPCError(HRESULT hr) {
  const std::string message = OPCErrorMessage(hr);
  if (message.empty()) OleError(hr);
  throw EOPCException(OPCErrorName(hr) + " " + message);
}

BSTR AllocOleString(const std::string& S) {
  const std::u16string text = Utf8ToUtf16(S);
  BSTR result = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  if (!result) throw std::bad_alloc();
  return result;
}

std::string ClsIdToString(const CLSID& ClsId) {
  LPOLESTR text = nullptr;
  if (FAILED(StringFromCLSID(ClsId, &text))) return "";
  const std::string result = Utf16ToUtf8(text);
  CoTaskMemFree(text);
  return result;
}

bool ServerNameToClsId(const std::string& Name, CLSID& ClsId) {
  const std::u16string name = Utf8ToUtf16(Name);
  return SUCCEEDED(CLSIDFromProgID(name.c_str(), &ClsId)) || SUCCEEDED(CLSIDFromString(name.c_str(), &ClsId));
}

bool IsClsIdString(const std::string& Text) {
  const std::u16string text = Utf8ToUtf16(Text);
  CLSID clsId;
  return SUCCEEDED(CLSIDFromString(text.c_str(), &clsId));
}

void ResolveServerName(const std::string& ServerName, std::string& Caption, std::string& ClsId) {
  Caption.clear();
  ClsId.clear();
  if (IsClsIdString(ServerName))
    ClsId = ServerName;
  else
    Caption = ServerName;

  const std::u16string name = Utf8ToUtf16(ServerName);
  CLSID clsId;
  if (SUCCEEDED(CLSIDFromProgID(name.c_str(), &clsId))) {
    ClsId = ClsIdToString(clsId);
    Caption = ClsId;
    return;
  }
  LPOLESTR progId = nullptr;
  if (SUCCEEDED(CLSIDFromString(name.c_str(), &clsId)) && SUCCEEDED(ProgIDFromCLSID(clsId, &progId))) {
    Caption = Utf16ToUtf8(progId);
    ClsId = ClsIdToString(clsId);
  }
  CoTaskMemFree(progId);
}

void EnumStringsToList(IEnumString* Enum, TStrings* List) {
  constexpr ULONG kBatch = 100;
  List->Clear();
  LPOLESTR strings[kBatch];
  for (;;) {
    std::fill(std::begin(strings), std::end(strings), nullptr);
    ULONG fetched = 0;
    const HRESULT hr = Enum->Next(kBatch, strings, &fetched);
    if (FAILED(hr)) return;
    // A server may claim more than the buffer holds; only the buffer is read.
    fetched = std::min(fetched, kBatch);
    bool ended = false;
    for (ULONG i = 0; i < fetched; ++i) {
      if (!ended && (!strings[i] || !strings[i][0])) ended = true;
      if (!ended) List->Add(Utf16ToUtf8(strings[i]));
      CoTaskMemFree(strings[i]);
    }
    if (ended || hr != S_OK || fetched == 0) return;
  }
}
