#pragma once
// Time of the history: FILETIME ticks (100 ns since 1601-01-01 UTC) in an int64.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

constexpr int64_t HdaTicksPerSecond = 10'000'000;
constexpr int64_t HdaTicksPerMinute = 60 * HdaTicksPerSecond;
constexpr int64_t HdaTicksPerHour = 60 * HdaTicksPerMinute;
constexpr int64_t HdaTicksPerDay = 24 * HdaTicksPerHour;

// 1970-01-01T00:00:00Z.
constexpr int64_t HdaUnixEpoch = 116'444'736'000'000'000;
// History begins at 2000-01-01T00:00:00Z.
constexpr int64_t HdaEpoch = 125'911'584'000'000'000;

// Requested times are first brought into [0, HdaTimeLimit]: far beyond any history, and far
// enough from the int64 ends that a tick more or less never overflows.
constexpr int64_t HdaTimeLimit = INT64_MAX / 4;
constexpr int64_t HdaClampTime(int64_t time) {
  return time < 0 ? 0 : time > HdaTimeLimit ? HdaTimeLimit : time;
}

// The historian's idea of "now", injectable so that tests are deterministic.
using HdaClock = std::function<int64_t()>;
int64_t HdaSystemNow();

// Civil UTC time to ticks; the fields are not range-checked here.
int64_t HdaTicksFromUtc(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);

// "YYYY-MM-DDTHH:MM:SS[.fffffff][Z]" ('T' or one blank between date and time, up to seven
// fraction digits, a trailing Z allowed since every time is UTC). Empty on anything else,
// including impossible dates (February 30) and years outside 1601..9999.
std::optional<int64_t> HdaParseIsoTime(std::string_view text);
// "YYYY-MM-DDTHH:MM:SS[.fffffff]Z", the fraction only when not zero.
std::string HdaFormatIsoTime(int64_t ticks);
