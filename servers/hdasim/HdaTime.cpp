#include "servers/hdasim/HdaTime.h"

#include <chrono>

#include "platform/rtl/CivilDate.h"
#include "platform/rtl/StringUtils.h"

namespace {

bool ReadDigits(std::string_view text, size_t& pos, size_t count, int& value) {
  if (pos + count > text.size()) return false;
  value = 0;
  for (size_t i = 0; i < count; ++i) {
    const char c = text[pos + i];
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  pos += count;
  return true;
}

bool Expect(std::string_view text, size_t& pos, char c) {
  if (pos >= text.size() || text[pos] != c) return false;
  ++pos;
  return true;
}

}  // namespace

int64_t HdaSystemNow() {
  const auto sinceUnix = std::chrono::system_clock::now().time_since_epoch();
  return HdaUnixEpoch + std::chrono::duration_cast<std::chrono::nanoseconds>(sinceUnix).count() / 100;
}

int64_t HdaTicksFromUtc(int year, int month, int day, int hour, int minute, int second) {
  const int64_t days = DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day));
  return HdaUnixEpoch + days * HdaTicksPerDay + hour * HdaTicksPerHour + minute * HdaTicksPerMinute +
         second * HdaTicksPerSecond;
}

std::optional<int64_t> HdaParseIsoTime(std::string_view text) {
  size_t pos = 0;
  int year, month, day, hour, minute, second;
  if (!ReadDigits(text, pos, 4, year) || !Expect(text, pos, '-') || !ReadDigits(text, pos, 2, month) ||
      !Expect(text, pos, '-') || !ReadDigits(text, pos, 2, day))
    return std::nullopt;
  if (pos >= text.size() || (text[pos] != 'T' && text[pos] != ' ')) return std::nullopt;
  ++pos;
  if (!ReadDigits(text, pos, 2, hour) || !Expect(text, pos, ':') || !ReadDigits(text, pos, 2, minute) ||
      !Expect(text, pos, ':') || !ReadDigits(text, pos, 2, second))
    return std::nullopt;
  int64_t fraction = 0;
  if (pos < text.size() && text[pos] == '.') {
    ++pos;
    int digits = 0;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
      if (++digits > 7) return std::nullopt;
      fraction = fraction * 10 + (text[pos++] - '0');
    }
    if (digits == 0) return std::nullopt;
    for (; digits < 7; ++digits)
      fraction *= 10;
  }
  if (pos < text.size() && text[pos] == 'Z') ++pos;
  if (pos != text.size()) return std::nullopt;
  if (year < 1601 || month < 1 || month > 12 || day < 1 ||
      day > static_cast<int>(CivilDaysInMonth(year, static_cast<unsigned>(month))) || hour > 23 || minute > 59 ||
      second > 59)
    return std::nullopt;
  return HdaTicksFromUtc(year, month, day, hour, minute, second) + fraction;
}

std::string HdaFormatIsoTime(int64_t ticks) {
  const int64_t sinceUnix = ticks - HdaUnixEpoch;
  const int64_t days = FloorDiv(sinceUnix, HdaTicksPerDay);
  const int64_t rest = sinceUnix - days * HdaTicksPerDay;
  const TCivilDate date = CivilFromDays(days);
  const int64_t seconds = rest / HdaTicksPerSecond;
  const int64_t fraction = rest % HdaTicksPerSecond;
  std::string text = Format("%04lld-%02u-%02uT%02d:%02d:%02d", static_cast<long long>(date.Year), date.Month, date.Day,
                            static_cast<int>(seconds / 3600), static_cast<int>(seconds / 60 % 60),
                            static_cast<int>(seconds % 60));
  if (fraction != 0) text += Format(".%07lld", static_cast<long long>(fraction));
  return text + "Z";
}
