// Updates and modified reads, advise and playback support, and edits racing reads.

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "servers/hdasim/HdaAggregates.h"
#include "servers/hdasim/HdaPlayback.h"
#include "tests/servers/HdaTestSupport.h"

namespace {

HdaEdit Edit(int item, HdaEditType type, int64_t time, HdaValue value = {}, uint32_t quality = DA_QUALITY_GOOD) {
  return HdaEdit{item, type, time, std::move(value), quality};
}

}  // namespace

TEST(HdaEdits, InsertReplaceDeleteAndModifiedRecords) {
  const auto historian = MakeHistorian();
  const int ramp = historian->FindItem("Test.Ramp");
  const std::vector<HdaStatus> results = historian->Update(
      {
          Edit(ramp, hetInsert, Epoch(0, 0, 10), 7.0),       // a sample stands there
          Edit(ramp, hetInsert, Epoch(0, 0, 5), 0.5, 0x40),  // new
          Edit(ramp, hetInsert, Epoch(0, 0, 5), 0.6),        // now it stands
          Edit(ramp, hetReplace, Epoch(0, 0, 20), 20.0),
          Edit(ramp, hetReplace, Epoch(0, 0, 25), 25.0),  // nothing to replace
          Edit(ramp, hetInsertReplace, Epoch(0, 0, 30), 30.0),
          Edit(ramp, hetInsertReplace, Epoch(0, 0, 35), 35.0),
          Edit(ramp, hetDelete, Epoch(0, 0, 40)),
          Edit(ramp, hetDelete, Epoch(0, 0, 40)),  // already gone
          Edit(ramp, hetDelete, Epoch(0, 0, 45)),  // never there
          Edit(historian->ItemCount(), hetInsert, Epoch(0, 0, 1), 1.0),
      },
      "ann");
  EXPECT_EQ(results,
            (std::vector<HdaStatus>{HdaStatus::DataExists, HdaStatus::Ok, HdaStatus::DataExists, HdaStatus::Ok,
                                    HdaStatus::NoDataExists, HdaStatus::Replaced, HdaStatus::Inserted, HdaStatus::Ok,
                                    HdaStatus::NoDataExists, HdaStatus::NoDataExists, HdaStatus::UnknownItem}));

  RawAnswer answer = ReadRaw(*historian, "Test.Ramp", HdaEpoch, Epoch(0, 1));
  std::vector<std::pair<int64_t, double>> seen;
  for (const HdaSample& s : answer.Samples)
    seen.emplace_back((s.Time - HdaEpoch) / Sec, ToNumber(s.Value));
  EXPECT_EQ(seen, (std::vector<std::pair<int64_t, double>>{
                      {0, 0}, {5, 0.5}, {10, 1}, {20, 20}, {30, 30}, {35, 35}, {50, 5}}));
  EXPECT_EQ(answer.Samples[1].Quality, HDA_RAW | 0x40u);
  // Reverse reads and bounds see the edits too.
  answer = ReadRaw(*historian, "Test.Ramp", Epoch(0, 0, 45), Epoch(0, 0, 25), 0, true);
  ASSERT_EQ(answer.Samples.size(), 4u);
  EXPECT_EQ(answer.Samples[0].Time, Epoch(0, 0, 50));  // start bound: 40 s was deleted
  EXPECT_EQ(answer.Samples[3].Time, Epoch(0, 0, 20));  // end bound

  // Modified records in time order: what stood before, or the new value where nothing did.
  std::vector<HdaModifiedSample> records;
  ASSERT_EQ(historian->ReadModified(ramp, HdaEpoch, Epoch(0, 1), 0, records), HdaStatus::Ok);
  ASSERT_EQ(records.size(), 5u);
  EXPECT_EQ(records[0].Time, Epoch(0, 0, 5));
  EXPECT_EQ(records[0].EditType, hetInsert);
  EXPECT_EQ(records[0].Value, HdaValue(0.5));
  EXPECT_EQ(records[0].Quality, HDA_RAW | 0x40u);
  EXPECT_EQ(records[1].EditType, hetReplace);
  EXPECT_EQ(records[1].Value, HdaValue(2.0));
  EXPECT_EQ(records[2].EditType, hetInsertReplace);
  EXPECT_EQ(records[2].Value, HdaValue(3.0));
  EXPECT_EQ(records[3].EditType, hetInsertReplace);
  EXPECT_EQ(records[3].Value, HdaValue(35.0));
  EXPECT_EQ(records[4].EditType, hetDelete);
  EXPECT_EQ(records[4].Value, HdaValue(4.0));
  EXPECT_EQ(records[4].User, "ann");
  EXPECT_EQ(records[4].ModificationTime, TestNow);
  ASSERT_EQ(historian->ReadModified(ramp, Epoch(0, 1), HdaEpoch, 2, records), HdaStatus::MoreData);
  EXPECT_EQ(records[0].Time, Epoch(0, 0, 40));
  EXPECT_EQ(records[1].Time, Epoch(0, 0, 35));
  EXPECT_EQ(historian->ReadModified(ramp, Epoch(0, 1), Epoch(0, 2), 0, records), HdaStatus::NoData);

  // Deleting an inserted value leaves no trace in reads; the record keeps it.
  EXPECT_EQ(historian->Update({Edit(ramp, hetDelete, Epoch(0, 0, 5))}, "bob")[0], HdaStatus::Ok);
  EXPECT_FALSE(historian->View(ramp).At(Epoch(0, 0, 5)));
  historian->ReadModified(ramp, Epoch(0, 0, 5), Epoch(0, 0, 6), 0, records);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[1].EditType, hetDelete);
  EXPECT_EQ(records[1].User, "bob");

  // Reads built on the history follow the edits.
  std::vector<HdaSample> values;
  historian->ReadAtTime(ramp, {Epoch(0, 0, 40)}, values);
  EXPECT_EQ(values[0].Value, HdaValue(25.0));  // a third of the way from 35 s (35) to 50 s (5)
  historian->ReadProcessed(ramp, {HdaEpoch, Epoch(0, 1), 0, HDA_AGG_COUNT}, values);
  EXPECT_EQ(values[0].Value, HdaValue(int32_t(6)));
}

