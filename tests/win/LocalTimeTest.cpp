// UTC <-> local time by the system zone's database rules: the rules of each date, and the
// repeated and the skipped hour in both directions.

#include <gtest/gtest.h>

#include "tests/win/TimeTestSupport.h"

namespace {

std::string ToLocal(SYSTEMTIME utc) {
  SYSTEMTIME local;
  if (!SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local)) return "failed";
  return SystemTimeText(local);
}

std::string ToUtc(SYSTEMTIME local) {
  SYSTEMTIME utc;
  if (!TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc)) return "failed";
  return SystemTimeText(utc);
}

}  // namespace

TEST(SystemTimeToTzSpecificLocalTime, BerlinByTheRulesOfEachDate) {
  TScopedTimeZone zone("Europe/Berlin");
  EXPECT_EQ(ToLocal(MakeSystemTime(2024, 1, 15, 12)), "2024-01-15 13:00:00.000 (1)");
  EXPECT_EQ(ToLocal(MakeSystemTime(2024, 7, 15, 12)), "2024-07-15 14:00:00.000 (1)");
  // No daylight saving time in 1975, double summer time in 1945.
  EXPECT_EQ(ToLocal(MakeSystemTime(1975, 7, 15, 12)), "1975-07-15 13:00:00.000 (2)");
  EXPECT_EQ(ToLocal(MakeSystemTime(1945, 6, 1, 12)), "1945-06-01 15:00:00.000 (5)");
  // Clocks go forward at 01:00 UTC on 2024-03-31 and back at 01:00 UTC on 2024-10-27.
  EXPECT_EQ(ToLocal(MakeSystemTime(2024, 3, 31, 0, 59, 59, 999)), "2024-03-31 01:59:59.999 (0)");
  EXPECT_EQ(ToLocal(MakeSystemTime(2024, 3, 31, 1)), "2024-03-31 03:00:00.000 (0)");
  EXPECT_EQ(ToLocal(MakeSystemTime(2024, 10, 27, 0, 30)), "2024-10-27 02:30:00.000 (0)");
  EXPECT_EQ(ToLocal(MakeSystemTime(2024, 10, 27, 1, 30)), "2024-10-27 02:30:00.000 (0)");
  // Far beyond the database's explicit table the yearly rule goes on.
  EXPECT_EQ(ToLocal(MakeSystemTime(30000, 7, 1, 12)), "30000-07-01 14:00:00.000 (6)");
  EXPECT_EQ(ToLocal(MakeSystemTime(30000, 12, 1, 12)), "30000-12-01 13:00:00.000 (5)");
}

TEST(TzSpecificLocalTimeToSystemTime, BerlinRepeatedAndSkippedHour) {
  TScopedTimeZone zone("Europe/Berlin");
  // 02:00-03:00 does not exist on 2024-03-31: read on the daylight clock, as Windows does.
  EXPECT_EQ(ToUtc(MakeSystemTime(2024, 3, 31, 2, 30)), "2024-03-31 00:30:00.000 (0)");
  EXPECT_EQ(ToUtc(MakeSystemTime(2024, 3, 31, 1, 59)), "2024-03-31 00:59:00.000 (0)");
  EXPECT_EQ(ToUtc(MakeSystemTime(2024, 3, 31, 3)), "2024-03-31 01:00:00.000 (0)");
  // 02:00-03:00 happens twice on 2024-10-27: the first (daylight) occurrence.
  EXPECT_EQ(ToUtc(MakeSystemTime(2024, 10, 27, 2, 30)), "2024-10-27 00:30:00.000 (0)");
  EXPECT_EQ(ToUtc(MakeSystemTime(2024, 10, 27, 1, 59)), "2024-10-26 23:59:00.000 (6)");
  EXPECT_EQ(ToUtc(MakeSystemTime(2024, 10, 27, 3)), "2024-10-27 02:00:00.000 (0)");
  EXPECT_EQ(ToUtc(MakeSystemTime(1975, 7, 15, 13)), "1975-07-15 12:00:00.000 (2)");
  EXPECT_EQ(ToUtc(MakeSystemTime(30000, 7, 1, 14)), "30000-07-01 12:00:00.000 (6)");
}

TEST(TzSpecificLocalTime, NewYorkBothDirections) {
  TScopedTimeZone zone("America/New_York");
  EXPECT_EQ(ToLocal(MakeSystemTime(2024, 3, 10, 6, 59)), "2024-03-10 01:59:00.000 (0)");
  EXPECT_EQ(ToLocal(MakeSystemTime(2024, 3, 10, 7)), "2024-03-10 03:00:00.000 (0)");
  EXPECT_EQ(ToLocal(MakeSystemTime(2024, 11, 3, 5, 30)), "2024-11-03 01:30:00.000 (0)");
  EXPECT_EQ(ToLocal(MakeSystemTime(2024, 11, 3, 6, 30)), "2024-11-03 01:30:00.000 (0)");
  // Before 2007 daylight time began in April: today's rule would say EDT here.
  EXPECT_EQ(ToLocal(MakeSystemTime(2006, 3, 20, 12)), "2006-03-20 07:00:00.000 (1)");

  EXPECT_EQ(ToUtc(MakeSystemTime(2024, 3, 10, 2, 30)), "2024-03-10 06:30:00.000 (0)");
  EXPECT_EQ(ToUtc(MakeSystemTime(2024, 3, 10, 3)), "2024-03-10 07:00:00.000 (0)");
  EXPECT_EQ(ToUtc(MakeSystemTime(2024, 11, 3, 1, 30)), "2024-11-03 05:30:00.000 (0)");
  EXPECT_EQ(ToUtc(MakeSystemTime(2024, 11, 3, 0, 59)), "2024-11-03 04:59:00.000 (0)");
  EXPECT_EQ(ToUtc(MakeSystemTime(2024, 11, 3, 2)), "2024-11-03 07:00:00.000 (0)");
  EXPECT_EQ(ToUtc(MakeSystemTime(2006, 3, 20, 7)), "2006-03-20 12:00:00.000 (1)");
}

TEST(TzSpecificLocalTime, EdgesOfTheFileTimeRange) {
  TScopedTimeZone zone("America/New_York");
  // Local time before 1601 has no SYSTEMTIME.
  SYSTEMTIME first = MakeSystemTime(1601, 1, 1), out = MakeSystemTime(1, 2, 3);
  SetLastError(0);
  EXPECT_FALSE(SystemTimeToTzSpecificLocalTime(nullptr, &first, &out));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(SystemTimeText(out), SystemTimeText(MakeSystemTime(1, 2, 3)));
  EXPECT_EQ(ToUtc(first), "1601-01-01 04:56:02.000 (1)");  // local mean time of New York
  EXPECT_EQ(ToLocal(MakeSystemTime(30827, 12, 31, 23, 59, 59, 999)), "30827-12-31 18:59:59.999 (5)");
  EXPECT_EQ(ToUtc(MakeSystemTime(30827, 12, 31, 23, 59, 59, 999)), "30828-01-01 04:59:59.999 (6)");

  SYSTEMTIME badDay = MakeSystemTime(2023, 2, 29);
  SetLastError(0);
  EXPECT_FALSE(TzSpecificLocalTimeToSystemTime(nullptr, &badDay, &out));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
  EXPECT_FALSE(SystemTimeToTzSpecificLocalTime(nullptr, nullptr, &out));
  EXPECT_FALSE(TzSpecificLocalTimeToSystemTime(nullptr, &first, nullptr));
}
