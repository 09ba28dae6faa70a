// The offset table at the far end of FILETIME, where its closing sentinel and the shift of a
// repeated 400-year cycle meet INT64_MAX.

#include <gtest/gtest.h>

#include <limits>

#include "platform/win/TimeZoneOffsets.h"

namespace {

constexpr int64_t kLast = std::numeric_limits<int64_t>::max();  // 30828-09-14 02:48:05.4775807 UTC
constexpr int64_t kTicksPerMinute = 60 * 10000000LL;

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
