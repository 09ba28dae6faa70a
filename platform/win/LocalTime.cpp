// Local time by the bias in force now, and the system zone as a TIME_ZONE_INFORMATION.

#include <algorithm>
#include <limits>

#include "platform/win/CivilTime.h"
#include "platform/win/TimeZoneApi.h"
#include "platform/win/TimeZoneOffsets.h"
#include "platform/win/WinBase.h"

namespace {

int64_t NowTicks() {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  return FileTimeTicks(now);
}

BOOL ShiftFileTime(const FILETIME* from, LPFILETIME to, int direction) {
  int64_t ticks = from ? FileTimeTicks(*from) : -1;
  int64_t shift = direction * SystemTimeZoneOffsets()->OffsetAt(NowTicks());
  // Past either end the sum would wrap into a far-off date.
  if (!to || ticks < 0 || (shift > 0 && ticks > std::numeric_limits<int64_t>::max() - shift) || ticks + shift < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *to = TicksFileTime(ticks + shift);
  return TRUE;
}

void CopyName(const std::string& name, WCHAR (&to)[32]) {
  size_t length = std::min<size_t>(name.size(), 31);
  for (size_t i = 0; i < length; ++i) to[i] = WCHAR(static_cast<unsigned char>(name[i]));
  to[length] = 0;
}

// A change as the wYear 0 form names it: the n-th (5: last) weekday of the month, at the
// clock reading just before the change.
SYSTEMTIME YearlyForm(int64_t clockBefore) {
  SYSTEMTIME form{};
  TicksToSystemTime(clockBefore, form);
  WORD daysInMonth = WORD(CivilDaysInMonth(form.wYear, form.wMonth));
  form.wDay = form.wDay + 7 > daysInMonth ? 5 : WORD((form.wDay + 6) / 7);
  form.wYear = 0;
  return form;
}

}  // namespace

BOOL FileTimeToLocalFileTime(const FILETIME* lpFileTime, LPFILETIME lpLocalFileTime) {
  return ShiftFileTime(lpFileTime, lpLocalFileTime, 1);
}

BOOL LocalFileTimeToFileTime(const FILETIME* lpLocalFileTime, LPFILETIME lpFileTime) {
  return ShiftFileTime(lpLocalFileTime, lpFileTime, -1);
}

void GetLocalTime(LPSYSTEMTIME lpSystemTime) {
  TicksToSystemTime(SystemTimeZoneOffsets()->UtcToLocal(NowTicks()), *lpSystemTime);
}

DWORD GetTimeZoneInformation(LPTIME_ZONE_INFORMATION lpTimeZoneInformation) {
  if (!lpTimeZoneInformation) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return TIME_ZONE_ID_INVALID;
  }
  auto zone = SystemTimeZoneOffsets();
  int64_t now = NowTicks();
  TZonePeriod current = zone->PeriodAt(now);
  int64_t year = CivilDate(DaysOfTicks(now)).Year;
  int64_t yearEnd = YearStartTicks(year + 1);

  // This year's change into daylight time and back, each with the period it leaves.
  TZonePeriod toDaylight{}, toStandard{}, beforeDaylight{}, beforeStandard{};
  bool foundDaylight = false, foundStandard = false;
  int64_t next;
  TZonePeriod period = zone->PeriodAt(YearStartTicks(year), &next);
  while (next < yearEnd) {
    TZonePeriod after = zone->PeriodAt(next, &next);
    if (after.IsDst && !period.IsDst && !foundDaylight) {
      toDaylight = after, beforeDaylight = period, foundDaylight = true;
    } else if (!after.IsDst && period.IsDst && !foundStandard) {
      toStandard = after, beforeStandard = period, foundStandard = true;
    }
    period = after;
  }

  TIME_ZONE_INFORMATION& info = *lpTimeZoneInformation;
  info = {};
  if (!foundDaylight || !foundStandard) {
    info.Bias = LONG(-current.Offset / kTicksPerMinute);
    CopyName(zone->Name(current), info.StandardName);
    CopyName(zone->Name(current), info.DaylightName);
    return TIME_ZONE_ID_UNKNOWN;
  }
  int64_t standardOffset = toStandard.Offset;
  info.Bias = LONG(-standardOffset / kTicksPerMinute);
  info.DaylightBias = LONG(-(toDaylight.Offset - standardOffset) / kTicksPerMinute);
  CopyName(zone->Name(toStandard), info.StandardName);
  CopyName(zone->Name(toDaylight), info.DaylightName);
  info.StandardDate = YearlyForm(toStandard.At + beforeStandard.Offset);
  info.DaylightDate = YearlyForm(toDaylight.At + beforeDaylight.Offset);
  return current.IsDst ? TIME_ZONE_ID_DAYLIGHT : TIME_ZONE_ID_STANDARD;
}
