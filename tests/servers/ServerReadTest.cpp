// Synchronous reads of the reference items through IOPCHDA_SyncRead, as a client sees them.

#include <algorithm>
#include <cmath>
#include <numbers>

#include "opc/_opcda.h"
#include "platform/rtl/StringUtils.h"
#include "tests/servers/ServerTestSupport.h"

namespace {

constexpr DWORD GoodRaw = OPCHDA_RAW | 0xC0;
constexpr int64_t Sec = TicksPerSecond;

double Sine(int64_t n) { return 50 + 50 * std::sin(2 * std::numbers::pi * static_cast<double>(n) / 600); }

std::vector<double> Numbers(const std::vector<TSample>& samples) {
  std::vector<double> numbers;
  for (const TSample& s : samples)
    numbers.push_back(std::holds_alternative<double>(s.Value) ? std::get<double>(s.Value) : NAN);
  return numbers;
}

std::vector<int64_t> Times(const std::vector<TSample>& samples) {
  std::vector<int64_t> times;
  for (const TSample& s : samples) times.push_back(s.Time);
  return times;
}

}  // namespace

TEST_F(ServerTest, RawReadsOfEveryReferenceItem) {
  const auto h = Handles({u"Test.Ramp", u"Test.Sine", u"Test.Step", u"Test.Text", u"Test.Gaps", u"Test.Bad"});

  TRead r = ReadRaw(h[0], Time(At(1)), Time(At(1, 1)));
  EXPECT_EQ(r.Result, S_OK);
  EXPECT_EQ(r.Error, S_OK);
  EXPECT_EQ(Numbers(r.Samples), (std::vector<double>{360, 361, 362, 363, 364, 365}));
  EXPECT_EQ(Times(r.Samples),
            (std::vector<int64_t>{At(1), At(1, 0, 10), At(1, 0, 20), At(1, 0, 30), At(1, 0, 40), At(1, 0, 50)}));
  for (const TSample& s : r.Samples) {
    EXPECT_EQ(s.Quality, GoodRaw);
    EXPECT_EQ(s.Type, VT_R8);
  }

  r = ReadRaw(h[1], Time(At(0, 2, 30)), Time(At(0, 2, 33)));
  ASSERT_EQ(r.Samples.size(), 3u);
  for (int k = 0; k < 3; ++k) EXPECT_DOUBLE_EQ(std::get<double>(r.Samples[k].Value), Sine(150 + k));

  r = ReadRaw(h[2], Time(At(0, 9)), Time(At(0, 12)));
  EXPECT_EQ(Numbers(r.Samples), (std::vector<double>{9, 0, 1}));
  EXPECT_EQ(r.Samples[0].Type, VT_I4);

  r = ReadRaw(h[3], Time(At(24)), Time(At(26)));
  ASSERT_EQ(r.Samples.size(), 2u);
  EXPECT_EQ(r.Samples[0].Value, TValue(std::string("Sample 24")));
  EXPECT_EQ(r.Samples[1].Value, TValue(std::string("Sample 25")));
  EXPECT_EQ(r.Samples[1].Type, VT_BSTR);

  // No samples from minute 30 to 59 of an hour.
  r = ReadRaw(h[4], Time(At(0, 29, 40)), Time(At(0, 31)));
  EXPECT_EQ(Numbers(r.Samples), (std::vector<double>{178, 179}));
  r = ReadRaw(h[4], Time(At(0, 40)), Time(At(0, 50)));
  EXPECT_EQ(r.Result, S_OK);
  EXPECT_EQ(r.Error, OPC_S_NODATA);
  EXPECT_TRUE(r.Samples.empty());

  // Bad quality in odd hours, values as the ramp.
  r = ReadRaw(h[5], Time(At(0, 59, 50)), Time(At(1, 0, 20)));
  ASSERT_EQ(r.Samples.size(), 3u);
  EXPECT_EQ(r.Samples[0].Quality, GoodRaw);
  EXPECT_EQ(r.Samples[1].Quality, DWORD(OPCHDA_RAW));
  EXPECT_EQ(r.Samples[2].Quality, DWORD(OPCHDA_RAW));
  EXPECT_EQ(Numbers(r.Samples), (std::vector<double>{359, 360, 361}));
}