TEST(HdaEdits, ABadEditIsPassedOverWhereGoodValuesAreAsked) {
  const auto historian = MakeHistorian();
  const int ramp = historian->FindItem("Test.Ramp");
  ASSERT_EQ(historian->Update({Edit(ramp, hetReplace, Epoch(0, 0, 50), 900.0, DA_QUALITY_BAD)}, "ann")[0],
            HdaStatus::Ok);
  const HdaHistoryView view = historian->View(ramp);
  EXPECT_EQ(view.AtOrBefore(Epoch(0, 0, 55))->Time, Epoch(0, 0, 50));
  EXPECT_EQ(view.GoodAtOrBefore(Epoch(0, 0, 55))->Time, Epoch(0, 0, 40));
  EXPECT_EQ(view.AtOrAfter(Epoch(0, 0, 45))->Time, Epoch(0, 0, 50));
  EXPECT_EQ(view.GoodAtOrAfter(Epoch(0, 0, 45))->Time, Epoch(0, 0, 60));
  EXPECT_FALSE(view.GoodAtOrBefore(HdaEpoch - Sec));

  // The time average starts from the good line through 40 s and 60 s, not from the bad 900.
  std::vector<HdaSample> values;
  historian->ReadProcessed(ramp, {Epoch(0, 0, 50), Epoch(0, 0, 70), 0, HDA_AGG_TIMEAVERAGE}, values);
  EXPECT_EQ(values[0].Value, HdaValue(6.0));
  EXPECT_EQ(values[0].Quality, HDA_CALCULATED | DA_QUALITY_UNCERTAIN);
}

