#include "servers/hdasim/HdaAggregates.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "servers/hdasim/HdaTime.h"

const std::vector<HdaAggregateInfo>& HdaAggregateTable() {
  static const std::vector<HdaAggregateInfo> table = {
      {HDA_AGG_INTERPOLATIVE, "Interpolative", "Interpolated value at the start of the interval"},
      {HDA_AGG_TOTAL, "Total", "Time integral of the values over the interval (value times seconds)"},
      {HDA_AGG_AVERAGE, "Average", "Average of the values in the interval"},
      {HDA_AGG_TIMEAVERAGE, "Time Average", "Time-weighted average of the values over the interval"},
      {HDA_AGG_COUNT, "Count", "Number of raw values in the interval"},
      {HDA_AGG_STDEV, "Standard Deviation", "Standard deviation of the values in the interval"},
      {HDA_AGG_MINIMUMACTUALTIME, "Minimum Actual Time", "Minimum value in the interval and its time stamp"},
      {HDA_AGG_MINIMUM, "Minimum", "Minimum value in the interval"},
      {HDA_AGG_MAXIMUMACTUALTIME, "Maximum Actual Time", "Maximum value in the interval and its time stamp"},
      {HDA_AGG_MAXIMUM, "Maximum", "Maximum value in the interval"},
      {HDA_AGG_START, "Start", "First value in the interval"},
      {HDA_AGG_END, "End", "Last value in the interval"},
      {HDA_AGG_DELTA, "Delta", "Difference between the last and the first value in the interval"},
      {HDA_AGG_REGSLOPE, "Regression Line Slope", "Slope of the regression line over the interval, per second"},
      {HDA_AGG_REGCONST, "Regression Line Constant", "Value of the regression line at the start of the interval"},
      {HDA_AGG_REGDEV, "Regression Line Error", "Standard deviation of the values about the regression line"},
      {HDA_AGG_VARIANCE, "Variance", "Variance of the values in the interval"},
      {HDA_AGG_RANGE, "Range", "Difference between the maximum and the minimum value in the interval"},
      {HDA_AGG_DURATIONGOOD, "Duration Good", "Seconds of the interval with good quality"},
      {HDA_AGG_DURATIONBAD, "Duration Bad", "Seconds of the interval with bad quality"},
      {HDA_AGG_PERCENTGOOD, "Percent Good", "Percent of the interval with good quality"},
      {HDA_AGG_PERCENTBAD, "Percent Bad", "Percent of the interval with bad quality"},
      {HDA_AGG_WORSTQUALITY, "Worst Quality", "Worst quality of the values in the interval"},
      {HDA_AGG_ANNOTATIONS, "Annotations", "Number of annotations in the interval"},
  };
  return table;
}

namespace {

struct Interval {
  int64_t From;   // first tick inside
  int64_t To;     // first tick after
  int64_t Stamp;  // time stamp of the interval's value
  bool Partial;
};

bool AllowedForText(uint32_t aggregate) {
  switch (aggregate) {
    case HDA_AGG_INTERPOLATIVE:
    case HDA_AGG_COUNT:
    case HDA_AGG_START:
    case HDA_AGG_END:
    case HDA_AGG_DURATIONGOOD:
    case HDA_AGG_DURATIONBAD:
    case HDA_AGG_PERCENTGOOD:
    case HDA_AGG_PERCENTBAD:
    case HDA_AGG_WORSTQUALITY:
    case HDA_AGG_ANNOTATIONS:
      return true;
    default:
      return false;
  }
}

double Seconds(int64_t ticks) {
  return static_cast<double>(ticks) / HdaTicksPerSecond;
}

// What one pass over an interval's raw samples learns; the aggregates of good values look at
// the good ones only.
struct RawSummary {
  uint64_t Count = 0;
  uint64_t GoodCount = 0;
  HdaSample Chosen;    // the first sample for Start, the last for End
  uint32_t Worst = 0;  // quality word
  double Sum = 0;
  int64_t MinimumTime = 0, MaximumTime = 0;
  double MinimumValue = 0, MaximumValue = 0;
  double FirstGoodValue = 0, LastGoodValue = 0;
  // Regression of the good values on seconds from the interval's time stamp.
  double SumX = 0, SumXX = 0, SumXY = 0;
};

class IntervalCalculator {
public:
  IntervalCalculator(const HdaHistoryView& view, const std::vector<int64_t>& annotationTimes, uint32_t aggregate)
      : FView(view), FAnnotations(annotationTimes), FAggregate(aggregate) {}

