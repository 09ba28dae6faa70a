#pragma once
// Calendar arithmetic on FILETIME ticks (100 ns since 1601-01-01 00:00 UTC), proleptic
// Gregorian, shared by the time functions of this folder.

#include <cstdint>

#include "platform/com/WinTypes.h"
#include "platform/rtl/CivilDate.h"

constexpr int64_t kTicksPerMillisecond = 10000;
constexpr int64_t kTicksPerSecond = 1000 * kTicksPerMillisecond;
constexpr int64_t kTicksPerMinute = 60 * kTicksPerSecond;
constexpr int64_t kTicksPerHour = 60 * kTicksPerMinute;
constexpr int64_t kTicksPerDay = 24 * kTicksPerHour;
// 1970-01-01 in ticks.
constexpr int64_t kUnixEpochTicks = 116444736000000000;

// Day numbers here count from 1601-01-01, the FILETIME epoch.
constexpr int64_t kFileTimeEpochDays = DaysFromCivil(1601, 1, 1);

constexpr int64_t CivilDays(int64_t year, unsigned month, unsigned day) {
  return DaysFromCivil(year, month, day) - kFileTimeEpochDays;
}
constexpr TCivilDate CivilDate(int64_t days) { return CivilFromDays(days + kFileTimeEpochDays); }
// 0 = Sunday.
constexpr unsigned CivilWeekday(int64_t days) { return WeekdayFromDays(days + kFileTimeEpochDays); }

constexpr int64_t YearStartTicks(int64_t year) { return CivilDays(year, 1, 1) * kTicksPerDay; }

constexpr int64_t DaysOfTicks(int64_t ticks) { return FloorDiv(ticks, kTicksPerDay); }

// 1601-01-01 was a Monday.
static_assert(CivilDays(1970, 1, 1) * kTicksPerDay == kUnixEpochTicks && CivilWeekday(0) == 1);

// The FILETIME checks of SystemTimeToFileTime / FileTimeToSystemTime on plain ticks.
bool SystemTimeToTicks(const SYSTEMTIME& time, int64_t& ticks);
bool TicksToSystemTime(int64_t ticks, SYSTEMTIME& time);

inline int64_t FileTimeTicks(const FILETIME& time) {
  return int64_t((uint64_t(time.dwHighDateTime) << 32) | time.dwLowDateTime);
}
inline FILETIME TicksFileTime(int64_t ticks) {
  return {DWORD(uint64_t(ticks)), DWORD(uint64_t(ticks) >> 32)};
}