TEST(HdaEdits, ValuesTimesAndRanges) {
  const auto historian = MakeHistorian(TestNow, 100);
  const int ramp = historian->FindItem("Test.Ramp");
  const int step = historian->FindItem("Test.Step");
  const int text = historian->FindItem("Test.Text");
  const std::vector<HdaStatus> results = historian->Update(
      {
          Edit(ramp, hetInsert, TestNow + Sec, 1.0),
          Edit(ramp, hetInsert, HdaEpoch - Sec, 1.0),
          Edit(historian->FindItem("Test.Sine"), hetInsert, TestNow, 1.0),  // the sample at now exists
          Edit(ramp, hetInsert, TestNow - Sec, std::string("abc")),
          Edit(ramp, hetInsert, TestNow - Sec, 5000.0),  // beyond the high entry limit
          Edit(ramp, hetInsert, TestNow - 2 * Sec, std::string("12.5")),
          Edit(step, hetInsert, Epoch(0, 0, 30), 2.5),
          Edit(step, hetInsert, Epoch(0, 0, 30), std::string("7")),
          Edit(text, hetReplace, Epoch(1), 42.0),
          Edit(ramp, hetInsert, Epoch(0, 0, 1), HdaValue()),
      },
      "ann");
  EXPECT_EQ(results, (std::vector<HdaStatus>{HdaStatus::InvalidTime, HdaStatus::InvalidTime, HdaStatus::DataExists,
                                             HdaStatus::InvalidDataType, HdaStatus::OutOfRange, HdaStatus::Ok,
                                             HdaStatus::InvalidDataType, HdaStatus::Ok, HdaStatus::Ok,
                                             HdaStatus::InvalidDataType}));
  EXPECT_EQ(historian->View(ramp).At(TestNow - 2 * Sec)->Value, HdaValue(12.5));
  EXPECT_EQ(historian->View(step).At(Epoch(0, 0, 30))->Value, HdaValue(int32_t(7)));
  EXPECT_EQ(historian->View(text).At(Epoch(1))->Value, HdaValue(std::string("42")));

  // Delete raw over the raw read's domain: backward (1:00, 2:00], then forward [1:00, 2:00).
  EXPECT_EQ(historian->DeleteRaw(ramp, Epoch(0, 2), Epoch(0, 1), "ann"), HdaStatus::Ok);
  RawAnswer left = ReadRaw(*historian, "Test.Ramp", Epoch(0, 1), Epoch(0, 2, 10));
  ASSERT_EQ(left.Samples.size(), 1u);
  EXPECT_EQ(left.Samples[0].Time, Epoch(0, 1));
  std::vector<HdaModifiedSample> records;
  historian->ReadModified(ramp, Epoch(0, 1), Epoch(0, 2, 1), 0, records);
  EXPECT_EQ(records.size(), 6u);
  EXPECT_EQ(records.back().Time, Epoch(0, 2));
  EXPECT_EQ(historian->DeleteRaw(ramp, Epoch(0, 1), Epoch(0, 2), "ann"), HdaStatus::Ok);
  EXPECT_EQ(ReadRaw(*historian, "Test.Ramp", Epoch(0, 1), Epoch(0, 2, 10)).Status, HdaStatus::NoData);
  EXPECT_EQ(historian->DeleteRaw(ramp, Epoch(0, 1), Epoch(0, 2), "ann"), HdaStatus::NoData);
  EXPECT_EQ(historian->DeleteRaw(ramp, Epoch(1), Epoch(2), "ann"), HdaStatus::MaxExceeded);
  EXPECT_EQ(ReadRaw(*historian, "Test.Ramp", Epoch(1), Epoch(2)).Samples.size(), 100u);
  EXPECT_EQ(historian->DeleteRaw(-1, Epoch(1), Epoch(2), "ann"), HdaStatus::UnknownItem);

  // A cursor is a snapshot: edits after it do not show in it.
  std::optional<HdaRawCursor> before;
  historian->ReadRaw(ramp, {Epoch(3), Epoch(3, 1), 0, false}, before);
  historian->DeleteRaw(ramp, Epoch(3), Epoch(3, 1), "ann");
  EXPECT_EQ(ReadAll(*before).size(), 6u);
}

