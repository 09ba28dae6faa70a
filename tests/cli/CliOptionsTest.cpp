// The command line of zelk-hda-read: defaults, the time forms, and every way a command line is
// refused before anything connects.

#include <gtest/gtest.h>

#include "app/cli/CliOptions.h"
#include "app/cli/CliTime.h"
#include "opc/_opcactivex.h"

namespace {

// 2026-01-01 00:00:00 UTC as FILETIME ticks.
constexpr int64_t kNow = 134'116'992'000'000'000LL;
constexpr int64_t kMinute = 60 * kTicksPerSecond;

int64_t LocalTicks(uint16_t y, uint16_t mo, uint16_t d, uint16_t h, uint16_t mi, uint16_t s, uint16_t ms = 0) {
  const FILETIME time = LocalDateTimeToFileTime(EncodeDateTime(y, mo, d, h, mi, s, ms));
  return static_cast<int64_t>((static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
}

TCliOptions Parse(std::vector<std::string> args) { return ParseCliOptions(args, kNow); }

std::string Refusal(std::vector<std::string> args) {
  try {
    Parse(std::move(args));
  } catch (const ECliUsageError& e) {
    return e.Message();
  }
  return "(accepted)";
}

TEST(CliOptions, DefaultsReadTheLastHourRawFromTheDemoHistorian) {
  const TCliOptions options = Parse({"--item", "Test.Ramp"});
  EXPECT_FALSE(options.Help);
  EXPECT_EQ(options.Server, "Zelk.HDASim.1");
  EXPECT_EQ(options.Computer, "");
  EXPECT_EQ(options.ItemId, "Test.Ramp");
  EXPECT_EQ(options.Method, TCliReadMethod::Raw);
  EXPECT_EQ(options.EndTicks, kNow);
  EXPECT_EQ(options.StartTicks, kNow - 60 * kMinute);
  EXPECT_EQ(options.MaxValues, 0u);
  EXPECT_FALSE(options.Bounds);
  EXPECT_FALSE(options.List || options.Status || options.Aggregates);

  // The default start is an hour before the end that was given, not before now.
  EXPECT_EQ(Parse({"--item", "X", "--end", "now-1d"}).StartTicks, kNow - 25 * 60 * kMinute);

  const TCliOptions all = Parse({"--server=Other.1", "--computer", "plant7", "--item", "A.B", "--max", "4294967295",
                                 "--bounds", "--status", "--aggregates", "--list", "--start", "now-2h"});
  EXPECT_EQ(all.Server, "Other.1");
  EXPECT_EQ(all.Computer, "plant7");
  EXPECT_EQ(all.MaxValues, 4294967295u);
  EXPECT_TRUE(all.Bounds && all.Status && all.Aggregates && all.List);
  EXPECT_EQ(all.ListBranch, "");  // the option after --list is no branch
  EXPECT_EQ(all.StartTicks, kNow - 120 * kMinute);

  EXPECT_EQ(Parse({"--list", "Plant.Area1"}).ListBranch, "Plant.Area1");
  EXPECT_EQ(Parse({"--list=Plant"}).ListBranch, "Plant");
  // Help wins over whatever else is wrong on the line.
  EXPECT_TRUE(Parse({"--help", "--bogus"}).Help);
  EXPECT_TRUE(Parse({"-h"}).Help);
}

TEST(CliOptions, MethodsTakeTheirOwnOptions) {
  const TCliOptions processed =
      Parse({"--item", "X", "--method", "processed", "--aggregate", "Average", "--interval", "0.5"});
  EXPECT_EQ(processed.Method, TCliReadMethod::Processed);
  EXPECT_EQ(processed.Aggregate, "Average");
  EXPECT_EQ(processed.IntervalSeconds, 0.5);
  EXPECT_EQ(Parse({"--item", "X", "--method", "processed", "--aggregate", "3"}).IntervalSeconds, 60);

  // --at alone means an at-time read.
  const TCliOptions atTime = Parse({"--item", "X", "--at", "now,now-1m,2026-01-01T00:00:30Z"});
  EXPECT_EQ(atTime.Method, TCliReadMethod::AtTime);
  EXPECT_EQ(atTime.AtTicks, (std::vector<int64_t>{kNow, kNow - kMinute, kNow + 30 * kTicksPerSecond}));

  EXPECT_EQ(Parse({"--item", "X", "--method", "modified", "--max", "10"}).Method, TCliReadMethod::Modified);
}

TEST(CliOptions, TimeForms) {
  EXPECT_EQ(ParseCliTime("now", kNow), kNow);
  EXPECT_EQ(ParseCliTime("now-45s", kNow), kNow - 45 * kTicksPerSecond);
  EXPECT_EQ(ParseCliTime("now-30m", kNow), kNow - 30 * kMinute);
  EXPECT_EQ(ParseCliTime("now-1h", kNow), kNow - 60 * kMinute);
  EXPECT_EQ(ParseCliTime("now-2d", kNow), kNow - 2 * 24 * 60 * kMinute);
  EXPECT_EQ(ParseCliTime("2026-01-01T00:00:00Z", 0), kNow);
  EXPECT_EQ(ParseCliTime("2025-12-31 23:59:59.5Z", 0), kNow - 5'000'000);
  EXPECT_EQ(ParseCliTime("2025-12-31T23:59:59.123Z", 0), kNow - 8'770'000);
  EXPECT_EQ(ParseCliTime("2026-07-01 12:30:00", 0), LocalTicks(2026, 7, 1, 12, 30, 0));
  EXPECT_EQ(ParseCliTime("2026-07-01T12:30:00.25", 0), LocalTicks(2026, 7, 1, 12, 30, 0, 250));
  EXPECT_EQ(ParseCliTime("2024-02-29 00:00:00Z", 0), 133'536'384'000'000'000LL);

  for (const char* bad : {"", "now-", "now-h", "now+1h", "now-1w", "now-1.5h", "now-9999999999d", "NOW",
                          "2026-01-01", "2026-1-01 00:00:00", "2026-01-01 00:00", "2026-02-30 00:00:00",
                          "2026-01-01 24:00:00", "2026-01-01 00:00:00.", "2026-01-01 00:00:00z",
                          "2026-01-01 00:00:00Z ", "yesterday"}) {
    try {
      ParseCliTime(bad, kNow);
      ADD_FAILURE() << "accepted '" << bad << "'";
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message(), "'" + std::string(bad) + "' is not a valid time");
    }
  }
}

TEST(CliOptions, RefusesWhatCannotRun) {
  EXPECT_EQ(Refusal({}), "nothing to do: give --item, --list, --status or --aggregates");
  EXPECT_EQ(Refusal({"--bogus"}), "unknown argument '--bogus'");
  EXPECT_EQ(Refusal({"Test.Ramp"}), "unknown argument 'Test.Ramp'");
  EXPECT_EQ(Refusal({"--item"}), "--item needs a value");
  EXPECT_EQ(Refusal({"--item="}), "--item needs an item id");
  EXPECT_EQ(Refusal({"--status=yes"}), "--status takes no value");
  EXPECT_EQ(Refusal({"--item", "X", "--start", "soon"}), "--start: 'soon' is not a valid time");
  EXPECT_EQ(Refusal({"--item", "X", "--at", "now,,now"}), "--at: '' is not a valid time");
  EXPECT_EQ(Refusal({"--item", "X", "--max", "-1"}), "--max: '-1' is not a count from 0 to 4294967295");
  EXPECT_EQ(Refusal({"--item", "X", "--max", "4294967296"}), "--max: '4294967296' is not a count from 0 to 4294967295");
  EXPECT_EQ(Refusal({"--item", "X", "--max", "5x"}), "--max: '5x' is not a count from 0 to 4294967295");
  for (const char* interval : {"-1", "nan", "inf", "", "1e999"})
    EXPECT_EQ(Refusal({"--item", "X", "--method", "processed", "--aggregate", "1", "--interval", interval}),
              "--interval: '" + std::string(interval) + "' is not a number of seconds, 0 or more");
  EXPECT_EQ(Refusal({"--item", "X", "--method", "RAW"}), "--method: 'RAW' is none of raw, processed, attime, modified");
  EXPECT_EQ(Refusal({"--start", "now", "--status"}), "the read options need --item");
  EXPECT_EQ(Refusal({"--item", "X", "--method", "processed"}), "--method processed needs --aggregate");
  EXPECT_EQ(Refusal({"--item", "X", "--aggregate", "Average"}),
            "--aggregate and --interval are only for --method processed");
  EXPECT_EQ(Refusal({"--item", "X", "--method", "processed", "--aggregate", "1", "--bounds"}),
            "--bounds is only for --method raw");
  EXPECT_EQ(Refusal({"--item", "X", "--method", "processed", "--aggregate", "1", "--max", "3"}),
            "--max is only for --method raw or modified");
  EXPECT_EQ(Refusal({"--item", "X", "--method", "attime"}), "--method attime needs --at");
  EXPECT_EQ(Refusal({"--item", "X", "--method", "raw", "--at", "now"}), "--at is only for --method attime");
  EXPECT_EQ(Refusal({"--item", "X", "--at", "now", "--start", "now-1h"}),
            "--method attime reads at --at, not --start/--end");
}

}  // namespace
