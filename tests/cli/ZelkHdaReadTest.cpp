// zelk-hda-read's entry function against the demo historian on a fixed clock: the exact
// Test.Ramp table for a fixed range, a read past the server's limit per call, a processed
// average, at-time values, the item list and status, and the errors with their exit codes.

#include <gtest/gtest.h>

#include <sstream>

#include "app/cli/CliTime.h"
#include "app/cli/ZelkHdaRead.h"
#include "platform/rtl/MessageSeam.h"
#include "platform/rtl/StringUtils.h"
#include "servers/hdasim/ServerRegistration.h"

namespace {

// The historian's "now": 2026-01-01 00:00:00 UTC.
constexpr int64_t kNow = 134'116'992'000'000'000LL;
constexpr int64_t kYear2000 = 125'911'584'000'000'000LL;

// Test.Ramp's definition: a sample every 10 s, valued n mod 1000 where n counts the samples
// since 2000-01-01 00:00:00 UTC.
int RampAt(int64_t ticks) { return static_cast<int>((ticks - kYear2000) / (10 * kTicksPerSecond) % 1000); }

std::string Row(int64_t ticks, const std::string& value, const std::string& hdaQuality) {
  return Format("%-23s  %-16s  %-12s  %s\n", FormatCliTime(TicksToLocalDateTime(ticks)).c_str(), value.c_str(), "good",
                hdaQuality.c_str());
}

constexpr char kHeader[] = "Time stamp               Value             Quality       HDA quality\n";

class ZelkHdaRead : public testing::Test {
protected:
  void SetUp() override { Register(1'000'000); }
  void TearDown() override { RevokeHdaSimServers(); }

  void Register(uint32_t maxReturnValues) {
    THdaSimOptions options;
    options.Clock = [] { return kNow; };
    options.MaxReturnValues = maxReturnValues;
    options.DataFolder = "";
    ASSERT_EQ(RegisterHdaSimServers(options), S_OK);
  }

  int Run(std::vector<std::string> args) {
    Out.str("");
    Err.str("");
    return RunZelkHdaRead(args, Out, Err);
  }

