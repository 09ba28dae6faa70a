// IOPCHDA_SyncAnnotations, and the checking of annotation arguments that the asynchronous
// forms share.

#include "servers/hdasim/ServerObject.h"
#include "platform/rtl/StringUtils.h"
#include "servers/hdasim/ServerTime.h"

namespace {

constexpr OPCHDA_ANNOTATIONCAPABILITIES AnnotationCapabilities =
    static_cast<OPCHDA_ANNOTATIONCAPABILITIES>(OPCHDA_READANNOTATIONCAP | OPCHDA_INSERTANNOTATIONCAP);

std::string TextOf(LPCWSTR text) { return text ? Utf16ToUtf8(text) : std::string(); }

}  // namespace

HRESULT THdaSimServer::ParseAnnotationRead(OPCHDA_TIME* start, OPCHDA_TIME* end, DWORD count,
                                           const OPCHANDLE* handles, THdaAnnotationRead& request) {
  if (count == 0 || !handles) return E_INVALIDARG;
  if (FAILED(ResolveSpan(start, end, request.Start, request.End))) return E_INVALIDARG;
  request.Items = ResolveHandles(count, handles);
  return S_OK;
}

HRESULT THdaSimServer::ParseAnnotationInsert(DWORD count, const OPCHANDLE* handles, const FILETIME* times,
                                             const OPCHDA_ANNOTATION* annotations, THdaAnnotationInsert& request) {
  if (count == 0 || !handles || !times || !annotations) return E_INVALIDARG;
  request.Items = ResolveHandles(count, handles);
  request.Annotations.resize(count);
  const std::string client = ClientName();
  for (DWORD i = 0; i < count; ++i) {
    const OPCHDA_ANNOTATION& record = annotations[i];
    if (record.dwNumValues > 0 && !record.szAnnotation) return E_INVALIDARG;
    for (DWORD j = 0; j < record.dwNumValues; ++j) {
      // Each annotation may carry its own time; else it belongs to the item's time stamp.
      HdaAnnotation annotation;
      annotation.Time = TicksOf(record.ftTimeStamps ? record.ftTimeStamps[j] : times[i]);
      annotation.Text = TextOf(record.szAnnotation[j]);
      annotation.User = record.szUser && record.szUser[j] && *record.szUser[j] ? TextOf(record.szUser[j]) : client;
      request.Annotations[i].push_back(std::move(annotation));
    }
  }
  return S_OK;
}

HRESULT THdaSimServer::QueryCapabilities(OPCHDA_ANNOTATIONCAPABILITIES* pCapabilities) {
  if (!pCapabilities) return E_POINTER;
  *pCapabilities = AnnotationCapabilities;
  return S_OK;
}

HRESULT THdaSimServer::Read(OPCHDA_TIME* htStartTime, OPCHDA_TIME* htEndTime, DWORD dwNumItems, OPCHANDLE* phServer,
                            OPCHDA_ANNOTATION** ppAnnotationValues, HRESULT** ppErrors) {
  if (!ppAnnotationValues || !ppErrors) return E_POINTER;
  *ppAnnotationValues = nullptr;
  *ppErrors = nullptr;
  THdaAnnotationRead request;
  const HRESULT parsed = ParseAnnotationRead(htStartTime, htEndTime, dwNumItems, phServer, request);
  if (FAILED(parsed)) return parsed;
  std::unique_ptr<THdaAnnotationResults> results = Execute(*FHistorian, request);
  if (!results) return E_OUTOFMEMORY;
  return results->HandOut(ppAnnotationValues, ppErrors);
}

HRESULT THdaSimServer::Insert(DWORD dwNumItems, OPCHANDLE* phServer, FILETIME* ftTimeStamps,
                              OPCHDA_ANNOTATION* pAnnotationValues, HRESULT** ppErrors) {
  if (!ppErrors) return E_POINTER;
  *ppErrors = nullptr;
  THdaAnnotationInsert request;
  return RunUpdate(ParseAnnotationInsert(dwNumItems, phServer, ftTimeStamps, pAnnotationValues, request), request,
                   ppErrors);
}
