#include "platform/win/TimeZoneOffsets.h"

#include <algorithm>
#include <cstdlib>
#include <mutex>

#include "platform/win/CivilTime.h"

namespace {

// The Gregorian calendar, weekdays included, repeats after 400 years.
constexpr int64_t kRepeatLength = 146097 * kTicksPerDay;
constexpr int64_t kIndexedUntil = YearStartTicks(2500);
// The yearly rule is worked out for the 403 years from the zone's last change on (a cycle and
// the years either side), all of which must lie before the last FILETIME.
constexpr int64_t kLastRuleStartYear = CivilDate(DaysOfTicks(std::numeric_limits<int64_t>::max())).Year - 404;

bool SamePeriodKind(const TZonePeriod& a, const TZonePeriod& b) {
  return a.Offset == b.Offset && a.IsDst == b.IsDst && a.Name == b.Name;
}

std::string ZoneDirectory() {
  const char* directory = std::getenv("TZDIR");
  return directory && *directory ? directory : "/usr/share/zoneinfo";
}

}  // namespace

TTimeZoneOffsets::TTimeZoneOffsets(TZoneSource Zone) {
  if (Zone.Periods.empty())
    Zone.Periods.push_back({std::numeric_limits<int64_t>::min(), 0, false, ZoneNameIndex(Zone, "UTC")});
  if (Zone.Rule.HasDst) ContinueWithRule(Zone);
  FNames = std::move(Zone.Names);
  FPeriods = std::move(Zone.Periods);
  BuildIndex();
}

void TTimeZoneOffsets::ContinueWithRule(TZoneSource& Zone) {
  const TYearlyRule& rule = Zone.Rule;
  uint8_t stdName = ZoneNameIndex(Zone, rule.StdName);
  uint8_t dstName = ZoneNameIndex(Zone, rule.DstName);
  bool ruleOnly = Zone.Periods.size() == 1;
  int64_t lastAt = Zone.Periods.back().At;
  int64_t firstYear = ruleOnly || lastAt < YearStartTicks(1600) ? 1600 : CivilDate(DaysOfTicks(lastAt)).Year;
  // A zone file whose own changes run that far leaves the rule no room: its last period holds.
  if (firstYear > kLastRuleStartYear) return;
  FRepeatStart = YearStartTicks(firstYear + 1);
  FRepeatFrom = FRepeatStart + kRepeatLength;

  // Two years past the cycle, so that lookups a day or two beyond it find every change.
  std::vector<TZonePeriod> changes;
  for (int64_t year = firstYear; year <= firstYear + 402; ++year)
    for (const TZonePeriod& change : RuleChangesOfYear(rule, year, stdName, dstName))
      if (change.At > lastAt) changes.push_back(change);
  if (changes.empty()) return;
  if (ruleOnly) {
    // Before the rule's first change the other kind of time held.
    bool toDst = changes.front().IsDst;
    Zone.Periods[0] = {lastAt, toDst ? rule.StdOffset : rule.DstOffset, !toDst, toDst ? stdName : dstName};
  }
  for (const TZonePeriod& change : changes)
    if (!SamePeriodKind(change, Zone.Periods.back())) Zone.Periods.push_back(change);
}

void TTimeZoneOffsets::BuildIndex() {
  for (const TZonePeriod& period : FPeriods) {
    FStarts.push_back(period.At);
    FOffsets.push_back(period.Offset);
  }
  FStarts.push_back(std::numeric_limits<int64_t>::max());

  // From two days before FILETIME 0, so that local times near it still index.
  FBase = -2 * kTicksPerDay;
  int64_t indexedUntil = FRepeatFrom != std::numeric_limits<int64_t>::max() ? FRepeatFrom + 3 * kTicksPerDay
                                                                            : kIndexedUntil;
  size_t buckets = size_t(uint64_t(indexedUntil - FBase) >> kBucketShift) + 1;
  FSpan = uint64_t(buckets) << kBucketShift;
  FBucketFirst.resize(buckets);
  for (size_t b = 0; b < buckets; ++b)
    FBucketFirst[b] = uint32_t(PeriodIndexAt(FPeriods, FBase + int64_t(uint64_t(b) << kBucketShift)));
}