  std::ostringstream Out, Err;
};

TEST_F(ZelkHdaRead, RawTableOfTheRampForAFixedRange) {
  // 23:00:00 to 23:01:00 UTC: the samples from the start on, the one at the end not.
  const int64_t start = kNow - 3600 * kTicksPerSecond;
  ASSERT_EQ(Run({"--item", "Test.Ramp", "--start", "2025-12-31T23:00:00Z", "--end", "2025-12-31T23:01:00Z"}), 0);
  std::string expected = kHeader;
  for (int k = 0; k < 6; ++k) {
    const int64_t stamp = start + k * 10 * kTicksPerSecond;
    expected += Row(stamp, IntToStr(RampAt(stamp)), "raw");
  }
  EXPECT_EQ(RampAt(start), 720);
  EXPECT_EQ(Out.str(), expected + "6 values, S_OK\n");
  EXPECT_EQ(Err.str(), "");

  // At most 2, with the bound before a start 5 s past a sample: the server has more.
  ASSERT_EQ(Run({"--item", "Test.Ramp", "--start", "2025-12-31T23:00:05Z", "--end", "2025-12-31T23:01:00Z", "--max",
                 "2", "--bounds"}),
            0);
  EXPECT_EQ(Out.str(), std::string(kHeader) + Row(start, "720", "raw") +
                           Row(start + 10 * kTicksPerSecond, "721", "raw") + "2 values, S_MOREDATA\n");
}

TEST_F(ZelkHdaRead, AllValuesPastTheServersLimitPerCall) {
  Register(100);
  // Half an hour: 180 samples, two calls.
  ASSERT_EQ(Run({"--item", "Test.Ramp", "--start", "2025-12-31T23:00:00Z", "--end", "2025-12-31T23:30:00Z"}), 0);
  std::string expected = kHeader;
  for (int k = 0; k < 180; ++k) {
    const int64_t stamp = kNow - 3600 * kTicksPerSecond + k * 10 * kTicksPerSecond;
    expected += Row(stamp, IntToStr(RampAt(stamp)), "raw");
  }
  EXPECT_EQ(Out.str(), expected + "180 values, S_OK\n");

  // With --max the limit is the caller's: no second call.
  ASSERT_EQ(Run({"--item", "Test.Ramp", "--start", "2025-12-31T23:00:00Z", "--end", "2025-12-31T23:30:00Z", "--max",
                 "150"}),
            0);
  EXPECT_NE(Out.str().find("\n100 values, S_MOREDATA\n"), std::string::npos);
}

TEST_F(ZelkHdaRead, ProcessedAverageAndAtTime) {
  const int64_t start = kNow - 3600 * kTicksPerSecond;
  ASSERT_EQ(Run({"--item", "Test.Ramp", "--method", "processed", "--aggregate", "average", "--interval", "60",
                 "--start", "2025-12-31T23:00:00Z", "--end", "2025-12-31T23:02:00Z"}),
            0);
  EXPECT_EQ(Out.str(), std::string(kHeader) + Row(start, "722.5", "calculated") +
                           Row(start + 60 * kTicksPerSecond, "728.5", "calculated") + "2 values, S_OK\n");
  // By id: Average is 3 on this server.
  ASSERT_EQ(Run({"--item", "Test.Ramp", "--method", "processed", "--aggregate", "3", "--interval", "60", "--start",
                 "2025-12-31T23:00:00Z", "--end", "2025-12-31T23:02:00Z"}),
            0);
  EXPECT_NE(Out.str().find("728.5"), std::string::npos);

  ASSERT_EQ(Run({"--item", "Test.Ramp", "--at", "2025-12-31T23:00:05Z,2025-12-31T23:00:10Z"}), 0);
  EXPECT_EQ(Out.str(), std::string(kHeader) + Row(start + 5 * kTicksPerSecond, "720.5", "interpolated") +
                           Row(start + 10 * kTicksPerSecond, "721", "raw") + "2 values, S_OK\n");
}

TEST_F(ZelkHdaRead, ListStatusAndAggregates) {
  ASSERT_EQ(Run({"--list", "Plant.Area1"}), 0);
  EXPECT_EQ(Out.str(),
            "Plant.Area1.Boiler1.Temperature\nPlant.Area1.Boiler1.Pressure\nPlant.Area1.Boiler1.Flow\n"
            "Plant.Area1.Boiler1.Level\nPlant.Area1.Boiler1.ValvePosition\nPlant.Area1.Boiler1.Running\n"
            "Plant.Area1.Boiler1.Batch\n7 items\n");
  ASSERT_EQ(Run({"--list"}), 0);
  EXPECT_EQ(Out.str().rfind("Test.Ramp\n", 0), 0u);
  EXPECT_NE(Out.str().find("\nPlant.Area1.Boiler1.Batch\n"), std::string::npos);
  EXPECT_EQ(Run({"--list", "Plant.Nowhere"}), 1);
  EXPECT_EQ(Err.str(), "zelk-hda-read: no branch 'Plant.Nowhere': E_INVALIDARG\n");

  ASSERT_EQ(Run({"--status", "--aggregates"}), 0);
  EXPECT_NE(Out.str().find("State         up\n"), std::string::npos);
  EXPECT_NE(Out.str().find("Current time  " + FormatCliTime(TicksToLocalDateTime(kNow)) + "\n"), std::string::npos);
  EXPECT_NE(Out.str().find("Max values    1000000\n"), std::string::npos);
  EXPECT_NE(Out.str().find("\n    3  Average   "), std::string::npos);
}

TEST_F(ZelkHdaRead, ErrorsAndExitCodes) {
  EXPECT_EQ(Run({"--item", "Test.NoSuchItem", "--start", "2025-12-31T23:00:00Z"}), 1);
  EXPECT_EQ(Out.str(), "");
  EXPECT_EQ(Err.str(), "zelk-hda-read: Item Test.NoSuchItem not exists on OPC server\n");

  EXPECT_EQ(Run({"--server", "No.Such.Server.1", "--status"}), 1);
  EXPECT_EQ(Out.str(), "");
  EXPECT_EQ(Err.str(), "zelk-hda-read: Server name not found in registry or empty\n");

  EXPECT_EQ(Run({"--computer", "far-away-plant", "--status"}), 1);
  EXPECT_EQ(Err.str(), "zelk-hda-read: The RPC server is unavailable\n");

  // The minimal server has no modified reads (and no data callback, which the component
  // reports in a box).
  std::vector<std::string> boxes;
  const TScopedMessageBoxHandler recordBoxes([&boxes](const std::string& text, const std::string&, unsigned) {
    boxes.push_back(text);
    return IDOK;
  });
  EXPECT_EQ(Run({"--server", "Zelk.HDASim.Minimal.1", "--item", "Test.Ramp", "--method", "modified"}), 1);
  EXPECT_EQ(Out.str(), "");
  EXPECT_EQ(Err.str(), "zelk-hda-read: Not implemented\n");
  EXPECT_EQ(boxes.size(), 1u);

  EXPECT_EQ(Run({"--item", "Test.Ramp", "--method", "processed", "--aggregate", "Median-ish"}), 2);
  EXPECT_EQ(Err.str(),
            "zelk-hda-read: --aggregate: the server has no aggregate 'Median-ish' (--aggregates lists them) (see "
            "--help)\n");

  EXPECT_EQ(Run({"--item", "Test.Ramp", "--start", "tomorrow"}), 2);
  EXPECT_EQ(Out.str(), "");
  EXPECT_EQ(Err.str(), "zelk-hda-read: --start: 'tomorrow' is not a valid time (see --help)\n");

  EXPECT_EQ(Run({"--help"}), 0);
  EXPECT_EQ(Out.str().rfind("Usage: zelk-hda-read [options]\n", 0), 0u);
  EXPECT_EQ(Err.str(), "");
}

}  // namespace
