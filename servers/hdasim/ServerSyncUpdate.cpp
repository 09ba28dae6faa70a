// IOPCHDA_SyncUpdate, and the checking of update arguments that the asynchronous forms share.

#include "servers/hdasim/ServerObject.h"
#include "servers/hdasim/ServerTime.h"
#include "opc/_opcda.h"

namespace {

constexpr OPCHDA_UPDATECAPABILITIES UpdateCapabilities = static_cast<OPCHDA_UPDATECAPABILITIES>(
    OPCHDA_INSERTCAP | OPCHDA_REPLACECAP | OPCHDA_INSERTREPLACECAP | OPCHDA_DELETERAWCAP | OPCHDA_DELETEATTIMECAP);

}  // namespace

HRESULT THdaSimServer::ParseValueUpdate(HdaEditType type, DWORD count, const OPCHANDLE* handles,
                                        const FILETIME* times, const VARIANT* values, const DWORD* qualities,
                                        THdaValueUpdate& request) {
  // Deleting at times needs neither values nor qualities.
  if (count == 0 || !handles || !times || (type != hetDelete && (!values || !qualities))) return E_INVALIDARG;
  request.Items = ResolveHandles(count, handles);
  request.Edits.resize(count);
  request.Refused.assign(count, S_OK);
  request.User = ClientName();
  for (DWORD i = 0; i < count; ++i) {
    HdaEdit& edit = request.Edits[i];
    edit.Item = request.Items[i].Item;
    edit.Type = type;
    edit.Time = TicksOf(times[i]);
    if (type == hetDelete) continue;
    // The OPC quality is the low word; history flags are the server's to set.
    edit.Quality = qualities[i] & 0xFFFF;
    if (!VariantToValue(values[i], edit.Value)) request.Refused[i] = OPC_E_INVALIDDATATYPE;
  }
  return S_OK;
}

HRESULT THdaSimServer::ParseRawDelete(OPCHDA_TIME* start, OPCHDA_TIME* end, DWORD count, const OPCHANDLE* handles,
                                      THdaRawDelete& request) {
  if (count == 0 || !handles) return E_INVALIDARG;
  if (FAILED(ResolveSpan(start, end, request.Start, request.End))) return E_INVALIDARG;
  request.Items = ResolveHandles(count, handles);
  request.User = ClientName();
  return S_OK;
}

HRESULT THdaSimServer::QueryCapabilities(OPCHDA_UPDATECAPABILITIES* pCapabilities) {
  if (!pCapabilities) return E_POINTER;
  *pCapabilities = UpdateCapabilities;
  return S_OK;
}

HRESULT THdaSimServer::Insert(DWORD dwNumItems, OPCHANDLE* phServer, FILETIME* ftTimeStamps, VARIANT* vDataValues,
                              DWORD* pdwQualities, HRESULT** ppErrors) {
  if (!ppErrors) return E_POINTER;
  *ppErrors = nullptr;
  THdaValueUpdate request;
  return RunUpdate(ParseValueUpdate(hetInsert, dwNumItems, phServer, ftTimeStamps, vDataValues, pdwQualities, request),
                   request, ppErrors);
}

HRESULT THdaSimServer::Replace(DWORD dwNumItems, OPCHANDLE* phServer, FILETIME* ftTimeStamps, VARIANT* vDataValues,
                               DWORD* pdwQualities, HRESULT** ppErrors) {
  if (!ppErrors) return E_POINTER;
  *ppErrors = nullptr;
  THdaValueUpdate request;
  return RunUpdate(
      ParseValueUpdate(hetReplace, dwNumItems, phServer, ftTimeStamps, vDataValues, pdwQualities, request), request,
      ppErrors);
}

HRESULT THdaSimServer::InsertReplace(DWORD dwNumItems, OPCHANDLE* phServer, FILETIME* ftTimeStamps,
                                     VARIANT* vDataValues, DWORD* pdwQualities, HRESULT** ppErrors) {
  if (!ppErrors) return E_POINTER;
  *ppErrors = nullptr;
  THdaValueUpdate request;
  return RunUpdate(
      ParseValueUpdate(hetInsertReplace, dwNumItems, phServer, ftTimeStamps, vDataValues, pdwQualities, request),
      request, ppErrors);
}

HRESULT THdaSimServer::DeleteAtTime(DWORD dwNumItems, OPCHANDLE* phServer, FILETIME* ftTimeStamps, HRESULT** ppErrors) {
  if (!ppErrors) return E_POINTER;
  *ppErrors = nullptr;
  THdaValueUpdate request;
  return RunUpdate(ParseValueUpdate(hetDelete, dwNumItems, phServer, ftTimeStamps, nullptr, nullptr, request), request,
                   ppErrors);
}

HRESULT THdaSimServer::DeleteRaw(OPCHDA_TIME* htStartTime, OPCHDA_TIME* htEndTime, DWORD dwNumItems,
                                 OPCHANDLE* phServer, HRESULT** ppErrors) {
  if (!ppErrors) return E_POINTER;
  *ppErrors = nullptr;
  THdaRawDelete request;
  return RunUpdate(ParseRawDelete(htStartTime, htEndTime, dwNumItems, phServer, request), request, ppErrors);
}
