// UTC <-> local time by the system zone's database rules or by a TIME_ZONE_INFORMATION.

#include <algorithm>
#include <limits>

#include "platform/win/CivilTime.h"
#include "platform/win/TimeZoneApi.h"
#include "platform/win/TimeZoneOffsets.h"
#include "platform/win/WinBase.h"

namespace {

BOOL Fail() {
  SetLastError(ERROR_INVALID_PARAMETER);
  return FALSE;
}

bool ReadChangeDate(const SYSTEMTIME& date, TRuleDay& day) {
  if (date.wMonth < 1 || date.wMonth > 12 || date.wHour > 23 || date.wMinute > 59 || date.wSecond > 59 ||
      date.wMilliseconds > 999)
    return false;
  if (date.wYear == 0) {
    if (date.wDay < 1 || date.wDay > 5 || date.wDayOfWeek > 6) return false;
    day.Kind = TRuleDay::kMonthWeekDay;
    day.Week = date.wDay;
    day.WeekDay = date.wDayOfWeek;
  } else {
    if (date.wDay < 1 || date.wDay > CivilDaysInMonth(date.wYear, date.wMonth)) return false;
    day.Kind = TRuleDay::kFixedDate;
    day.Year = date.wYear;
    day.Day = date.wDay;
  }
  day.Month = date.wMonth;
  day.TimeOfDay = date.wHour * kTicksPerHour + date.wMinute * kTicksPerMinute + date.wSecond * kTicksPerSecond +
                  date.wMilliseconds * kTicksPerMillisecond;
  return true;
}

bool ReadZoneRule(const TIME_ZONE_INFORMATION& zone, TYearlyRule& rule) {
  // Without daylight saving time Windows applies Bias alone.
  rule.HasDst = zone.DaylightDate.wMonth != 0;
  int64_t standardBias = rule.HasDst ? int64_t(zone.Bias) + zone.StandardBias : zone.Bias;
  int64_t daylightBias = int64_t(zone.Bias) + zone.DaylightBias;
  rule.StdOffset = -standardBias * kTicksPerMinute;
  rule.DstOffset = -daylightBias * kTicksPerMinute;
  auto sane = [](int64_t offset) { return offset >= -kMaxZoneOffset && offset <= kMaxZoneOffset; };
  if (!sane(rule.StdOffset)) return false;
  return !rule.HasDst ||
         (sane(rule.DstOffset) && ReadChangeDate(zone.DaylightDate, rule.Start) && ReadChangeDate(zone.StandardDate, rule.End));
}

// The rule's periods from the year before Year to the year after.
std::vector<TZonePeriod> PeriodsAround(const TYearlyRule& rule, int64_t year) {
  std::vector<TZonePeriod> periods(1, {std::numeric_limits<int64_t>::min(), rule.StdOffset, false, 0});
  if (!rule.HasDst) return periods;
  for (int64_t y = year - 1; y <= year + 1; ++y)
    for (const TZonePeriod& change : RuleChangesOfYear(rule, y, 0, 1)) periods.push_back(change);
  std::stable_sort(periods.begin() + 1, periods.end(),
                   [](const TZonePeriod& a, const TZonePeriod& b) { return a.At < b.At; });
  // Before the first change the other kind of time held.
  if (periods.size() > 1 && !periods[1].IsDst) periods[0] = {periods[0].At, rule.DstOffset, true, 1};
  return periods;
}

int64_t YearOf(int64_t ticks) { return CivilDate(DaysOfTicks(ticks)).Year; }

}  // namespace

BOOL SystemTimeToTzSpecificLocalTime(const TIME_ZONE_INFORMATION* lpTimeZoneInformation,
                                     const SYSTEMTIME* lpUniversalTime, LPSYSTEMTIME lpLocalTime) {
  int64_t utc, local;
  if (!lpUniversalTime || !lpLocalTime || !SystemTimeToTicks(*lpUniversalTime, utc)) return Fail();
  if (!lpTimeZoneInformation) {
    local = SystemTimeZoneOffsets()->UtcToLocal(utc);
  } else {
    TYearlyRule rule;
    if (!ReadZoneRule(*lpTimeZoneInformation, rule)) return Fail();
    auto periods = PeriodsAround(rule, YearOf(utc));
    local = utc + periods[PeriodIndexAt(periods, utc)].Offset;
  }
  return TicksToSystemTime(local, *lpLocalTime) ? TRUE : Fail();
}

BOOL TzSpecificLocalTimeToSystemTime(const TIME_ZONE_INFORMATION* lpTimeZoneInformation,
                                     const SYSTEMTIME* lpLocalTime, LPSYSTEMTIME lpUniversalTime) {
  int64_t local, utc;
  if (!lpLocalTime || !lpUniversalTime || !SystemTimeToTicks(*lpLocalTime, local)) return Fail();
  if (!lpTimeZoneInformation) {
    utc = SystemTimeZoneOffsets()->LocalToUtc(local);
  } else {
    TYearlyRule rule;
    if (!ReadZoneRule(*lpTimeZoneInformation, rule)) return Fail();
    auto periods = PeriodsAround(rule, YearOf(local));
    utc = ResolveLocalTime(periods, PeriodIndexAt(periods, local - kMaxZoneOffset),
                           PeriodIndexAt(periods, local + kMaxZoneOffset), local);
  }
  return TicksToSystemTime(utc, *lpUniversalTime) ? TRUE : Fail();
}
