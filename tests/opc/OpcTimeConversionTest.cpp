// UTC FILETIME <-> local date-time by the rules of each date, in two zones with daylight
// saving time.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <optional>
#include <string>

#include "opc/_opcactivex.h"

namespace {

FILETIME UtcFileTime(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second = 0, WORD msec = 0) {
  const SYSTEMTIME time = {year, month, 0, day, hour, minute, second, msec};
  FILETIME result = {};
  EXPECT_TRUE(SystemTimeToFileTime(&time, &result));
  return result;
}

bool SameFileTime(const FILETIME& a, const FILETIME& b) {
  return a.dwLowDateTime == b.dwLowDateTime && a.dwHighDateTime == b.dwHighDateTime;
}

// Runs each test in a named zone and puts the process's TZ back afterwards.
class LocalTimeConversion : public testing::Test {
protected:
  void TearDown() override {
    if (FSavedTz)
      setenv("TZ", FSavedTz->c_str(), 1);
    else
      unsetenv("TZ");
    tzset();
  }
  void UseZone(const char* zone) {
    setenv("TZ", zone, 1);
    tzset();
  }

private:
  std::optional<std::string> FSavedTz =
      std::getenv("TZ") ? std::optional<std::string>(std::getenv("TZ")) : std::nullopt;
};

}  // namespace

TEST_F(LocalTimeConversion, ZeroHalvesAndOutOfRangeFileTimesReadAsZero) {
  UseZone("Europe/Berlin");
  EXPECT_EQ(FileTimeToLocalDateTime(FILETIME{0, 0}), 0);
  EXPECT_EQ(FileTimeToLocalDateTime(FILETIME{0x12345678, 0}), 0);
  EXPECT_EQ(FileTimeToLocalDateTime(FILETIME{0, 0x01D00000}), 0);
  // Beyond what a FILETIME may hold, and beyond the year 9999 of a date-time.
  EXPECT_EQ(FileTimeToLocalDateTime(FILETIME{1, 0x80000000}), 0);
  EXPECT_EQ(FileTimeToLocalDateTime(UtcFileTime(30000, 1, 1, 0, 0)), 0);
}

TEST_F(LocalTimeConversion, BerlinWinterAndSummerUseTheirOwnOffsets) {
  UseZone("Europe/Berlin");
  EXPECT_EQ(FileTimeToLocalDateTime(UtcFileTime(2024, 1, 15, 12, 0)), EncodeDateTime(2024, 1, 15, 13, 0, 0, 0));
  EXPECT_EQ(FileTimeToLocalDateTime(UtcFileTime(2024, 7, 15, 12, 0)), EncodeDateTime(2024, 7, 15, 14, 0, 0, 0));
  EXPECT_TRUE(
      SameFileTime(LocalDateTimeToFileTime(EncodeDateTime(2024, 1, 15, 13, 0, 0, 0)), UtcFileTime(2024, 1, 15, 12, 0)));
  EXPECT_TRUE(
      SameFileTime(LocalDateTimeToFileTime(EncodeDateTime(2024, 7, 15, 14, 0, 0, 0)), UtcFileTime(2024, 7, 15, 12, 0)));

  // Milliseconds survive; ticks below a millisecond are cut off.
  FILETIME precise = UtcFileTime(2024, 7, 15, 12, 0, 5, 123);
  precise.dwLowDateTime += 9999;
  EXPECT_EQ(FileTimeToLocalDateTime(precise), EncodeDateTime(2024, 7, 15, 14, 0, 5, 123));
  EXPECT_TRUE(SameFileTime(LocalDateTimeToFileTime(EncodeDateTime(2024, 7, 15, 14, 0, 5, 123)),
                           UtcFileTime(2024, 7, 15, 12, 0, 5, 123)));
}