  HdaSample Calculate(const Interval& interval);

private:
  RawSummary Summarize(const Interval& interval) const;
  HdaSample ValueAggregate(const Interval& interval, const RawSummary& raw) const;
  // The sum over the interval's good values of square(residual(time, value)).
  template <class Residual>
  double SumOfSquares(const Interval& interval, const Residual& residual) const;
  HdaSample TimeWeighted(const Interval& interval, bool uncertain) const;
  HdaSample Durations(const Interval& interval) const;
  std::optional<double> GoodValueAt(int64_t time, bool& uncertain) const;

  uint32_t Calculated(const Interval& interval, uint32_t opcQuality) const {
    return HDA_CALCULATED | opcQuality | (interval.Partial ? HDA_PARTIAL : 0);
  }

  const HdaHistoryView& FView;
  const std::vector<int64_t>& FAnnotations;
  uint32_t FAggregate;
};

HdaSample IntervalCalculator::Calculate(const Interval& interval) {
  if (FAggregate == HDA_AGG_INTERPOLATIVE) return FView.ValueAtTime(interval.Stamp);
  const HdaSample noData{interval.Stamp, {}, HDA_NODATA | DA_QUALITY_BAD};
  if (interval.To <= HdaEpoch || interval.From > FView.Now()) return noData;

  switch (FAggregate) {
    case HDA_AGG_ANNOTATIONS: {
      const auto first = std::lower_bound(FAnnotations.begin(), FAnnotations.end(), interval.From);
      const auto last = std::lower_bound(FAnnotations.begin(), FAnnotations.end(), interval.To);
      return HdaSample{interval.Stamp, static_cast<int32_t>(last - first), Calculated(interval, DA_QUALITY_GOOD)};
    }
    case HDA_AGG_DURATIONGOOD:
    case HDA_AGG_DURATIONBAD:
    case HDA_AGG_PERCENTGOOD:
    case HDA_AGG_PERCENTBAD:
      return Durations(interval);
    default:
      break;
  }
  const RawSummary raw = Summarize(interval);
  if (FAggregate == HDA_AGG_COUNT)
    return HdaSample{interval.Stamp, static_cast<int32_t>(raw.Count), Calculated(interval, DA_QUALITY_GOOD)};
  if (raw.Count == 0) return noData;
  switch (FAggregate) {
    case HDA_AGG_START:
    case HDA_AGG_END:
      return HdaSample{interval.Stamp, raw.Chosen.Value, Calculated(interval, raw.Chosen.Quality & DA_QUALITY_MASK)};
    case HDA_AGG_WORSTQUALITY:
      return HdaSample{interval.Stamp, static_cast<int32_t>(raw.Worst & DA_QUALITY_MASK),
                       Calculated(interval, DA_QUALITY_GOOD)};
    default:
      return ValueAggregate(interval, raw);
  }
}

RawSummary IntervalCalculator::Summarize(const Interval& interval) const {
  RawSummary raw;
  FView.ForEachSample(interval.From, interval.To, [&](const HdaSample& sample) {
    raw.Worst = raw.Count == 0 ? sample.Quality : WorseQuality(raw.Worst, sample.Quality);
    // Copying every sample would cost more than the rest of the pass.
    if ((FAggregate == HDA_AGG_START && raw.Count == 0) || FAggregate == HDA_AGG_END) raw.Chosen = sample;
    ++raw.Count;
    if (!IsGoodQuality(sample.Quality)) return;
    const double value = ToNumber(sample.Value);
    if (raw.GoodCount++ == 0) {
      raw.MinimumTime = raw.MaximumTime = sample.Time;
      raw.MinimumValue = raw.MaximumValue = raw.FirstGoodValue = value;
    }
    raw.LastGoodValue = value;
    raw.Sum += value;
    if (value < raw.MinimumValue) {
      raw.MinimumTime = sample.Time;
      raw.MinimumValue = value;
    }
    if (value > raw.MaximumValue) {
      raw.MaximumTime = sample.Time;
      raw.MaximumValue = value;
    }
    const double x = Seconds(sample.Time - interval.Stamp);
    raw.SumX += x;
    raw.SumXX += x * x;
    raw.SumXY += x * value;
  });
  return raw;
}

template <class Residual>
double IntervalCalculator::SumOfSquares(const Interval& interval, const Residual& residual) const {
  double squares = 0;
  FView.ForEachSample(interval.From, interval.To, [&](const HdaSample& sample) {
    if (!IsGoodQuality(sample.Quality)) return;
    const double r = residual(sample.Time, ToNumber(sample.Value));
    squares += r * r;
  });
  return squares;
}

HdaSample IntervalCalculator::ValueAggregate(const Interval& interval, const RawSummary& raw) const {
  const HdaSample bad{interval.Stamp, {}, HDA_CALCULATED | DA_QUALITY_BAD};
  if (raw.GoodCount == 0) return bad;
  if (FAggregate == HDA_AGG_TIMEAVERAGE || FAggregate == HDA_AGG_TOTAL)
    return TimeWeighted(interval, raw.GoodCount != raw.Count);

  const uint32_t quality = Calculated(interval, raw.GoodCount == raw.Count ? DA_QUALITY_GOOD : DA_QUALITY_UNCERTAIN);
  const double n = static_cast<double>(raw.GoodCount);
  const double mean = raw.Sum / n;
  auto result = [&](HdaValue value) { return HdaSample{interval.Stamp, std::move(value), quality}; };
  // Minimum and maximum keep the item's type; history holds numbers in it.
  auto inItemType = [&](double value) {
    return FView.Type() == hvtI4 ? HdaValue(static_cast<int32_t>(value)) : HdaValue(value);
  };
  switch (FAggregate) {
    case HDA_AGG_AVERAGE:
      return result(mean);
    case HDA_AGG_MINIMUM:
      return result(inItemType(raw.MinimumValue));
    case HDA_AGG_MAXIMUM:
      return result(inItemType(raw.MaximumValue));
    case HDA_AGG_MINIMUMACTUALTIME:
      return HdaSample{raw.MinimumTime, inItemType(raw.MinimumValue), quality};
    case HDA_AGG_MAXIMUMACTUALTIME:
      return HdaSample{raw.MaximumTime, inItemType(raw.MaximumValue), quality};
    case HDA_AGG_RANGE:
      return result(raw.MaximumValue - raw.MinimumValue);
    case HDA_AGG_DELTA:
      return result(raw.LastGoodValue - raw.FirstGoodValue);
    case HDA_AGG_STDEV:
    case HDA_AGG_VARIANCE: {
      const double squares = SumOfSquares(interval, [&](int64_t, double value) { return value - mean; });
      const double variance = raw.GoodCount > 1 ? squares / (n - 1) : 0.0;
      return result(FAggregate == HDA_AGG_VARIANCE ? variance : std::sqrt(variance));
    }
    default:
      break;
  }
  const double denominator = n * raw.SumXX - raw.SumX * raw.SumX;
  if (raw.GoodCount < 2 || denominator == 0) return bad;
  const double slope = (n * raw.SumXY - raw.SumX * raw.Sum) / denominator;
  const double constant = (raw.Sum - slope * raw.SumX) / n;
  if (FAggregate == HDA_AGG_REGSLOPE) return result(slope);
  if (FAggregate == HDA_AGG_REGCONST) return result(constant);
  const double residuals = SumOfSquares(interval, [&](int64_t time, double value) {
    return value - (constant + slope * Seconds(time - interval.Stamp));
  });
  return result(std::sqrt(residuals / n));
}

std::optional<double> IntervalCalculator::GoodValueAt(int64_t time, bool& uncertain) const {
  const auto before = FView.GoodAtOrBefore(time);
  if (!before) return std::nullopt;
  const double v0 = ToNumber(before->Value);
  if (before->Time == time || FView.Stepped()) return v0;
  const auto after = FView.GoodAtOrAfter(time);
  if (!after) {
    uncertain = true;
    return v0;
  }
  const double fraction = Seconds(time - before->Time) / Seconds(after->Time - before->Time);
  return v0 + (ToNumber(after->Value) - v0) * fraction;
}

HdaSample IntervalCalculator::TimeWeighted(const Interval& interval, bool uncertain) const {
  // The good values as points joined by lines (steps for stepped items), from the value at the
  // interval's start to the value at its end. The interval has a good value, so a point at or
  // after its start.
  struct Point {
    int64_t Time;
    double Value;
  };
  std::optional<Point> first, previous;
  double integral = 0;
  auto add = [&](int64_t time, double value) {
    if (previous)
      integral += (FView.Stepped() ? previous->Value : (previous->Value + value) / 2) * Seconds(time - previous->Time);
    else
      first = Point{time, value};
    previous = Point{time, value};
  };
  if (const auto start = GoodValueAt(interval.From, uncertain))
    add(interval.From, *start);
  else
    uncertain = true;
  FView.ForEachSample(interval.From, interval.To, [&](const HdaSample& sample) {
    if (sample.Time > interval.From && IsGoodQuality(sample.Quality)) add(sample.Time, ToNumber(sample.Value));
  });
  if (const auto end = GoodValueAt(interval.To, uncertain)) add(interval.To, *end);

  const double covered = Seconds(previous->Time - first->Time);
  const double average = covered > 0 ? integral / covered : first->Value;
  const double value = FAggregate == HDA_AGG_TOTAL ? average * Seconds(interval.To - interval.From) : average;
  return HdaSample{interval.Stamp, value, Calculated(interval, uncertain ? DA_QUALITY_UNCERTAIN : DA_QUALITY_GOOD)};
}

HdaSample IntervalCalculator::Durations(const Interval& interval) const {
  const int64_t end = std::min(interval.To, FView.Now());
  const auto previous = FView.AtOrBefore(interval.From - 1);
  std::optional<HdaQualityClass> state;
  if (previous) state = QualityClassOf(previous->Quality);
  int64_t good = 0, bad = 0, since = interval.From;
  auto close = [&](int64_t until) {
    if (state == HdaQualityClass::Good) good += until - since;
    if (state == HdaQualityClass::Bad) bad += until - since;
    since = until;
  };
  FView.ForEachSample(interval.From, interval.To, [&](const HdaSample& sample) {
    close(sample.Time);
    state = QualityClassOf(sample.Quality);
  });
  if (end > since) close(end);
  const bool wantGood = FAggregate == HDA_AGG_DURATIONGOOD || FAggregate == HDA_AGG_PERCENTGOOD;
  const double seconds = Seconds(wantGood ? good : bad);
  const bool percent = FAggregate == HDA_AGG_PERCENTGOOD || FAggregate == HDA_AGG_PERCENTBAD;
  const double value = percent ? 100 * seconds / Seconds(interval.To - interval.From) : seconds;
  return HdaSample{interval.Stamp, value, Calculated(interval, DA_QUALITY_GOOD)};
}

}  // namespace

