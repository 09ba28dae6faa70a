#pragma once
// Proleptic Gregorian calendar on day numbers counted from 1970-01-01 (negative before it).
// The one implementation behind TDateTime, DATE, FILETIME and the historian's times; each
// of those only shifts the day number to its own epoch.

#include <cstdint>

constexpr bool IsCivilLeapYear(int64_t year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

// month 1..12.
constexpr unsigned CivilDaysInMonth(int64_t year, unsigned month) {
  constexpr unsigned kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsCivilLeapYear(year) ? 29 : kDays[month - 1];
}

// The year is counted in 400-year eras starting on 0000-03-01, so that the leap day ends
// the year and every month but February has a fixed place.
constexpr int64_t DaysFromCivil(int64_t year, unsigned month, unsigned day) {
  year -= month <= 2;
  const int64_t era = (year >= 0 ? year : year - 399) / 400;
  const auto yearOfEra = unsigned(year - era * 400);
  const unsigned dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + int64_t(dayOfEra) - 719468;  // 719468: 0000-03-01 .. 1970-01-01
}

struct TCivilDate {
  int64_t Year;
  unsigned Month, Day;
};

constexpr TCivilDate CivilFromDays(int64_t days) {
  days += 719468;
  const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const auto dayOfEra = unsigned(days - era * 146097);
  const unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const unsigned shiftedMonth = (5 * dayOfYear + 2) / 153;
  const unsigned month = shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9;
  return {int64_t(yearOfEra) + era * 400 + (month <= 2), month, dayOfYear - (153 * shiftedMonth + 2) / 5 + 1};
}

// Division rounding toward minus infinity (b > 0), so that a time count splits into whole
// days and the rest of a day the same way on both sides of an epoch.
constexpr int64_t FloorDiv(int64_t a, int64_t b) { return a / b - (a % b < 0); }

// 0 = Sunday; 1970-01-01 was a Thursday.
constexpr unsigned WeekdayFromDays(int64_t days) { return unsigned((days % 7 + 7 + 4) % 7); }

static_assert(DaysFromCivil(1970, 1, 1) == 0 && DaysFromCivil(2000, 3, 1) == 11017);