TEST_F(ServerTest, RawReadLimitsDirectionBoundsAndOpenEnds) {
  const OPCHANDLE ramp = Handle(u"Test.Ramp");

  TRead r = ReadRaw(ramp, Time(At(1)), Time(At(2)), 5);
  EXPECT_EQ(r.Result, S_OK);
  EXPECT_EQ(r.Error, OPC_S_MOREDATA);
  EXPECT_EQ(Numbers(r.Samples), (std::vector<double>{360, 361, 362, 363, 364}));

  // Start after end reads backward over (end, start].
  r = ReadRaw(ramp, Time(At(1, 1)), Time(At(1)));
  EXPECT_EQ(Numbers(r.Samples), (std::vector<double>{366, 365, 364, 363, 362, 361}));

  // Bounds: the values at or before start and at or after end.
  r = ReadRaw(ramp, Time(At(1, 0, 5)), Time(At(1, 0, 25)), 0, TRUE);
  EXPECT_EQ(Numbers(r.Samples), (std::vector<double>{360, 361, 362, 363}));
  EXPECT_EQ(r.Samples.front().Time, At(1));
  EXPECT_EQ(r.Samples.back().Time, At(1, 0, 30));

  // A bound that does not exist: empty at the requested time, flagged no-bound.
  r = ReadRaw(ramp, Time(HistoryStart - 5 * Sec), Time(HistoryStart + 15 * Sec), 0, TRUE);
  ASSERT_EQ(r.Samples.size(), 4u);
  EXPECT_EQ(r.Samples[0].Type, VT_EMPTY);
  EXPECT_EQ(r.Samples[0].Time, HistoryStart - 5 * Sec);
  EXPECT_EQ(r.Samples[0].Quality & OPCHDA_NOBOUND, DWORD(OPCHDA_NOBOUND));

  // Start and a count: forward; end and a count: backward from before end.
  r = ReadRaw(ramp, Time(At(1)), NoTime(), 3);
  EXPECT_EQ(r.Error, OPC_S_MOREDATA);
  EXPECT_EQ(Numbers(r.Samples), (std::vector<double>{360, 361, 362}));
  r = ReadRaw(ramp, NoTime(), Time(At(1)), 2);
  EXPECT_EQ(Numbers(r.Samples), (std::vector<double>{359, 358}));

  // Start equal to end: the one value standing there.
  r = ReadRaw(ramp, Time(At(1)), Time(At(1)));
  EXPECT_EQ(Numbers(r.Samples), (std::vector<double>{360}));

  // Beyond now there is nothing, which is no error.
  r = ReadRaw(ramp, Time(At(40)), Time(At(41)));
  EXPECT_EQ(r.Result, S_OK);
  EXPECT_EQ(r.Error, OPC_S_NODATA);
}

TEST_F(ServerTest, RawReadTimeTexts) {
  const OPCHANDLE ramp = Handle(u"Test.Ramp");
  OPCHDA_TIME start = Text(u"NOW-1M"), end = Text(u"now");
  OPCHDA_ITEM* items = nullptr;
  HRESULT* errors = nullptr;
  OPCHANDLE handle = ramp;
  ASSERT_EQ(Interface<IOPCHDA_SyncRead>()->ReadRaw(&start, &end, 0, FALSE, 1, &handle, &items, &errors), S_OK);
  // The server writes back the times it resolved the texts to.
  EXPECT_EQ(ToTicks(start.ftTime), At(36, 33, 56));
  EXPECT_EQ(ToTicks(end.ftTime), At(36, 34, 56));
  EXPECT_EQ(items[0].dwCount, 6u);
  EXPECT_EQ(ToTicks(items[0].pftTimeStamps[0]), At(36, 34));
  EXPECT_EQ(items[0].hClient, 1u);
  FreeItems(items, 1);
  CoTaskMemFree(errors);

  start = Text(u"DAY + 1H");
  end = Text(u"DAY+1H1M");
  EXPECT_EQ(Numbers(ReadRaw(ramp, start, end).Samples).size(), 6u);
  OPCHDA_TIME bad = Text(u"YESTERDAY");
  EXPECT_EQ(ReadRaw(ramp, bad, Time(At(1))).Result, E_INVALIDARG);
}

