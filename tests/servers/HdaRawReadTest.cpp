// Raw and at-time reads: time domain, direction, limits, bounds, and the edges of history.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "platform/rtl/Exceptions.h"
#include "servers/hdasim/HdaAggregates.h"
#include "tests/servers/HdaTestSupport.h"

namespace {

std::vector<double> Values(const RawAnswer& answer) {
  std::vector<double> values;
  for (const HdaSample& sample : answer.Samples)
    values.push_back(ToNumber(sample.Value));
  return values;
}

std::vector<int64_t> Times(const RawAnswer& answer) {
  std::vector<int64_t> times;
  for (const HdaSample& sample : answer.Samples)
    times.push_back(sample.Time);
  return times;
}

}  // namespace

TEST(HdaRawRead, DirectionLimitAndTimeDomain) {
  const auto historian = MakeHistorian();
  // Forward: start included, end excluded.
  RawAnswer answer = ReadRaw(*historian, "Test.Ramp", HdaEpoch, Epoch(0, 1));
  EXPECT_EQ(answer.Status, HdaStatus::Ok);
  EXPECT_EQ(Values(answer), (std::vector<double>{0, 1, 2, 3, 4, 5}));
  EXPECT_EQ(Times(answer).front(), HdaEpoch);
  EXPECT_EQ(Times(answer).back(), Epoch(0, 0, 50));

  // Backward: start included, end excluded, newest first.
  answer = ReadRaw(*historian, "Test.Ramp", Epoch(0, 1), HdaEpoch);
  EXPECT_EQ(answer.Status, HdaStatus::Ok);
  EXPECT_EQ(Values(answer), (std::vector<double>{6, 5, 4, 3, 2, 1}));

  // The limit cuts from the start side in either direction; an exact fit is no cut.
  answer = ReadRaw(*historian, "Test.Ramp", HdaEpoch, Epoch(0, 1), 4);
  EXPECT_EQ(answer.Status, HdaStatus::MoreData);
  EXPECT_EQ(Values(answer), (std::vector<double>{0, 1, 2, 3}));
  answer = ReadRaw(*historian, "Test.Ramp", Epoch(0, 1), HdaEpoch, 3);
  EXPECT_EQ(answer.Status, HdaStatus::MoreData);
  EXPECT_EQ(Values(answer), (std::vector<double>{6, 5, 4}));
  answer = ReadRaw(*historian, "Test.Ramp", HdaEpoch, Epoch(0, 1), 6);
  EXPECT_EQ(answer.Status, HdaStatus::Ok);
  EXPECT_EQ(answer.Samples.size(), 6u);

  // Equal start and end: the sample standing exactly there, or nothing.
  answer = ReadRaw(*historian, "Test.Ramp", Epoch(0, 0, 20), Epoch(0, 0, 20));
  EXPECT_EQ(Values(answer), (std::vector<double>{2}));
  EXPECT_EQ(ReadRaw(*historian, "Test.Ramp", Epoch(0, 0, 25), Epoch(0, 0, 25)).Status, HdaStatus::NoData);

  // A gap is no data; the unknown item is refused without a cursor.
  answer = ReadRaw(*historian, "Test.Gaps", Epoch(0, 30), Epoch(0, 60));
  EXPECT_EQ(answer.Status, HdaStatus::NoData);
  EXPECT_TRUE(answer.Samples.empty());
  std::optional<HdaRawCursor> cursor;
  EXPECT_EQ(historian->ReadRaw(historian->ItemCount(), {HdaEpoch, Epoch(1), 0, false}, cursor), HdaStatus::UnknownItem);
  EXPECT_FALSE(cursor.has_value());
}

