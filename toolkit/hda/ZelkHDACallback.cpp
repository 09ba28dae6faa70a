// The data callback: what a server delivers goes into the lists of the request it names,
// then the request is posted to the component as message 1030. The server's arrays are only
// read; nothing raised here reaches the server.

#include <algorithm>

#include "toolkit/hda/ZelkHDA.h"
#include "toolkit/hda/ZelkHDARequests.h"
#include "toolkit/hda/ZelkHDAResults.h"

TZelkHDA_DataCallback::TZelkHDA_DataCallback(TZelkHDAServer* ZelkHDAServer)
    : FRequests(ZelkHDAServer->FRequests), FGeneration(FRequests->Generation()) {}

namespace {

DWORD EntriesFor(const TList* List, DWORD Delivered) {
  return List ? std::min<DWORD>(Delivered, static_cast<DWORD>(List->Count())) : 0;
}

// Both halves, as the server sent it.
bool SameFileTime(const FILETIME& a, const FILETIME& b) {
  return a.dwLowDateTime == b.dwLowDateTime && a.dwHighDateTime == b.dwHighDateTime;
}

// Values that cannot be compared (Null among them) do not count as equal.
bool SameValue(const VARIANT& a, const VARIANT& b) {
  return VarCmp(const_cast<VARIANT*>(&a), const_cast<VARIANT*>(&b), LOCALE_USER_DEFAULT, 0) == VARCMP_EQ;
}

void WriteReadItems(TZelkHDAItems* Items, DWORD NumItems, OPCHDA_ITEM* ItemValues, const HRESULT* Errors) {
  if (!ItemValues || !Errors) return;
  for (DWORD i = 0; i < EntriesFor(Items, NumItems); ++i) {
    TZelkHDAItem* item = Items->Items(static_cast<int>(i));
    item->LastHResult = Errors[i];
    if (FAILED(Errors[i])) continue;
    const OPCHDA_ITEM& entry = ItemValues[i];
    item->SetAggregate(entry.haAggregate);
    AppendValueCopies(*item->Values(), entry, 0);
  }
}

// Advise and playback: the first value is dropped when the list skips repeats and it is the
// item's last delivered value at the same server time stamp.
void WriteChangedItem(TZelkHDAItem& Item, bool SkipRepeatedValues, const OPCHDA_ITEM& Entry) {
  if (Entry.dwCount == 0 || !Entry.pftTimeStamps || !Entry.pdwQualities || !Entry.pvDataValues) return;
  Item.SetAggregate(Entry.haAggregate);
  const bool repeated = SkipRepeatedValues && SameValue(Entry.pvDataValues[0], Item.LastValue.Value()) &&
                        SameFileTime(Entry.pftTimeStamps[0], Item.LastTimeStamp);
  AppendValueCopies(*Item.Values(), Entry, repeated ? 1 : 0);
  const DWORD last = Entry.dwCount - 1;
  Item.LastValue.CopyFrom(Entry.pvDataValues[last]);
  Item.LastTimeStamp = Entry.pftTimeStamps[last];
}

template <class TEntryAt>
void WriteChangedItems(TZelkHDAItems* Items, DWORD NumItems, const HRESULT* Errors, const TEntryAt& EntryAt) {
  if (!Errors) return;
  for (DWORD i = 0; i < EntriesFor(Items, NumItems); ++i) {
    TZelkHDAItem* item = Items->Items(static_cast<int>(i));
    item->LastHResult = Errors[i];
    const OPCHDA_ITEM* entry = EntryAt(i);
    if (SUCCEEDED(Errors[i]) && entry) WriteChangedItem(*item, Items->SkipRepeatedValues(), *entry);
  }
}

// Nothing a delivery raises may reach the server.
template <class TBody>
HRESULT Guarded(const TBody& Body) {
  try {
    Body();
  } catch (...) {
  }
  return S_OK;
}

}  // namespace

HRESULT STDMETHODCALLTYPE TZelkHDA_DataCallback::OnDataChange(DWORD dwTransactionID, HRESULT hrStatus, DWORD dwNumItems,
                                                             OPCHDA_ITEM* pItemValues, HRESULT* phrErrors) {
  return Guarded([&] {
    FRequests->Deliver(FGeneration, dwTransactionID, TZelkHDARequestKind::Advise, hrStatus, evDataChange,
                       [&](TZelkHDAAsyncTransaction& t) {
                         WriteChangedItems(t.HdaItems, dwNumItems, phrErrors, [pItemValues](DWORD i) {
                           return pItemValues ? &pItemValues[i] : nullptr;
                         });
                       });
  });
}

