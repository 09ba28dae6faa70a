#include <cmath>
#include <cstdint>

#include "platform/com/OleAuto.h"
#include "platform/rtl/CivilDate.h"

namespace {

// The DATE range: 0100-01-01 to 9999-12-31.
constexpr double kFirstDay = -657434;
constexpr double kLastDay = 2958465;
constexpr int64_t kSecondsPerDay = 86400;

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
  int64_t sinceEpoch = days + kDateEpoch;
  TCivilDate date = CivilFromDays(sinceEpoch);
  if (date.Year > 9999) return FALSE;
  lpSystemTime->wYear = WORD(date.Year);
  lpSystemTime->wMonth = WORD(date.Month);
  lpSystemTime->wDay = WORD(date.Day);
  lpSystemTime->wDayOfWeek = WORD(WeekdayFromDays(sinceEpoch));
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
