// Processed reads: aggregates spot-checked against values the test computes from a raw read.

#include <algorithm>
#include <cmath>
#include <numeric>

#include "tests/servers/ServerTestSupport.h"

namespace {

constexpr int64_t Minute = 60 * TicksPerSecond;

std::vector<double> Values(const std::vector<TSample>& samples) {
  std::vector<double> values;
  for (const TSample& s : samples) values.push_back(std::get<double>(s.Value));
  return values;
}

}  // namespace

TEST_F(ServerTest, ProcessedValueAggregatesMatchTheRawData) {
  const OPCHANDLE sine = Handle(u"Test.Sine");
  const int64_t start = At(5, 3);
  for (int k = 0; k < 3; ++k) {
    const int64_t from = start + k * Minute, to = from + Minute;
    const std::vector<double> raw = Values(ReadRaw(sine, Time(from), Time(to)).Samples);
    ASSERT_EQ(raw.size(), 60u);
    const double n = static_cast<double>(raw.size());
    const double mean = std::accumulate(raw.begin(), raw.end(), 0.0) / n;
    double squares = 0;
    for (const double v : raw) squares += (v - mean) * (v - mean);
    const auto [low, high] = std::minmax_element(raw.begin(), raw.end());

    auto one = [&](DWORD aggregate) {
      TRead r = ReadProcessed(sine, start, start + 3 * Minute, 60, aggregate);
      EXPECT_EQ(r.Result, S_OK) << aggregate;
      EXPECT_EQ(r.Samples.size(), 3u) << aggregate;
      return r.Samples.size() == 3 ? r.Samples[k] : TSample{};
    };
    EXPECT_NEAR(std::get<double>(one(OPCHDA_AVERAGE).Value), mean, 1e-9);
    EXPECT_EQ(one(OPCHDA_COUNT).Value, TValue(60.0));
    EXPECT_EQ(one(OPCHDA_MINIMUM).Value, TValue(*low));
    EXPECT_EQ(one(OPCHDA_MAXIMUM).Value, TValue(*high));
    EXPECT_NEAR(std::get<double>(one(OPCHDA_RANGE).Value), *high - *low, 1e-9);
    EXPECT_EQ(one(OPCHDA_START).Value, TValue(raw.front()));
    EXPECT_EQ(one(OPCHDA_END).Value, TValue(raw.back()));
    EXPECT_NEAR(std::get<double>(one(OPCHDA_DELTA).Value), raw.back() - raw.front(), 1e-9);
    EXPECT_NEAR(std::get<double>(one(OPCHDA_VARIANCE).Value), squares / (n - 1), 1e-9);
    EXPECT_NEAR(std::get<double>(one(OPCHDA_STDEV).Value), std::sqrt(squares / (n - 1)), 1e-9);

    // Time-weighted: straight lines between the samples, up to the next interval's first.
    const std::vector<double> joined = Values(ReadRaw(sine, Time(from), Time(to + 1)).Samples);
    double area = 0;
    for (size_t i = 0; i + 1 < joined.size(); ++i) area += (joined[i] + joined[i + 1]) / 2;
    EXPECT_NEAR(std::get<double>(one(OPCHDA_TIMEAVERAGE).Value), area / 60, 1e-9);
    EXPECT_NEAR(std::get<double>(one(OPCHDA_TOTAL).Value), area, 1e-7);

    // Interval time stamps and qualities; the actual-time forms carry the sample's time.
    const TSample average = one(OPCHDA_AVERAGE);
    EXPECT_EQ(average.Time, from);
    EXPECT_EQ(average.Quality & OPCHDA_CALCULATED, DWORD(OPCHDA_CALCULATED));
    EXPECT_EQ(average.Quality & 0xC0, 0xC0u);
    const TSample lowest = one(OPCHDA_MINIMUMACTUALTIME);
    EXPECT_EQ(lowest.Time, from + (low - raw.begin()) * TicksPerSecond);
  }
}

TEST_F(ServerTest, ProcessedQualityAggregatesAndItemErrors) {
  const auto h = Handles({u"Test.Bad", u"Test.Text", u"Test.Ramp"});
  // Test.Bad turns bad at 01:00: half of [00:30, 01:30) is good.
  TRead r = ReadProcessed(h[0], At(0, 30), At(1, 30), 3600, OPCHDA_PERCENTGOOD);
  ASSERT_EQ(r.Samples.size(), 1u);
  EXPECT_NEAR(std::get<double>(r.Samples[0].Value), 50.0, 1e-9);
  r = ReadProcessed(h[0], At(0, 30), At(1, 30), 3600, OPCHDA_DURATIONBAD);
  EXPECT_NEAR(std::get<double>(r.Samples[0].Value), 1800.0, 1e-9);
  r = ReadProcessed(h[0], At(0, 30), At(1, 30), 0, OPCHDA_WORSTQUALITY);
  EXPECT_EQ(r.Samples[0].Value, TValue(0.0));

  // An aggregate unknown to the server, and one the item's type does not allow.
  r = ReadProcessed(h[2], At(1), At(2), 600, 99);
  EXPECT_EQ(r.Result, S_FALSE);
  EXPECT_EQ(r.Error, OPC_E_INVALIDAGGREGATE);
  r = ReadProcessed(h[1], At(1), At(5), 3600, OPCHDA_AVERAGE);
  EXPECT_EQ(r.Error, OPC_E_NOT_AVAIL);
  r = ReadProcessed(h[1], At(1), At(5), 3600, OPCHDA_COUNT);
  EXPECT_EQ(r.Result, S_OK);
  EXPECT_EQ(r.Samples.size(), 4u);

  // Intervals wholly after now have no data.
  r = ReadProcessed(h[2], At(40), At(41), 600, OPCHDA_AVERAGE);
  EXPECT_EQ(r.Error, OPC_S_NODATA);
}
