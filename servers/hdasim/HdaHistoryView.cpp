#include "servers/hdasim/HdaHistoryView.h"

#include <cmath>

#include "servers/hdasim/HdaTime.h"

uint32_t WorseQuality(uint32_t a, uint32_t b) {
  return QualityClassOf(b) < QualityClassOf(a) ? b : a;
}

HdaHistoryView::HdaHistoryView(const HdaSampleSource& base, std::shared_ptr<const HdaOverlay> overlay, int64_t now,
                               bool stepped)
    : FBase(&base), FOverlay(std::move(overlay)), FNow(now), FStepped(stepped) {}

HdaMergedCursor::HdaMergedCursor(const HdaHistoryView& view, int64_t time, bool forward)
    : FView(view), FForward(forward) {
  const HdaSampleSource& base = view.Base();
  const HdaOverlay& overlay = view.Overlay();
  const int64_t now = view.Now();
  if (forward) {
    FBaseEnd = base.LowerBound(now + 1);
    FBase = time > now ? FBaseEnd : base.LowerBound(time);
    FOverlay = overlay.lower_bound(time);
  } else {
    const int64_t last = time < now ? time : now;
    FBaseEnd = 0;
    FBase = base.LowerBound(last + 1) - 1;
    FOverlay = overlay.upper_bound(last);
  }
}

bool HdaMergedCursor::Next(HdaSample& sample) {
  const HdaSampleSource& base = FView.Base();
  const HdaOverlay& overlay = FView.Overlay();
  for (;;) {
    const bool hasBase = FForward ? FBase < FBaseEnd : FBase >= 0;
    const int64_t baseTime = hasBase ? base.TimeAt(FBase) : 0;
    HdaOverlay::const_iterator entry = overlay.end();
    if (FForward) {
      if (FOverlay != overlay.end() && FOverlay->first <= FView.Now()) entry = FOverlay;
    } else if (FOverlay != overlay.begin()) {
      entry = std::prev(FOverlay);
    }
    const bool hasEntry = entry != overlay.end();
    if (!hasBase && !hasEntry) return false;
    const bool entryFirst = hasEntry && (!hasBase || (FForward ? entry->first <= baseTime : entry->first >= baseTime));
    if (!entryFirst) {
      sample = HdaSample{baseTime, base.ValueAt(FBase), base.QualityAt(FBase)};
      FBase += FForward ? 1 : -1;
      return true;
    }
    FOverlay = FForward ? std::next(entry) : entry;
    if (hasBase && entry->first == baseTime) FBase += FForward ? 1 : -1;
    if (entry->second.Deleted) continue;
    sample = HdaSample{entry->first, entry->second.Value, entry->second.Quality};
    return true;
  }
}

std::optional<HdaSample> HdaHistoryView::At(int64_t time) const {
  auto sample = AtOrAfter(time);
  if (sample && sample->Time != time) sample.reset();
  return sample;
}

namespace {

// The first merged sample from time on in one direction, the first good one if asked.
std::optional<HdaSample> FirstFrom(const HdaHistoryView& view, int64_t time, bool forward, bool goodOnly) {
  HdaMergedCursor cursor(view, time, forward);
  HdaSample sample;
  while (cursor.Next(sample))
    if (!goodOnly || IsGoodQuality(sample.Quality)) return sample;
  return std::nullopt;
}

}  // namespace

std::optional<HdaSample> HdaHistoryView::AtOrBefore(int64_t time) const { return FirstFrom(*this, time, false, false); }
std::optional<HdaSample> HdaHistoryView::AtOrAfter(int64_t time) const { return FirstFrom(*this, time, true, false); }
std::optional<HdaSample> HdaHistoryView::GoodAtOrBefore(int64_t time) const {
  return FirstFrom(*this, time, false, true);
}
std::optional<HdaSample> HdaHistoryView::GoodAtOrAfter(int64_t time) const {
  return FirstFrom(*this, time, true, true);
}

std::vector<HdaRun> HdaHistoryView::Runs(int64_t from, int64_t to) const {
  std::vector<HdaRun> runs;
  if (to > FNow) to = FNow + 1;
  if (from >= to) return runs;
  int64_t next = FBase->LowerBound(from);
  const int64_t end = FBase->LowerBound(to);
  for (auto it = FOverlay->lower_bound(from); it != FOverlay->end() && it->first < to; ++it) {
    const int64_t at = FBase->LowerBound(it->first);
    if (at > next) runs.push_back(HdaRun{next, at - next, false, {}});
    next = at;
    if (next < end && FBase->TimeAt(next) == it->first) ++next;
    if (!it->second.Deleted)
      runs.push_back(HdaRun{0, 1, true, HdaSample{it->first, it->second.Value, it->second.Quality}});
  }
  if (end > next) runs.push_back(HdaRun{next, end - next, false, {}});
  return runs;
}

HdaSample HdaHistoryView::ValueAtTime(int64_t time) const {
  const HdaSample noData{time, {}, HDA_NODATA | DA_QUALITY_BAD};
  if (time > FNow) return noData;
  const auto before = AtOrBefore(time);
  if (!before) return noData;
  if (before->Time == time) return *before;
  const uint32_t beforeQuality = before->Quality & DA_QUALITY_MASK;
  const auto after = AtOrAfter(time);
  if (FStepped || Type() == hvtBSTR) return HdaSample{time, before->Value, HDA_INTERPOLATED | beforeQuality};
  if (!after) {
    // Nothing recorded yet beyond the last sample: hold it, without vouching for it.
    const uint32_t held = WorseQuality(beforeQuality, DA_QUALITY_UNCERTAIN);
    return HdaSample{time, before->Value, HDA_INTERPOLATED | held};
  }
  const double v0 = ToNumber(before->Value), v1 = ToNumber(after->Value);
  const double fraction = static_cast<double>(time - before->Time) / static_cast<double>(after->Time - before->Time);
  const double number = v0 + (v1 - v0) * fraction;
  const uint32_t quality = HDA_INTERPOLATED | WorseQuality(beforeQuality, after->Quality & DA_QUALITY_MASK);
  if (Type() == hvtI4) return HdaSample{time, static_cast<int32_t>(std::lround(number)), quality};
  return HdaSample{time, number, quality};
}