TEST(HdaRawRead, EdgesOfHistory) {
  const auto historian = MakeHistorian();
  RawAnswer answer = ReadRaw(*historian, "Test.Ramp", HdaEpoch - 2 * HdaTicksPerHour, HdaEpoch);
  EXPECT_EQ(answer.Status, HdaStatus::NoData);
  EXPECT_TRUE(answer.Samples.empty());
  EXPECT_EQ(ReadRaw(*historian, "Test.Sine", TestNow + Sec, TestNow + HdaTicksPerHour).Status, HdaStatus::NoData);
  EXPECT_EQ(ReadRaw(*historian, "Test.Sine", TestNow + HdaTicksPerHour, TestNow + Sec).Status, HdaStatus::NoData);

  // History ends at now, the sample exactly at now included.
  answer = ReadRaw(*historian, "Test.Sine", TestNow - 2 * Sec, TestNow + HdaTicksPerDay);
  EXPECT_EQ(Times(answer), (std::vector<int64_t>{TestNow - 2 * Sec, TestNow - Sec, TestNow}));
  answer = ReadRaw(*historian, "Test.Ramp", TestNow + HdaTicksPerDay, TestNow - 30 * Sec);
  EXPECT_EQ(Times(answer), (std::vector<int64_t>{Epoch(36, 34, 50), Epoch(36, 34, 40), Epoch(36, 34, 30)}));

  // A full read reaches back to the epoch and no further.
  answer = ReadRaw(*historian, "Test.Step", HdaEpoch - HdaTicksPerDay, TestNow + HdaTicksPerDay);
  EXPECT_EQ(answer.Samples.size(), static_cast<size_t>((TestNow - HdaEpoch) / (60 * Sec) + 1));
  EXPECT_EQ(answer.Samples.front().Time, HdaEpoch);
}

TEST(HdaRawRead, BoundingValues) {
  const auto historian = MakeHistorian();
  // Neither end on a sample: the neighbours outside are added.
  RawAnswer answer = ReadRaw(*historian, "Test.Ramp", Epoch(0, 0, 5), Epoch(0, 0, 35), 0, true);
  EXPECT_EQ(answer.Status, HdaStatus::Ok);
  EXPECT_EQ(Values(answer), (std::vector<double>{0, 1, 2, 3, 4}));
  EXPECT_EQ(Times(answer).front(), HdaEpoch);
  EXPECT_EQ(Times(answer).back(), Epoch(0, 0, 40));

  // A sample on start is its own bound (once); one on end is the end bound.
  answer = ReadRaw(*historian, "Test.Ramp", Epoch(0, 0, 10), Epoch(0, 0, 30), 0, true);
  EXPECT_EQ(Values(answer), (std::vector<double>{1, 2, 3}));
  answer = ReadRaw(*historian, "Test.Ramp", Epoch(0, 0, 30), Epoch(0, 0, 10), 0, true);
  EXPECT_EQ(Values(answer), (std::vector<double>{3, 2, 1}));
  answer = ReadRaw(*historian, "Test.Ramp", Epoch(0, 0, 35), Epoch(0, 0, 5), 0, true);
  EXPECT_EQ(Values(answer), (std::vector<double>{4, 3, 2, 1, 0}));

  // Bounds across a gap reach the samples on either side of it.
  answer = ReadRaw(*historian, "Test.Gaps", Epoch(0, 35), Epoch(0, 50), 0, true);
  EXPECT_EQ(answer.Status, HdaStatus::Ok);
  EXPECT_EQ(Times(answer), (std::vector<int64_t>{Epoch(0, 29, 50), Epoch(1)}));

  // No sample before the epoch: the missing bound is marked at the requested time.
  answer = ReadRaw(*historian, "Test.Ramp", HdaEpoch - HdaTicksPerHour, Epoch(0, 0, 20), 0, true);
  ASSERT_EQ(answer.Samples.size(), 4u);
  EXPECT_EQ(answer.Samples[0].Time, HdaEpoch - HdaTicksPerHour);
  EXPECT_EQ(answer.Samples[0].Quality, HDA_NOBOUND | DA_QUALITY_BAD);
  EXPECT_TRUE(IsEmpty(answer.Samples[0].Value));
  EXPECT_EQ(Values(answer)[3], 2);

  // Nothing after now: the end bound is missing too.
  answer = ReadRaw(*historian, "Test.Ramp", TestNow - 5 * Sec, TestNow + HdaTicksPerHour, 0, true);
  ASSERT_EQ(answer.Samples.size(), 2u);
  EXPECT_EQ(answer.Samples[0].Time, Epoch(36, 34, 50));
  EXPECT_EQ(answer.Samples[1].Time, TestNow + HdaTicksPerHour);
  EXPECT_EQ(answer.Samples[1].Quality, HDA_NOBOUND | DA_QUALITY_BAD);

  // Before any history with bounds: the only real value is the end bound at the epoch.
  answer = ReadRaw(*historian, "Test.Ramp", HdaEpoch - 2 * HdaTicksPerHour, HdaEpoch - HdaTicksPerHour, 0, true);
  EXPECT_EQ(answer.Status, HdaStatus::Ok);
  ASSERT_EQ(answer.Samples.size(), 2u);
  EXPECT_EQ(answer.Samples[1].Time, HdaEpoch);

  // Bounds count against the limit.
  answer = ReadRaw(*historian, "Test.Ramp", Epoch(0, 0, 5), Epoch(0, 0, 35), 4, true);
  EXPECT_EQ(answer.Status, HdaStatus::MoreData);
  EXPECT_EQ(Values(answer), (std::vector<double>{0, 1, 2, 3}));
  answer = ReadRaw(*historian, "Test.Ramp", Epoch(0, 0, 5), Epoch(0, 0, 35), 1, true);
  EXPECT_EQ(answer.Status, HdaStatus::MoreData);
  EXPECT_EQ(Values(answer), (std::vector<double>{0}));
}

