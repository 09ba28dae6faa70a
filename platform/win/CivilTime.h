#pragma once
// Calendar arithmetic on FILETIME ticks (100 ns since 1601-01-01 00:00 UTC), proleptic
// Gregorian, shared by the time functions of this folder.

#include <cstdint>

#include "platform/com/WinTypes.h"

constexpr int64_t kTicksPerMillisecond = 10000;
constexpr int64_t kTicksPerSecond = 1000 * kTicksPerMillisecond;
constexpr int64_t kTicksPerMinute = 60 * kTicksPerSecond;
constexpr int64_t kTicksPerHour = 60 * kTicksPerMinute;
constexpr int64_t kTicksPerDay = 24 * kTicksPerHour;
// 1970-01-01 in ticks.
constexpr int64_t kUnixEpochTicks = 116444736000000000;

constexpr bool IsCivilLeapYear(int64_t year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

constexpr unsigned CivilDaysInMonth(int64_t year, unsigned month) {
  constexpr unsigned kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsCivilLeapYear(year) ? 29 : kDays[month - 1];
}

// Days since 1601-01-01 of a date (month 1..12, day 1..31).
constexpr int64_t CivilDays(int64_t year, unsigned month, unsigned day) {
  year -= month <= 2;
  int64_t era = (year >= 0 ? year : year - 399) / 400;
  auto yearOfEra = unsigned(year - era * 400);
  unsigned dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + int64_t(dayOfEra) - 584694;  // 584694: 0000-03-01 .. 1601-01-01
}

struct TCivilDate {
  int64_t Year;
  unsigned Month, Day;
};

constexpr TCivilDate CivilDate(int64_t days) {
  days += 584694;
  int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  auto dayOfEra = unsigned(days - era * 146097);
  unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  unsigned shiftedMonth = (5 * dayOfYear + 2) / 153;
  unsigned month = shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9;
  return {int64_t(yearOfEra) + era * 400 + (month <= 2), month, dayOfYear - (153 * shiftedMonth + 2) / 5 + 1};
}

// 0 = Sunday; 1601-01-01 was a Monday.
constexpr unsigned CivilWeekday(int64_t days) { return unsigned(((days + 1) % 7 + 7) % 7); }

constexpr int64_t YearStartTicks(int64_t year) { return CivilDays(year, 1, 1) * kTicksPerDay; }

// Floor division of ticks into days.
constexpr int64_t DaysOfTicks(int64_t ticks) {
  return ticks >= 0 ? ticks / kTicksPerDay : -((-(ticks + 1)) / kTicksPerDay) - 1;
}

static_assert(CivilDays(1601, 1, 1) == 0 && CivilDays(1970, 1, 1) * kTicksPerDay == kUnixEpochTicks);

// The FILETIME checks of SystemTimeToFileTime / FileTimeToSystemTime on plain ticks.
bool SystemTimeToTicks(const SYSTEMTIME& time, int64_t& ticks);
bool TicksToSystemTime(int64_t ticks, SYSTEMTIME& time);

inline int64_t FileTimeTicks(const FILETIME& time) {
  return int64_t((uint64_t(time.dwHighDateTime) << 32) | time.dwLowDateTime);
}
inline FILETIME TicksFileTime(int64_t ticks) {
  return {DWORD(uint64_t(ticks)), DWORD(uint64_t(ticks) >> 32)};
}