TEST_F(ServerTest, RawReadRefusesBadArguments) {
  OPCHANDLE handles[] = {Handle(u"Test.Ramp"), 0xDEAD};
  ComPtr<IOPCHDA_SyncRead> read = Interface<IOPCHDA_SyncRead>();
  OPCHDA_TIME start = Time(At(1)), end = Time(At(1, 0, 30)), none = NoTime();
  OPCHDA_ITEM* items = reinterpret_cast<OPCHDA_ITEM*>(1);
  HRESULT* errors = reinterpret_cast<HRESULT*>(1);

  // Unknown handles fail their own entry only.
  ASSERT_EQ(read->ReadRaw(&start, &end, 0, FALSE, 2, handles, &items, &errors), S_FALSE);
  EXPECT_EQ(errors[0], S_OK);
  EXPECT_EQ(errors[1], OPC_E_INVALIDHANDLE);
  EXPECT_EQ(items[0].dwCount, 3u);
  EXPECT_EQ(items[1].dwCount, 0u);
  FreeItems(items, 2);
  CoTaskMemFree(errors);

  // The call refuses as a whole, leaving the out-parameters null.
  EXPECT_EQ(read->ReadRaw(&none, &none, 10, FALSE, 1, handles, &items, &errors), E_INVALIDARG);
  EXPECT_EQ(items, nullptr);
  EXPECT_EQ(errors, nullptr);
  EXPECT_EQ(read->ReadRaw(&start, &none, 0, FALSE, 1, handles, &items, &errors), E_INVALIDARG);
  EXPECT_EQ(read->ReadRaw(&start, &end, 0, FALSE, 1, nullptr, &items, &errors), E_INVALIDARG);
  EXPECT_EQ(read->ReadRaw(&start, &end, 0, FALSE, 0, handles, &items, &errors), E_INVALIDARG);
  EXPECT_EQ(read->ReadRaw(nullptr, &end, 0, FALSE, 1, handles, &items, &errors), E_INVALIDARG);
  EXPECT_EQ(read->ReadRaw(&start, &end, 0, FALSE, 1, handles, nullptr, &errors), E_POINTER);
  FILETIME stamp = ToFileTime(At(1));
  EXPECT_EQ(read->ReadAtTime(0, &stamp, 1, handles, &items, &errors), E_INVALIDARG);
  EXPECT_EQ(read->ReadAtTime(1, nullptr, 1, handles, &items, &errors), E_INVALIDARG);
  DWORD aggregate = OPCHDA_AVERAGE;
  EXPECT_EQ(read->ReadProcessed(&start, &none, Seconds(10), 1, handles, &aggregate, &items, &errors), E_INVALIDARG);
  EXPECT_EQ(read->ReadProcessed(&start, &end, Seconds(10), 1, handles, nullptr, &items, &errors), E_INVALIDARG);
}

TEST_F(ServerTest, AtTimeReadsInterpolateAndHold) {
  const auto h = Handles({u"Test.Ramp", u"Test.Step", u"Test.Text"});
  TRead r = ReadAtTime(h[0], {At(1), At(1, 0, 5), At(1, 0, 12)});
  EXPECT_EQ(r.Result, S_OK);
  ASSERT_EQ(r.Samples.size(), 3u);
  EXPECT_EQ(r.Samples[0].Value, TValue(360.0));
  EXPECT_EQ(r.Samples[0].Quality, GoodRaw);
  EXPECT_DOUBLE_EQ(std::get<double>(r.Samples[1].Value), 360.5);
  EXPECT_EQ(r.Samples[1].Quality & OPCHDA_INTERPOLATED, DWORD(OPCHDA_INTERPOLATED));
  EXPECT_EQ(r.Samples[1].Time, At(1, 0, 5));
  EXPECT_DOUBLE_EQ(std::get<double>(r.Samples[2].Value), 361.2);

  // Stepped items and text hold the value before.
  r = ReadAtTime(h[1], {At(0, 9, 30)});
  EXPECT_EQ(r.Samples[0].Value, TValue(9.0));
  EXPECT_EQ(r.Samples[0].Type, VT_I4);
  r = ReadAtTime(h[2], {At(3, 30)});
  EXPECT_EQ(r.Samples[0].Value, TValue(std::string("Sample 3")));

  // Before history: no data.
  r = ReadAtTime(h[0], {HistoryStart - Sec});
  EXPECT_EQ(r.Error, OPC_S_NODATA);
  ASSERT_EQ(r.Samples.size(), 1u);
  EXPECT_EQ(r.Samples[0].Type, VT_EMPTY);
}