TEST(HdaEdits, AdviseAndPlayback) {
  int64_t now = TestNow;
  HdaHistorianOptions options;
  options.Clock = [&now] { return now; };
  HdaHistorian historian(options);
  const int ramp = historian.FindItem("Test.Ramp");
  std::optional<HdaRawCursor> cursor;
  ASSERT_EQ(historian.ReadSince(ramp, TestNow - 35 * Sec, cursor), HdaStatus::Ok);
  std::vector<HdaSample> fresh = ReadAll(*cursor);
  ASSERT_EQ(fresh.size(), 3u);
  EXPECT_EQ(fresh.back().Time, Epoch(36, 34, 50));
  EXPECT_EQ(historian.ReadSince(ramp, Epoch(36, 34, 50), cursor), HdaStatus::NoData);
  now += 25 * Sec;  // 12:35:21: the samples at 12:35:00, :10 and :20 have arrived
  ASSERT_EQ(historian.ReadSince(ramp, Epoch(36, 34, 50), cursor), HdaStatus::Ok);
  fresh = ReadAll(*cursor);
  ASSERT_EQ(fresh.size(), 3u);
  EXPECT_EQ(fresh.front().Time, Epoch(36, 35));
  EXPECT_EQ(historian.ReadSince(ramp, now, cursor), HdaStatus::NoData);
  EXPECT_EQ(historian.ReadSince(-1, HdaEpoch, cursor), HdaStatus::UnknownItem);

  // Playback in portions of 40 s, up to now and then waiting for history to be made.
  HdaPlaybackCursor playback(now - 100 * Sec, 0, 40 * Sec);
  int64_t from, to;
  int portions = 0;
  while (playback.Next(now, from, to)) {
    EXPECT_EQ(to - from, 40 * Sec);
    ++portions;
  }
  EXPECT_EQ(portions, 2);
  EXPECT_EQ(playback.Position(), now - 20 * Sec);
  now += 19 * Sec;
  EXPECT_FALSE(playback.Next(now, from, to));
  now += Sec;
  EXPECT_TRUE(playback.Next(now, from, to));
  EXPECT_EQ(to, now);
  HdaPlaybackCursor bounded(HdaEpoch, HdaEpoch + 90 * Sec, 40 * Sec);
  std::vector<int64_t> ends;
  while (bounded.Next(now, from, to))
    ends.push_back((to - HdaEpoch) / Sec);
  EXPECT_EQ(ends, (std::vector<int64_t>{40, 80, 90}));
  EXPECT_TRUE(bounded.Finished());
}

TEST(HdaEdits, ConcurrentEditsAndReads) {
  const auto historian = MakeHistorian();
  const int ramp = historian->FindItem("Test.Ramp");
  constexpr int PerWriter = 150;
  std::atomic<bool> failed{false};
  auto writer = [&](int64_t offsetSeconds, int64_t deleteFrom) {
    for (int i = 0; i < PerWriter; ++i) {
      const int64_t time = Epoch(10) + (i * 10 + offsetSeconds) * Sec;
      if (historian->Update({Edit(ramp, hetInsert, time, double(i))}, "w")[0] != HdaStatus::Ok) failed = true;
      if (i % 10 == 0 &&
          historian->DeleteRaw(ramp, deleteFrom + i * 10 * Sec, deleteFrom + (i * 10 + 10) * Sec, "w") != HdaStatus::Ok)
        failed = true;
    }
  };
  auto reader = [&] {
    for (int i = 0; i < 60; ++i) {
      const RawAnswer answer = ReadRaw(*historian, "Test.Ramp", Epoch(10), Epoch(10, 30));
      // Every answer is one consistent state: sorted, the source's samples all there.
      size_t sourceSamples = 0;
      for (size_t k = 0; k < answer.Samples.size(); ++k) {
        if (k > 0 && answer.Samples[k].Time <= answer.Samples[k - 1].Time) failed = true;
        if ((answer.Samples[k].Time - HdaEpoch) % (10 * Sec) == 0) ++sourceSamples;
      }
      if (sourceSamples != 180) failed = true;
      std::vector<HdaSample> values;
      historian->ReadProcessed(ramp, {Epoch(10), Epoch(11), 10 * HdaTicksPerMinute, HDA_AGG_AVERAGE}, values);
    }
  };
  std::thread threads[] = {std::thread(writer, 3, Epoch(20)), std::thread(writer, 7, Epoch(21)), std::thread(reader),
                           std::thread(reader)};
  for (auto& thread : threads)
    thread.join();
  EXPECT_FALSE(failed);
  EXPECT_EQ(ReadRaw(*historian, "Test.Ramp", Epoch(10), Epoch(10, 30)).Samples.size(), 180u + 2 * PerWriter);
  EXPECT_EQ(ReadRaw(*historian, "Test.Ramp", Epoch(20), Epoch(20, 30)).Samples.size(), 180u - 15u);
  EXPECT_EQ(ReadRaw(*historian, "Test.Ramp", Epoch(21), Epoch(21, 30)).Samples.size(), 180u - 15u);
  std::vector<HdaModifiedSample> records;
  historian->ReadModified(ramp, Epoch(10), Epoch(22), 0, records);
  EXPECT_EQ(records.size(), 2u * PerWriter + 30u);
}
