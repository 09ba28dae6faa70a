// The offset table at the far end of FILETIME, where its closing sentinel and the shift of a
// repeated 400-year cycle meet INT64_MAX.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <limits>
#include <string>

#include "platform/win/TimeZoneOffsets.h"

namespace {

constexpr int64_t kLast = std::numeric_limits<int64_t>::max();  // 30828-09-14 02:48:05.4775807 UTC
constexpr int64_t kTicksPerMinute = 60 * 10000000LL;

void AppendBigEndian(std::string& out, uint64_t value, int bytes) {
  for (int shift = 8 * (bytes - 1); shift >= 0; shift -= 8) out += char(value >> shift);
}

// A version 2 zone file: standard time CET +1, one change into CEST +2 at unixSeconds, then
// the rule text.
std::string ZoneFileWithOneChange(int64_t unixSeconds, const std::string& rule) {
  auto block = [](int timeSize, bool withChange, int64_t at) {
    std::string out = "TZif2" + std::string(15, '\0');
    const char names[] = "CET\0CEST";
    for (uint32_t count : {0u, 0u, 0u, withChange ? 1u : 0u, 2u, uint32_t(sizeof names)}) AppendBigEndian(out, count, 4);
    if (withChange) {
      AppendBigEndian(out, uint64_t(at), timeSize);
      out += char(1);
    }
    AppendBigEndian(out, 3600, 4), out += char(0), out += char(0);
    AppendBigEndian(out, 7200, 4), out += char(1), out += char(4);
    return out + std::string(names, sizeof names);
  };
  return block(4, false, 0) + block(8, true, unixSeconds) + "\n" + rule + "\n";
}

}  // namespace

TEST(TimeZoneOffsets, AnswerUpToTheLastFileTime) {
  // Asia/Kolkata: no yearly rule, its last period holds for ever.
  auto kolkata = TTimeZoneOffsets::ForTimeZone("Asia/Kolkata");
  const int64_t ist = 330 * kTicksPerMinute;
  EXPECT_EQ(kolkata->OffsetAt(kLast), ist);
  EXPECT_EQ(kolkata->LocalToUtc(kLast - 1), kLast - 1 - ist);
  int64_t next = 0;
  EXPECT_EQ(kolkata->PeriodAt(kLast, &next).Offset, ist);
  EXPECT_EQ(next, kLast);

  // Europe/Berlin repeats its rule: in September 30828 summer time holds, and its end in
  // October lies past the last FILETIME, so it never comes.
  auto berlin = TTimeZoneOffsets::ForTimeZone("Europe/Berlin");
  const TZonePeriod summer = berlin->PeriodAt(kLast - 1, &next);
  EXPECT_TRUE(summer.IsDst);
  EXPECT_EQ(summer.Offset, 120 * kTicksPerMinute);
  EXPECT_LE(summer.At, kLast - 1);
  EXPECT_EQ(next, kLast);
  EXPECT_EQ(berlin->OffsetAt(kLast), 120 * kTicksPerMinute);
  EXPECT_EQ(berlin->LocalToUtc(kLast - 1), kLast - 1 - 120 * kTicksPerMinute);
}

TEST(TimeZoneOffsets, ZoneFileChangingNearTheLastFileTime) {
  // The last change in 30828, with a yearly rule after it: no room is left for the rule's
  // 400-year cycle, so the last period holds, rather than the cycle running past INT64_MAX.
  const std::string path = "/tmp/zelk_zone_end_" + std::to_string(getpid());
  const int64_t lateChange = (kLast - 116444736000000000) / 10000000 - 86400;
  std::ofstream(path, std::ios::binary) << ZoneFileWithOneChange(lateChange, "CET-1CEST,M3.5.0,M10.5.0/3");
  auto late = TTimeZoneOffsets::ForTimeZone(path.c_str());
  EXPECT_EQ(late->OffsetAt(kLast), 120 * kTicksPerMinute);
  EXPECT_EQ(late->OffsetAt(kLast - 2 * 86400 * 10000000LL), 60 * kTicksPerMinute);

  // The same file changing in 2020 goes on with the rule: winter again in January 2100.
  std::ofstream(path, std::ios::binary | std::ios::trunc) << ZoneFileWithOneChange(1585443600, "CET-1CEST,M3.5.0,M10.5.0/3");
  auto early = TTimeZoneOffsets::ForTimeZone(path.c_str());
  const int64_t january2100 = 116444736000000000 + 4102444800 * 10000000LL;
  EXPECT_EQ(early->OffsetAt(january2100), 60 * kTicksPerMinute);
  std::remove(path.c_str());
}
