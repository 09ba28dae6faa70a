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

// Relative time text: a keyword (NOW, SECOND, MINUTE, HOUR, DAY, WEEK, MONTH, YEAR, or the
// offset letters S, M, H, D, W, MO, Y standing for them), then signed offsets such as "-1D",
// "+7H30M" (an unsigned count takes the sign before it). Keywords mean the start of the
// current period in UTC; weeks start on Sunday. Month and year offsets keep the day of the
// month where it exists and otherwise take the month's last day. Blanks are ignored, case
// does not matter. Empty when the text does not follow that form.
std::optional<int64_t> ParseRelativeTime(std::u16string_view text, int64_t now);

// One time argument of a request. A missing time (bString FALSE with ftTime 0, or an empty
// text) gives an empty `ticks`. A text is resolved against `now` and the result written back
// to ftTime, as the standard asks. E_INVALIDARG for a null pointer or a text that is no time.
HRESULT ResolveHdaTime(OPCHDA_TIME* time, int64_t now, std::optional<int64_t>& ticks);