TEST_F(LocalTimeConversion, BerlinRepeatedAndSkippedHour) {
  UseZone("Europe/Berlin");
  // 2024-10-27: 03:00 summer time becomes 02:00 again. Both UTC instants read 02:30.
  EXPECT_EQ(FileTimeToLocalDateTime(UtcFileTime(2024, 10, 27, 0, 30)), EncodeDateTime(2024, 10, 27, 2, 30, 0, 0));
  EXPECT_EQ(FileTimeToLocalDateTime(UtcFileTime(2024, 10, 27, 1, 30)), EncodeDateTime(2024, 10, 27, 2, 30, 0, 0));
  // The repeated local time is its first (summer time) occurrence.
  EXPECT_TRUE(SameFileTime(LocalDateTimeToFileTime(EncodeDateTime(2024, 10, 27, 2, 30, 0, 0)),
                           UtcFileTime(2024, 10, 27, 0, 30)));
  // 2024-03-31: 02:00 winter time becomes 03:00; 02:30 does not exist and is read on the
  // summer clock.
  EXPECT_TRUE(
      SameFileTime(LocalDateTimeToFileTime(EncodeDateTime(2024, 3, 31, 2, 30, 0, 0)), UtcFileTime(2024, 3, 31, 0, 30)));
  EXPECT_EQ(FileTimeToLocalDateTime(UtcFileTime(2024, 3, 31, 0, 59, 59, 999)),
            EncodeDateTime(2024, 3, 31, 1, 59, 59, 999));
  EXPECT_EQ(FileTimeToLocalDateTime(UtcFileTime(2024, 3, 31, 1, 0)), EncodeDateTime(2024, 3, 31, 3, 0, 0, 0));
}

TEST_F(LocalTimeConversion, NewYorkHistoryUsesTheRulesOfItsYear) {
  UseZone("America/New_York");
  EXPECT_EQ(FileTimeToLocalDateTime(UtcFileTime(2024, 7, 4, 16, 0)), EncodeDateTime(2024, 7, 4, 12, 0, 0, 0));
  // Daylight saving time began on 1990-04-01 then (2007 moved it into March): 20 March 1990 is
  // standard time, 20 March 2024 daylight time.
  EXPECT_EQ(FileTimeToLocalDateTime(UtcFileTime(1990, 3, 20, 12, 0)), EncodeDateTime(1990, 3, 20, 7, 0, 0, 0));
  EXPECT_EQ(FileTimeToLocalDateTime(UtcFileTime(2024, 3, 20, 12, 0)), EncodeDateTime(2024, 3, 20, 8, 0, 0, 0));
  EXPECT_TRUE(
      SameFileTime(LocalDateTimeToFileTime(EncodeDateTime(1990, 3, 20, 7, 0, 0, 0)), UtcFileTime(1990, 3, 20, 12, 0)));
  // Before 1899-12-30 the day counts down and the time of day is the fraction's size.
  EXPECT_EQ(FileTimeToLocalDateTime(UtcFileTime(1899, 12, 29, 12, 0)), -1.0 - 7.0 / 24);
}

TEST_F(LocalTimeConversion, DateTimesWithoutAFileTimeGiveZero) {
  UseZone("Europe/Berlin");
  EXPECT_TRUE(SameFileTime(LocalDateTimeToFileTime(std::nan("")), FILETIME{0, 0}));
  EXPECT_TRUE(SameFileTime(LocalDateTimeToFileTime(INFINITY), FILETIME{0, 0}));
  EXPECT_TRUE(SameFileTime(LocalDateTimeToFileTime(1e9), FILETIME{0, 0}));
  // Before 1601 there is no FILETIME; the first local minutes of 1601 lie before it in UTC.
  EXPECT_TRUE(SameFileTime(LocalDateTimeToFileTime(EncodeDate(1500, 6, 1)), FILETIME{0, 0}));
  EXPECT_TRUE(SameFileTime(LocalDateTimeToFileTime(EncodeDate(1601, 1, 1)), FILETIME{0, 0}));
  // The date-time 0 is a real date, 1899-12-30 00:00.
  EXPECT_TRUE(SameFileTime(LocalDateTimeToFileTime(0), UtcFileTime(1899, 12, 29, 23, 0)));
}
