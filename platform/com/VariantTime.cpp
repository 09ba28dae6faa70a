#include <cmath>
#include <cstdint>

#include "platform/com/OleAuto.h"

namespace {

// The DATE range: 0100-01-01 to 9999-12-31.
constexpr double kFirstDay = -657434;
constexpr double kLastDay = 2958465;
constexpr int64_t kSecondsPerDay = 86400;

// Days since 1970-01-01 of a proleptic Gregorian date (month 1..12, day 1..31).
constexpr int64_t DaysFromCivil(int64_t year, unsigned month, unsigned day) {
  year -= month <= 2;
  int64_t era = (year >= 0 ? year : year - 399) / 400;
  auto yearOfEra = unsigned(year - era * 400);
  unsigned dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + int64_t(dayOfEra) - 719468;
}

void CivilFromDays(int64_t days, int64_t& year, unsigned& month, unsigned& day) {
  days += 719468;
  int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  auto dayOfEra = unsigned(days - era * 146097);
  unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  unsigned shiftedMonth = (5 * dayOfYear + 2) / 153;
  day = dayOfYear - (153 * shiftedMonth + 2) / 5 + 1;
  month = shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9;
  year = int64_t(yearOfEra) + era * 400 + (month <= 2);
}

constexpr int64_t kDateEpoch = DaysFromCivil(1899, 12, 30);

}  // namespace

INT VariantTimeToSystemTime(DOUBLE vtime, LPSYSTEMTIME lpSystemTime) {
  if (!lpSystemTime || !(vtime > kFirstDay - 1 && vtime < kLastDay + 1)) return FALSE;
  double wholeDays = std::trunc(vtime);
  auto days = int64_t(wholeDays);
  // The fraction is the time of day on either side of day 0.
  auto seconds = int64_t(std::llround(std::fabs(vtime - wholeDays) * kSecondsPerDay));
  if (seconds >= kSecondsPerDay) {
    seconds -= kSecondsPerDay;
    ++days;
  }
  int64_t year;
  unsigned month, day;
  int64_t sinceEpoch = days + kDateEpoch;
  CivilFromDays(sinceEpoch, year, month, day);
  if (year > 9999) return FALSE;
  lpSystemTime->wYear = WORD(year);
  lpSystemTime->wMonth = WORD(month);
  lpSystemTime->wDay = WORD(day);
  lpSystemTime->wDayOfWeek = WORD(((sinceEpoch % 7) + 7 + 4) % 7);  // 1970-01-01 was a Thursday
  lpSystemTime->wHour = WORD(seconds / 3600);
  lpSystemTime->wMinute = WORD(seconds / 60 % 60);
  lpSystemTime->wSecond = WORD(seconds % 60);
  lpSystemTime->wMilliseconds = 0;
  return TRUE;
}

INT SystemTimeToVariantTime(LPSYSTEMTIME lpSystemTime, DOUBLE* pvtime) {
  if (!lpSystemTime || !pvtime) return FALSE;
  const SYSTEMTIME& st = *lpSystemTime;
  if (st.wYear < 100 || st.wYear > 9999 || st.wMonth < 1 || st.wMonth > 12 || st.wDay > 31 || st.wHour > 23 ||
      st.wMinute > 59 || st.wSecond > 59)
    return FALSE;
  // Days past the end of the month run on into the next; day 0 is the last of the previous.
  int64_t days = DaysFromCivil(st.wYear, st.wMonth, 1) + st.wDay - 1 - kDateEpoch;
  if (days < kFirstDay || days > kLastDay) return FALSE;
  double time = double(st.wHour * 3600 + st.wMinute * 60 + st.wSecond) / kSecondsPerDay;
  *pvtime = days >= 0 ? double(days) + time : double(days) - time;
  return TRUE;
}
