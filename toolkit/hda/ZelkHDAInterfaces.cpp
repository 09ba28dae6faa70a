// What every server operation of the HDA component shares: the interface getters, the result
// check, the time conversions and the item handles.

#include <cmath>
#include <cstdint>

#include "opc/_opcactivex.h"
#include "toolkit/ZelkError.h"
#include "toolkit/hda/ZelkHDA.h"
#include "toolkit/hda/ZelkHDARequests.h"
#include "toolkit/hda/ZelkHDAResults.h"

OPCHDA_TIME DateTimeToHdaTime(TDateTime dt) {
  OPCHDA_TIME time{};
  if (dt > 0) {
    time.bString = FALSE;
    time.ftTime = LocalDateTimeToFileTime(dt);
  } else {
    // A string-form time without its string: what it means is the server's choice.
    time.bString = -1;
  }
  return time;
}

FILETIME SecondsToFileTime(double Seconds) {
  const double units = std::nearbyint(Seconds * 1e7);
  int64_t ticks = 0;
  if (units >= 9.223372036854775807e18)
    ticks = INT64_MAX;
  else if (units <= -9.223372036854775807e18)
    ticks = INT64_MIN;
  else if (!std::isnan(units))
    ticks = static_cast<int64_t>(units);
  const auto bits = static_cast<uint64_t>(ticks);
  return FILETIME{static_cast<DWORD>(bits), static_cast<DWORD>(bits >> 32)};
}

ComPtr<IOPCHDA_Server> TZelkHDAServer::GetOPCHDAServer() {
  if (!FConnection) return nullptr;
  ComPtr<IOPCHDA_Server> server = FConnection->OPCServer();
  if (!server) FWrongServertype = true;
  return server;
}

template <class I>
ComPtr<I> TZelkHDAServer::GetOptionalIntf(ComPtr<I>& Cache) {
  CheckConnected();
  if (Cache) return Cache;
  ComPtr<IOPCHDA_Server> server = GetOPCHDAServer();
  if (!server) throw EOPCException(SSpecificationNotSupported);
  ComPtr<I> intf;
  if (FAILED(server.As(&intf)) || !intf) throw EOPCHDAException(SInterfaceNotSupported);
  Cache = intf;
  return intf;
}

namespace {

// The capability mask of a freshly obtained interface; the call's own result is not examined.
template <class I, class TCapabilities>
uint32_t CapabilitiesOf(I* Intf) {
  TCapabilities capabilities{};
  Intf->QueryCapabilities(&capabilities);
  return static_cast<uint32_t>(capabilities);
}

}  // namespace

ComPtr<IOPCHDA_SyncRead> TZelkHDAServer::GetSyncReadIntf() { return GetOptionalIntf(FSyncRead); }

ComPtr<IOPCHDA_SyncUpdate> TZelkHDAServer::GetSyncUpdateIntf() {
  const bool cached = static_cast<bool>(FSyncUpdate);
  ComPtr<IOPCHDA_SyncUpdate> intf = GetOptionalIntf(FSyncUpdate);
  if (!cached) fSyncUpdateCapabilities = CapabilitiesOf<IOPCHDA_SyncUpdate, OPCHDA_UPDATECAPABILITIES>(intf.Get());
  return intf;
}

ComPtr<IOPCHDA_SyncAnnotations> TZelkHDAServer::GetSyncAnnotationsIntf() {
  const bool cached = static_cast<bool>(FSyncAnnotations);
  ComPtr<IOPCHDA_SyncAnnotations> intf = GetOptionalIntf(FSyncAnnotations);
  if (!cached)
    fSyncAnnotationsCapabilities =
        CapabilitiesOf<IOPCHDA_SyncAnnotations, OPCHDA_ANNOTATIONCAPABILITIES>(intf.Get());
  return intf;
}

ComPtr<IOPCHDA_AsyncRead> TZelkHDAServer::GetAsyncReadIntf() { return GetOptionalIntf(FAsyncRead); }

ComPtr<IOPCHDA_AsyncUpdate> TZelkHDAServer::GetAsyncUpdateIntf() {
  const bool cached = static_cast<bool>(FAsyncUpdate);
  ComPtr<IOPCHDA_AsyncUpdate> intf = GetOptionalIntf(FAsyncUpdate);
  if (!cached) fAsyncUpdateCapabilities = CapabilitiesOf<IOPCHDA_AsyncUpdate, OPCHDA_UPDATECAPABILITIES>(intf.Get());
  return intf;
}

ComPtr<IOPCHDA_AsyncAnnotations> TZelkHDAServer::GetAsyncAnnotationsIntf() {
  const bool cached = static_cast<bool>(FAsyncAnnotations);
  ComPtr<IOPCHDA_AsyncAnnotations> intf = GetOptionalIntf(FAsyncAnnotations);
  if (!cached)
    FAsyncAnnotationsCapabilities =
        CapabilitiesOf<IOPCHDA_AsyncAnnotations, OPCHDA_ANNOTATIONCAPABILITIES>(intf.Get());
  return intf;
}

ComPtr<IOPCHDA_Playback> TZelkHDAServer::GetPlaybackIntf() { return GetOptionalIntf(FPlayback); }

bool TZelkHDAServer::CheckResult(HRESULT hr, TZelkHDAAsyncTransaction* Transaction) {
  if (SUCCEEDED(hr)) return true;
  if (Transaction) FRequests->Remove(Transaction->ID);
  if (!fRaiseException) return false;
  const std::string message = OPCErrorMessage(hr);
  if (message.empty()) OleError(hr);
  throw EOPCHDAException(OPCErrorName(hr) + ": " + message);
}

namespace {

// The item-id strings of one GetItemHandles call.
class TItemIdStrings {
public:
  explicit TItemIdStrings(DWORD Count) : FCount(Count), FStrings(Count) {
    for (DWORD i = 0; i < Count; ++i) FStrings[i] = nullptr;
  }
  ~TItemIdStrings() {
    for (DWORD i = 0; i < FCount; ++i) SysFreeString(FStrings[i]);
  }
  LPWSTR* Data() const { return FStrings.Data(); }
  LPWSTR& operator[](DWORD Index) const { return FStrings[Index]; }

private:
  const DWORD FCount;
  TZelkTaskArray<LPWSTR> FStrings;
};

}  // namespace

HRESULT TZelkHDAServer::GetItemHandles(TZelkHDAItems* hdaItems) {
  if (!hdaItems || hdaItems->Count() == 0) return E_FAIL;
  ComPtr<IOPCHDA_Server> server = GetOPCHDAServer();
  if (!server) return E_FAIL;
  const auto count = static_cast<DWORD>(hdaItems->Count());
  TItemIdStrings itemIds(count);
  TZelkTaskArray<OPCHANDLE> clientHandles(count);
  for (DWORD i = 0; i < count; ++i) {
    const TZelkHDAItem* item = hdaItems->Items(static_cast<int>(i));
    itemIds[i] = AllocOleString(item->ItemId);
    clientHandles[i] = item->ClientHandle();
  }
  OPCHANDLE* serverHandles = nullptr;
  HRESULT* errors = nullptr;
  const HRESULT hr = server->GetItemHandles(count, itemIds.Data(), clientHandles.Data(), &serverHandles, &errors);
  if (SUCCEEDED(hr) && serverHandles && errors)
    for (DWORD i = 0; i < count; ++i)
      hdaItems->Items(static_cast<int>(i))->SetServerHandle(errors[i] == S_OK ? serverHandles[i] : 0);
  CoTaskMemFree(serverHandles);
  CoTaskMemFree(errors);
  return hr;
}
