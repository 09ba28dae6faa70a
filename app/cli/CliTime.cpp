#include "app/cli/CliTime.h"

#include <optional>

#include "opc/_opcactivex.h"
#include "platform/rtl/Exceptions.h"
#include "platform/win32.h"

namespace {

// Reads exactly width digits at pos.
std::optional<uint16_t> Digits(std::string_view text, size_t& pos, size_t width) {
  if (pos + width > text.size()) return std::nullopt;
  uint16_t value = 0;
  for (size_t i = 0; i < width; ++i) {
    const char c = text[pos + i];
    if (c < '0' || c > '9') return std::nullopt;
    value = static_cast<uint16_t>(value * 10 + (c - '0'));
  }
  pos += width;
  return value;
}

bool Expect(std::string_view text, size_t& pos, std::string_view any) {
  if (pos >= text.size() || any.find(text[pos]) == std::string_view::npos) return false;
  ++pos;
  return true;
}

std::optional<int64_t> RelativeToNow(std::string_view text, int64_t nowTicks) {
  if (text == "now") return nowTicks;
  if (text.size() < 6 || text.substr(0, 4) != "now-") return std::nullopt;
  int64_t unitSeconds;
  switch (text.back()) {
    case 's': unitSeconds = 1; break;
    case 'm': unitSeconds = 60; break;
    case 'h': unitSeconds = 3600; break;
    case 'd': unitSeconds = 86400; break;
    default: return std::nullopt;
  }
  const std::string_view number = text.substr(4, text.size() - 5);
  // Nine digits of days stay far inside the 64-bit tick range.
  if (number.size() > 9) return std::nullopt;
  int64_t count = 0;
  for (const char c : number) {
    if (c < '0' || c > '9') return std::nullopt;
    count = count * 10 + (c - '0');
  }
  return nowTicks - count * unitSeconds * kTicksPerSecond;
}

std::optional<int64_t> Absolute(std::string_view text) {
  size_t pos = 0;
  std::optional<uint16_t> year, month, day, hour, minute, second;
  if (!(year = Digits(text, pos, 4)) || !Expect(text, pos, "-") || !(month = Digits(text, pos, 2)) ||
      !Expect(text, pos, "-") || !(day = Digits(text, pos, 2)) || !Expect(text, pos, " T") ||
      !(hour = Digits(text, pos, 2)) || !Expect(text, pos, ":") || !(minute = Digits(text, pos, 2)) ||
      !Expect(text, pos, ":") || !(second = Digits(text, pos, 2)))
    return std::nullopt;
  uint16_t msec = 0;
  if (pos < text.size() && text[pos] == '.') {
    ++pos;
    int digits = 0;
    for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos, ++digits)
      if (digits < 3) msec = static_cast<uint16_t>(msec * 10 + (text[pos] - '0'));
    if (digits == 0) return std::nullopt;
    for (; digits < 3; ++digits) msec = static_cast<uint16_t>(msec * 10);
  }
  const bool utc = pos < text.size() && text[pos] == 'Z';
  if (utc) ++pos;
  if (pos != text.size()) return std::nullopt;

  // Checks every field, of UTC times too.
  TDateTime encoded;
  if (!TryEncodeDateTime(*year, *month, *day, *hour, *minute, *second, msec, encoded)) return std::nullopt;
  if (!utc) {
    const FILETIME time = LocalDateTimeToFileTime(encoded);
    if (time.dwHighDateTime == 0 && time.dwLowDateTime == 0) return std::nullopt;
    return FileTimeTicks(time);
  }
  SYSTEMTIME st{};
  st.wYear = *year;
  st.wMonth = *month;
  st.wDay = *day;
  st.wHour = *hour;
  st.wMinute = *minute;
  st.wSecond = *second;
  st.wMilliseconds = msec;
  FILETIME time;
  if (!SystemTimeToFileTime(&st, &time)) return std::nullopt;
  return FileTimeTicks(time);
}

}  // namespace

int64_t ParseCliTime(std::string_view text, int64_t nowTicks) {
  std::optional<int64_t> ticks = RelativeToNow(text, nowTicks);
  if (!ticks) ticks = Absolute(text);
  if (!ticks || *ticks <= 0) throw EConvertError("'" + std::string(text) + "' is not a valid time");
  return *ticks;
}

int64_t SystemTicksNow() {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  return FileTimeTicks(now);
}

TDateTime TicksToLocalDateTime(int64_t ticks) { return FileTimeToLocalDateTime(TicksFileTime(ticks)); }

std::string FormatCliTime(TDateTime localTime) { return FormatDateTime("yyyy-mm-dd hh:nn:ss.zzz", localTime); }
