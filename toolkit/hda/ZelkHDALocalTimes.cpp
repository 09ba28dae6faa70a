#include "toolkit/hda/ZelkHDALocalTimes.h"

#include <cmath>

#include "opc/_opcactivex.h"
#include "platform/win/CivilTime.h"

namespace {

constexpr int64_t kMsPerDay = MSecsPerDay;
// 1601-01-01 (FILETIME zero) to 1899-12-30 (TDateTime zero).
constexpr int64_t kMsFrom1601To1899 = 109'205 * kMsPerDay;

TDateTime MsToDateTime(int64_t Ms) {
  int64_t day = Ms / kMsPerDay;
  if (Ms % kMsPerDay < 0) --day;
  // ComposeDateTime, written out: this runs once per value.
  const double date = static_cast<double>(day);
  const double time = static_cast<double>(Ms - day * kMsPerDay) / kMsPerDay;
  return date >= 0 ? date + time : date - time;
}

int64_t DateTimeToMs(TDateTime Value) {
  const double day = std::trunc(Value);
  return static_cast<int64_t>(day) * kMsPerDay + std::llround(std::fabs(Value - day) * kMsPerDay);
}

// Local minus UTC at Ticks, in milliseconds; false where the rules give no local time.
bool BiasAt(int64_t Ticks, int64_t& BiasMs) {
  const FILETIME ft = TicksFileTime(Ticks);
  if (!ft.dwLowDateTime || !ft.dwHighDateTime) return false;
  const TDateTime local = FileTimeToLocalDateTime(ft);
  if (local == 0) return false;
  BiasMs = DateTimeToMs(local) - (Ticks / kTicksPerMillisecond - kMsFrom1601To1899);
  return true;
}

}  // namespace

void TZelkLocalTimes::LearnHour(int64_t Hour) {
  FHour = Hour;
  const int64_t start = Hour * kTicksPerHour + kTicksPerMillisecond;
  const int64_t end = (Hour + 1) * kTicksPerHour - kTicksPerMillisecond;
  int64_t endBias = 0;
  FUniform = BiasAt(start, FBiasMs) && BiasAt(end, endBias) && endBias == FBiasMs;
}

TDateTime TZelkLocalTimes::Convert(const FILETIME& TimeStamp) {
  if (!TimeStamp.dwLowDateTime || !TimeStamp.dwHighDateTime) return 0;
  const auto ticks = static_cast<uint64_t>(FileTimeTicks(TimeStamp));
  if (ticks > static_cast<uint64_t>(INT64_MAX) - kTicksPerHour) return FileTimeToLocalDateTime(TimeStamp);
  const int64_t hour = static_cast<int64_t>(ticks) / kTicksPerHour;
  if (hour != FHour) LearnHour(hour);
  if (!FUniform) return FileTimeToLocalDateTime(TimeStamp);
  return MsToDateTime(static_cast<int64_t>(ticks) / kTicksPerMillisecond - kMsFrom1601To1899 + FBiasMs);
}
