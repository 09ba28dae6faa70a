#pragma once
// Time: FILETIME <-> SYSTEMTIME, the system clock, and local time by time-zone rules.

#include "platform/com/WinTypes.h"

#define TIME_ZONE_ID_INVALID ((DWORD)0xFFFFFFFF)
#define TIME_ZONE_ID_UNKNOWN 0
#define TIME_ZONE_ID_STANDARD 1
#define TIME_ZONE_ID_DAYLIGHT 2

// UTC = local time + Bias + StandardBias (or DaylightBias), in minutes. A date with wYear 0
// is a yearly rule: wDay 1..4 is that occurrence of wDayOfWeek in wMonth, 5 the last one;
// a date with another wYear is that one day of that one year.
// DaylightDate is read on the standard clock, StandardDate on the daylight clock; a
// DaylightDate.wMonth of 0 means no daylight saving time.
typedef struct _TIME_ZONE_INFORMATION {
  LONG Bias;
  WCHAR StandardName[32];
  SYSTEMTIME StandardDate;
  LONG StandardBias;
  WCHAR DaylightName[32];
  SYSTEMTIME DaylightDate;
  LONG DaylightBias;
} TIME_ZONE_INFORMATION, *PTIME_ZONE_INFORMATION, *LPTIME_ZONE_INFORMATION;

extern "C" {
// A FILETIME above 0x7FFFFFFFFFFFFFFF fails with ERROR_INVALID_PARAMETER; wDayOfWeek is
// computed.
BOOL FileTimeToSystemTime(const FILETIME* lpFileTime, LPSYSTEMTIME lpSystemTime);
// Years 1601..30827, the day checked against its month (leap years included), hours below 24
// and so on; wDayOfWeek is ignored. Failure: FALSE, ERROR_INVALID_PARAMETER, *lpFileTime as
// it was.
BOOL SystemTimeToFileTime(const SYSTEMTIME* lpSystemTime, LPFILETIME lpFileTime);

// Both shift every date by the bias in force now, daylight saving time included, whatever the
// date's own rules say (as Windows documents). A result outside 0..0x7FFFFFFFFFFFFFFF fails
// with ERROR_INVALID_PARAMETER.
BOOL FileTimeToLocalFileTime(const FILETIME* lpFileTime, LPFILETIME lpLocalFileTime);
BOOL LocalFileTimeToFileTime(const FILETIME* lpLocalFileTime, LPFILETIME lpFileTime);

void GetSystemTimeAsFileTime(LPFILETIME lpSystemTimeAsFileTime);
void GetSystemTime(LPSYSTEMTIME lpSystemTime);
void GetLocalTime(LPSYSTEMTIME lpSystemTime);

// The system zone (TZ, else /etc/localtime) as this year's rule: names are the zone's
// abbreviations, dates in the wYear 0 form. TIME_ZONE_ID_UNKNOWN when the zone has no
// daylight saving time this year, else whether it is in force now.
DWORD GetTimeZoneInformation(LPTIME_ZONE_INFORMATION lpTimeZoneInformation);

// With a null zone: the system zone's rules in force at the converted date (the time-zone
// database, so history converts correctly). With a zone: its yearly rule. A local time that
// occurs twice (clocks going back) is read as the first occurrence, one that is skipped
// (clocks going forward) on the clock after the change: in both cases the larger of the two
// offsets, which for daylight saving time is the daylight reading, as Windows reads them.
BOOL SystemTimeToTzSpecificLocalTime(const TIME_ZONE_INFORMATION* lpTimeZoneInformation,
                                     const SYSTEMTIME* lpUniversalTime, LPSYSTEMTIME lpLocalTime);
BOOL TzSpecificLocalTimeToSystemTime(const TIME_ZONE_INFORMATION* lpTimeZoneInformation,
                                     const SYSTEMTIME* lpLocalTime, LPSYSTEMTIME lpUniversalTime);
}
