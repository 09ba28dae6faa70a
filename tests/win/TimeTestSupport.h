#pragma once
// Shared by the time tests: a zone switched through TZ for one scope, and SYSTEMTIME values.

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

#include "platform/win32.h"

class TScopedTimeZone {
 public:
  explicit TScopedTimeZone(const char* tz) {
    if (const char* old = std::getenv("TZ")) FOld = old;
    setenv("TZ", tz, 1);
    tzset();
  }
  ~TScopedTimeZone() {
    if (FOld)
      setenv("TZ", FOld->c_str(), 1);
    else
      unsetenv("TZ");
    tzset();
  }
  TScopedTimeZone(const TScopedTimeZone&) = delete;
  TScopedTimeZone& operator=(const TScopedTimeZone&) = delete;

 private:
  std::optional<std::string> FOld;
};

inline SYSTEMTIME MakeSystemTime(WORD year, WORD month, WORD day, WORD hour = 0, WORD minute = 0, WORD second = 0,
                                 WORD milliseconds = 0) {
  SYSTEMTIME time{};
  time.wYear = year, time.wMonth = month, time.wDay = day;
  time.wHour = hour, time.wMinute = minute, time.wSecond = second, time.wMilliseconds = milliseconds;
  return time;
}

inline std::string SystemTimeText(const SYSTEMTIME& time) {
  char text[64];
  snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u.%03u (%u)", time.wYear, time.wMonth, time.wDay,
           time.wHour, time.wMinute, time.wSecond, time.wMilliseconds, time.wDayOfWeek);
  return text;
}

inline int64_t FileTimeValue(const FILETIME& time) {
  return int64_t((uint64_t(time.dwHighDateTime) << 32) | time.dwLowDateTime);
}
inline FILETIME MakeFileTime(uint64_t value) { return {DWORD(value), DWORD(value >> 32)}; }
