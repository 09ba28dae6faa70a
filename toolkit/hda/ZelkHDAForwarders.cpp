// The data model's way into the server component: the lists' and items' read requests, and
// the destructors that make the component forget requests writing into a list that goes.

#include "toolkit/ZelkError.h"
#include "toolkit/hda/ZelkHDA.h"

namespace {

TZelkHDAServer& ServerOf(TZelkHDAServer* Server) {
  if (!Server) throw EOPCException(SNotConnected);
  return *Server;
}

}  // namespace

TZelkHDAItems::~TZelkHDAItems() { HdaRequestListDestroyed(this); }

TZelkHDAItemAttributes::~TZelkHDAItemAttributes() { HdaRequestListDestroyed(this); }

TZelkHDAUpdateItems::~TZelkHDAUpdateItems() { HdaRequestListDestroyed(this); }

HRESULT TZelkHDAItems::SyncReadRaw(TDateTime StartTime, TDateTime EndTime, uint32_t NumValues, BOOL bBounds) {
  return ServerOf(HdaServer).SyncReadRaw(StartTime, EndTime, NumValues, bBounds, this);
}

HRESULT TZelkHDAItems::SyncReadProcessed(TDateTime StartTime, TDateTime EndTime, double ResampleIntervalSeconds) {
  return ServerOf(HdaServer).SyncReadProcessed(StartTime, EndTime, ResampleIntervalSeconds, this);
}

HRESULT TZelkHDAItems::SyncReadAtTime(TDateTimeList* TimeStampList) {
  return ServerOf(HdaServer).SyncReadAtTime(TimeStampList, this);
}

HRESULT TZelkHDAItems::SyncReadModified(TDateTime StartTime, TDateTime EndTime, uint32_t NumValues) {
  return ServerOf(HdaServer).SyncReadModified(StartTime, EndTime, NumValues, this);
}

HRESULT TZelkHDAItems::AsyncReadRaw(TDateTime StartTime, TDateTime EndTime, uint32_t NumValues, BOOL bBounds,
                                    uint32_t UserData) {
  return ServerOf(HdaServer).AsyncReadRaw(StartTime, EndTime, NumValues, bBounds, this, fCancelID, UserData);
}

HRESULT TZelkHDAItems::AsyncAdviseRaw(TDateTime StartTime, double IntervalSeconds, uint32_t UserData) {
  return ServerOf(HdaServer).AsyncAdviseRaw(StartTime, IntervalSeconds, this, fCancelID, UserData);
}

HRESULT TZelkHDAItems::AsyncReadProcessed(TDateTime StartTime, TDateTime EndTime, double ResampleIntervalSeconds,
                                          uint32_t UserData) {
  return ServerOf(HdaServer).AsyncReadProcessed(StartTime, EndTime, ResampleIntervalSeconds, this, fCancelID,
                                                UserData);
}

HRESULT TZelkHDAItems::AsyncAdviseProcessed(TDateTime StartTime, double IntervalSeconds, uint32_t NumIntervals,
                                            uint32_t UserData) {
  return ServerOf(HdaServer).AsyncAdviseProcessed(StartTime, IntervalSeconds, NumIntervals, this, fCancelID, UserData);
}

HRESULT TZelkHDAItems::AsyncReadAtTime(TDateTimeList* TimeStampList, uint32_t UserData) {
  return ServerOf(HdaServer).AsyncReadAtTime(TimeStampList, this, fCancelID, UserData);
}

HRESULT TZelkHDAItems::AsyncReadModified(TDateTime StartTime, TDateTime EndTime, uint32_t NumValues,
                                         uint32_t UserData) {
  return ServerOf(HdaServer).AsyncReadModified(StartTime, EndTime, NumValues, this, fCancelID, UserData);
}

HRESULT TZelkHDAItems::AsyncReadCancel(uint32_t CancelID) { return ServerOf(HdaServer).AsyncReadCancel(CancelID); }

HRESULT TZelkHDAItem::SyncReadAttribute(TDateTime StartTime, TDateTime EndTime, TZelkHDAItemAttributes* hdaAttributes) {
  return ServerOf(HdaItems ? HdaItems->HdaServer : nullptr).SyncReadAttribute(StartTime, EndTime, this, hdaAttributes);
}

HRESULT TZelkHDAItem::AsyncReadAttribute(TDateTime StartTime, TDateTime EndTime, TZelkHDAItemAttributes* hdaAttributes,
                                         uint32_t UserData) {
  return ServerOf(HdaItems ? HdaItems->HdaServer : nullptr)
      .AsyncReadAttribute(StartTime, EndTime, this, hdaAttributes, fCancelID, UserData);
}
