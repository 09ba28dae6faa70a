#include "servers/hdasim/HdaTime.h"

#include <chrono>

#include "platform/rtl/StringUtils.h"

namespace {

// Days from 1970-01-01 of a proleptic Gregorian date (Howard Hinnant's algorithm).
int64_t DaysFromCivil(int64_t year, unsigned month, unsigned day) {
  year -= month <= 2;
  const int64_t era = (year >= 0 ? year : year - 399) / 400;
  const unsigned yearOfEra = static_cast<unsigned>(year - era * 400);
  const unsigned dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + static_cast<int64_t>(dayOfEra) - 719468;
}

void CivilFromDays(int64_t days, int& year, int& month, int& day) {
  days += 719468;
  const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const unsigned dayOfEra = static_cast<unsigned>(days - era * 146097);
  const unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const unsigned monthIndex = (5 * dayOfYear + 2) / 153;
  day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
  month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
  year = static_cast<int>(static_cast<int64_t>(yearOfEra) + era * 400 + (month <= 2));
}

// Ticks of 1970-01-01 since 1601-01-01.
constexpr int64_t UnixEpochTicks = 116'444'736'000'000'000;

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

int DaysInMonth(int year, int month) {
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : days[month - 1];
}

}  // namespace

int64_t HdaSystemNow() {
  const auto sinceUnix = std::chrono::system_clock::now().time_since_epoch();
  return UnixEpochTicks + std::chrono::duration_cast<std::chrono::nanoseconds>(sinceUnix).count() / 100;
}

int64_t HdaTicksFromUtc(int year, int month, int day, int hour, int minute, int second) {
  const int64_t days = DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day));
  return UnixEpochTicks + days * HdaTicksPerDay + hour * HdaTicksPerHour + minute * HdaTicksPerMinute +
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
  if (year < 1601 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month) || hour > 23 || minute > 59 ||
      second > 59)
    return std::nullopt;
  return HdaTicksFromUtc(year, month, day, hour, minute, second) + fraction;
}

std::string HdaFormatIsoTime(int64_t ticks) {
  const int64_t sinceUnix = ticks - UnixEpochTicks;
  int64_t days = sinceUnix / HdaTicksPerDay;
  int64_t rest = sinceUnix % HdaTicksPerDay;
  if (rest < 0) {
    rest += HdaTicksPerDay;
    --days;
  }
  int year, month, day;
  CivilFromDays(days, year, month, day);
  const int64_t seconds = rest / HdaTicksPerSecond;
  const int64_t fraction = rest % HdaTicksPerSecond;
  std::string text = Format("%04d-%02d-%02dT%02d:%02d:%02d", year, month, day, static_cast<int>(seconds / 3600),
                            static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
  if (fraction != 0) text += Format(".%07lld", static_cast<long long>(fraction));
  return text + "Z";
}
