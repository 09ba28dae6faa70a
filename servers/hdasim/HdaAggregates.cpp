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

class IntervalCalculator {
public:
  IntervalCalculator(const HdaHistoryView& view, const std::vector<int64_t>& annotationTimes, uint32_t aggregate)
      : FView(view), FAnnotations(annotationTimes), FAggregate(aggregate) {}

  HdaSample Calculate(const Interval& interval);

private:
  HdaSample ValueAggregate(const Interval& interval, const std::vector<HdaSample>& raw);
  HdaSample TimeWeighted(const Interval& interval, const std::vector<HdaSample>& raw, size_t goodCount);
  HdaSample Durations(const Interval& interval, const std::vector<HdaSample>& raw);
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

  if (FAggregate == HDA_AGG_ANNOTATIONS) {
    const auto first = std::lower_bound(FAnnotations.begin(), FAnnotations.end(), interval.From);
    const auto last = std::lower_bound(FAnnotations.begin(), FAnnotations.end(), interval.To);
    return HdaSample{interval.Stamp, static_cast<int32_t>(last - first), Calculated(interval, DA_QUALITY_GOOD)};
  }
  const std::vector<HdaSample> raw = FView.Samples(interval.From, interval.To);
  switch (FAggregate) {
    case HDA_AGG_COUNT:
      return HdaSample{interval.Stamp, static_cast<int32_t>(raw.size()), Calculated(interval, DA_QUALITY_GOOD)};
    case HDA_AGG_DURATIONGOOD:
    case HDA_AGG_DURATIONBAD:
    case HDA_AGG_PERCENTGOOD:
    case HDA_AGG_PERCENTBAD:
      return Durations(interval, raw);
    default:
      break;
  }
  if (raw.empty()) return noData;
  switch (FAggregate) {
    case HDA_AGG_START:
    case HDA_AGG_END: {
      const HdaSample& chosen = FAggregate == HDA_AGG_START ? raw.front() : raw.back();
      return HdaSample{interval.Stamp, chosen.Value, Calculated(interval, chosen.Quality & DA_QUALITY_MASK)};
    }
    case HDA_AGG_WORSTQUALITY: {
      uint32_t worst = raw.front().Quality;
      for (const HdaSample& sample : raw)
        worst = WorseQuality(worst, sample.Quality);
      return HdaSample{interval.Stamp, static_cast<int32_t>(worst & DA_QUALITY_MASK),
                       Calculated(interval, DA_QUALITY_GOOD)};
    }
    default:
      return ValueAggregate(interval, raw);
  }
}

HdaSample IntervalCalculator::ValueAggregate(const Interval& interval, const std::vector<HdaSample>& raw) {
  std::vector<const HdaSample*> good;
  for (const HdaSample& sample : raw)
    if (IsGoodQuality(sample.Quality)) good.push_back(&sample);
  const HdaSample bad{interval.Stamp, {}, HDA_CALCULATED | DA_QUALITY_BAD};
  if (good.empty()) return bad;
  if (FAggregate == HDA_AGG_TIMEAVERAGE || FAggregate == HDA_AGG_TOTAL) return TimeWeighted(interval, raw, good.size());

  const uint32_t quality = Calculated(interval, good.size() == raw.size() ? DA_QUALITY_GOOD : DA_QUALITY_UNCERTAIN);
  const double n = static_cast<double>(good.size());
  double sum = 0;
  const HdaSample* minimum = good.front();
  const HdaSample* maximum = good.front();
  for (const HdaSample* sample : good) {
    const double value = ToNumber(sample->Value);
    sum += value;
    if (value < ToNumber(minimum->Value)) minimum = sample;
    if (value > ToNumber(maximum->Value)) maximum = sample;
  }
  const double mean = sum / n;
  auto result = [&](HdaValue value) { return HdaSample{interval.Stamp, std::move(value), quality}; };
  switch (FAggregate) {
    case HDA_AGG_AVERAGE:
      return result(mean);
    case HDA_AGG_MINIMUM:
      return result(minimum->Value);
    case HDA_AGG_MAXIMUM:
      return result(maximum->Value);
    case HDA_AGG_MINIMUMACTUALTIME:
      return HdaSample{minimum->Time, minimum->Value, quality};
    case HDA_AGG_MAXIMUMACTUALTIME:
      return HdaSample{maximum->Time, maximum->Value, quality};
    case HDA_AGG_RANGE:
      return result(ToNumber(maximum->Value) - ToNumber(minimum->Value));
    case HDA_AGG_DELTA:
      return result(ToNumber(good.back()->Value) - ToNumber(good.front()->Value));
    case HDA_AGG_STDEV:
    case HDA_AGG_VARIANCE: {
      double squares = 0;
      for (const HdaSample* sample : good)
        squares += (ToNumber(sample->Value) - mean) * (ToNumber(sample->Value) - mean);
      const double variance = good.size() > 1 ? squares / (n - 1) : 0.0;
      return result(FAggregate == HDA_AGG_VARIANCE ? variance : std::sqrt(variance));
    }
    default:
      break;
  }
  // Regression of the values on seconds from the interval's time stamp.
  double sumX = 0, sumXX = 0, sumXY = 0;
  for (const HdaSample* sample : good) {
    const double x = Seconds(sample->Time - interval.Stamp);
    sumX += x;
    sumXX += x * x;
    sumXY += x * ToNumber(sample->Value);
  }
  const double denominator = n * sumXX - sumX * sumX;
  if (good.size() < 2 || denominator == 0) return bad;
  const double slope = (n * sumXY - sumX * sum) / denominator;
  const double constant = (sum - slope * sumX) / n;
  if (FAggregate == HDA_AGG_REGSLOPE) return result(slope);
  if (FAggregate == HDA_AGG_REGCONST) return result(constant);
  double residuals = 0;
  for (const HdaSample* sample : good) {
    const double residual = ToNumber(sample->Value) - (constant + slope * Seconds(sample->Time - interval.Stamp));
    residuals += residual * residual;
  }
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

HdaSample IntervalCalculator::TimeWeighted(const Interval& interval, const std::vector<HdaSample>& raw,
                                           size_t goodCount) {
  bool uncertain = goodCount != raw.size();
  std::vector<std::pair<int64_t, double>> points;
  if (const auto start = GoodValueAt(interval.From, uncertain))
    points.emplace_back(interval.From, *start);
  else
    uncertain = true;
  for (const HdaSample& sample : raw)
    if (sample.Time > interval.From && IsGoodQuality(sample.Quality))
      points.emplace_back(sample.Time, ToNumber(sample.Value));
  if (const auto end = GoodValueAt(interval.To, uncertain)) points.emplace_back(interval.To, *end);

  double integral = 0;
  for (size_t i = 1; i < points.size(); ++i) {
    const auto& [t0, v0] = points[i - 1];
    const auto& [t1, v1] = points[i];
    integral += (FView.Stepped() ? v0 : (v0 + v1) / 2) * Seconds(t1 - t0);
  }
  const double covered = Seconds(points.back().first - points.front().first);
  const double average = covered > 0 ? integral / covered : points.front().second;
  const double value = FAggregate == HDA_AGG_TOTAL ? average * Seconds(interval.To - interval.From) : average;
  return HdaSample{interval.Stamp, value, Calculated(interval, uncertain ? DA_QUALITY_UNCERTAIN : DA_QUALITY_GOOD)};
}

HdaSample IntervalCalculator::Durations(const Interval& interval, const std::vector<HdaSample>& raw) {
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
  for (const HdaSample& sample : raw) {
    close(sample.Time);
    state = QualityClassOf(sample.Quality);
  }
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
