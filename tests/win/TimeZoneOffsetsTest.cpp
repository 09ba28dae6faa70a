// The cached offset table against the C library's own reading of the same TZ values.

#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <iterator>

#include "platform/PlatformExtensions.h"
#include "tests/win/TimeTestSupport.h"

namespace {

constexpr int64_t kUnixEpoch = 116444736000000000;
constexpr int64_t kTicksPerSecond = 10000000;

int64_t TicksOfSeconds(int64_t seconds) { return kUnixEpoch + seconds * kTicksPerSecond; }

// Seconds since 1970 of a UTC date.
int64_t SecondsOf(WORD year, WORD month, WORD day) {
  SYSTEMTIME time = MakeSystemTime(year, month, day);
  FILETIME fileTime;
  SystemTimeToFileTime(&time, &fileTime);
  return (FileTimeValue(fileTime) - kUnixEpoch) / kTicksPerSecond;
}

// Every stride-th second of [from, to) checked both ways; the odd stride visits every hour
// of the day and every weekday.
void ExpectAgreesWithCLibrary(const char* tz, int64_t from, int64_t to, int64_t stride) {
  TScopedTimeZone zone(tz);
  auto table = SystemTimeZoneOffsets();
  for (int64_t seconds = from; seconds < to; seconds += stride) {
    time_t clock = time_t(seconds);
    tm local{};
    ASSERT_TRUE(localtime_r(&clock, &local));
    int64_t utc = TicksOfSeconds(seconds);
    ASSERT_EQ(table->OffsetAt(utc), int64_t(local.tm_gmtoff) * kTicksPerSecond) << tz << " at " << seconds;
    // Back from local time: a reading of the same local time, the earliest one.
    int64_t localTicks = table->UtcToLocal(utc);
    int64_t back = table->LocalToUtc(localTicks);
    ASSERT_EQ(table->UtcToLocal(back), localTicks) << tz << " at " << seconds;
    ASSERT_LE(back, utc) << tz << " at " << seconds;
  }
}

}  // namespace

TEST(TimeZoneOffsets, AgreeWithTheCLibrary) {
  const int64_t kFrom = SecondsOf(1800, 1, 1), kTo = SecondsOf(2500, 1, 1);
  const int64_t kStride = 3 * 86400 + 7 * 3600 + 13 * 60 + 11;
  for (const char* tz : {"Europe/Berlin", "America/New_York", "Australia/Sydney", "Asia/Kolkata",
                         "America/Sao_Paulo", "Europe/Dublin", ":Europe/London", "", "Nowhere/Land"})
    ExpectAgreesWithCLibrary(tz, kFrom, kTo, kStride);
  // The C library applies a bare POSIX rule to no year before 1970; we apply it to every year.
  for (const char* tz : {"EST5EDT,M3.2.0,M11.1.0", "AEST-10AEDT,M10.1.0,M4.1.0/3", "<+0330>-3:30"})
    ExpectAgreesWithCLibrary(tz, 0, kTo, kStride);
  // Thousands of years on, where the table repeats its last 400 years.
  for (const char* tz : {"Europe/Berlin", "Australia/Sydney", "EST5EDT,M3.2.0,M11.1.0"})
    ExpectAgreesWithCLibrary(tz, SecondsOf(29000, 1, 1), SecondsOf(30827, 1, 1), 97 * kStride);
}

TEST(TimeZoneOffsets, FollowTzAndTheReset) {
  TScopedTimeZone berlin("Europe/Berlin");
  auto first = SystemTimeZoneOffsets();
  EXPECT_EQ(SystemTimeZoneOffsets(), first);  // unchanged TZ: the same table
  int64_t winter = TicksOfSeconds(SecondsOf(2024, 1, 15));
  EXPECT_EQ(first->OffsetAt(winter), 3600 * kTicksPerSecond);
  {
    TScopedTimeZone newYork("America/New_York");
    EXPECT_EQ(SystemTimeZoneOffsets()->OffsetAt(winter), -5 * 3600 * kTicksPerSecond);
  }
  EXPECT_EQ(SystemTimeZoneOffsets()->OffsetAt(winter), 3600 * kTicksPerSecond);
  ResetTimeZoneCache();
  auto rebuilt = SystemTimeZoneOffsets();
  EXPECT_NE(rebuilt, first);
  EXPECT_EQ(rebuilt->OffsetAt(winter), 3600 * kTicksPerSecond);
  // A table handed out stays valid after the zone changed.
  TScopedTimeZone tokyo("Asia/Tokyo");
  EXPECT_EQ(first->OffsetAt(winter), 3600 * kTicksPerSecond);
  EXPECT_EQ(first->Name(first->PeriodAt(winter)), "CET");
}

TEST(TimeZoneOffsets, DamagedZoneFilesNeverCrash) {
  std::ifstream source("/usr/share/zoneinfo/America/New_York", std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(source)), std::istreambuf_iterator<char>());
  ASSERT_GT(bytes.size(), 1000u);
  std::string path = "/tmp/zelk_zone_" + std::to_string(getpid());
  auto offsetsOf = [&](const std::string& content) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
    return TTimeZoneOffsets::ForTimeZone(path.c_str());
  };
  int64_t summer = TicksOfSeconds(SecondsOf(2024, 7, 1));
  EXPECT_EQ(offsetsOf(bytes)->OffsetAt(summer), -4 * 3600 * kTicksPerSecond);
  // Cut anywhere: a usable table, never a read past the end.
  for (size_t length = 0; length < bytes.size(); length += 7) offsetsOf(bytes.substr(0, length))->OffsetAt(summer);
  // Counts far beyond the file, type and name indexes out of range, offsets out of range.
  for (size_t at : {20, 24, 28, 32, 36, 40, 44 + 10, 44 + 100}) {
    std::string damaged = bytes;
    damaged[at] = char(0xFF);
    offsetsOf(damaged)->LocalToUtc(summer);
  }
  // An unreadable file falls back to UTC, as the C library does.
  EXPECT_EQ(offsetsOf("TZif2 not a zone")->OffsetAt(summer), 0);
  unlink(path.c_str());
}
