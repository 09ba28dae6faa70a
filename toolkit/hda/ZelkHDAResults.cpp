#include "toolkit/hda/ZelkHDAResults.h"

#include <cmath>

#include "opc/_opcactivex.h"
#include "platform/rtl/StringUtils.h"

namespace {

constexpr int64_t kTicksPerMs = 10'000;
constexpr int64_t kTicksPerHour = 36'000'000'000;
constexpr int64_t kMsPerDay = MSecsPerDay;
// 1601-01-01 (FILETIME zero) to 1899-12-30 (TDateTime zero).
constexpr int64_t kMsFrom1601To1899 = 109'205 * kMsPerDay;

TDateTime MsToDateTime(int64_t Ms) {
  int64_t day = Ms / kMsPerDay;
  if (Ms % kMsPerDay < 0) --day;
  // ComposeDateTime, written out: this runs once per value.
  const double date = static_cast<double>(day);
  const double time = static_cast<double>(Ms - day * kMsPerDay) / kMsPerDay;
  return date >= 0 ? date + time : date - time;
}

int64_t DateTimeToMs(TDateTime Value) {
  const double day = std::trunc(Value);
  return static_cast<int64_t>(day) * kMsPerDay + std::llround(std::fabs(Value - day) * kMsPerDay);
}

FILETIME TicksToFileTime(int64_t Ticks) {
  return FILETIME{static_cast<DWORD>(Ticks), static_cast<DWORD>(static_cast<uint64_t>(Ticks) >> 32)};
}

// Local minus UTC at Ticks, in milliseconds; false where the rules give no local time.
bool BiasAt(int64_t Ticks, int64_t& BiasMs) {
  const FILETIME ft = TicksToFileTime(Ticks);
  if (!ft.dwLowDateTime || !ft.dwHighDateTime) return false;
  const TDateTime local = FileTimeToLocalDateTime(ft);
  if (local == 0) return false;
  BiasMs = DateTimeToMs(local) - (Ticks / kTicksPerMs - kMsFrom1601To1899);
  return true;
}

}  // namespace

void TZelkLocalTimes::LearnHour(int64_t Hour) {
  FHour = Hour;
  const int64_t start = Hour * kTicksPerHour + kTicksPerMs;
  const int64_t end = (Hour + 1) * kTicksPerHour - kTicksPerMs;
  int64_t endBias = 0;
  FUniform = BiasAt(start, FBiasMs) && BiasAt(end, endBias) && endBias == FBiasMs;
}

TDateTime TZelkLocalTimes::Convert(const FILETIME& TimeStamp) {
  if (!TimeStamp.dwLowDateTime || !TimeStamp.dwHighDateTime) return 0;
  const uint64_t ticks = (static_cast<uint64_t>(TimeStamp.dwHighDateTime) << 32) | TimeStamp.dwLowDateTime;
  if (ticks > static_cast<uint64_t>(INT64_MAX) - kTicksPerHour) return FileTimeToLocalDateTime(TimeStamp);
  const int64_t hour = static_cast<int64_t>(ticks) / kTicksPerHour;
  if (hour != FHour) LearnHour(hour);
  if (!FUniform) return FileTimeToLocalDateTime(TimeStamp);
  return MsToDateTime(static_cast<int64_t>(ticks) / kTicksPerMs - kMsFrom1601To1899 + FBiasMs);
}

namespace {

TZelkHDAValueItem* AppendValue(TZelkHDAValueList& Values, VARIANT& Value, TZelkValueSource Source) {
  return Source == TZelkValueSource::Owned ? Values.AddTaken(Value) : Values.AddNew(Value);
}

void SetQualityAndTime(TZelkHDAValueItem& Item, DWORD Quality, const FILETIME& TimeStamp, TZelkLocalTimes& Times) {
  Item.hdaQuality = Quality;
  Item.Quality = static_cast<uint16_t>(Quality);
  Item.TimeStamp = Times.Convert(TimeStamp);
}

void Reserve(TZelkHDAValueList& Values, DWORD More) {
  if (More <= static_cast<DWORD>(INT32_MAX)) Values.Reserve(static_cast<int>(More));
}

}  // namespace

void AppendValues(TZelkHDAValueList& Values, DWORD First, DWORD Count, const FILETIME* TimeStamps,
                  const DWORD* Qualities, VARIANT* DataValues, TZelkValueSource Source, TZelkLocalTimes& Times) {
  if (First >= Count || !TimeStamps || !Qualities || !DataValues) return;
  Reserve(Values, Count - First);
  for (DWORD j = First; j < Count; ++j)
    SetQualityAndTime(*AppendValue(Values, DataValues[j], Source), Qualities[j], TimeStamps[j], Times);
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

namespace {

void ClearVariants(VARIANT* Values, DWORD Count) {
  if (Values)
    for (DWORD j = 0; j < Count; ++j) VariantClear(&Values[j]);
}

}  // namespace

void FreeMovedValues(OPCHDA_ITEM& Record) {
  CoTaskMemFree(Record.pvDataValues);
  Record.pvDataValues = nullptr;
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