TEST(HdaRawRead, ServerMaximumAndPortions) {
  const auto historian = MakeHistorian(TestNow, 100);
  RawAnswer answer = ReadRaw(*historian, "Test.Sine", HdaEpoch, Epoch(1));
  EXPECT_EQ(answer.Status, HdaStatus::MoreData);
  EXPECT_EQ(answer.Samples.size(), 100u);
  answer = ReadRaw(*historian, "Test.Sine", HdaEpoch, Epoch(1), 5000);
  EXPECT_EQ(answer.Status, HdaStatus::MoreData);
  EXPECT_EQ(answer.Samples.size(), 100u);
  EXPECT_EQ(answer.Samples.back().Time, Epoch(0, 1, 39));

  // Reading in portions, numerically or as samples, gives the answer of one read.
  const auto big = MakeHistorian();
  for (const char* itemId : {"Test.Ramp", "Test.Gaps", "Test.Bad", "Test.Step"}) {
    const int item = big->FindItem(itemId);
    for (const bool bounds : {false, true}) {
      for (const auto& [start, end] :
           {std::pair{Epoch(2, 40, 5), Epoch(3, 35)}, std::pair{Epoch(3, 35), Epoch(2, 40, 5)}}) {
        std::optional<HdaRawCursor> whole, portions;
        big->ReadRaw(item, {start, end, 0, bounds}, whole);
        big->ReadRaw(item, {start, end, 0, bounds}, portions);
        const std::vector<HdaSample> expected = ReadAll(*whole);
        ASSERT_EQ(portions->Count(), expected.size());
        std::vector<int64_t> times(7);
        std::vector<double> values(7);
        std::vector<uint32_t> qualities(7);
        size_t at = 0;
        while (size_t copied = portions->Read(times.data(), values.data(), qualities.data(), 7)) {
          for (size_t i = 0; i < copied; ++i, ++at) {
            ASSERT_EQ(times[i], expected[at].Time);
            ASSERT_EQ(values[i], ToNumber(expected[at].Value));
            ASSERT_EQ(qualities[i], expected[at].Quality);
          }
        }
        EXPECT_EQ(at, expected.size());
        EXPECT_EQ(portions->Remaining(), 0u);
      }
    }
  }

  std::optional<HdaRawCursor> text;
  big->ReadRaw(big->FindItem("Test.Text"), {HdaEpoch, Epoch(3), 0, false}, text);
  int64_t time;
  double value;
  uint32_t quality;
  EXPECT_THROW(text->Read(&time, &value, &quality, 1), Exception);
  EXPECT_EQ(ReadAll(*text).size(), 3u);
}