TEST_F(ServerTest, EveryReadMethodAgreesWithTheRawValuesOfEveryReferenceItem) {
  const std::vector<std::u16string> ids = {u"Test.Ramp", u"Test.Sine", u"Test.Step",
                                           u"Test.Text", u"Test.Gaps", u"Test.Bad"};
  const std::vector<OPCHANDLE> handles = Handles(ids);
  // Two hours from 00:30 hold a bad hour, gaps and an hourly text sample or two.
  const int64_t from = At(0, 30), to = At(2, 30);
  ComPtr<IOPCHDA_SyncRead> read = Interface<IOPCHDA_SyncRead>();
  for (size_t k = 0; k < ids.size(); ++k) {
    SCOPED_TRACE(Utf16ToUtf8(ids[k]));
    const std::vector<TSample> raw = ReadRaw(handles[k], Time(from), Time(to)).Samples;
    ASSERT_FALSE(raw.empty());

    std::vector<int64_t> times;
    for (size_t i = 0; i < raw.size(); i += std::max<size_t>(1, raw.size() / 7)) times.push_back(raw[i].Time);
    const std::vector<TSample> atTime = ReadAtTime(handles[k], times).Samples;
    ASSERT_EQ(atTime.size(), times.size());
    for (size_t i = 0; i < times.size(); ++i) {
      const TSample& expected = raw[i * std::max<size_t>(1, raw.size() / 7)];
      EXPECT_EQ(atTime[i].Value, expected.Value);
      EXPECT_EQ(atTime[i].Quality, expected.Quality);
    }

    EXPECT_EQ(ReadProcessed(handles[k], from, to, 0, OPCHDA_COUNT).Samples[0].Value,
              TValue(static_cast<double>(raw.size())));
    EXPECT_EQ(ReadProcessed(handles[k], from, to, 0, OPCHDA_START).Samples[0].Value, raw.front().Value);
    EXPECT_EQ(ReadProcessed(handles[k], from, to, 0, OPCHDA_END).Samples[0].Value, raw.back().Value);

    // Nothing was edited, so nothing was modified.
    OPCHDA_TIME start = Time(from), end = Time(to);
    OPCHDA_MODIFIEDITEM* modified = nullptr;
    HRESULT* errors = nullptr;
    OPCHANDLE handle = handles[k];
    ASSERT_EQ(read->ReadModified(&start, &end, 0, 1, &handle, &modified, &errors), S_OK);
    EXPECT_EQ(errors[0], OPC_S_NODATA);
    EXPECT_EQ(modified[0].dwCount, 0u);
    FreeModified(modified, 1);
    CoTaskMemFree(errors);
  }
}

TEST_F(ServerTest, ExtremeTimesAreAnsweredNotTrusted) {
  const OPCHANDLE ramp = Handle(u"Test.Ramp");
  const int64_t last = 0x7FFFFFFFFFFFFFFF;
  TRead r = ReadAtTime(ramp, {0, 1, last, -1});
  EXPECT_EQ(r.Result, S_OK);
  EXPECT_EQ(r.Error, OPC_S_NODATA);
  EXPECT_EQ(r.Samples.size(), 4u);
  EXPECT_EQ(ReadRaw(ramp, Time(1), Time(HistoryStart + 25 * TicksPerSecond)).Samples.size(), 3u);
  EXPECT_EQ(ReadRaw(ramp, Time(last), Time(1)).Result, E_INVALIDARG);
  // More intervals than the server returns values.
  EXPECT_EQ(ReadProcessed(ramp, HistoryStart, At(36), 0, OPCHDA_COUNT).Samples[0].Value, TValue(12960.0));
  EXPECT_EQ(ReadProcessed(ramp, 1, At(36), 1, OPCHDA_COUNT).Error, OPC_E_MAXEXCEEDED);

  VARIANT value;
  VariantInit(&value);
  value.vt = VT_R8;
  DWORD quality = 0xC0;
  HRESULT* errors = nullptr;
  OPCHANDLE handles[] = {ramp, ramp};
  FILETIME stamps[] = {ToFileTime(last), ToFileTime(-1)};
  VARIANT values[] = {value, value};
  DWORD qualities[] = {quality, quality};
  ASSERT_EQ(Interface<IOPCHDA_SyncUpdate>()->InsertReplace(2, handles, stamps, values, qualities, &errors), S_FALSE);
  EXPECT_EQ(errors[0], E_INVALIDARG);
  EXPECT_EQ(errors[1], E_INVALIDARG);
  CoTaskMemFree(errors);
}
