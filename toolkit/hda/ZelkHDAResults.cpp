#include "toolkit/hda/ZelkHDAResults.h"

#include <algorithm>

#include "opc/_opcactivex.h"
#include "platform/rtl/StringUtils.h"

namespace {

TZelkHDAValueItem* AppendValue(TZelkHDAValueList& Values, VARIANT& Value, TZelkValueSource Source) {
  return Source == TZelkValueSource::Owned ? Values.AddTaken(Value) : Values.AddNew(Value);
}

void SetQualityAndTime(TZelkHDAValueItem& Item, DWORD Quality, const FILETIME& TimeStamp, TZelkLocalTimes& Times) {
  Item.hdaQuality = Quality;
  Item.Quality = static_cast<uint16_t>(Quality);
  Item.TimeStamp = Times.Convert(TimeStamp);
}

void ClearVariants(VARIANT* Values, DWORD Count) {
  if (Values)
    for (DWORD j = 0; j < Count; ++j) VariantClear(&Values[j]);
}

void Reserve(TZelkHDAValueList& Values, DWORD More) {
  if (More <= static_cast<DWORD>(INT32_MAX)) Values.Reserve(static_cast<int>(More));
}

}  // namespace

void AdoptItemValues(TZelkHDAValueList& Values, OPCHDA_ITEM& Record) {
  if (Record.pftTimeStamps && Record.pdwQualities && Record.pvDataValues)
    Values.AdoptValues(Record.dwCount, Record.pftTimeStamps, Record.pdwQualities, Record.pvDataValues);
}

void AppendValueCopies(TZelkHDAValueList& Values, const OPCHDA_ITEM& Entry, DWORD First) {
  if (First >= Entry.dwCount || !Entry.pftTimeStamps || !Entry.pdwQualities || !Entry.pvDataValues) return;
  const DWORD count = Entry.dwCount - First;
  TZelkTaskArray<FILETIME> timeStamps(count);
  TZelkTaskArray<DWORD> qualities(count);
  TZelkTaskArray<VARIANT> values(count);
  std::copy_n(Entry.pftTimeStamps + First, count, timeStamps.Data());
  std::copy_n(Entry.pdwQualities + First, count, qualities.Data());
  for (DWORD j = 0; j < count; ++j) VariantInit(&values[j]);
  try {
    for (DWORD j = 0; j < count; ++j) OleCheck(VariantCopyInd(&values[j], &Entry.pvDataValues[First + j]));
    FILETIME* adoptedTimeStamps = timeStamps.Data();
    DWORD* adoptedQualities = qualities.Data();
    VARIANT* adoptedValues = values.Data();
    Values.AdoptValues(count, adoptedTimeStamps, adoptedQualities, adoptedValues);
  } catch (...) {
    ClearVariants(values.Data(), count);
    throw;
  }
  timeStamps.Release();
  qualities.Release();
  values.Release();
}

void AppendModifiedValues(TZelkHDAValueList& Values, const OPCHDA_MODIFIEDITEM& Record, TZelkValueSource Source,
                          TZelkLocalTimes& Times) {
  if (!Record.pftTimeStamps || !Record.pdwQualities || !Record.pvDataValues || !Record.pftModificationTime ||
      !Record.pEditType)
    return;
  Reserve(Values, Record.dwCount);
  for (DWORD j = 0; j < Record.dwCount; ++j) {
    TZelkHDAValueItem* item = AppendValue(Values, Record.pvDataValues[j], Source);
    SetQualityAndTime(*item, Record.pdwQualities[j], Record.pftTimeStamps[j], Times);
    item->SetModification(Times.Convert(Record.pftModificationTime[j]), Record.pEditType[j],
                          Record.szUser && Record.szUser[j] ? Utf16ToUtf8(Record.szUser[j]) : std::string());
  }
}

void ReplaceAttributeValues(TZelkHDAItemAttributesItem& Attribute, const OPCHDA_ATTRIBUTE& Record,
                            TZelkLocalTimes& Times) {
  TZelkHDAAttributeValues* values = Attribute.AttributeValues();
  values->Clear();
  if (!Record.ftTimeStamps || !Record.vAttributeValues) return;
  for (DWORD n = 0; n < Record.dwNumValues; ++n)
    values->AddNew(Record.vAttributeValues[n])->TimeStamp = Times.Convert(Record.ftTimeStamps[n]);
}

void FreeItemRecord(OPCHDA_ITEM& Record) {
  ClearVariants(Record.pvDataValues, Record.dwCount);
  CoTaskMemFree(Record.pvDataValues);
  CoTaskMemFree(Record.pdwQualities);
  CoTaskMemFree(Record.pftTimeStamps);
  Record.pvDataValues = nullptr;
  Record.pdwQualities = nullptr;
  Record.pftTimeStamps = nullptr;
}

void FreeModifiedRecord(OPCHDA_MODIFIEDITEM& Record) {
  ClearVariants(Record.pvDataValues, Record.dwCount);
  if (Record.szUser)
    for (DWORD j = 0; j < Record.dwCount; ++j) CoTaskMemFree(Record.szUser[j]);
  CoTaskMemFree(Record.pvDataValues);
  CoTaskMemFree(Record.pdwQualities);
  CoTaskMemFree(Record.pftTimeStamps);
  CoTaskMemFree(Record.pftModificationTime);
  CoTaskMemFree(Record.pEditType);
  CoTaskMemFree(Record.szUser);
  Record = OPCHDA_MODIFIEDITEM{};
}

void FreeAttributeRecord(OPCHDA_ATTRIBUTE& Record) {
  ClearVariants(Record.vAttributeValues, Record.dwNumValues);
  CoTaskMemFree(Record.vAttributeValues);
  CoTaskMemFree(Record.ftTimeStamps);
  Record.vAttributeValues = nullptr;
  Record.ftTimeStamps = nullptr;
}

uint32_t ResolveServerHandle(TZelkHDAServer& Server, TZelkHDAItem* Item) {
  TZelkHDAServer* listServer = Item->HdaItems ? Item->HdaItems->HdaServer : nullptr;
  return Item->ResolveServerHandle(listServer ? listServer : &Server);
}

TZelkRequestItems::TZelkRequestItems(TZelkHDAServer& Server, TZelkHDAItems* Items, bool WithAggregates)
    : FCount(Items ? Items->Count() : 0), FHandles(FCount) {
  if (WithAggregates) FAggregates.emplace(FCount);
  for (DWORD i = 0; i < FCount; ++i) {
    TZelkHDAItem* item = Items->Items(static_cast<int>(i));
    FHandles[i] = ResolveServerHandle(Server, item);
    if (FAggregates) (*FAggregates)[i] = item->Aggregate();
  }
}

TZelkRequestTimeStamps::TZelkRequestTimeStamps(const TDateTimeList* List)
    : FCount(List ? List->Count() : 0), FStamps(FCount) {
  for (DWORD k = 0; k < FCount; ++k) FStamps[k] = LocalDateTimeToFileTime(List->Get(static_cast<int>(k)));
}

TZelkRequestAttributeIds::TZelkRequestAttributeIds(const TZelkHDAItemAttributes* Attributes)
    : FCount(Attributes ? Attributes->Count() : 0), FIds(FCount) {
  for (DWORD a = 0; a < FCount; ++a) FIds[a] = Attributes->Items(static_cast<int>(a))->ID;
}