TEST(HdaRawRead, AtTime) {
  const auto historian = MakeHistorian();
  auto at = [&](const char* itemId, int64_t time) {
    std::vector<HdaSample> values;
    historian->ReadAtTime(historian->FindItem(itemId), {time}, values);
    return values.at(0);
  };
  HdaSample s = at("Test.Ramp", Epoch(0, 0, 10));
  EXPECT_EQ(s.Value, HdaValue(1.0));
  EXPECT_EQ(s.Quality, HDA_RAW | DA_QUALITY_GOOD);
  s = at("Test.Ramp", Epoch(0, 0, 12));
  EXPECT_DOUBLE_EQ(ToNumber(s.Value), 1.2);
  EXPECT_EQ(s.Quality, HDA_INTERPOLATED | DA_QUALITY_GOOD);
  EXPECT_EQ(s.Time, Epoch(0, 0, 12));
  // Straight across the wrap, as the two neighbours give it.
  EXPECT_DOUBLE_EQ(ToNumber(at("Test.Ramp", Epoch(2, 46, 35)).Value), 499.5);

  // Stepped and text items hold the previous value.
  s = at("Test.Step", Epoch(0, 1, 59));
  EXPECT_EQ(s.Value, HdaValue(int32_t(1)));
  EXPECT_EQ(s.Quality, HDA_INTERPOLATED | DA_QUALITY_GOOD);
  EXPECT_EQ(at("Test.Text", Epoch(5, 59)).Value, HdaValue(std::string("Sample 5")));

  // A bad neighbour makes the interpolated value bad.
  s = at("Test.Bad", Epoch(0, 59, 55));
  EXPECT_DOUBLE_EQ(ToNumber(s.Value), 359.5);
  EXPECT_EQ(s.Quality, HDA_INTERPOLATED | DA_QUALITY_BAD);

  // Across a gap the line runs between the samples on either side.
  EXPECT_DOUBLE_EQ(ToNumber(at("Test.Gaps", Epoch(0, 44, 55)).Value), 179 + (360 - 179) * 905.0 / 1810);

  // Before the first sample and after now there is no data.
  for (const int64_t time : {HdaEpoch - Sec, TestNow + Sec}) {
    s = at("Test.Ramp", time);
    EXPECT_TRUE(IsEmpty(s.Value));
    EXPECT_EQ(s.Quality, HDA_NODATA | DA_QUALITY_BAD);
  }
  // Past the last sample, before now: held, but only uncertain.
  s = at("Test.Ramp", TestNow - Sec);
  EXPECT_EQ(s.Value, HdaValue(169.0));
  EXPECT_EQ(s.Quality, HDA_INTERPOLATED | DA_QUALITY_UNCERTAIN);

  std::vector<HdaSample> values;
  EXPECT_EQ(historian->ReadAtTime(historian->FindItem("Test.Ramp"), {HdaEpoch - Sec, TestNow + Sec}, values),
            HdaStatus::NoData);
  EXPECT_EQ(values.size(), 2u);
  EXPECT_EQ(historian->ReadAtTime(-1, {HdaEpoch}, values), HdaStatus::UnknownItem);
}

TEST(HdaRawRead, ExtremeTimesAreSafe) {
  // Times from the far ends of the FILETIME range must neither overflow nor find data.
  const auto historian = MakeHistorian();
  const int ramp = historian->FindItem("Test.Ramp");
  const int64_t lowest = INT64_MIN, highest = INT64_MAX;
  for (const auto& [start, end] : {std::pair{lowest, highest}, std::pair{highest, lowest}, std::pair{highest, highest},
                                   std::pair{lowest, lowest}}) {
    std::optional<HdaRawCursor> cursor;
    historian->ReadRaw(ramp, {start, end, 10, true}, cursor);
    EXPECT_LE(cursor->Count(), 10u);
    std::vector<HdaSample> values;
    historian->ReadProcessed(ramp, {start, end, 0, HDA_AGG_DURATIONGOOD}, values);
    historian->ReadProcessed(ramp, {start, end, 0, HDA_AGG_TIMEAVERAGE}, values);
    historian->ReadAtTime(ramp, {start, end}, values);
    std::vector<HdaModifiedSample> records;
    historian->ReadModified(ramp, start, end, 0, records);
    std::vector<HdaAnnotation> annotations;
    historian->ReadAnnotations(ramp, start, end, annotations);
    historian->ReadSince(ramp, start, cursor);
  }
  std::optional<HdaRawCursor> cursor;
  EXPECT_EQ(historian->ReadRaw(ramp, {lowest, highest, 3, false}, cursor), HdaStatus::MoreData);
  EXPECT_EQ(ReadAll(*cursor).front().Time, HdaEpoch);
  EXPECT_EQ(VarTypeOf(HdaValue(1.0)), hvtR8);
  EXPECT_EQ(VarTypeOf(HdaValue(int32_t(1))), hvtI4);
  EXPECT_EQ(VarTypeOf(HdaValue()), hvtEmpty);
  EXPECT_EQ(VarTypeOf(HdaValue(std::string("x"))), hvtBSTR);
}
