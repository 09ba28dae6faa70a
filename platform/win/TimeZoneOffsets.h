#pragma once
// The system time zone as a cached table, for converting many time stamps (history reads):
// the zone's periods with a bucket index, so that a UTC -> local conversion is one index read
// and a short scan. Times are FILETIME ticks as int64_t (100 ns since 1601-01-01). Windows
// has no such table; a Windows build supplies this header from its own shim.
//
// SystemTimeZoneOffsets() answers the table of the zone that TZ names (else /etc/localtime),
// read as the C library reads it, and builds a new one when TZ's value differs from the last
// call's, so tests may switch zones with setenv("TZ") alone. Hold the table across a batch
// of conversions rather than asking for it per time stamp. ResetTimeZoneCache() forgets the
// table, for a change the TZ value does not show (a new /etc/localtime, TZDIR, tzdata update).
// Changing TZ while another thread reads it is the C library's race and is not guarded here.

#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "platform/win/TimeZoneRules.h"

class TTimeZoneOffsets {
 public:
  explicit TTimeZoneOffsets(TZoneSource Zone);

  // The zone a TZ value names: a zone file (":name", "name", "/path"), else a POSIX rule;
  // nullptr or ":" is /etc/localtime, "" and anything unreadable UTC.
  static std::shared_ptr<const TTimeZoneOffsets> ForTimeZone(const char* TzValue);

  // Local minus UTC at the UTC instant Utc.
  int64_t OffsetAt(int64_t Utc) const {
    if (Utc >= FRepeatFrom) Utc = Repeated(Utc);
    return FOffsets[IndexAt(Utc)];
  }
  // Meant for FILETIME values; outside them the sum wraps rather than failing.
  int64_t UtcToLocal(int64_t Utc) const { return WrappingAdd(Utc, OffsetAt(Utc)); }
  // The repeated and the skipped hour as ResolveLocalTime reads them.
  int64_t LocalToUtc(int64_t Local) const;

  // The period in force at Utc; NextChange receives the instant it ends (INT64_MAX: never).
  TZonePeriod PeriodAt(int64_t Utc, int64_t* NextChange = nullptr) const;
  const std::string& Name(const TZonePeriod& Period) const { return FNames[Period.Name]; }

 private:
  static constexpr int kBucketShift = 47;  // about 163 days: rarely more than two changes

  size_t IndexAt(int64_t Utc) const {
    uint64_t fromBase = uint64_t(Utc) - uint64_t(FBase);
    size_t i = fromBase < FSpan ? FBucketFirst[fromBase >> kBucketShift] : PeriodIndexAt(FPeriods, Utc);
    // The INT64_MAX closing FStarts is no change: the last period holds at INT64_MAX too.
    while (i + 1 < FPeriods.size() && FStarts[i + 1] <= Utc) ++i;
    return i;
  }
  int64_t RepeatShift(int64_t Utc) const;
  int64_t Repeated(int64_t Utc) const { return Utc - RepeatShift(Utc); }
  void ContinueWithRule(TZoneSource& Zone);
  void BuildIndex();

  std::vector<std::string> FNames;
  std::vector<TZonePeriod> FPeriods;
  std::vector<int64_t> FStarts;  // FPeriods' At, then INT64_MAX
  std::vector<int64_t> FOffsets;
  std::vector<uint32_t> FBucketFirst;
  int64_t FBase = 0;
  uint64_t FSpan = 0;
  // From FRepeatStart on only the yearly rule applies, which repeats every 400 years, so the
  // table stops at FRepeatFrom and later instants are read 400-year cycles earlier.
  int64_t FRepeatStart = std::numeric_limits<int64_t>::max();
  int64_t FRepeatFrom = std::numeric_limits<int64_t>::max();
};

std::shared_ptr<const TTimeZoneOffsets> SystemTimeZoneOffsets();
void ResetTimeZoneCache();
