// Processed reads against aggregates computed here, by plain loops over the raw samples.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <optional>

#include <sys/resource.h>

#include "servers/hdasim/HdaAggregates.h"
#include "tests/servers/HdaTestSupport.h"

namespace {

bool Good(const HdaSample& s) {
  return (s.Quality & 0xC0) == 0xC0;
}
bool Bad(const HdaSample& s) {
  return (s.Quality & 0xC0) == 0x00;
}
double Num(const HdaSample& s) {
  return ToNumber(s.Value);
}

// The expected answer of one interval [from, to) stamped `stamp`, computed from `all`, every
// raw sample of the item over a wider stretch, in time order.
struct Reference {
  const std::vector<HdaSample>& all;
  bool stepped;
  int64_t now;

  std::vector<HdaSample> In(int64_t from, int64_t to) const {
    std::vector<HdaSample> in;
    for (const HdaSample& s : all)
      if (s.Time >= from && s.Time < to) in.push_back(s);
    return in;
  }

  // Good value at a time from the good neighbours; `held` when nothing good follows.
  std::optional<double> GoodAt(int64_t t, bool& held) const {
    const HdaSample* before = nullptr;
    const HdaSample* after = nullptr;
    for (const HdaSample& s : all) {
      if (!Good(s)) continue;
      if (s.Time <= t) before = &s;
      if (s.Time >= t && !after) after = &s;
    }
    if (!before) return std::nullopt;
    if (before->Time == t || stepped) return Num(*before);
    if (!after) {
      held = true;
      return Num(*before);
    }
    return Num(*before) + (Num(*after) - Num(*before)) * double(t - before->Time) / double(after->Time - before->Time);
  }

