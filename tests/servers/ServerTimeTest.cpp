// Relative time texts as OPC HDA defines them, resolved against a fixed now, and recorded
// history served through the interfaces.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/rtl/StringUtils.h"
#include "servers/hdasim/ServerTime.h"
#include "tests/servers/ServerTestSupport.h"

namespace {

// 2024-02-29T13:45:30.5Z, a Thursday in a leap year.
constexpr int64_t Day = 86400 * TicksPerSecond;
const int64_t LeapMidnight = HistoryStart + (24 * 365 + 6 + 59) * Day;
const int64_t LeapDay = LeapMidnight + (13 * 3600 + 45 * 60 + 30) * TicksPerSecond + 5'000'000;

std::optional<int64_t> Resolve(const char16_t* text) { return ParseRelativeTime(text, LeapDay); }

}  // namespace

TEST(ServerTime, KeywordsAreTheStartOfTheirPeriodInUtc) {
  EXPECT_EQ(Resolve(u"NOW"), LeapDay);
  EXPECT_EQ(Resolve(u"SECOND"), LeapDay - 5'000'000);
  EXPECT_EQ(Resolve(u"MINUTE"), LeapDay - 30 * TicksPerSecond - 5'000'000);
  EXPECT_EQ(Resolve(u"HOUR"), LeapMidnight + 13 * 3600 * TicksPerSecond);
  EXPECT_EQ(Resolve(u"DAY"), LeapMidnight);
  EXPECT_EQ(Resolve(u"WEEK"), LeapMidnight - 4 * Day);  // Sunday 2024-02-25
  EXPECT_EQ(Resolve(u"MONTH"), LeapMidnight - 28 * Day);
  EXPECT_EQ(Resolve(u"YEAR"), LeapMidnight - 59 * Day);
  EXPECT_EQ(Resolve(u"mo"), Resolve(u"MONTH"));
  EXPECT_EQ(Resolve(u"  day "), LeapMidnight);
}

TEST(ServerTime, OffsetsCarryTheirSignAndKeepTheCalendar) {
  EXPECT_EQ(Resolve(u"NOW-1H15M"), LeapDay - 75 * 60 * TicksPerSecond);
  EXPECT_EQ(Resolve(u"DAY -1D+7H30M"), LeapMidnight - Day + (7 * 60 + 30) * 60 * TicksPerSecond);
  EXPECT_EQ(Resolve(u"MONTH-1D+5h"), LeapMidnight - 29 * Day + 5 * 3600 * TicksPerSecond);  // 2024-01-31 05:00
  EXPECT_EQ(Resolve(u"YEAR+3MO"), LeapMidnight - 59 * Day + (31 + 29 + 31) * Day);          // April 1st
  EXPECT_EQ(Resolve(u"NOW+2W-3S"), LeapDay + 14 * Day - 3 * TicksPerSecond);
  // 29 February plus a year is 28 February; plus a month 29 March.
  EXPECT_EQ(Resolve(u"DAY+1Y"), LeapMidnight + 365 * Day);
  EXPECT_EQ(Resolve(u"DAY+1MO"), LeapMidnight + 29 * Day);
  EXPECT_EQ(ParseRelativeTime(u"DAY+1MO", LeapMidnight - 29 * Day), LeapMidnight);  // 31 January: 29 February
}

TEST(ServerTime, TextsThatAreNoTime) {
  for (const char16_t* text : {u"", u"TODAY", u"NOW-", u"NOW-1", u"NOW-1X", u"NOW 1H 2", u"-1H", u"NOW-1\u00e9",
                               u"NOW+999999999W", u"NOW-999999999Y", u"YEAR+9000Y"})
    EXPECT_FALSE(ParseRelativeTime(text, LeapDay).has_value()) << Utf16ToUtf8(text);

  OPCHDA_TIME missing = NoTime();
  std::optional<int64_t> ticks = 5;
  EXPECT_EQ(ResolveHdaTime(&missing, LeapDay, ticks), S_OK);
  EXPECT_FALSE(ticks.has_value());
  OPCHDA_TIME empty = Text(u"");
  EXPECT_EQ(ResolveHdaTime(&empty, LeapDay, ticks), S_OK);
  EXPECT_FALSE(ticks.has_value());
  EXPECT_EQ(ResolveHdaTime(nullptr, LeapDay, ticks), E_INVALIDARG);
  // The far end of the tick range is refused, so that time arithmetic cannot overflow.
  OPCHDA_TIME last = Time(0x7FFFFFFFFFFFFFFF);
  EXPECT_EQ(ResolveHdaTime(&last, LeapDay, ticks), E_INVALIDARG);
  OPCHDA_TIME year9999 = Time(HdaLatestTime);
  EXPECT_EQ(ResolveHdaTime(&year9999, LeapDay, ticks), S_OK);
}

TEST(ServerRecordedHistory, CsvItemsAnswerThroughTheInterfaces) {
  const std::filesystem::path folder = std::filesystem::temp_directory_path() / "zelk_hdasim_server_test";
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder / "Site");
  std::ofstream(folder / "Site" / "Speed.csv") << "time,value,quality\n"
                                                  "2000-01-01T01:00:00Z,12.5\n"
                                                  "2000-01-01T01:00:10Z,oops\n"
                                                  "2000-01-01T01:00:20Z,13.5,0x40\n";
  THdaSimOptions options;
  options.Clock = [] { return At(36); };
  options.DataFolder = folder.string();
  ASSERT_EQ(RegisterHdaSimServers(options), S_OK);
  const std::vector<std::string> diagnostics = HdaSimDiagnostics();
  ASSERT_EQ(diagnostics.size(), 1u);
  EXPECT_NE(diagnostics[0].find("Site/Speed.csv:3:"), std::string::npos) << diagnostics[0];

  ComPtr<IUnknown> object;
  ASSERT_EQ(CreateByProgId(u"Zelk.HDASim.1", object), S_OK);
  ComPtr<IOPCHDA_Server> server;
  ComPtr<IOPCHDA_SyncRead> read;
  ASSERT_EQ(object.As(&server), S_OK);
  ASSERT_EQ(object.As(&read), S_OK);
  LPWSTR id = const_cast<LPWSTR>(u"Site.Speed");
  OPCHANDLE client = 1, *handles = nullptr;
  HRESULT* errors = nullptr;
  ASSERT_EQ(server->GetItemHandles(1, &id, &client, &handles, &errors), S_OK);
  OPCHANDLE handle = handles[0];
  CoTaskMemFree(handles);
  CoTaskMemFree(errors);
  OPCHDA_TIME start = Time(At(1)), end = Time(At(2));
  OPCHDA_ITEM* items = nullptr;
  ASSERT_EQ(read->ReadRaw(&start, &end, 0, FALSE, 1, &handle, &items, &errors), S_OK);
  const std::vector<TSample> samples = CopySamples(items[0]);
  FreeItems(items, 1);
  CoTaskMemFree(errors);
  ASSERT_EQ(samples.size(), 2u);
  EXPECT_EQ(samples[0].Value, TValue(12.5));
  EXPECT_EQ(samples[1].Time, At(1, 0, 20));
  EXPECT_EQ(samples[1].Quality, OPCHDA_RAW | 0x40u);
  std::filesystem::remove_all(folder);
}
