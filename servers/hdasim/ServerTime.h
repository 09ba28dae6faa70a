#pragma once
// Times as the OPC HDA interfaces pass them: FILETIME values and OPCHDA_TIME arguments that
// are either a FILETIME or a relative time text ("NOW-1H", "DAY-1D+7H30M", "YEAR+3MO").

#include <cstdint>
#include <optional>
#include <string_view>

#include "opc/_OPCHDA.h"

inline int64_t TicksOf(const FILETIME& time) {
  return static_cast<int64_t>((static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
}

inline FILETIME FileTimeOf(int64_t ticks) {
  const uint64_t value = static_cast<uint64_t>(ticks);
  return FILETIME{static_cast<DWORD>(value & 0xFFFFFFFF), static_cast<DWORD>(value >> 32)};
}

// The latest time a request may name: 9999-12-31T23:59:59.9999999Z. Keeping far from the end
// of the tick range leaves room for the arithmetic on times and spans.
constexpr int64_t HdaLatestTime = 2'650'467'743'999'999'999;
// The longest span a request may name (a resample interval times its count, a playback
// portion): 1000 years of 366 days.
constexpr int64_t HdaLongestSpan = 366'000LL * 86'400 * 10'000'000;

// Relative time text: a keyword (NOW, SECOND, MINUTE, HOUR, DAY, WEEK, MONTH, YEAR, or the
// offset letters S, M, H, D, W, MO, Y standing for them), then signed offsets such as "-1D",
// "+7H30M" (an unsigned count takes the sign before it). Keywords mean the start of the
// current period in UTC; weeks start on Sunday. Month and year offsets keep the day of the
// month where it exists and otherwise take the month's last day. Blanks are ignored, case
// does not matter. Empty when the text does not follow that form or names a time outside
// 1601-01-01 .. HdaLatestTime.
std::optional<int64_t> ParseRelativeTime(std::u16string_view text, int64_t now);

// One time argument of a request. A missing time (bString FALSE with ftTime 0, or an empty
// text) gives an empty `ticks`. A text is resolved against `now` and the result written back
// to ftTime, as the standard asks. E_INVALIDARG for a null pointer, a text that is no time, or
// a time after HdaLatestTime.
HRESULT ResolveHdaTime(OPCHDA_TIME* time, int64_t now, std::optional<int64_t>& ticks);