  // Value (or nullopt when empty) and the OPC part of the quality.
  std::optional<double> Expect(uint32_t aggregate, int64_t from, int64_t to, int64_t stamp, uint32_t& opc,
                               int64_t& time) const {
    time = stamp;
    const std::vector<HdaSample> in = In(from, to);
    std::vector<HdaSample> good;
    for (const HdaSample& s : in)
      if (Good(s)) good.push_back(s);
    opc = 0xC0;
    if (from > now || to <= HdaEpoch) {  // wholly outside history
      opc = 0x00;
      return std::nullopt;
    }
    if (aggregate == HDA_AGG_COUNT) return double(in.size());
    if (aggregate >= HDA_AGG_DURATIONGOOD && aggregate <= HDA_AGG_PERCENTBAD) {
      const bool wantGood = aggregate == HDA_AGG_DURATIONGOOD || aggregate == HDA_AGG_PERCENTGOOD;
      // Quality at `from` is the last sample's before it.
      int state = -1;  // -1 unknown, 0 bad, 1 uncertain, 2 good
      for (const HdaSample& s : all)
        if (s.Time < from) state = Good(s) ? 2 : Bad(s) ? 0 : 1;
      int64_t ticks = 0, since = from;
      const int64_t end = std::min(to, now);
      for (const HdaSample& s : in) {
        if (state == (wantGood ? 2 : 0)) ticks += s.Time - since;
        since = s.Time;
        state = Good(s) ? 2 : Bad(s) ? 0 : 1;
      }
      if (end > since && state == (wantGood ? 2 : 0)) ticks += end - since;
      const double seconds = double(ticks) / 1e7;
      return aggregate <= HDA_AGG_DURATIONBAD ? seconds : 100 * seconds / (double(to - from) / 1e7);
    }
    if (in.empty()) {
      opc = 0x00;
      return std::nullopt;
    }
    if (aggregate == HDA_AGG_START) return opc = in.front().Quality & 0xFFFF, Num(in.front());
    if (aggregate == HDA_AGG_END) return opc = in.back().Quality & 0xFFFF, Num(in.back());
    if (aggregate == HDA_AGG_WORSTQUALITY) {
      uint32_t worst = in.front().Quality & 0xFFFF;
      for (const HdaSample& s : in)
        if ((s.Quality & 0xC0) != 0xC0 && ((s.Quality & 0xC0) == 0 || (worst & 0xC0) == 0xC0) && (worst & 0xC0) != 0)
          worst = s.Quality & 0xFFFF;
      return double(worst);
    }
    if (good.empty()) {
      opc = 0x00;
      return std::nullopt;
    }
    opc = good.size() == in.size() ? 0xC0 : 0x40;
    const double n = double(good.size());
    double sum = 0, lo = Num(good[0]), hi = Num(good[0]);
    int64_t loTime = good[0].Time, hiTime = good[0].Time;
    for (const HdaSample& s : good) {
      sum += Num(s);
      if (Num(s) < lo) lo = Num(s), loTime = s.Time;
      if (Num(s) > hi) hi = Num(s), hiTime = s.Time;
    }
    const double mean = sum / n;
    double sq = 0;
    for (const HdaSample& s : good)
      sq += (Num(s) - mean) * (Num(s) - mean);
    const double variance = good.size() > 1 ? sq / (n - 1) : 0;
    switch (aggregate) {
      case HDA_AGG_AVERAGE:
        return mean;
      case HDA_AGG_MINIMUM:
        return lo;
      case HDA_AGG_MAXIMUM:
        return hi;
      case HDA_AGG_MINIMUMACTUALTIME:
        return time = loTime, lo;
      case HDA_AGG_MAXIMUMACTUALTIME:
        return time = hiTime, hi;
      case HDA_AGG_RANGE:
        return hi - lo;
      case HDA_AGG_DELTA:
        return Num(good.back()) - Num(good.front());
      case HDA_AGG_VARIANCE:
        return variance;
      case HDA_AGG_STDEV:
        return std::sqrt(variance);
      case HDA_AGG_TIMEAVERAGE:
      case HDA_AGG_TOTAL: {
        bool uncertain = good.size() != in.size();
        std::vector<std::pair<int64_t, double>> pts;
        if (auto v = GoodAt(from, uncertain))
          pts.push_back({from, *v});
        else
          uncertain = true;
        for (const HdaSample& s : good)
          if (s.Time > from) pts.push_back({s.Time, Num(s)});
        if (auto v = GoodAt(to, uncertain)) pts.push_back({to, *v});
        double area = 0;
        for (size_t i = 1; i < pts.size(); ++i) {
          const double dt = double(pts[i].first - pts[i - 1].first) / 1e7;
          area += (stepped ? pts[i - 1].second : (pts[i - 1].second + pts[i].second) / 2) * dt;
        }
        const double span = double(pts.back().first - pts.front().first) / 1e7;
        const double average = span > 0 ? area / span : pts.front().second;
        opc = uncertain ? 0x40 : 0xC0;
        return aggregate == HDA_AGG_TOTAL ? average * double(to - from) / 1e7 : average;
      }
      default:
        break;
    }
    double sx = 0, sxx = 0, sxy = 0;
    for (const HdaSample& s : good) {
      const double x = double(s.Time - stamp) / 1e7;
      sx += x, sxx += x * x, sxy += x * Num(s);
    }
    if (good.size() < 2 || n * sxx - sx * sx == 0) {
      opc = 0x00;
      return std::nullopt;
    }
    const double slope = (n * sxy - sx * sum) / (n * sxx - sx * sx);
    const double constant = (sum - slope * sx) / n;
    if (aggregate == HDA_AGG_REGSLOPE) return slope;
    if (aggregate == HDA_AGG_REGCONST) return constant;
    double rss = 0;
    for (const HdaSample& s : good) {
      const double r = Num(s) - (constant + slope * double(s.Time - stamp) / 1e7);
      rss += r * r;
    }
    return std::sqrt(rss / n);
  }
};

std::vector<HdaSample> Processed(const HdaHistorian& historian, const char* itemId, int64_t start, int64_t end,
                                 int64_t interval, uint32_t aggregate, HdaStatus* status = nullptr) {
  std::vector<HdaSample> values;
  const HdaStatus result =
      historian.ReadProcessed(historian.FindItem(itemId), {start, end, interval, aggregate}, values);
  if (status) *status = result;
  return values;
}

// Checks every aggregate but INTERPOLATIVE and ANNOTATIONS over a forward read.
void CheckAll(const HdaHistorian& historian, const char* itemId, int64_t start, int64_t end, int64_t interval) {
  const int item = historian.FindItem(itemId);
  const RawAnswer raw = ReadRaw(historian, itemId, start - 3 * HdaTicksPerHour, end + 3 * HdaTicksPerHour);
  const Reference reference{raw.Samples, historian.Item(item).Stepped, historian.Now()};
  for (uint32_t aggregate = HDA_AGG_TOTAL; aggregate <= HDA_AGG_WORSTQUALITY; ++aggregate) {
    const std::vector<HdaSample> values = Processed(historian, itemId, start, end, interval, aggregate);
    ASSERT_EQ(values.size(), size_t((end - start + interval - 1) / interval)) << itemId << " aggregate " << aggregate;
    for (size_t i = 0; i < values.size(); ++i) {
      const int64_t from = start + int64_t(i) * interval;
      const int64_t to = std::min(from + interval, end);
      uint32_t opc;
      int64_t time;
      const auto expected = reference.Expect(aggregate, from, to, from, opc, time);
      const HdaSample& got = values[i];
      const std::string where =
          std::string(itemId) + " aggregate " + std::to_string(aggregate) + " interval " + std::to_string(i);
      ASSERT_EQ(got.Time, time) << where;
      ASSERT_EQ(got.Quality & 0xFFFF, opc) << where;
      if (!expected) {
        ASSERT_TRUE(IsEmpty(got.Value)) << where;
        continue;
      }
      ASSERT_FALSE(IsEmpty(got.Value)) << where;
      ASSERT_EQ(got.Quality & HDA_CALCULATED, HDA_CALCULATED) << where;
      ASSERT_NEAR(ToNumber(got.Value), *expected, 1e-9 * std::max(1.0, std::fabs(*expected))) << where;
      ASSERT_EQ((got.Quality & HDA_PARTIAL) != 0, to - from < interval || to > historian.Now()) << where;
    }
  }
}

}  // namespace

