#include "servers/hdasim/HdaHistorian.h"

#include <algorithm>
#include <cstdlib>

#include "servers/hdasim/HdaAttributes.h"
#include "servers/hdasim/HdaCsvArchive.h"
#include "servers/hdasim/HdaEditLog.h"
#include "servers/hdasim/HdaRecordedSource.h"
#include "servers/hdasim/HdaSignalTable.h"

namespace {

constexpr const char* ProcessName = "Zelk.HDASim";

// The half-open tick range of a raw read's time domain.
void TimeDomain(int64_t start, int64_t end, int64_t& from, int64_t& to) {
  start = HdaClampTime(start);
  end = HdaClampTime(end);
  if (start > end) {
    from = end + 1;
    to = start + 1;
  } else {
    from = start;
    to = start == end ? start + 1 : end;
  }
}

}  // namespace

std::string HdaDataFolderFromEnvironment() {
  const char* folder = std::getenv("ZELK_HDASIM_DATA");
  return folder ? folder : "";
}

HdaHistorian::HdaHistorian(HdaHistorianOptions options)
    : FClock(options.Clock ? std::move(options.Clock) : HdaClock(HdaSystemNow)),
      FMaxReturnValues(options.MaxReturnValues),
      FStartTime(FClock()) {
  AddGeneratedItems(options.NodeName);
  if (!options.DataFolder.empty()) AddRecordedItems(options.DataFolder, options.NodeName);
}

void HdaHistorian::AddItem(HdaItem item) {
  FAddressSpace.AddItem(item.ItemId, ItemCount());
  FItemIndex.emplace(item.ItemId, ItemCount());
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

void HdaHistorian::AddRecordedItems(const std::string& folder, const std::string& nodeName) {
  HdaCsvArchive archive = LoadCsvArchive(folder);
  FDiagnostics = std::move(archive.Diagnostics);
  for (HdaCsvItem& recorded : archive.Items) {
    if (FindItem(recorded.ItemId) >= 0) {
      FDiagnostics.push_back(recorded.RelativePath + ": the item id " + recorded.ItemId + " is taken; file skipped");
      continue;
    }
    HdaItem item;
    item.ItemId = recorded.ItemId;
    item.Stepped = recorded.Type == hvtBSTR;
    item.Description = "Recorded history from " + recorded.RelativePath;
    item.NodeName = nodeName;
    item.ProcessName = ProcessName;
    item.SourceName = recorded.RelativePath;
    item.SourceType = "CSV file";
    const auto& samples = recorded.Samples;
    if (recorded.Type == hvtR8 && !samples.empty()) {
      const auto [low, high] = std::minmax_element(
          samples.begin(), samples.end(),
          [](const HdaSample& a, const HdaSample& b) { return ToNumber(a.Value) < ToNumber(b.Value); });
      item.NormalMinimum = ToNumber(low->Value);
      item.NormalMaximum = ToNumber(high->Value);
    }
    const double span = std::max(item.NormalMaximum - item.NormalMinimum, 1.0);
    item.LowEntryLimit = item.NormalMinimum - span;
    item.HighEntryLimit = item.NormalMaximum + span;
    for (size_t i = 1; i < samples.size(); ++i) {
      const double gap = static_cast<double>(samples[i].Time - samples[i - 1].Time) / HdaTicksPerSecond;
      item.MinTimeInterval = i == 1 ? gap : std::min(item.MinTimeInterval, gap);
      item.MaxTimeInterval = std::max(item.MaxTimeInterval, gap);
    }
    item.Source = std::make_unique<HdaRecordedSource>(recorded.Type, std::move(recorded.Samples));
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
  const auto it = FItemIndex.find(itemId);
  return it == FItemIndex.end() ? -1 : it->second;
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
  for (const int64_t time : times)
    values.push_back(view.ValueAtTime(time));
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
  int64_t from, to;
  TimeDomain(start, end, from, to);
  {
    std::lock_guard<std::mutex> guard(FLock);
    for (const HdaAnnotation& annotation : FStates[static_cast<size_t>(item)].Annotations)
      if (annotation.Time >= from && annotation.Time < to) annotations.push_back(annotation);
  }
  if (reverse) std::reverse(annotations.begin(), annotations.end());
  return annotations.empty() ? HdaStatus::NoData : HdaStatus::Ok;
}

HdaStatus HdaHistorian::ReadSince(int item, int64_t after, std::optional<HdaRawCursor>& cursor) const {
  const int64_t now = Now();
  after = HdaClampTime(after);
  if (after >= now) {
    cursor.reset();
    return Valid(item) ? HdaStatus::NoData : HdaStatus::UnknownItem;
  }
  return ReadRaw(item, {after + 1, now + 1, 0, false}, cursor);
}

std::vector<HdaStatus> HdaHistorian::Update(const std::vector<HdaEdit>& edits, const std::string& user) {
  std::vector<HdaStatus> results;
  results.reserve(edits.size());
  const int64_t now = Now();
  std::lock_guard<std::mutex> guard(FLock);
  std::map<int, HdaItemEditor> editors;
  for (const HdaEdit& edit : edits) {
    if (!Valid(edit.Item)) {
      results.push_back(HdaStatus::UnknownItem);
      continue;
    }
    ItemState& state = FStates[static_cast<size_t>(edit.Item)];
    auto it = editors.find(edit.Item);
    if (it == editors.end())
      it = editors.try_emplace(edit.Item, Item(edit.Item), *state.Overlay, state.Modified, now, user).first;
    results.push_back(it->second.Apply(edit.Type, edit.Time, edit.Value, edit.Quality));
  }
  for (const auto& [item, editor] : editors)
    FStates[static_cast<size_t>(item)].Overlay = editor.Overlay();
  return results;
}

HdaStatus HdaHistorian::DeleteRaw(int item, int64_t start, int64_t end, const std::string& user) {
  if (!Valid(item)) return HdaStatus::UnknownItem;
  int64_t from, to;
  TimeDomain(start, end, from, to);
  const int64_t now = Now();
  std::lock_guard<std::mutex> guard(FLock);
  ItemState& state = FStates[static_cast<size_t>(item)];
  HdaItemEditor editor(Item(item), *state.Overlay, state.Modified, now, user);
  const HdaStatus status = editor.DeleteRange(from, to, FMaxReturnValues);
  if (status == HdaStatus::Ok) state.Overlay = editor.Overlay();
  return status;
}

HdaStatus HdaHistorian::ReadModified(int item, int64_t start, int64_t end, uint32_t maxValues,
                                     std::vector<HdaModifiedSample>& records) const {
  records.clear();
  if (!Valid(item)) return HdaStatus::UnknownItem;
  int64_t from, to;
  TimeDomain(start, end, from, to);
  {
    std::lock_guard<std::mutex> guard(FLock);
    for (const HdaModifiedSample& record : FStates[static_cast<size_t>(item)].Modified)
      if (record.Time >= from && record.Time < to) records.push_back(record);
  }
  std::stable_sort(records.begin(), records.end(),
                   [](const HdaModifiedSample& a, const HdaModifiedSample& b) { return a.Time < b.Time; });
  if (start > end) std::reverse(records.begin(), records.end());
  if (records.empty()) return HdaStatus::NoData;
  const size_t limit = maxValues == 0 ? FMaxReturnValues : std::min(maxValues, FMaxReturnValues);
  if (records.size() <= limit) return HdaStatus::Ok;
  records.resize(limit);
  return HdaStatus::MoreData;
}
