#pragma once
// A zone as the time-zone database states it: periods of fixed offset, and the yearly
// daylight-saving rule that continues them. Times are FILETIME ticks (see CivilTime.h).

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Local time = UTC + Offset from At (UTC) until the next period starts.
struct TZonePeriod {
  int64_t At;
  int64_t Offset;
  bool IsDst;
  uint8_t Name;  // index into TZoneSource::Names
};

// The day of a yearly change and its time on the clock in force before the change.
struct TRuleDay {
  enum TKind { kJulianNoLeap, kJulianWithLeap, kMonthWeekDay, kFixedDate };
  TKind Kind = kMonthWeekDay;
  int64_t Year = 0;      // kFixedDate: the only year the change happens
  unsigned Month = 0;    // kMonthWeekDay, kFixedDate
  unsigned Week = 0;     // kMonthWeekDay: 1..4, 5 = the last
  unsigned WeekDay = 0;  // kMonthWeekDay: 0 = Sunday
  unsigned Day = 0;      // kJulianNoLeap 1..365 (February 29 never counted), kJulianWithLeap 0..365,
                         // kFixedDate day of the month
  int64_t TimeOfDay = 2 * 3600 * int64_t(10000000);  // may be negative or past 24 hours
};

struct TYearlyRule {
  std::string StdName, DstName;
  int64_t StdOffset = 0, DstOffset = 0;
  bool HasDst = false;
  TRuleDay Start, End;  // into daylight time, back to standard time
};

struct TZoneSource {
  std::vector<TZonePeriod> Periods;  // the first starts at INT64_MIN
  std::vector<std::string> Names;
  TYearlyRule Rule;  // continues after the last period when Rule.HasDst
};

// The changes of Year in time order, as periods naming StdName/DstName.
std::vector<TZonePeriod> RuleChangesOfYear(const TYearlyRule& Rule, int64_t Year, uint8_t StdName,
                                           uint8_t DstName);

// A POSIX TZ rule such as "CET-1CEST,M3.5.0,M10.5.0/3" (without the leading ':').
bool ParsePosixTimeZone(std::string_view Text, TYearlyRule& Rule);

// A compiled zone file (TZif, versions 1 to 4). False for a missing, short or malformed file.
bool LoadZoneFile(const std::string& Path, TZoneSource& Zone);

// Index of Name in Zone.Names, added when new; 0 once the table is full.
uint8_t ZoneNameIndex(TZoneSource& Zone, const std::string& Name);

// Index of the period in force at Utc among Periods (sorted, the first starting at INT64_MIN).
size_t PeriodIndexAt(const std::vector<TZonePeriod>& Periods, int64_t Utc);

// The UTC instant that local time Local names, among Periods[First..Last], the periods whose
// clocks can show it. A reading that two periods show is taken from the earlier one, a
// reading that none shows (clocks going forward) with the later period's offset: in both
// cases the larger offset applies.
int64_t ResolveLocalTime(const std::vector<TZonePeriod>& Periods, size_t First, size_t Last, int64_t Local);

// Offsets never exceed this, so a local time lies within it of its UTC instant.
constexpr int64_t kMaxZoneOffset = 26 * 3600 * int64_t(10000000);

// Two's-complement sum: far-off sentinels must not overflow.
constexpr int64_t WrappingAdd(int64_t a, int64_t b) { return int64_t(uint64_t(a) + uint64_t(b)); }