TEST(HdaAggregates, AgreeWithIndependentCalculation) {
  const auto historian = MakeHistorian();
  CheckAll(*historian, "Test.Sine", Epoch(5), Epoch(5, 10), 60 * Sec);
  CheckAll(*historian, "Test.Ramp", Epoch(2, 40), Epoch(2, 52), 35 * Sec);  // across the wrap, last interval short
  CheckAll(*historian, "Test.Bad", Epoch(0, 40), Epoch(4, 40), 25 * HdaTicksPerMinute);
  CheckAll(*historian, "Test.Gaps", Epoch(3, 5), Epoch(5, 55), 20 * HdaTicksPerMinute);
  CheckAll(*historian, "Test.Step", Epoch(7, 0, 30), Epoch(7, 30), 7 * HdaTicksPerMinute);
  CheckAll(*historian, "Test.Ramp", TestNow - 5 * HdaTicksPerMinute, TestNow + 4 * HdaTicksPerMinute,
           2 * HdaTicksPerMinute);
}

TEST(HdaAggregates, HandCheckedValuesAndTypes) {
  const auto historian = MakeHistorian();
  const int64_t t0 = HdaEpoch, t1 = Epoch(0, 1, 40);  // Ramp 0..9 at 0..90 s, 10 at 100 s
  EXPECT_EQ(Processed(*historian, "Test.Ramp", t0, t1, 0, HDA_AGG_AVERAGE)[0].Value, HdaValue(4.5));
  EXPECT_EQ(Processed(*historian, "Test.Ramp", t0, t1, 0, HDA_AGG_TIMEAVERAGE)[0].Value, HdaValue(5.0));
  EXPECT_EQ(Processed(*historian, "Test.Ramp", t0, t1, 0, HDA_AGG_TOTAL)[0].Value, HdaValue(500.0));
  EXPECT_EQ(Processed(*historian, "Test.Ramp", t0, t1, 0, HDA_AGG_COUNT)[0].Value, HdaValue(int32_t(10)));
  EXPECT_EQ(Processed(*historian, "Test.Ramp", t0, t1, 0, HDA_AGG_DELTA)[0].Value, HdaValue(9.0));
  EXPECT_NEAR(ToNumber(Processed(*historian, "Test.Ramp", t0, t1, 0, HDA_AGG_REGSLOPE)[0].Value), 0.1, 1e-12);
  EXPECT_NEAR(ToNumber(Processed(*historian, "Test.Ramp", t0, t1, 0, HDA_AGG_REGDEV)[0].Value), 0.0, 1e-9);
  EXPECT_EQ(Processed(*historian, "Test.Ramp", t0, t1, 0, HDA_AGG_PERCENTGOOD)[0].Value, HdaValue(100.0));
  // Stepped: the time average holds each value for its minute.
  EXPECT_EQ(Processed(*historian, "Test.Step", t0, Epoch(0, 4), 0, HDA_AGG_TIMEAVERAGE)[0].Value, HdaValue(1.5));
  EXPECT_EQ(Processed(*historian, "Test.Step", t0, Epoch(0, 4), 0, HDA_AGG_MAXIMUM)[0].Value, HdaValue(int32_t(3)));
  // The bad hour is half of two hours; bad values leave the average uncertain.
  HdaSample s = Processed(*historian, "Test.Bad", Epoch(0), Epoch(2), 0, HDA_AGG_PERCENTBAD)[0];
  EXPECT_EQ(s.Value, HdaValue(50.0));
  EXPECT_EQ(s.Quality, HDA_CALCULATED | DA_QUALITY_GOOD);
  EXPECT_EQ(Processed(*historian, "Test.Bad", Epoch(0), Epoch(2), 0, HDA_AGG_AVERAGE)[0].Quality,
            HDA_CALCULATED | DA_QUALITY_UNCERTAIN);
  s = Processed(*historian, "Test.Bad", Epoch(1), Epoch(2), 0, HDA_AGG_AVERAGE)[0];
  EXPECT_TRUE(IsEmpty(s.Value));
  EXPECT_EQ(s.Quality, HDA_CALCULATED | DA_QUALITY_BAD);
  EXPECT_EQ(Processed(*historian, "Test.Bad", Epoch(1), Epoch(2), 0, HDA_AGG_WORSTQUALITY)[0].Value,
            HdaValue(int32_t(0)));
  // A gap is no data for value aggregates, zero for the count.
  s = Processed(*historian, "Test.Gaps", Epoch(0, 35), Epoch(0, 55), 0, HDA_AGG_MAXIMUM)[0];
  EXPECT_EQ(s.Quality, HDA_NODATA | DA_QUALITY_BAD);
  EXPECT_EQ(Processed(*historian, "Test.Gaps", Epoch(0, 35), Epoch(0, 55), 0, HDA_AGG_COUNT)[0].Value,
            HdaValue(int32_t(0)));

  // Interpolative is the at-time value at each interval's start.
  const std::vector<HdaSample> interpolated =
      Processed(*historian, "Test.Ramp", Epoch(0, 0, 5), Epoch(0, 1), 15 * Sec, HDA_AGG_INTERPOLATIVE);
  ASSERT_EQ(interpolated.size(), 4u);
  EXPECT_EQ(interpolated[0].Value, HdaValue(0.5));
  EXPECT_EQ(interpolated[0].Quality, HDA_INTERPOLATED | DA_QUALITY_GOOD);
  EXPECT_EQ(interpolated[1].Value, HdaValue(2.0));
  EXPECT_EQ(interpolated[1].Quality, HDA_RAW | DA_QUALITY_GOOD);
  EXPECT_EQ(interpolated[3].Time, Epoch(0, 0, 50));
}