int64_t TTimeZoneOffsets::RepeatShift(int64_t Utc) const {
  return Utc >= FRepeatFrom ? (Utc - FRepeatStart) / kRepeatLength * kRepeatLength : 0;
}

int64_t TTimeZoneOffsets::LocalToUtc(int64_t Local) const {
  int64_t shift = RepeatShift(WrappingAdd(Local, -kMaxZoneOffset));
  int64_t local = Local - shift;
  size_t first = IndexAt(std::max(local, std::numeric_limits<int64_t>::min() + kMaxZoneOffset) - kMaxZoneOffset);
  size_t last = IndexAt(std::min(local, std::numeric_limits<int64_t>::max() - kMaxZoneOffset) + kMaxZoneOffset);
  return WrappingAdd(ResolveLocalTime(FPeriods, first, last, local), shift);
}

TZonePeriod TTimeZoneOffsets::PeriodAt(int64_t Utc, int64_t* NextChange) const {
  int64_t shift = RepeatShift(Utc);
  size_t i = IndexAt(Utc - shift);
  TZonePeriod period = FPeriods[i];
  if (i > 0) period.At += shift;
  // A change that a repeated cycle would move past the last FILETIME never comes.
  if (NextChange) {
    constexpr int64_t kNever = std::numeric_limits<int64_t>::max();
    *NextChange = FStarts[i + 1] > kNever - shift ? kNever : FStarts[i + 1] + shift;
  }
  return period;
}

std::shared_ptr<const TTimeZoneOffsets> TTimeZoneOffsets::ForTimeZone(const char* TzValue) {
  // The C library's reading: "" is UTC, a leading ':' is dropped, nothing left is the default.
  const char* tz = TzValue && !*TzValue ? "UTC" : TzValue;
  if (tz && *tz == ':') ++tz;
  std::string file = tz && *tz ? tz : "/etc/localtime";
  TZoneSource zone;
  if (LoadZoneFile(file[0] == '/' ? file : ZoneDirectory() + "/" + file, zone))
    return std::make_shared<const TTimeZoneOffsets>(std::move(zone));
  if (tz && *tz && ParsePosixTimeZone(tz, zone.Rule)) {
    uint8_t stdName = ZoneNameIndex(zone, zone.Rule.StdName);
    zone.Periods.push_back({std::numeric_limits<int64_t>::min(), zone.Rule.StdOffset, false, stdName});
  }
  return std::make_shared<const TTimeZoneOffsets>(std::move(zone));
}

namespace {

struct TZoneCache {
  std::mutex Lock;
  bool Valid = false;
  bool TzSet = false;
  std::string Tz;
  std::shared_ptr<const TTimeZoneOffsets> Table;
};

TZoneCache& ZoneCache() {
  static TZoneCache cache;
  return cache;
}

}  // namespace

std::shared_ptr<const TTimeZoneOffsets> SystemTimeZoneOffsets() {
  const char* tz = std::getenv("TZ");
  TZoneCache& cache = ZoneCache();
  std::lock_guard<std::mutex> guard(cache.Lock);
  if (!cache.Valid || cache.TzSet != (tz != nullptr) || (tz && cache.Tz != tz)) {
    cache.Table = TTimeZoneOffsets::ForTimeZone(tz);
    cache.TzSet = tz != nullptr;
    cache.Tz = tz ? tz : "";
    cache.Valid = true;
  }
  return cache.Table;
}

void ResetTimeZoneCache() {
  TZoneCache& cache = ZoneCache();
  std::lock_guard<std::mutex> guard(cache.Lock);
  cache.Valid = false;
  cache.Table.reset();
}
