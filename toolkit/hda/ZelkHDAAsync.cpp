// The asynchronous reads and advises of IOPCHDA_AsyncRead. A request is registered in the
// component's table before the call, under the transaction id the server gets; a rejected
// request leaves the table at once.

#include "opc/_opcactivex.h"
#include "toolkit/hda/ZelkHDA.h"
#include "toolkit/hda/ZelkHDARequests.h"
#include "toolkit/hda/ZelkHDAResults.h"

std::unique_ptr<TZelkHDAAsyncTransaction> TZelkHDAServer::NewTransaction(TZelkHDAItems* Items,
                                                                         uint32_t UserData) const {
  auto transaction = std::make_unique<TZelkHDAAsyncTransaction>();
  transaction->UserData = UserData;
  transaction->HdaItems = Items;
  return transaction;
}

HRESULT TZelkHDAServer::IssueRequest(
    std::unique_ptr<TZelkHDAAsyncTransaction> Transaction, TZelkHDARequestKind Kind, uint32_t& CancelID,
    const std::function<HRESULT(DWORD TransactionID, DWORD* CancelID, HRESULT** Errors)>& Call) {
  const uint32_t id = FRequests->Add(std::move(Transaction), Kind)->ID;
  DWORD cancelId = 0;
  HRESULT* errors = nullptr;
  HRESULT hr;
  try {
    hr = Call(id, &cancelId, &errors);
  } catch (...) {
    FRequests->Remove(id);
    throw;
  }
  CancelID = cancelId;
  if (FAILED(hr)) {
    // By id: a server may have answered inside the call, so the record may be gone already.
    FRequests->Remove(id);
    CheckResult(hr, nullptr);
    return hr;
  }
  // The request's per-item errors are not reported; its delivery carries the items' results.
  CoTaskMemFree(errors);
  FRequests->SetCancelID(id, cancelId);
  return hr;
}

HRESULT TZelkHDAServer::AsyncReadRaw(TDateTime StartTime, TDateTime EndTime, uint32_t NumValues, BOOL bBounds,
                                     TZelkHDAItems* OpcHdaItems, uint32_t& CancelID, uint32_t UserData) {
  ComPtr<IOPCHDA_AsyncRead> asyncRead = GetAsyncReadIntf();
  OPCHDA_TIME start = DateTimeToHdaTime(StartTime);
  OPCHDA_TIME end = DateTimeToHdaTime(EndTime);
  const TZelkRequestItems items(*this, OpcHdaItems, false);
  return IssueRequest(NewTransaction(OpcHdaItems, UserData), TZelkHDARequestKind::Read, CancelID,
                      [&](DWORD id, DWORD* cancelId, HRESULT** errors) {
                        return asyncRead->ReadRaw(id, &start, &end, NumValues, bBounds, items.Count(), items.Handles(),
                                                  cancelId, errors);
                      });
}

HRESULT TZelkHDAServer::AsyncAdviseRaw(TDateTime StartTime, double IntervalSeconds, TZelkHDAItems* OpcHdaItems,
                                       uint32_t& CancelID, uint32_t UserData) {
  ComPtr<IOPCHDA_AsyncRead> asyncRead = GetAsyncReadIntf();
  OPCHDA_TIME start = DateTimeToHdaTime(StartTime);
  const TZelkRequestItems items(*this, OpcHdaItems, false);
  return IssueRequest(NewTransaction(OpcHdaItems, UserData), TZelkHDARequestKind::Advise, CancelID,
                      [&](DWORD id, DWORD* cancelId, HRESULT** errors) {
                        return asyncRead->AdviseRaw(id, &start, SecondsToFileTime(IntervalSeconds), items.Count(),
                                                    items.Handles(), cancelId, errors);
                      });
}

HRESULT TZelkHDAServer::AsyncReadProcessed(TDateTime StartTime, TDateTime EndTime, double ResampleIntervalSeconds,
                                           TZelkHDAItems* OpcHdaItems, uint32_t& CancelID, uint32_t UserData) {
  ComPtr<IOPCHDA_AsyncRead> asyncRead = GetAsyncReadIntf();
  OPCHDA_TIME start = DateTimeToHdaTime(StartTime);
  OPCHDA_TIME end = DateTimeToHdaTime(EndTime);
  const TZelkRequestItems items(*this, OpcHdaItems, true);
  return IssueRequest(NewTransaction(OpcHdaItems, UserData), TZelkHDARequestKind::Read, CancelID,
                      [&](DWORD id, DWORD* cancelId, HRESULT** errors) {
                        return asyncRead->ReadProcessed(id, &start, &end, SecondsToFileTime(ResampleIntervalSeconds),
                                                        items.Count(), items.Handles(), items.Aggregates(), cancelId,
                                                        errors);
                      });
}