HdaStatus CalculateProcessed(const HdaHistoryView& view, const std::vector<int64_t>& annotationTimes,
                             const HdaProcessedRequest& request, uint32_t serverMaximum,
                             std::vector<HdaSample>& values) {
  values.clear();
  const int64_t start = HdaClampTime(request.Start), end = HdaClampTime(request.End);
  if (request.Aggregate < HDA_AGG_INTERPOLATIVE || request.Aggregate > HDA_AGG_ANNOTATIONS)
    return HdaStatus::InvalidAggregate;
  if (view.Type() == hvtBSTR && !AllowedForText(request.Aggregate)) return HdaStatus::InvalidDataType;
  if (start == end || request.ResampleInterval < 0) return HdaStatus::InvalidTime;

  const bool forward = start < end;
  const uint64_t span = forward ? static_cast<uint64_t>(end) - static_cast<uint64_t>(start)
                                : static_cast<uint64_t>(start) - static_cast<uint64_t>(end);
  const uint64_t step = request.ResampleInterval == 0 ? span : static_cast<uint64_t>(request.ResampleInterval);
  const uint64_t count = span / step + (span % step != 0);
  if (count > serverMaximum) return HdaStatus::MaxExceeded;

  IntervalCalculator calculator(view, annotationTimes, request.Aggregate);
  values.reserve(count);
  bool any = false;
  for (uint64_t i = 0; i < count; ++i) {
    const int64_t offset = static_cast<int64_t>(i * step);
    const int64_t length = static_cast<int64_t>(std::min(step, span - i * step));
    Interval interval;
    if (forward) {
      interval.Stamp = start + offset;
      interval.From = interval.Stamp;
      interval.To = interval.Stamp + length;
    } else {
      interval.Stamp = start - offset;
      interval.From = interval.Stamp - length + 1;
      interval.To = interval.Stamp + 1;
    }
    interval.Partial = static_cast<uint64_t>(length) < step || interval.From < HdaEpoch || interval.To - 1 > view.Now();
    values.push_back(calculator.Calculate(interval));
    any = any || !IsEmpty(values.back().Value);
  }
  return any ? HdaStatus::Ok : HdaStatus::NoData;
}
