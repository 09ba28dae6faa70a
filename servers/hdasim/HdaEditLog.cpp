#include "servers/hdasim/HdaEditLog.h"

#include "servers/hdasim/HdaTime.h"

HdaItemEditor::HdaItemEditor(const HdaItem& item, const HdaOverlay& current, std::vector<HdaModifiedSample>& modified,
                             int64_t now, const std::string& user)
    : FItem(item),
      FDraft(std::make_shared<HdaOverlay>(current)),
      FView(*item.Source, FDraft, now, item.Stepped),
      FModified(modified),
      FNow(now),
      FUser(user) {}

void HdaItemEditor::Record(const HdaSample& sample, HdaEditType type) {
  FModified.push_back(HdaModifiedSample{sample.Time, sample.Value, sample.Quality, FNow, type, FUser});
}

void HdaItemEditor::Remove(int64_t time) {
  const HdaSampleSource& source = *FItem.Source;
  const int64_t index = source.LowerBound(time);
  // The source's own sample needs a marker to stay hidden; an added one simply goes.
  if (index < source.LowerBound(time + 1))
    (*FDraft)[time] = HdaOverride{true, {}, 0};
  else
    FDraft->erase(time);
}

HdaStatus HdaItemEditor::Apply(HdaEditType type, int64_t time, const HdaValue& value, uint32_t quality) {
  if (time < HdaEpoch || time > FNow) return HdaStatus::InvalidTime;
  const auto standing = FView.At(time);
  if (type == hetDelete) {
    if (!standing) return HdaStatus::NoDataExists;
    Record(*standing, hetDelete);
    Remove(time);
    return HdaStatus::Ok;
  }
  if (type == hetInsert && standing) return HdaStatus::DataExists;
  if (type == hetReplace && !standing) return HdaStatus::NoDataExists;

  HdaValue stored;
  if (!CoerceValue(value, FItem.Source->Type(), stored)) return HdaStatus::InvalidDataType;
  if (FItem.Source->Type() != hvtBSTR) {
    const double number = ToNumber(stored);
    if (number < FItem.LowEntryLimit || number > FItem.HighEntryLimit) return HdaStatus::OutOfRange;
  }
  const HdaSample written{time, stored, HDA_RAW | (quality & DA_QUALITY_MASK)};
  Record(standing ? *standing : written, type);
  (*FDraft)[time] = HdaOverride{false, stored, written.Quality};
  if (type == hetInsertReplace) return standing ? HdaStatus::Replaced : HdaStatus::Inserted;
  return HdaStatus::Ok;
}

HdaStatus HdaItemEditor::DeleteRange(int64_t from, int64_t to, uint32_t maximum) {
  std::vector<HdaSample> doomed;
  HdaMergedCursor cursor(FView, from, true);
  HdaSample sample;
  while (cursor.Next(sample) && sample.Time < to) {
    if (doomed.size() == maximum) return HdaStatus::MaxExceeded;
    doomed.push_back(std::move(sample));
  }
  if (doomed.empty()) return HdaStatus::NoData;
  for (const HdaSample& gone : doomed) {
    Record(gone, hetDelete);
    Remove(gone.Time);
  }
  return HdaStatus::Ok;
}
