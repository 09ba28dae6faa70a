#include <gtest/gtest.h>

#include <cstring>
#include <ctime>

#include "tests/win/TimeTestSupport.h"

namespace {

constexpr int64_t kUnixEpoch = 116444736000000000;
constexpr int64_t kTicksPerSecond = 10000000;

// What a failed call must leave alone.
SYSTEMTIME Untouched() {
  SYSTEMTIME time;
  std::memset(&time, 0xAB, sizeof time);
  return time;
}

}  // namespace

TEST(FileTimeToSystemTime, FirstAndLastFileTimeAndTheWeekday) {
  SYSTEMTIME time;
  FILETIME first = MakeFileTime(0);
  ASSERT_TRUE(FileTimeToSystemTime(&first, &time));
  EXPECT_EQ(SystemTimeText(time), "1601-01-01 00:00:00.000 (1)");  // a Monday

  FILETIME last = MakeFileTime(0x7FFFFFFFFFFFFFFF);
  ASSERT_TRUE(FileTimeToSystemTime(&last, &time));
  EXPECT_EQ(SystemTimeText(time), "30828-09-14 02:48:05.477 (4)");

  FILETIME unixEpoch = MakeFileTime(kUnixEpoch + 1234567);
  ASSERT_TRUE(FileTimeToSystemTime(&unixEpoch, &time));
  EXPECT_EQ(SystemTimeText(time), "1970-01-01 00:00:00.123 (4)");  // sub-millisecond ticks cut off

  // Above 0x7FFFFFFFFFFFFFFF: refused, the output left as it was.
  FILETIME beyond = MakeFileTime(0x8000000000000000);
  SYSTEMTIME out = Untouched();
  SetLastError(0);
  EXPECT_FALSE(FileTimeToSystemTime(&beyond, &out));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
  SYSTEMTIME pattern = Untouched();
  EXPECT_EQ(std::memcmp(&out, &pattern, sizeof out), 0);
  EXPECT_FALSE(FileTimeToSystemTime(nullptr, &out));
  EXPECT_FALSE(FileTimeToSystemTime(&first, nullptr));
}

TEST(FileTimeToSystemTime, AgreesWithTheCLibraryCalendar) {
  // Strides that land on every field value over the whole range, checked against gmtime_r.
  for (uint64_t value = 0; value <= 0x7FFFFFFFFFFFFFFF; value += 0x123456789ABULL * 70) {
    auto ticks = int64_t(value);
    FILETIME fileTime = MakeFileTime(value);
    SYSTEMTIME time;
    ASSERT_TRUE(FileTimeToSystemTime(&fileTime, &time));
    time_t seconds = time_t((ticks - kUnixEpoch) / kTicksPerSecond - ((ticks - kUnixEpoch) % kTicksPerSecond < 0));
    tm expected{};
    ASSERT_TRUE(gmtime_r(&seconds, &expected));
    ASSERT_EQ(time.wYear, expected.tm_year + 1900) << ticks;
    ASSERT_EQ(time.wMonth, expected.tm_mon + 1) << ticks;
    ASSERT_EQ(time.wDay, expected.tm_mday) << ticks;
    ASSERT_EQ(time.wDayOfWeek, expected.tm_wday) << ticks;
    ASSERT_EQ(time.wHour * 3600 + time.wMinute * 60 + time.wSecond,
              expected.tm_hour * 3600 + expected.tm_min * 60 + expected.tm_sec)
        << ticks;
    FILETIME back;
    if (time.wYear <= 30827) {
      ASSERT_TRUE(SystemTimeToFileTime(&time, &back));
      ASSERT_EQ(FileTimeValue(back), ticks / 10000 * 10000);
    }
  }
}

