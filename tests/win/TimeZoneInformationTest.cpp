// A TIME_ZONE_INFORMATION's yearly rule, and the system zone described as one.

#include <gtest/gtest.h>

#include <cstring>

#include "tests/win/TimeTestSupport.h"

namespace {

SYSTEMTIME YearlyDate(WORD month, WORD dayOfWeek, WORD week, WORD hour) {
  SYSTEMTIME date{};
  date.wMonth = month, date.wDayOfWeek = dayOfWeek, date.wDay = week, date.wHour = hour;
  return date;
}

TIME_ZONE_INFORMATION Zone(LONG bias, SYSTEMTIME standardDate, SYSTEMTIME daylightDate) {
  TIME_ZONE_INFORMATION zone{};
  zone.Bias = bias;
  zone.StandardDate = standardDate;
  zone.DaylightDate = daylightDate;
  zone.DaylightBias = daylightDate.wMonth ? -60 : 0;
  return zone;
}

// US Eastern and AUS Eastern as Windows describes them.
const TIME_ZONE_INFORMATION kEastern = Zone(300, YearlyDate(11, 0, 1, 2), YearlyDate(3, 0, 2, 2));
const TIME_ZONE_INFORMATION kSydney = Zone(-600, YearlyDate(4, 0, 1, 3), YearlyDate(10, 0, 1, 2));

std::string ToLocal(const TIME_ZONE_INFORMATION& zone, SYSTEMTIME utc) {
  SYSTEMTIME local;
  if (!SystemTimeToTzSpecificLocalTime(&zone, &utc, &local)) return "failed";
  return SystemTimeText(local);
}

std::string ToUtc(const TIME_ZONE_INFORMATION& zone, SYSTEMTIME local) {
  SYSTEMTIME utc;
  if (!TzSpecificLocalTimeToSystemTime(&zone, &local, &utc)) return "failed";
  return SystemTimeText(utc);
}

std::u16string Text(const WCHAR* text) { return std::u16string(text); }

}  // namespace

TEST(TzSpecificLocalTime, WindowsRuleNorthernHemisphere) {
  EXPECT_EQ(ToLocal(kEastern, MakeSystemTime(2024, 1, 15, 12)), "2024-01-15 07:00:00.000 (1)");
  EXPECT_EQ(ToLocal(kEastern, MakeSystemTime(2024, 3, 10, 6, 59)), "2024-03-10 01:59:00.000 (0)");
  EXPECT_EQ(ToLocal(kEastern, MakeSystemTime(2024, 3, 10, 7)), "2024-03-10 03:00:00.000 (0)");
  EXPECT_EQ(ToLocal(kEastern, MakeSystemTime(2024, 11, 3, 5, 30)), "2024-11-03 01:30:00.000 (0)");
  EXPECT_EQ(ToLocal(kEastern, MakeSystemTime(2024, 11, 3, 6, 30)), "2024-11-03 01:30:00.000 (0)");
  // The rule is the rule of every year, 2006 included.
  EXPECT_EQ(ToLocal(kEastern, MakeSystemTime(2006, 3, 20, 12)), "2006-03-20 08:00:00.000 (1)");

  EXPECT_EQ(ToUtc(kEastern, MakeSystemTime(2024, 3, 10, 2, 30)), "2024-03-10 06:30:00.000 (0)");
  EXPECT_EQ(ToUtc(kEastern, MakeSystemTime(2024, 11, 3, 1, 30)), "2024-11-03 05:30:00.000 (0)");
  EXPECT_EQ(ToUtc(kEastern, MakeSystemTime(2024, 11, 3, 2)), "2024-11-03 07:00:00.000 (0)");
}

TEST(TzSpecificLocalTime, WindowsRuleSouthernHemisphereAndNewYear) {
  EXPECT_EQ(ToLocal(kSydney, MakeSystemTime(2024, 1, 15)), "2024-01-15 11:00:00.000 (1)");
  EXPECT_EQ(ToLocal(kSydney, MakeSystemTime(2024, 7, 15)), "2024-07-15 10:00:00.000 (1)");
  EXPECT_EQ(ToLocal(kSydney, MakeSystemTime(2024, 12, 31, 13, 30)), "2025-01-01 00:30:00.000 (3)");
  // Back on 2024-04-07 at 03:00, forward on 2024-10-06 at 02:00.
  EXPECT_EQ(ToUtc(kSydney, MakeSystemTime(2024, 4, 7, 2, 30)), "2024-04-06 15:30:00.000 (6)");
  EXPECT_EQ(ToUtc(kSydney, MakeSystemTime(2024, 4, 7, 3)), "2024-04-06 17:00:00.000 (6)");
  EXPECT_EQ(ToUtc(kSydney, MakeSystemTime(2024, 10, 6, 2, 30)), "2024-10-05 15:30:00.000 (6)");
  EXPECT_EQ(ToUtc(kSydney, MakeSystemTime(2025, 1, 1, 0, 30)), "2024-12-31 13:30:00.000 (2)");
}

