// IOPCHDA_SyncRead, and the checking of read arguments that the asynchronous forms share.

#include "servers/hdasim/ServerObject.h"
#include "servers/hdasim/ServerTime.h"
#include "opc/_opcda.h"

namespace {

// Out-parameters of the synchronous reads: both must be there; they start out null.
template <class TRecord>
bool ClearOut(TRecord** records, HRESULT** errors) {
  if (!records || !errors) return false;
  *records = nullptr;
  *errors = nullptr;
  return true;
}

template <class TResults>
HRESULT HandOut(HRESULT parsed, std::unique_ptr<TResults> results,
                decltype(std::declval<TResults>().Records())* records, HRESULT** errors) {
  if (FAILED(parsed)) return parsed;
  if (!results) return E_OUTOFMEMORY;
  return results->HandOut(records, errors);
}

}  // namespace

HRESULT THdaSimServer::ParseRawRead(OPCHDA_TIME* start, OPCHDA_TIME* end, DWORD numValues, BOOL bounds, DWORD count,
                                    const OPCHANDLE* handles, THdaRawRead& request) {
  if (count == 0 || !handles) return E_INVALIDARG;
  const int64_t now = FHistorian->Now();
  std::optional<int64_t> first, last;
  if (FAILED(ResolveHdaTime(start, now, first)) || FAILED(ResolveHdaTime(end, now, last))) return E_INVALIDARG;
  // Two of start, end and the number of values define the time domain.
  if (!first && !last) return E_INVALIDARG;
  if ((!first || !last) && numValues == 0) return E_INVALIDARG;
  HdaRawRequest& raw = request.Request;
  if (first && last) {
    raw.Start = *first;
    raw.End = *last;
  } else if (first) {
    // Forward from start to the newest value.
    raw.Start = *first;
    raw.End = std::max(now, *first) + 1;
  } else {
    // Backward from end (not included) to the oldest value.
    raw.End = HdaEpoch - 2;
    raw.Start = std::max(*last - 1, HdaEpoch - 1);
  }
  raw.MaxValues = numValues;
  raw.Bounds = bounds != FALSE;
  request.Items = ResolveHandles(count, handles);
  return S_OK;
}

HRESULT THdaSimServer::ParseProcessedRead(OPCHDA_TIME* start, OPCHDA_TIME* end, FILETIME interval, DWORD count,
                                          const OPCHANDLE* handles, const DWORD* aggregates,
                                          THdaProcessedRead& request) {
  if (count == 0 || !handles || !aggregates) return E_INVALIDARG;
  if (FAILED(ResolveSpan(start, end, request.Start, request.End))) return E_INVALIDARG;
  request.Interval = TicksOf(interval);
  if (request.Interval < 0 || request.Interval > HdaLongestSpan || request.Start == request.End) return E_INVALIDARG;
  request.Aggregates.assign(aggregates, aggregates + count);
  request.Items = ResolveHandles(count, handles);
  return S_OK;
}

HRESULT THdaSimServer::ParseAtTimeRead(DWORD timeCount, const FILETIME* times, DWORD count, const OPCHANDLE* handles,
                                       THdaAtTimeRead& request) {
  if (timeCount == 0 || !times || count == 0 || !handles) return E_INVALIDARG;
  for (DWORD i = 0; i < timeCount; ++i) request.Times.push_back(TicksOf(times[i]));
  request.Items = ResolveHandles(count, handles);
  return S_OK;
}

HRESULT THdaSimServer::ParseModifiedRead(OPCHDA_TIME* start, OPCHDA_TIME* end, DWORD numValues, DWORD count,
                                         const OPCHANDLE* handles, THdaModifiedRead& request) {
  // The same time domain as a raw read without bounds.
  THdaRawRead raw;
  const HRESULT parsed = ParseRawRead(start, end, numValues, FALSE, count, handles, raw);
  if (FAILED(parsed)) return parsed;
  request.Items = std::move(raw.Items);
  request.Start = raw.Request.Start;
  request.End = raw.Request.End;
  request.MaxValues = numValues;
  return S_OK;
}

HRESULT THdaSimServer::ParseAttributeRead(OPCHDA_TIME* start, OPCHDA_TIME* end, OPCHANDLE handle, DWORD count,
                                          const DWORD* ids, THdaAttributeRead& request) {
  if (count == 0 || !ids) return E_INVALIDARG;
  const int64_t now = FHistorian->Now();
  std::optional<int64_t> first, last;
  if (FAILED(ResolveHdaTime(start, now, first)) || FAILED(ResolveHdaTime(end, now, last)) || (!first && !last))
    return E_INVALIDARG;
  request.Item = ResolveHandles(1, &handle).front();
  if (request.Item.Item < 0) return OPC_E_INVALIDHANDLE;
  request.Attributes.assign(ids, ids + count);
  return S_OK;
}