HRESULT STDMETHODCALLTYPE TZelkHDA_DataCallback::OnReadComplete(DWORD dwTransactionID, HRESULT hrStatus,
                                                               DWORD dwNumItems, OPCHDA_ITEM* pItemValues,
                                                               HRESULT* phrErrors) {
  return Guarded([&] {
    FRequests->Deliver(FGeneration, dwTransactionID, TZelkHDARequestKind::Read, hrStatus, evReadComplete,
                       [&](TZelkHDAAsyncTransaction& t) { WriteReadItems(t.HdaItems, dwNumItems, pItemValues, phrErrors); });
  });
}

HRESULT STDMETHODCALLTYPE TZelkHDA_DataCallback::OnReadModifiedComplete(DWORD dwTransactionID, HRESULT hrStatus,
                                                                       DWORD dwNumItems,
                                                                       OPCHDA_MODIFIEDITEM* pItemValues,
                                                                       HRESULT* phrErrors) {
  return Guarded([&] {
    FRequests->Deliver(FGeneration, dwTransactionID, TZelkHDARequestKind::ReadModified, hrStatus,
                       evReadModifiedComplete, [&](TZelkHDAAsyncTransaction& t) {
                         if (!pItemValues || !phrErrors) return;
                         TZelkLocalTimes times;
                         for (DWORD i = 0; i < EntriesFor(t.HdaItems, dwNumItems); ++i) {
                           TZelkHDAItem* item = t.HdaItems->Items(static_cast<int>(i));
                           item->LastHResult = phrErrors[i];
                           if (SUCCEEDED(phrErrors[i]))
                             AppendModifiedValues(*item->Values(), pItemValues[i], TZelkValueSource::Borrowed, times);
                         }
                       });
  });
}

HRESULT STDMETHODCALLTYPE TZelkHDA_DataCallback::OnReadAttributeComplete(DWORD dwTransactionID, HRESULT hrStatus,
                                                                        OPCHANDLE, DWORD dwNumItems,
                                                                        OPCHDA_ATTRIBUTE* pAttributeValues,
                                                                        HRESULT* phrErrors) {
  return Guarded([&] {
    FRequests->Deliver(FGeneration, dwTransactionID, TZelkHDARequestKind::ReadAttribute, hrStatus,
                       evReadAttributeComplete, [&](TZelkHDAAsyncTransaction& t) {
                         if (FAILED(hrStatus) || !pAttributeValues || !phrErrors) return;
                         TZelkLocalTimes times;
                         for (DWORD i = 0; i < EntriesFor(t.hdaAttributes, dwNumItems); ++i) {
                           TZelkHDAItemAttributesItem* attribute = t.hdaAttributes->Items(static_cast<int>(i));
                           attribute->LastHResult = phrErrors[i];
                           if (SUCCEEDED(phrErrors[i])) ReplaceAttributeValues(*attribute, pAttributeValues[i], times);
                         }
                       });
  });
}

// The component issues no annotation or update requests yet, so no transaction id can name
// one of these deliveries.
HRESULT STDMETHODCALLTYPE TZelkHDA_DataCallback::OnReadAnnotations(DWORD, HRESULT, DWORD, OPCHDA_ANNOTATION*,
                                                                  HRESULT*) {
  return S_OK;
}

HRESULT STDMETHODCALLTYPE TZelkHDA_DataCallback::OnInsertAnnotations(DWORD, HRESULT, DWORD, OPCHANDLE*, HRESULT*) {
  return S_OK;
}

HRESULT STDMETHODCALLTYPE TZelkHDA_DataCallback::OnUpdateComplete(DWORD, HRESULT, DWORD, OPCHANDLE*, HRESULT*) {
  return S_OK;
}

HRESULT STDMETHODCALLTYPE TZelkHDA_DataCallback::OnPlayback(DWORD dwTransactionID, HRESULT hrStatus, DWORD dwNumItems,
                                                           OPCHDA_ITEM** ppItemValues, HRESULT* phrErrors) {
  return Guarded([&] {
    FRequests->Deliver(FGeneration, dwTransactionID, TZelkHDARequestKind::Playback, hrStatus, evPlayback,
                       [&](TZelkHDAAsyncTransaction& t) {
                         WriteChangedItems(t.HdaItems, dwNumItems, phrErrors, [ppItemValues](DWORD i) {
                           return ppItemValues ? ppItemValues[i] : nullptr;
                         });
                       });
  });
}

HRESULT STDMETHODCALLTYPE TZelkHDA_DataCallback::OnCancelComplete(DWORD dwCancelID) {
  return Guarded([&] { FRequests->ConfirmCancel(FGeneration, dwCancelID); });
}
