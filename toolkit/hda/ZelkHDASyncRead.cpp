// The five synchronous reads of IOPCHDA_SyncRead. Each makes one server call for the whole
// list and appends what comes back to the items (the attribute read replaces).

#include "opc/_opcactivex.h"
#include "toolkit/hda/ZelkHDA.h"
#include "toolkit/hda/ZelkHDAResults.h"

namespace {

enum class TAggregate { Keep, FromServer };

// Per item: its result code, then on success (the aggregate the server reports and) the values.
void StoreItemResults(TZelkHDAItems* Items, const TZelkItemResults& Results, TAggregate Aggregate) {
  for (int i = 0; Items && i < Items->Count(); ++i) {
    TZelkHDAItem* item = Items->Items(i);
    item->LastHResult = Results.Errors[i];
    if (FAILED(item->LastHResult)) continue;
    OPCHDA_ITEM& record = Results.Records[i];
    if (Aggregate == TAggregate::FromServer) item->SetAggregate(record.haAggregate);
    AdoptItemValues(*item->Values(), record);
  }
}

}  // namespace

HRESULT TZelkHDAServer::SyncReadRaw(TDateTime StartTime, TDateTime EndTime, uint32_t NumValues, BOOL bBounds,
                                    TZelkHDAItems* OpcHdaItems) {
  ComPtr<IOPCHDA_SyncRead> syncRead = GetSyncReadIntf();
  OPCHDA_TIME start = DateTimeToHdaTime(StartTime);
  OPCHDA_TIME end = DateTimeToHdaTime(EndTime);
  const TZelkRequestItems items(*this, OpcHdaItems, false);
  TZelkItemResults results(items.Count());
  const HRESULT hr = syncRead->ReadRaw(&start, &end, NumValues, bBounds, items.Count(), items.Handles(),
                                       &results.Records, &results.Errors);
  if (CheckResult(hr, nullptr) && results.Complete()) StoreItemResults(OpcHdaItems, results, TAggregate::Keep);
  return hr;
}

HRESULT TZelkHDAServer::SyncReadProcessed(TDateTime StartTime, TDateTime EndTime, double ResampleIntervalSeconds,
                                          TZelkHDAItems* OpcHdaItems) {
  ComPtr<IOPCHDA_SyncRead> syncRead = GetSyncReadIntf();
  OPCHDA_TIME start = DateTimeToHdaTime(StartTime);
  OPCHDA_TIME end = DateTimeToHdaTime(EndTime);
  const TZelkRequestItems items(*this, OpcHdaItems, true);
  TZelkItemResults results(items.Count());
  const HRESULT hr = syncRead->ReadProcessed(&start, &end, SecondsToFileTime(ResampleIntervalSeconds), items.Count(),
                                             items.Handles(), items.Aggregates(), &results.Records, &results.Errors);
  if (CheckResult(hr, nullptr) && results.Complete())
    StoreItemResults(OpcHdaItems, results, TAggregate::FromServer);
  return hr;
}

HRESULT TZelkHDAServer::SyncReadAtTime(TDateTimeList* TimeStampList, TZelkHDAItems* OpcHdaItems) {
  ComPtr<IOPCHDA_SyncRead> syncRead = GetSyncReadIntf();
  const TZelkRequestTimeStamps stamps(TimeStampList);
  const TZelkRequestItems items(*this, OpcHdaItems, false);
  TZelkItemResults results(items.Count());
  const HRESULT hr = syncRead->ReadAtTime(stamps.Count(), stamps.Data(), items.Count(), items.Handles(), &results.Records,
                                          &results.Errors);
  if (CheckResult(hr, nullptr) && results.Complete())
    StoreItemResults(OpcHdaItems, results, TAggregate::FromServer);
  return hr;
}

HRESULT TZelkHDAServer::SyncReadModified(TDateTime StartTime, TDateTime EndTime, uint32_t NumValues,
                                         TZelkHDAItems* OpcHdaItems) {
  ComPtr<IOPCHDA_SyncRead> syncRead = GetSyncReadIntf();
  OPCHDA_TIME start = DateTimeToHdaTime(StartTime);
  OPCHDA_TIME end = DateTimeToHdaTime(EndTime);
  const TZelkRequestItems items(*this, OpcHdaItems, false);
  TZelkModifiedResults results(items.Count());
  const HRESULT hr = syncRead->ReadModified(&start, &end, NumValues, items.Count(), items.Handles(), &results.Records,
                                            &results.Errors);
  if (CheckResult(hr, nullptr) && results.Complete()) {
    TZelkLocalTimes times;
    for (DWORD i = 0; i < items.Count(); ++i) {
      TZelkHDAItem* item = OpcHdaItems->Items(static_cast<int>(i));
      item->LastHResult = results.Errors[i];
      if (SUCCEEDED(item->LastHResult))
        AppendModifiedValues(*item->Values(), results.Records[i], TZelkValueSource::Owned, times);
    }
  }
  return hr;
}

HRESULT TZelkHDAServer::SyncReadAttribute(TDateTime StartTime, TDateTime EndTime, TZelkHDAItem* OpcHdaItem,
                                          TZelkHDAItemAttributes* hdaAttributes) {
  ComPtr<IOPCHDA_SyncRead> syncRead = GetSyncReadIntf();
  OPCHDA_TIME start = DateTimeToHdaTime(StartTime);
  OPCHDA_TIME end = DateTimeToHdaTime(EndTime);
  const OPCHANDLE handle = OpcHdaItem ? ResolveServerHandle(*this, OpcHdaItem) : 0;
  const TZelkRequestAttributeIds attributeIds(hdaAttributes);
  const DWORD attributeCount = attributeIds.Count();
  TZelkAttributeResults results(attributeCount);
  const HRESULT hr = syncRead->ReadAttribute(&start, &end, handle, attributeCount, attributeIds.Data(),
                                             &results.Records, &results.Errors);
  if (CheckResult(hr, nullptr) && results.Complete()) {
    TZelkLocalTimes times;
    for (DWORD a = 0; a < attributeCount; ++a) {
      TZelkHDAItemAttributesItem* attribute = hdaAttributes->Items(static_cast<int>(a));
      attribute->LastHResult = results.Errors[a];
      if (SUCCEEDED(attribute->LastHResult)) ReplaceAttributeValues(*attribute, results.Records[a], times);
    }
  }
  return hr;
}
