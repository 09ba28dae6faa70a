#include "servers/hdasim/ServerTime.h"

#include <cctype>
#include <string>

#include "platform/rtl/CivilDate.h"
#include "servers/hdasim/HdaTime.h"

namespace {

enum class TUnit { Now, Second, Minute, Hour, Day, Week, Month, Year };

struct TUnitName {
  const char* Name;
  TUnit Unit;
};

// Longest names first, so that "MO" and "MONTH" are not read as "M".
constexpr TUnitName KeywordNames[] = {
    {"MINUTE", TUnit::Minute}, {"SECOND", TUnit::Second}, {"MONTH", TUnit::Month}, {"HOUR", TUnit::Hour},
    {"WEEK", TUnit::Week},     {"YEAR", TUnit::Year},     {"NOW", TUnit::Now},     {"DAY", TUnit::Day},
    {"MO", TUnit::Month},      {"S", TUnit::Second},      {"M", TUnit::Minute},    {"H", TUnit::Hour},
    {"D", TUnit::Day},         {"W", TUnit::Week},        {"Y", TUnit::Year},
};

constexpr TUnitName OffsetNames[] = {
    {"MO", TUnit::Month}, {"S", TUnit::Second}, {"M", TUnit::Minute}, {"H", TUnit::Hour},
    {"D", TUnit::Day},    {"W", TUnit::Week},   {"Y", TUnit::Year},
};

int64_t StartOf(TUnit unit, int64_t now) {
  const int64_t sinceUnix = now - HdaUnixEpoch;
  auto floorTo = [&](int64_t step) { return HdaUnixEpoch + FloorDiv(sinceUnix, step) * step; };
  const int64_t days = FloorDiv(sinceUnix, HdaTicksPerDay);
  const TCivilDate date = CivilFromDays(days);
  switch (unit) {
    case TUnit::Now: return now;
    case TUnit::Second: return floorTo(HdaTicksPerSecond);
    case TUnit::Minute: return floorTo(HdaTicksPerMinute);
    case TUnit::Hour: return floorTo(HdaTicksPerHour);
    case TUnit::Day: return floorTo(HdaTicksPerDay);
    case TUnit::Week: return HdaUnixEpoch + (days - WeekdayFromDays(days)) * HdaTicksPerDay;  // from Sunday
    case TUnit::Month: return HdaUnixEpoch + DaysFromCivil(date.Year, date.Month, 1) * HdaTicksPerDay;
    case TUnit::Year: return HdaUnixEpoch + DaysFromCivil(date.Year, 1, 1) * HdaTicksPerDay;
  }
  return now;
}

// Calendar months, keeping the time of day; the day is cut to the new month's length.
std::optional<int64_t> AddMonths(int64_t ticks, int64_t months) {
  const int64_t sinceUnix = ticks - HdaUnixEpoch;
  const int64_t days = FloorDiv(sinceUnix, HdaTicksPerDay);
  const int64_t timeOfDay = sinceUnix - days * HdaTicksPerDay;
  const TCivilDate date = CivilFromDays(days);
  const int64_t monthIndex = date.Year * 12 + (date.Month - 1) + months;
  const int64_t year = FloorDiv(monthIndex, 12);
  const auto month = static_cast<unsigned>(monthIndex - year * 12 + 1);
  if (year < 1601 || year > 30827) return std::nullopt;
  const unsigned day = std::min(date.Day, CivilDaysInMonth(year, month));
  return HdaUnixEpoch + DaysFromCivil(year, month, day) * HdaTicksPerDay + timeOfDay;
}

class TRelativeTimeParser {
public:
  explicit TRelativeTimeParser(std::u16string_view text) {
    for (const char16_t c : text) {
      if (c == u' ' || c == u'\t') continue;
      if (c > 0x7F) FValid = false;
      FText += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
  }

  std::optional<int64_t> Parse(int64_t now) {
    TUnit keyword;
    if (!FValid || !Name(KeywordNames, keyword)) return std::nullopt;
    std::optional<int64_t> result = StartOf(keyword, now);
    bool negative = false;
    while (result && FPos < FText.size()) {
      if (FText[FPos] == '+' || FText[FPos] == '-') negative = FText[FPos++] == '-';
      int64_t count = 0;
      const size_t digitsFrom = FPos;
      while (FPos < FText.size() && std::isdigit(static_cast<unsigned char>(FText[FPos])) && FPos - digitsFrom < 9)
        count = count * 10 + (FText[FPos++] - '0');
      TUnit unit;
      if (FPos == digitsFrom || !Name(OffsetNames, unit)) return std::nullopt;
      result = Offset(*result, negative ? -count : count, unit);
    }
    return result;
  }

private:
  template <size_t N>
  bool Name(const TUnitName (&names)[N], TUnit& unit) {
    for (const TUnitName& name : names) {
      const std::string_view candidate(name.Name);
      if (FText.compare(FPos, candidate.size(), candidate) == 0) {
        FPos += candidate.size();
        unit = name.Unit;
        return true;
      }
    }
    return false;
  }

  static std::optional<int64_t> Offset(int64_t ticks, int64_t count, TUnit unit) {
    int64_t step = 0;
    switch (unit) {
      case TUnit::Second: step = HdaTicksPerSecond; break;
      case TUnit::Minute: step = HdaTicksPerMinute; break;
      case TUnit::Hour: step = HdaTicksPerHour; break;
      case TUnit::Day: step = HdaTicksPerDay; break;
      case TUnit::Week: step = 7 * HdaTicksPerDay; break;
      case TUnit::Month: return AddMonths(ticks, count);
      case TUnit::Year: return AddMonths(ticks, count * 12);
      case TUnit::Now: return std::nullopt;
    }
    // Counts have up to nine digits: a span that large leaves the tick range.
    int64_t span, result;
    if (__builtin_mul_overflow(count, step, &span) || __builtin_add_overflow(ticks, span, &result))
      return std::nullopt;
    return result;
  }

  std::string FText;
  size_t FPos = 0;
  bool FValid = true;
};

}  // namespace

std::optional<int64_t> ParseRelativeTime(std::u16string_view text, int64_t now) {
  const std::optional<int64_t> ticks = TRelativeTimeParser(text).Parse(now);
  if (ticks && (*ticks < 0 || *ticks > HdaLatestTime)) return std::nullopt;
  return ticks;
}

HRESULT ResolveHdaTime(OPCHDA_TIME* time, int64_t now, std::optional<int64_t>& ticks) {
  ticks.reset();
  if (!time) return E_INVALIDARG;
  if (!time->bString) {
    const int64_t value = TicksOf(time->ftTime);
    if (value < 0 || value > HdaLatestTime) return E_INVALIDARG;
    if (value != 0) ticks = value;
    return S_OK;
  }
  if (!time->szTime || !*time->szTime) return S_OK;
  ticks = ParseRelativeTime(time->szTime, now);
  if (!ticks) return E_INVALIDARG;
  time->ftTime = FileTimeOf(*ticks);
  return S_OK;
}