long PeakResidentKb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

TEST(HdaAggregates, LongIntervalsAreWalkedNotCollected) {
  // Six million samples in one interval: held at once, they would take some 400 MB.
  constexpr int64_t days = 700, samples = days * 8640;
  const auto historian = MakeHistorian(Epoch(24 * days + 1));
  const long peakBefore = PeakResidentKb();
  EXPECT_EQ(Processed(*historian, "Test.Ramp", HdaEpoch, Epoch(24 * days), 0, HDA_AGG_COUNT)[0].Value,
            HdaValue(int32_t{samples}));
  EXPECT_LT(PeakResidentKb() - peakBefore, 64 * 1024);
}

TEST(HdaAggregates, DirectionEdgesAndRefusals) {
  const auto historian = MakeHistorian(TestNow, 100);
  // Backward: intervals (stamp - r, stamp], newest first.
  std::vector<HdaSample> values = Processed(*historian, "Test.Ramp", Epoch(0, 1), HdaEpoch, 25 * Sec, HDA_AGG_COUNT);
  ASSERT_EQ(values.size(), 3u);
  EXPECT_EQ(values[0].Time, Epoch(0, 1));
  EXPECT_EQ(values[0].Value, HdaValue(int32_t(3)));  // 40, 50, 60 s
  EXPECT_EQ(values[1].Value, HdaValue(int32_t(2)));  // 20, 30 s
  EXPECT_EQ(values[2].Value, HdaValue(int32_t(1)));  // (0, 10 s]: 10 s only
  EXPECT_EQ(values[2].Quality, HDA_CALCULATED | DA_QUALITY_GOOD | HDA_PARTIAL);
  values = Processed(*historian, "Test.Ramp", Epoch(0, 1), HdaEpoch, 25 * Sec, HDA_AGG_MINIMUMACTUALTIME);
  EXPECT_EQ(values[0].Time, Epoch(0, 0, 40));
  EXPECT_EQ(values[0].Value, HdaValue(4.0));

  // After now: no data; across now: partial; before the epoch: no data.
  HdaStatus status;
  values = Processed(*historian, "Test.Sine", TestNow - 30 * Sec, TestNow + 90 * Sec, 60 * Sec, HDA_AGG_COUNT, &status);
  ASSERT_EQ(values.size(), 2u);
  EXPECT_EQ(status, HdaStatus::Ok);
  EXPECT_EQ(values[0].Value, HdaValue(int32_t(31)));
  EXPECT_EQ(values[0].Quality, HDA_CALCULATED | DA_QUALITY_GOOD | HDA_PARTIAL);
  EXPECT_EQ(values[1].Quality, HDA_NODATA | DA_QUALITY_BAD);
  values = Processed(*historian, "Test.Sine", HdaEpoch - HdaTicksPerHour, HdaEpoch, 0, HDA_AGG_AVERAGE, &status);
  EXPECT_EQ(status, HdaStatus::NoData);
  EXPECT_EQ(values[0].Quality, HDA_NODATA | DA_QUALITY_BAD);

  // Text: only the aggregates that make sense.
  values = Processed(*historian, "Test.Text", HdaEpoch, Epoch(3), HdaTicksPerHour, HDA_AGG_START, &status);
  EXPECT_EQ(status, HdaStatus::Ok);
  EXPECT_EQ(values[2].Value, HdaValue(std::string("Sample 2")));
  EXPECT_EQ(Processed(*historian, "Test.Text", HdaEpoch, Epoch(3), 0, HDA_AGG_COUNT)[0].Value, HdaValue(int32_t(3)));
  for (const uint32_t refused : {HDA_AGG_AVERAGE, HDA_AGG_MAXIMUM, HDA_AGG_TIMEAVERAGE, HDA_AGG_DELTA}) {
    EXPECT_TRUE(Processed(*historian, "Test.Text", HdaEpoch, Epoch(3), 0, refused, &status).empty());
    EXPECT_EQ(status, HdaStatus::InvalidDataType);
  }

  EXPECT_TRUE(Processed(*historian, "Test.Ramp", HdaEpoch, Epoch(1), 0, 0, &status).empty());
  EXPECT_EQ(status, HdaStatus::InvalidAggregate);
  Processed(*historian, "Test.Ramp", HdaEpoch, Epoch(1), 0, 25, &status);
  EXPECT_EQ(status, HdaStatus::InvalidAggregate);
  Processed(*historian, "Test.Ramp", HdaEpoch, HdaEpoch, 0, HDA_AGG_COUNT, &status);
  EXPECT_EQ(status, HdaStatus::InvalidTime);
  Processed(*historian, "Test.Ramp", HdaEpoch, Epoch(0, 0, 101), Sec, HDA_AGG_COUNT, &status);
  EXPECT_EQ(status, HdaStatus::MaxExceeded);
  EXPECT_EQ(Processed(*historian, "Test.Ramp", HdaEpoch, Epoch(0, 0, 100), Sec, HDA_AGG_COUNT).size(), 100u);
  std::vector<HdaSample> none;
  EXPECT_EQ(historian->ReadProcessed(-1, {HdaEpoch, Epoch(1), 0, HDA_AGG_COUNT}, none), HdaStatus::UnknownItem);

  const auto& table = HdaAggregateTable();
  ASSERT_EQ(table.size(), 24u);
  for (size_t i = 0; i < table.size(); ++i)
    EXPECT_EQ(table[i].Id, i + 1);
  EXPECT_STREQ(table[HDA_AGG_REGDEV - 1].Name, "Regression Line Error");
}