TEST(TzSpecificLocalTime, WindowsRuleWithoutDaylightTimeAndInvalidRules) {
  TIME_ZONE_INFORMATION india = Zone(-330, SYSTEMTIME{}, SYSTEMTIME{});
  EXPECT_EQ(ToLocal(india, MakeSystemTime(2024, 7, 15, 12)), "2024-07-15 17:30:00.000 (1)");
  EXPECT_EQ(ToUtc(india, MakeSystemTime(2024, 7, 15, 17, 30)), "2024-07-15 12:00:00.000 (1)");

  SYSTEMTIME noon = MakeSystemTime(2024, 7, 15, 12), out = MakeSystemTime(1, 2, 3);
  auto refused = [&](const TIME_ZONE_INFORMATION& zone) {
    SetLastError(0);
    bool failed = !SystemTimeToTzSpecificLocalTime(&zone, &noon, &out) && GetLastError() == ERROR_INVALID_PARAMETER &&
                  !TzSpecificLocalTimeToSystemTime(&zone, &noon, &out) && GetLastError() == ERROR_INVALID_PARAMETER;
    return failed && SystemTimeText(out) == SystemTimeText(MakeSystemTime(1, 2, 3));
  };
  TIME_ZONE_INFORMATION zone = kEastern;
  zone.DaylightDate.wDay = 6;
  EXPECT_TRUE(refused(zone));
  zone = kEastern;
  zone.StandardDate.wMonth = 0;  // daylight time needs both dates
  EXPECT_TRUE(refused(zone));
  zone = kEastern;
  zone.StandardDate.wDayOfWeek = 7;
  EXPECT_TRUE(refused(zone));
  zone = kEastern;
  zone.DaylightDate.wHour = 24;
  EXPECT_TRUE(refused(zone));
}

TEST(GetTimeZoneInformation, DescribesTheSystemZone) {
  struct TCase {
    const char* Tz;
    LONG Bias;
    const char16_t *StandardName, *DaylightName;
    SYSTEMTIME StandardDate, DaylightDate;
  };
  const TCase cases[] = {
      {"Europe/Berlin", -60, u"CET", u"CEST", YearlyDate(10, 0, 5, 3), YearlyDate(3, 0, 5, 2)},
      {"America/New_York", 300, u"EST", u"EDT", YearlyDate(11, 0, 1, 2), YearlyDate(3, 0, 2, 2)},
      {"Australia/Sydney", -600, u"AEST", u"AEDT", YearlyDate(4, 0, 1, 3), YearlyDate(10, 0, 1, 2)},
  };
  for (const TCase& c : cases) {
    TScopedTimeZone zone(c.Tz);
    TIME_ZONE_INFORMATION info;
    std::memset(&info, 0xAB, sizeof info);
    DWORD id = GetTimeZoneInformation(&info);
    time_t now = time(nullptr);
    tm local{};
    localtime_r(&now, &local);
    EXPECT_EQ(id, DWORD(local.tm_isdst ? TIME_ZONE_ID_DAYLIGHT : TIME_ZONE_ID_STANDARD)) << c.Tz;
    EXPECT_EQ(info.Bias, c.Bias) << c.Tz;
    EXPECT_EQ(info.StandardBias, 0);
    EXPECT_EQ(info.DaylightBias, -60);
    EXPECT_EQ(Text(info.StandardName), c.StandardName);
    EXPECT_EQ(Text(info.DaylightName), c.DaylightName);
    EXPECT_EQ(SystemTimeText(info.StandardDate), SystemTimeText(c.StandardDate)) << c.Tz;
    EXPECT_EQ(SystemTimeText(info.DaylightDate), SystemTimeText(c.DaylightDate)) << c.Tz;

    // The description converts as the zone does, this year at least.
    SYSTEMTIME summer = MakeSystemTime(WORD(local.tm_year + 1900), 7, 1, 12), byRule, byDatabase;
    ASSERT_TRUE(SystemTimeToTzSpecificLocalTime(&info, &summer, &byRule));
    ASSERT_TRUE(SystemTimeToTzSpecificLocalTime(nullptr, &summer, &byDatabase));
    EXPECT_EQ(SystemTimeText(byRule), SystemTimeText(byDatabase)) << c.Tz;
  }

  TScopedTimeZone utc("UTC");
  TIME_ZONE_INFORMATION info;
  EXPECT_EQ(GetTimeZoneInformation(&info), DWORD(TIME_ZONE_ID_UNKNOWN));
  EXPECT_EQ(info.Bias, 0);
  EXPECT_EQ(info.DaylightDate.wMonth, 0);
  EXPECT_EQ(Text(info.StandardName), u"UTC");
  TScopedTimeZone kolkata("Asia/Kolkata");
  EXPECT_EQ(GetTimeZoneInformation(&info), DWORD(TIME_ZONE_ID_UNKNOWN));
  EXPECT_EQ(info.Bias, -330);
  SetLastError(0);
  EXPECT_EQ(GetTimeZoneInformation(nullptr), TIME_ZONE_ID_INVALID);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
}
