#include <ctime>

#include "platform/win/CivilTime.h"
#include "platform/win/TimeZoneApi.h"
#include "platform/win/WinBase.h"

bool SystemTimeToTicks(const SYSTEMTIME& time, int64_t& ticks) {
  if (time.wYear < 1601 || time.wYear > 30827 || time.wMonth < 1 || time.wMonth > 12 || time.wDay < 1 ||
      time.wDay > CivilDaysInMonth(time.wYear, time.wMonth) || time.wHour > 23 || time.wMinute > 59 ||
      time.wSecond > 59 || time.wMilliseconds > 999)
    return false;
  ticks = CivilDays(time.wYear, time.wMonth, time.wDay) * kTicksPerDay + time.wHour * kTicksPerHour +
          time.wMinute * kTicksPerMinute + time.wSecond * kTicksPerSecond +
          time.wMilliseconds * kTicksPerMillisecond;
  return true;
}

bool TicksToSystemTime(int64_t ticks, SYSTEMTIME& time) {
  if (ticks < 0) return false;
  int64_t days = ticks / kTicksPerDay;
  int64_t timeOfDay = ticks % kTicksPerDay;
  TCivilDate date = CivilDate(days);
  time.wYear = WORD(date.Year);
  time.wMonth = WORD(date.Month);
  time.wDay = WORD(date.Day);
  time.wDayOfWeek = WORD(CivilWeekday(days));
  time.wHour = WORD(timeOfDay / kTicksPerHour);
  time.wMinute = WORD(timeOfDay / kTicksPerMinute % 60);
  time.wSecond = WORD(timeOfDay / kTicksPerSecond % 60);
  time.wMilliseconds = WORD(timeOfDay / kTicksPerMillisecond % 1000);
  return true;
}

BOOL FileTimeToSystemTime(const FILETIME* lpFileTime, LPSYSTEMTIME lpSystemTime) {
  // Windows faults on null pointers; failing is the safer reading.
  if (!lpFileTime || !lpSystemTime || !TicksToSystemTime(FileTimeTicks(*lpFileTime), *lpSystemTime)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return TRUE;
}

BOOL SystemTimeToFileTime(const SYSTEMTIME* lpSystemTime, LPFILETIME lpFileTime) {
  int64_t ticks;
  if (!lpSystemTime || !lpFileTime || !SystemTimeToTicks(*lpSystemTime, ticks)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *lpFileTime = TicksFileTime(ticks);
  return TRUE;
}

void GetSystemTimeAsFileTime(LPFILETIME lpSystemTimeAsFileTime) {
  timespec now;
  clock_gettime(CLOCK_REALTIME, &now);
  *lpSystemTimeAsFileTime = TicksFileTime(kUnixEpochTicks + int64_t(now.tv_sec) * kTicksPerSecond + now.tv_nsec / 100);
}

void GetSystemTime(LPSYSTEMTIME lpSystemTime) {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  TicksToSystemTime(FileTimeTicks(now), *lpSystemTime);
}