TEST(HdaAggregates, Annotations) {
  const auto historian = MakeHistorian();
  const int ramp = historian->FindItem("Test.Ramp");
  ASSERT_EQ(historian->InsertAnnotation(ramp, Epoch(0, 10), "second", "bob"), HdaStatus::Ok);
  ASSERT_EQ(historian->InsertAnnotation(ramp, Epoch(0, 5), "first", "ann"), HdaStatus::Ok);
  ASSERT_EQ(historian->InsertAnnotation(ramp, Epoch(0, 10), "third", "cid"), HdaStatus::Ok);
  EXPECT_EQ(historian->InsertAnnotation(ramp, TestNow + Sec, "future", "ann"), HdaStatus::InvalidTime);
  EXPECT_EQ(historian->InsertAnnotation(ramp, HdaEpoch - Sec, "past", "ann"), HdaStatus::InvalidTime);
  EXPECT_EQ(historian->InsertAnnotation(-1, Epoch(0, 5), "x", "ann"), HdaStatus::UnknownItem);

  std::vector<HdaAnnotation> annotations;
  ASSERT_EQ(historian->ReadAnnotations(ramp, HdaEpoch, Epoch(1), annotations), HdaStatus::Ok);
  ASSERT_EQ(annotations.size(), 3u);
  EXPECT_EQ(annotations[0].Text, "first");
  EXPECT_EQ(annotations[1].Text, "second");
  EXPECT_EQ(annotations[2].Text, "third");
  EXPECT_EQ(annotations[2].User, "cid");
  EXPECT_EQ(annotations[2].CreationTime, TestNow);
  ASSERT_EQ(historian->ReadAnnotations(ramp, Epoch(0, 10), Epoch(0, 5), annotations), HdaStatus::Ok);
  ASSERT_EQ(annotations.size(), 2u);  // (5 min, 10 min]
  EXPECT_EQ(annotations[0].Time, Epoch(0, 10));
  EXPECT_EQ(historian->ReadAnnotations(ramp, Epoch(0, 11), Epoch(1), annotations), HdaStatus::NoData);

  const std::vector<HdaSample> counts =
      Processed(*historian, "Test.Ramp", HdaEpoch, Epoch(0, 15), 5 * HdaTicksPerMinute, HDA_AGG_ANNOTATIONS);
  ASSERT_EQ(counts.size(), 3u);
  EXPECT_EQ(counts[0].Value, HdaValue(int32_t(0)));
  EXPECT_EQ(counts[1].Value, HdaValue(int32_t(1)));
  EXPECT_EQ(counts[2].Value, HdaValue(int32_t(2)));
}