HRESULT THdaSimServer::ReadRaw(OPCHDA_TIME* htStartTime, OPCHDA_TIME* htEndTime, DWORD dwNumValues, BOOL bBounds,
                               DWORD dwNumItems, OPCHANDLE* phServer, OPCHDA_ITEM** ppItemValues, HRESULT** ppErrors) {
  if (!ClearOut(ppItemValues, ppErrors)) return E_POINTER;
  THdaRawRead request;
  const HRESULT parsed = ParseRawRead(htStartTime, htEndTime, dwNumValues, bBounds, dwNumItems, phServer, request);
  return HandOut(parsed, SUCCEEDED(parsed) ? Execute(*FHistorian, request) : nullptr, ppItemValues, ppErrors);
}

HRESULT THdaSimServer::ReadProcessed(OPCHDA_TIME* htStartTime, OPCHDA_TIME* htEndTime, FILETIME ftResampleInterval,
                                     DWORD dwNumItems, OPCHANDLE* phServer, DWORD* haAggregate,
                                     OPCHDA_ITEM** ppItemValues, HRESULT** ppErrors) {
  if (!ClearOut(ppItemValues, ppErrors)) return E_POINTER;
  THdaProcessedRead request;
  const HRESULT parsed =
      ParseProcessedRead(htStartTime, htEndTime, ftResampleInterval, dwNumItems, phServer, haAggregate, request);
  return HandOut(parsed, SUCCEEDED(parsed) ? Execute(*FHistorian, request) : nullptr, ppItemValues, ppErrors);
}

HRESULT THdaSimServer::ReadAtTime(DWORD dwNumTimeStamps, FILETIME* ftTimeStamps, DWORD dwNumItems, OPCHANDLE* phServer,
                                  OPCHDA_ITEM** ppItemValues, HRESULT** ppErrors) {
  if (!ClearOut(ppItemValues, ppErrors)) return E_POINTER;
  THdaAtTimeRead request;
  const HRESULT parsed = ParseAtTimeRead(dwNumTimeStamps, ftTimeStamps, dwNumItems, phServer, request);
  return HandOut(parsed, SUCCEEDED(parsed) ? Execute(*FHistorian, request) : nullptr, ppItemValues, ppErrors);
}

HRESULT THdaSimServer::ReadModified(OPCHDA_TIME* htStartTime, OPCHDA_TIME* htEndTime, DWORD dwNumValues,
                                    DWORD dwNumItems, OPCHANDLE* phServer, OPCHDA_MODIFIEDITEM** ppItemValues,
                                    HRESULT** ppErrors) {
  if (!ClearOut(ppItemValues, ppErrors)) return E_POINTER;
  THdaModifiedRead request;
  const HRESULT parsed = ParseModifiedRead(htStartTime, htEndTime, dwNumValues, dwNumItems, phServer, request);
  return HandOut(parsed, SUCCEEDED(parsed) ? Execute(*FHistorian, request) : nullptr, ppItemValues, ppErrors);
}

HRESULT THdaSimServer::ReadAttribute(OPCHDA_TIME* htStartTime, OPCHDA_TIME* htEndTime, OPCHANDLE hServer,
                                     DWORD dwNumAttributes, DWORD* pdwAttributeIDs,
                                     OPCHDA_ATTRIBUTE** ppAttributeValues, HRESULT** ppErrors) {
  if (!ClearOut(ppAttributeValues, ppErrors)) return E_POINTER;
  THdaAttributeRead request;
  const HRESULT parsed =
      ParseAttributeRead(htStartTime, htEndTime, hServer, dwNumAttributes, pdwAttributeIDs, request);
  return HandOut(parsed, SUCCEEDED(parsed) ? Execute(*FHistorian, request) : nullptr, ppAttributeValues, ppErrors);
}

// The reduced variant.

HRESULT THdaSimMinimalServer::QueryInterface(REFIID riid, void** ppvObject) {
  if (!ppvObject) return E_POINTER;
  *ppvObject = nullptr;
  if (riid != IID_IUnknown && riid != IID_IOPCHDA_Server && riid != IID_IOPCHDA_SyncRead) return E_NOINTERFACE;
  return THdaSimServer::QueryInterface(riid, ppvObject);
}

HRESULT THdaSimMinimalServer::ReadProcessed(OPCHDA_TIME*, OPCHDA_TIME*, FILETIME, DWORD, OPCHANDLE*, DWORD*,
                                            OPCHDA_ITEM** ppItemValues, HRESULT** ppErrors) {
  ClearOut(ppItemValues, ppErrors);
  return E_NOTIMPL;
}

HRESULT THdaSimMinimalServer::ReadAtTime(DWORD, FILETIME*, DWORD, OPCHANDLE*, OPCHDA_ITEM** ppItemValues,
                                         HRESULT** ppErrors) {
  ClearOut(ppItemValues, ppErrors);
  return E_NOTIMPL;
}

HRESULT THdaSimMinimalServer::ReadModified(OPCHDA_TIME*, OPCHDA_TIME*, DWORD, DWORD, OPCHANDLE*,
                                           OPCHDA_MODIFIEDITEM** ppItemValues, HRESULT** ppErrors) {
  ClearOut(ppItemValues, ppErrors);
  return E_NOTIMPL;
}