TEST(SystemTimeToFileTime, ValidatesEveryFieldAndIgnoresTheWeekday) {
  FILETIME out = MakeFileTime(0x0123456789ABCDEF);
  auto refused = [&](SYSTEMTIME time) {
    SetLastError(0);
    bool failed = !SystemTimeToFileTime(&time, &out) && GetLastError() == ERROR_INVALID_PARAMETER;
    return failed && FileTimeValue(out) == 0x0123456789ABCDEF;
  };
  EXPECT_TRUE(refused(MakeSystemTime(1600, 12, 31, 23, 59, 59, 999)));
  EXPECT_TRUE(refused(MakeSystemTime(30828, 1, 1)));
  EXPECT_TRUE(refused(MakeSystemTime(2024, 0, 1)));
  EXPECT_TRUE(refused(MakeSystemTime(2024, 13, 1)));
  EXPECT_TRUE(refused(MakeSystemTime(2024, 1, 0)));
  EXPECT_TRUE(refused(MakeSystemTime(2024, 1, 32)));
  EXPECT_TRUE(refused(MakeSystemTime(2024, 4, 31)));
  EXPECT_TRUE(refused(MakeSystemTime(2024, 1, 1, 24)));
  EXPECT_TRUE(refused(MakeSystemTime(2024, 1, 1, 0, 60)));
  EXPECT_TRUE(refused(MakeSystemTime(2024, 1, 1, 0, 0, 60)));
  EXPECT_TRUE(refused(MakeSystemTime(2024, 1, 1, 0, 0, 0, 1000)));
  // February 29 only in leap years: every fourth, not centuries, but every fourth century.
  EXPECT_TRUE(refused(MakeSystemTime(1900, 2, 29)));
  EXPECT_TRUE(refused(MakeSystemTime(2023, 2, 29)));
  EXPECT_TRUE(refused(MakeSystemTime(2100, 2, 29)));
  EXPECT_TRUE(refused(MakeSystemTime(2024, 2, 30)));
  SYSTEMTIME time = MakeSystemTime(2024, 1, 1);
  EXPECT_FALSE(SystemTimeToFileTime(nullptr, &out));
  EXPECT_FALSE(SystemTimeToFileTime(&time, nullptr));

  for (WORD year : {1604, 2000, 2024, 30824}) {
    SYSTEMTIME leapDay = MakeSystemTime(year, 2, 29, 12);
    SYSTEMTIME back;
    ASSERT_TRUE(SystemTimeToFileTime(&leapDay, &out)) << year;
    ASSERT_TRUE(FileTimeToSystemTime(&out, &back));
    EXPECT_EQ(back.wMonth * 100 + back.wDay, 229) << year;
  }

  SYSTEMTIME first = MakeSystemTime(1601, 1, 1);
  first.wDayOfWeek = 9;
  ASSERT_TRUE(SystemTimeToFileTime(&first, &out));
  EXPECT_EQ(FileTimeValue(out), 0);
  SYSTEMTIME last = MakeSystemTime(30827, 12, 31, 23, 59, 59, 999);
  ASSERT_TRUE(SystemTimeToFileTime(&last, &out));
  EXPECT_EQ(FileTimeValue(out), 0x7FFF35F4F06C58F0);
  SYSTEMTIME lastBack;
  ASSERT_TRUE(FileTimeToSystemTime(&out, &lastBack));
  EXPECT_EQ(SystemTimeText(lastBack), "30827-12-31 23:59:59.999 (5)");
}

TEST(SystemClock, MatchesTheCLibraryClock) {
  FILETIME now;
  time_t before = time(nullptr);
  GetSystemTimeAsFileTime(&now);
  time_t after = time(nullptr);
  int64_t seconds = (FileTimeValue(now) - kUnixEpoch) / kTicksPerSecond;
  EXPECT_GE(seconds, before);
  EXPECT_LE(seconds, after);

  TScopedTimeZone zone("America/New_York");
  SYSTEMTIME utc, local;
  tm expectedUtc{}, expectedLocal{};
  // Read again should a second turn between the readings.
  for (time_t clock = 0; clock != time(nullptr);) {
    clock = time(nullptr);
    GetSystemTime(&utc);
    GetLocalTime(&local);
    gmtime_r(&clock, &expectedUtc);
    localtime_r(&clock, &expectedLocal);
  }
  EXPECT_EQ(utc.wHour * 3600 + utc.wMinute * 60 + utc.wSecond,
            expectedUtc.tm_hour * 3600 + expectedUtc.tm_min * 60 + expectedUtc.tm_sec);
  EXPECT_EQ(local.wHour * 3600 + local.wMinute * 60 + local.wSecond,
            expectedLocal.tm_hour * 3600 + expectedLocal.tm_min * 60 + expectedLocal.tm_sec);
  EXPECT_EQ(local.wDay, expectedLocal.tm_mday);
}

TEST(FileTimeToLocalFileTime, TodaysBiasShiftsEveryDate) {
  for (const char* tz : {"Europe/Berlin", "America/New_York"}) {
    TScopedTimeZone zone(tz);
    time_t now = time(nullptr);
    tm today{};
    localtime_r(&now, &today);
    int64_t bias = int64_t(today.tm_gmtoff) * kTicksPerSecond;

    // Winter and summer alike move by today's bias, whatever their own rules say.
    for (WORD month : {1, 7}) {
      SYSTEMTIME noon = MakeSystemTime(2024, month, 15, 12);
      FILETIME utc, local, back;
      ASSERT_TRUE(SystemTimeToFileTime(&noon, &utc));
      ASSERT_TRUE(FileTimeToLocalFileTime(&utc, &local)) << tz;
      EXPECT_EQ(FileTimeValue(local) - FileTimeValue(utc), bias) << tz << " month " << month;
      ASSERT_TRUE(LocalFileTimeToFileTime(&local, &back));
      EXPECT_EQ(FileTimeValue(back), FileTimeValue(utc));
    }

    // A shift below FILETIME 0 is refused, the output untouched.
    FILETIME zero = MakeFileTime(0), out = MakeFileTime(42);
    SetLastError(0);
    EXPECT_FALSE(bias > 0 ? LocalFileTimeToFileTime(&zero, &out) : FileTimeToLocalFileTime(&zero, &out)) << tz;
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(FileTimeValue(out), 42);
  }
}
