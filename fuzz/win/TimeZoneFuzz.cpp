// The time zone a TZ value names, on arbitrary bytes: the first byte picks a compiled zone
// file (the rest is its content) or a POSIX rule (the rest is the text). Whatever table comes
// of it must answer for any FILETIME instant with a period that holds it and an offset
// within the largest a zone may have, and convert any FILETIME local time.

#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz/ScratchFile.h"
#include "platform/win/CivilTime.h"
#include "platform/win/TimeZoneOffsets.h"

namespace {

constexpr int64_t kProbes[] = {
    YearStartTicks(1601),
    kUnixEpochTicks,
    kUnixEpochTicks + 190 * kTicksPerDay + 12345,  // a summer's day
    YearStartTicks(2024) + 100 * kTicksPerDay,
    YearStartTicks(2500) - 1,
    YearStartTicks(9999),
    INT64_MAX / 2,
    INT64_MAX - 1,
};

void CheckTable(const TTimeZoneOffsets& table) {
  for (int64_t utc : kProbes) {
    int64_t next = 0;
    const TZonePeriod period = table.PeriodAt(utc, &next);
    if (period.At > utc || next <= utc) __builtin_trap();
    const int64_t offset = table.OffsetAt(utc);
    if (offset != period.Offset || offset > kMaxZoneOffset || offset < -kMaxZoneOffset) __builtin_trap();
    table.UtcToLocal(utc);
    table.LocalToUtc(utc);  // the probe read as a local time
    table.Name(period);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const TScratchFile file("zone");
  // Zone names never reach a real zone file.
  static const int noZoneDirectory = setenv("TZDIR", "/nonexistent/zelk-fuzz", 1);
  (void)noZoneDirectory;
  if (size == 0) return 0;
  std::string tz;
  if (data[0] & 1) {
    tz.assign(reinterpret_cast<const char*>(data) + 1, size - 1);
    if (tz.find('/') != std::string::npos || tz.find('\0') != std::string::npos) return 0;
  } else {
    file.Write(data + 1, size - 1);
    tz = file.Path();
  }
  CheckTable(*TTimeZoneOffsets::ForTimeZone(tz.c_str()));
  return 0;
}
