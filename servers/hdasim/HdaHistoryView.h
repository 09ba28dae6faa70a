#pragma once
// One item's history as a reader sees it at one moment: the source's samples up to "now",
// overlaid by the edits made so far. A view is a snapshot; later edits do not change it.

#include <algorithm>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "servers/hdasim/HdaSampleSource.h"

// An edit standing at one time: a value that replaces or adds to the source, or the deletion
// of the source's sample there.
struct HdaOverride {
  bool Deleted = false;
  HdaValue Value;
  uint32_t Quality = 0;
};
using HdaOverlay = std::map<int64_t, HdaOverride>;

// A stretch of samples in a raw answer: Count source samples from First, or one Sample.
struct HdaRun {
  int64_t First = 0;
  int64_t Count = 0;
  bool IsSample = false;
  HdaSample Sample;
};

class HdaHistoryView {
public:
  HdaHistoryView(const HdaSampleSource& base, std::shared_ptr<const HdaOverlay> overlay, int64_t now, bool stepped);

  const HdaSampleSource& Base() const { return *FBase; }
  const HdaOverlay& Overlay() const { return *FOverlay; }
  int64_t Now() const { return FNow; }
  HdaVarType Type() const { return FBase->Type(); }
  bool Stepped() const { return FStepped; }

  std::optional<HdaSample> At(int64_t time) const;
  std::optional<HdaSample> AtOrBefore(int64_t time) const;
  std::optional<HdaSample> AtOrAfter(int64_t time) const;
  std::optional<HdaSample> GoodAtOrBefore(int64_t time) const;
  std::optional<HdaSample> GoodAtOrAfter(int64_t time) const;

  // Calls visit(const HdaSample&) for every sample with from <= time < to, in time order, one
  // at a time: an interval may hold years of one-second samples.
  template <class Visit>
  void ForEachSample(int64_t from, int64_t to, Visit&& visit) const;
  // The same samples as runs, cheap to count and to copy in bulk.
  std::vector<HdaRun> Runs(int64_t from, int64_t to) const;

  // The value at a time as an at-time read answers it: the sample standing there, else the
  // line between its neighbours (stepped items and text hold the one before) flagged
  // interpolated; no data before the first sample or after now. Past the last sample the
  // previous value is held, uncertain unless the item is stepped.
  HdaSample ValueAtTime(int64_t time) const;

private:
  const HdaSampleSource* FBase;
  std::shared_ptr<const HdaOverlay> FOverlay;
  int64_t FNow;
  bool FStepped;
};

// Walks the merged samples from a time on: forward through those at or after it (up to now),
// or backward through those at or before it.
class HdaMergedCursor {
public:
  HdaMergedCursor(const HdaHistoryView& view, int64_t time, bool forward);
  bool Next(HdaSample& sample);

private:
  const HdaHistoryView& FView;
  bool FForward;
  int64_t FBase;                        // next source index to look at (-1 when a backward walk is past the start)
  int64_t FBaseEnd;                     // forward: source samples up to now
  HdaOverlay::const_iterator FOverlay;  // forward: next entry; backward: one after the next entry
};

template <class Visit>
void HdaHistoryView::ForEachSample(int64_t from, int64_t to, Visit&& visit) const {
  constexpr int64_t kPortion = 1024;
  int64_t times[kPortion];
  double numbers[kPortion];
  uint32_t qualities[kPortion];
  const HdaVarType type = Type();
  for (const HdaRun& run : Runs(from, to)) {
    if (run.IsSample) {
      visit(run.Sample);
    } else if (type == hvtBSTR) {
      for (int64_t index = run.First; index < run.First + run.Count; ++index)
        visit(HdaSample{FBase->TimeAt(index), FBase->ValueAt(index), FBase->QualityAt(index)});
    } else {
      // Numbers come from the source in portions, as raw reads take them.
      for (int64_t first = run.First; first < run.First + run.Count; first += kPortion) {
        const int64_t count = std::min(kPortion, run.First + run.Count - first);
        FBase->CopyNumbers(first, count, false, times, numbers, qualities);
        for (int64_t i = 0; i < count; ++i) {
          const HdaValue value = type == hvtI4 ? HdaValue(static_cast<int32_t>(numbers[i])) : HdaValue(numbers[i]);
          visit(HdaSample{times[i], value, qualities[i]});
        }
      }
    }
  }
}

// The worse of two quality words by their OPC status (bad < uncertain < good).
uint32_t WorseQuality(uint32_t a, uint32_t b);