HRESULT TZelkHDAServer::AsyncAdviseProcessed(TDateTime StartTime, double IntervalSeconds, uint32_t NumIntervals,
                                             TZelkHDAItems* OpcHdaItems, uint32_t& CancelID, uint32_t UserData) {
  ComPtr<IOPCHDA_AsyncRead> asyncRead = GetAsyncReadIntf();
  OPCHDA_TIME start = DateTimeToHdaTime(StartTime);
  const TZelkRequestItems items(*this, OpcHdaItems, true);
  return IssueRequest(NewTransaction(OpcHdaItems, UserData), TZelkHDARequestKind::Advise, CancelID,
                      [&](DWORD id, DWORD* cancelId, HRESULT** errors) {
                        return asyncRead->AdviseProcessed(id, &start, SecondsToFileTime(IntervalSeconds),
                                                          items.Count(), items.Handles(), items.Aggregates(),
                                                          NumIntervals, cancelId, errors);
                      });
}

HRESULT TZelkHDAServer::AsyncReadAtTime(TDateTimeList* TimeStampList, TZelkHDAItems* OpcHdaItems, uint32_t& CancelID,
                                        uint32_t UserData) {
  ComPtr<IOPCHDA_AsyncRead> asyncRead = GetAsyncReadIntf();
  const TZelkRequestTimeStamps stamps(TimeStampList);
  const TZelkRequestItems items(*this, OpcHdaItems, false);
  return IssueRequest(NewTransaction(OpcHdaItems, UserData), TZelkHDARequestKind::Read, CancelID,
                      [&](DWORD id, DWORD* cancelId, HRESULT** errors) {
                        return asyncRead->ReadAtTime(id, stamps.Count(), stamps.Data(), items.Count(), items.Handles(),
                                                     cancelId, errors);
                      });
}

HRESULT TZelkHDAServer::AsyncReadModified(TDateTime StartTime, TDateTime EndTime, uint32_t NumValues,
                                          TZelkHDAItems* OpcHdaItems, uint32_t& CancelID, uint32_t UserData) {
  ComPtr<IOPCHDA_AsyncRead> asyncRead = GetAsyncReadIntf();
  OPCHDA_TIME start = DateTimeToHdaTime(StartTime);
  OPCHDA_TIME end = DateTimeToHdaTime(EndTime);
  const TZelkRequestItems items(*this, OpcHdaItems, false);
  return IssueRequest(NewTransaction(OpcHdaItems, UserData), TZelkHDARequestKind::ReadModified, CancelID,
                      [&](DWORD id, DWORD* cancelId, HRESULT** errors) {
                        return asyncRead->ReadModified(id, &start, &end, NumValues, items.Count(), items.Handles(),
                                                       cancelId, errors);
                      });
}

HRESULT TZelkHDAServer::AsyncReadAttribute(TDateTime StartTime, TDateTime EndTime, TZelkHDAItem* OpcHdaItem,
                                           TZelkHDAItemAttributes* hdaAttributes, uint32_t& CancelID,
                                           uint32_t UserData) {
  ComPtr<IOPCHDA_AsyncRead> asyncRead = GetAsyncReadIntf();
  OPCHDA_TIME start = DateTimeToHdaTime(StartTime);
  OPCHDA_TIME end = DateTimeToHdaTime(EndTime);
  const OPCHANDLE handle = OpcHdaItem ? ResolveServerHandle(*this, OpcHdaItem) : 0;
  const TZelkRequestAttributeIds attributeIds(hdaAttributes);
  const DWORD attributeCount = attributeIds.Count();
  auto transaction = NewTransaction(nullptr, UserData);
  transaction->HdaItem = OpcHdaItem;
  transaction->hdaAttributes = hdaAttributes;
  return IssueRequest(std::move(transaction), TZelkHDARequestKind::ReadAttribute, CancelID,
                      [&](DWORD id, DWORD* cancelId, HRESULT** errors) {
                        return asyncRead->ReadAttribute(id, &start, &end, handle, attributeCount, attributeIds.Data(),
                                                        cancelId, errors);
                      });
}

HRESULT TZelkHDAServer::AsyncReadCancel(uint32_t CancelID) { return GetAsyncReadIntf()->Cancel(CancelID); }
