#include "servers/hdasim/HdaRawCursor.h"

#include <algorithm>

#include "platform/rtl/Exceptions.h"
#include "servers/hdasim/HdaTime.h"

namespace {

HdaRun SampleRun(const HdaSample& sample) {
  return HdaRun{0, 1, true, sample};
}

HdaRun NoBound(int64_t time) {
  return SampleRun(HdaSample{time, {}, HDA_NOBOUND | DA_QUALITY_BAD});
}

}  // namespace

HdaRawCursor::HdaRawCursor(HdaHistoryView view, const HdaRawRequest& request, uint32_t serverMaximum)
    : FView(std::move(view)), FReverse(HdaClampTime(request.Start) > HdaClampTime(request.End)) {
  const int64_t start = HdaClampTime(request.Start), end = HdaClampTime(request.End);
  if (start == end) {
    FRuns = FView.Runs(start, start + 1);
  } else if (!FReverse) {
    FRuns = FView.Runs(start, end);
  } else {
    FRuns = FView.Runs(end + 1, start + 1);
    std::reverse(FRuns.begin(), FRuns.end());
  }
  bool real = !FRuns.empty();
  if (request.Bounds && start != end) {
    const bool startTaken = !FRuns.empty() && FView.At(start).has_value();
    if (!startTaken) {
      const auto bound = FReverse ? FView.AtOrAfter(start) : FView.AtOrBefore(start);
      real = real || bound.has_value();
      FRuns.insert(FRuns.begin(), bound ? SampleRun(*bound) : NoBound(start));
    }
    const auto bound = FReverse ? FView.AtOrBefore(end) : FView.AtOrAfter(end);
    real = real || bound.has_value();
    FRuns.push_back(bound ? SampleRun(*bound) : NoBound(end));
  }
  if (!real) {
    FRuns.clear();
    return;
  }

  const size_t limit = request.MaxValues == 0 ? serverMaximum : std::min(request.MaxValues, serverMaximum);
  FStatus = HdaStatus::Ok;
  for (size_t i = 0; i < FRuns.size(); ++i) {
    const size_t room = limit - FCount;
    if (static_cast<uint64_t>(FRuns[i].Count) >= room) {
      if (static_cast<uint64_t>(FRuns[i].Count) > room || i + 1 < FRuns.size()) FStatus = HdaStatus::MoreData;
      // A backward stretch is read from its newest sample, so cutting it keeps the top.
      if (FReverse && !FRuns[i].IsSample) FRuns[i].First += FRuns[i].Count - static_cast<int64_t>(room);
      FRuns[i].Count = static_cast<int64_t>(room);
      FRuns.resize(room == 0 ? i : i + 1);
      FCount = limit;
      break;
    }
    FCount += static_cast<size_t>(FRuns[i].Count);
  }
  FRemaining = FCount;
}

template <class CopyRun, class CopySample>
size_t HdaRawCursor::Take(size_t capacity, CopyRun copyRun, CopySample copySample) {
  size_t copied = 0;
  while (copied < capacity && FRun < FRuns.size()) {
    const HdaRun& run = FRuns[FRun];
    const int64_t left = run.Count - FDoneInRun;
    const int64_t count = std::min<int64_t>(left, static_cast<int64_t>(capacity - copied));
    if (run.IsSample) {
      copySample(run.Sample, copied);
    } else {
      const int64_t first = FReverse ? run.First + run.Count - 1 - FDoneInRun : run.First + FDoneInRun;
      copyRun(first, count, copied);
    }
    copied += static_cast<size_t>(count);
    FDoneInRun += count;
    if (FDoneInRun == run.Count) {
      ++FRun;
      FDoneInRun = 0;
    }
  }
  FRemaining -= copied;
  return copied;
}

size_t HdaRawCursor::Read(int64_t* times, double* values, uint32_t* qualities, size_t capacity) {
  if (Type() == hvtBSTR) throw Exception("A text item cannot be read into numbers");
  const HdaSampleSource& base = FView.Base();
  return Take(
      capacity,
      [&](int64_t first, int64_t count, size_t at) {
        base.CopyNumbers(first, count, FReverse, times + at, values + at, qualities + at);
      },
      [&](const HdaSample& sample, size_t at) {
        times[at] = sample.Time;
        values[at] = ToNumber(sample.Value);
        qualities[at] = sample.Quality;
      });
}

size_t HdaRawCursor::Read(HdaSample* samples, size_t capacity) {
  const HdaSampleSource& base = FView.Base();
  return Take(
      capacity,
      [&](int64_t first, int64_t count, size_t at) {
        const int64_t step = FReverse ? -1 : 1;
        for (int64_t i = 0; i < count; ++i) {
          const int64_t index = first + i * step;
          samples[at + static_cast<size_t>(i)] =
              HdaSample{base.TimeAt(index), base.ValueAt(index), base.QualityAt(index)};
        }
      },
      [&](const HdaSample& sample, size_t at) { samples[at] = sample; });
}
