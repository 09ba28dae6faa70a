#include "servers/hdasim/HdaHistorian.h"

#include <algorithm>

#include "servers/hdasim/HdaAttributes.h"
#include "servers/hdasim/HdaSignalTable.h"

namespace {

constexpr const char* ProcessName = "Zelk.HDASim";

}  // namespace

HdaHistorian::HdaHistorian(HdaHistorianOptions options)
    : FClock(options.Clock ? std::move(options.Clock) : HdaClock(HdaSystemNow)),
      FMaxReturnValues(options.MaxReturnValues),
      FStartTime(FClock()) {
  AddGeneratedItems(options.NodeName);
}

void HdaHistorian::AddItem(HdaItem item) {
  FAddressSpace.AddItem(item.ItemId, ItemCount());
  FItems.push_back(std::move(item));
  FStates.emplace_back();
}

void HdaHistorian::AddGeneratedItems(const std::string& nodeName) {
  for (const HdaSignalDefinition& definition : HdaGeneratedSignals()) {
    HdaItem item;
    item.ItemId = definition.ItemId;
    item.Source = std::make_unique<HdaGeneratedSignal>(definition);
    item.Stepped = definition.Stepped;
    item.Description = definition.Description;
    item.EngUnits = definition.EngUnits;
    item.DeriveEquation = definition.Equation;
    item.NodeName = nodeName;
    item.ProcessName = ProcessName;
    item.SourceName = "Generated";
    item.SourceType = "Simulation";
    item.NormalMinimum = definition.NormalMinimum;
    item.NormalMaximum = definition.NormalMaximum;
    item.MinTimeInterval = static_cast<double>(definition.PeriodSeconds);
    item.MaxTimeInterval = static_cast<double>(
        definition.GapCycleSeconds ? definition.GapCycleSeconds - definition.GapFromSecond + definition.PeriodSeconds
                                   : definition.PeriodSeconds);
    const double span = definition.NormalMaximum - definition.NormalMinimum;
    item.LowEntryLimit = definition.NormalMinimum - span;
    item.HighEntryLimit = definition.NormalMaximum + span;
    AddItem(std::move(item));
  }
}

HdaHistorianStatus HdaHistorian::Status() const {
  HdaHistorianStatus status;
  status.StartTime = FStartTime;
  status.CurrentTime = Now();
  status.MaxReturnValues = FMaxReturnValues;
  status.Vendor = "Zelk";
  status.MajorVersion = 1;
  status.MinorVersion = 0;
  status.BuildNumber = 1;
  return status;
}

int HdaHistorian::FindItem(std::string_view itemId) const {
  for (int i = 0; i < ItemCount(); ++i)
    if (FItems[static_cast<size_t>(i)].ItemId == itemId) return i;
  return -1;
}

HdaStatus HdaHistorian::ReadAttribute(int item, uint32_t attributeId, HdaValue& value) const {
  if (!Valid(item)) return HdaStatus::UnknownItem;
  return ReadItemAttribute(Item(item), attributeId, value);
}

HdaHistoryView HdaHistorian::View(int item) const {
  std::shared_ptr<const HdaOverlay> overlay;
  {
    std::lock_guard<std::mutex> guard(FLock);
    overlay = FStates[static_cast<size_t>(item)].Overlay;
  }
  const HdaItem& entry = Item(item);
  return HdaHistoryView(*entry.Source, std::move(overlay), Now(), entry.Stepped);
}

HdaStatus HdaHistorian::ReadRaw(int item, const HdaRawRequest& request, std::optional<HdaRawCursor>& cursor) const {
  cursor.reset();
  if (!Valid(item)) return HdaStatus::UnknownItem;
  cursor.emplace(View(item), request, FMaxReturnValues);
  return cursor->Status();
}

HdaStatus HdaHistorian::ReadAtTime(int item, const std::vector<int64_t>& times, std::vector<HdaSample>& values) const {
  values.clear();
  if (!Valid(item)) return HdaStatus::UnknownItem;
  const HdaHistoryView view = View(item);
  values.reserve(times.size());
  for (const int64_t time : times) values.push_back(view.ValueAtTime(time));
  const bool any = std::any_of(values.begin(), values.end(), [](const HdaSample& s) { return !IsEmpty(s.Value); });
  return any ? HdaStatus::Ok : HdaStatus::NoData;
}

HdaStatus HdaHistorian::ReadProcessed(int item, const HdaProcessedRequest& request,
                                      std::vector<HdaSample>& values) const {
  values.clear();
  if (!Valid(item)) return HdaStatus::UnknownItem;
  std::vector<int64_t> annotationTimes;
  {
    std::lock_guard<std::mutex> guard(FLock);
    for (const HdaAnnotation& annotation : FStates[static_cast<size_t>(item)].Annotations)
      annotationTimes.push_back(annotation.Time);
  }
  return CalculateProcessed(View(item), annotationTimes, request, FMaxReturnValues, values);
}

HdaStatus HdaHistorian::InsertAnnotation(int item, int64_t time, std::string text, std::string user) {
  if (!Valid(item)) return HdaStatus::UnknownItem;
  const int64_t now = Now();
  if (time < HdaEpoch || time > now) return HdaStatus::InvalidTime;
  std::lock_guard<std::mutex> guard(FLock);
  auto& annotations = FStates[static_cast<size_t>(item)].Annotations;
  const auto at = std::upper_bound(annotations.begin(), annotations.end(), time,
                                   [](int64_t t, const HdaAnnotation& annotation) { return t < annotation.Time; });
  annotations.insert(at, HdaAnnotation{time, std::move(text), now, std::move(user)});
  return HdaStatus::Ok;
}

HdaStatus HdaHistorian::ReadAnnotations(int item, int64_t start, int64_t end,
                                        std::vector<HdaAnnotation>& annotations) const {
  annotations.clear();
  if (!Valid(item)) return HdaStatus::UnknownItem;
  const bool reverse = start > end;
  const int64_t from = reverse ? end + 1 : start;
  const int64_t to = reverse ? start + 1 : (start == end ? start + 1 : end);
  {
    std::lock_guard<std::mutex> guard(FLock);
    for (const HdaAnnotation& annotation : FStates[static_cast<size_t>(item)].Annotations)
      if (annotation.Time >= from && annotation.Time < to) annotations.push_back(annotation);
  }
  if (reverse) std::reverse(annotations.begin(), annotations.end());
  return annotations.empty() ? HdaStatus::NoData : HdaStatus::Ok;
}
