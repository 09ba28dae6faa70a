#include "platform/win/TimeZoneRules.h"

#include <algorithm>
#include <cctype>
#include <limits>
#include <optional>

#include "platform/win/CivilTime.h"

namespace {

std::optional<int64_t> DayOfChange(const TRuleDay& rule, int64_t year) {
  int64_t newYear = CivilDays(year, 1, 1);
  switch (rule.Kind) {
    case TRuleDay::kJulianNoLeap:
      return newYear + rule.Day - 1 + (IsCivilLeapYear(year) && rule.Day >= 60);
    case TRuleDay::kJulianWithLeap:
      return newYear + rule.Day;
    case TRuleDay::kMonthWeekDay: {
      int64_t first = CivilDays(year, rule.Month, 1);
      int64_t day = first + (rule.WeekDay + 7 - CivilWeekday(first)) % 7 + 7 * (int64_t(rule.Week) - 1);
      while (day >= first + CivilDaysInMonth(year, rule.Month)) day -= 7;
      return day;
    }
    case TRuleDay::kFixedDate:
      if (year != rule.Year) return std::nullopt;
      return CivilDays(year, rule.Month, rule.Day);
  }
  return std::nullopt;
}

// Reads a POSIX TZ rule left to right.
class TPosixReader {
 public:
  explicit TPosixReader(std::string_view text) : FText(text) {}

  bool AtEnd() const { return FPos == FText.size(); }
  bool Skip(char c) {
    if (FPos < FText.size() && FText[FPos] == c) return ++FPos, true;
    return false;
  }
  bool Peek(char c) const { return FPos < FText.size() && FText[FPos] == c; }
  bool PeekDigitOrSign() const {
    return FPos < FText.size() && (std::isdigit(static_cast<unsigned char>(FText[FPos])) || FText[FPos] == '+' ||
                                   FText[FPos] == '-');
  }

  // <anything but '>'> or at least three letters.
  bool Name(std::string& name) {
    size_t start = FPos;
    if (Skip('<')) {
      while (FPos < FText.size() && FText[FPos] != '>') ++FPos;
      if (!Peek('>') || FPos == start + 1) return false;
      name.assign(FText.substr(start + 1, FPos - start - 1));
      ++FPos;
      return true;
    }
    while (FPos < FText.size() && std::isalpha(static_cast<unsigned char>(FText[FPos]))) ++FPos;
    name.assign(FText.substr(start, FPos - start));
    return name.size() >= 3;
  }

  bool Number(unsigned maxValue, unsigned& value) {
    size_t start = FPos;
    value = 0;
    while (FPos < FText.size() && std::isdigit(static_cast<unsigned char>(FText[FPos])) && FPos - start < 4)
      value = value * 10 + unsigned(FText[FPos++] - '0');
    return FPos > start && value <= maxValue;
  }

  // [+-]hh[:mm[:ss]] in ticks.
  bool Clock(unsigned maxHours, int64_t& ticks) {
    bool negative = Skip('-');
    if (!negative) Skip('+');
    unsigned hours, minutes = 0, seconds = 0;
    if (!Number(maxHours, hours)) return false;
    if (Skip(':') && (!Number(59, minutes) || (Skip(':') && !Number(59, seconds)))) return false;
    ticks = ((int64_t(hours) * 60 + minutes) * 60 + seconds) * kTicksPerSecond;
    if (negative) ticks = -ticks;
    return true;
  }

  bool Day(TRuleDay& day) {
    if (Skip('J')) {
      day.Kind = TRuleDay::kJulianNoLeap;
      if (!Number(365, day.Day) || day.Day == 0) return false;
    } else if (Skip('M')) {
      day.Kind = TRuleDay::kMonthWeekDay;
      if (!Number(12, day.Month) || day.Month == 0 || !Skip('.') || !Number(5, day.Week) || day.Week == 0 ||
          !Skip('.') || !Number(6, day.WeekDay))
        return false;
    } else {
      day.Kind = TRuleDay::kJulianWithLeap;
      if (!Number(365, day.Day)) return false;
    }
    // Rule times may run from -167 to 167 hours.
    return !Skip('/') || Clock(167, day.TimeOfDay);
  }

 private:
  std::string_view FText;
  size_t FPos = 0;
};

}  // namespace

std::vector<TZonePeriod> RuleChangesOfYear(const TYearlyRule& Rule, int64_t Year, uint8_t StdName,
                                           uint8_t DstName) {
  std::vector<TZonePeriod> changes;
  auto start = DayOfChange(Rule.Start, Year);
  auto end = DayOfChange(Rule.End, Year);
  if (start)
    changes.push_back({*start * kTicksPerDay + Rule.Start.TimeOfDay - Rule.StdOffset, Rule.DstOffset, true, DstName});
  if (end)
    changes.push_back({*end * kTicksPerDay + Rule.End.TimeOfDay - Rule.DstOffset, Rule.StdOffset, false, StdName});
  if (changes.size() == 2 && changes[0].At == changes[1].At) return {};
  std::sort(changes.begin(), changes.end(), [](const TZonePeriod& a, const TZonePeriod& b) { return a.At < b.At; });
  return changes;
}

bool ParsePosixTimeZone(std::string_view Text, TYearlyRule& Rule) {
  TPosixReader reader(Text);
  TYearlyRule rule;
  int64_t westOfUtc;
  if (!reader.Name(rule.StdName) || !reader.Clock(24, westOfUtc)) return false;
  rule.StdOffset = -westOfUtc;
  rule.DstOffset = rule.StdOffset;
  if (!reader.AtEnd()) {
    rule.HasDst = true;
    if (!reader.Name(rule.DstName)) return false;
    rule.DstOffset = rule.StdOffset + kTicksPerHour;
    if (reader.PeekDigitOrSign()) {
      if (!reader.Clock(24, westOfUtc)) return false;
      rule.DstOffset = -westOfUtc;
    }
    if (reader.Skip(',')) {
      if (!reader.Day(rule.Start) || !reader.Skip(',') || !reader.Day(rule.End)) return false;
    } else {
      // No rule given: the United States' rule, as the C library assumes.
      rule.Start.Month = 3, rule.Start.Week = 2;
      rule.End.Month = 11, rule.End.Week = 1;
    }
  }
  if (!reader.AtEnd()) return false;
  Rule = std::move(rule);
  return true;
}

uint8_t ZoneNameIndex(TZoneSource& Zone, const std::string& Name) {
  auto found = std::find(Zone.Names.begin(), Zone.Names.end(), Name);
  if (found != Zone.Names.end()) return uint8_t(found - Zone.Names.begin());
  if (Zone.Names.size() > 255) return 0;
  Zone.Names.push_back(Name);
  return uint8_t(Zone.Names.size() - 1);
}

size_t PeriodIndexAt(const std::vector<TZonePeriod>& Periods, int64_t Utc) {
  auto after = std::upper_bound(Periods.begin() + 1, Periods.end(), Utc,
                                [](int64_t utc, const TZonePeriod& period) { return utc < period.At; });
  return size_t(after - Periods.begin()) - 1;
}

int64_t ResolveLocalTime(const std::vector<TZonePeriod>& Periods, size_t First, size_t Last, int64_t Local) {
  auto end = [&](size_t k) { return k + 1 < Periods.size() ? Periods[k + 1].At : std::numeric_limits<int64_t>::max(); };
  for (size_t k = First; k <= Last; ++k) {
    int64_t utc = WrappingAdd(Local, -Periods[k].Offset);
    if (utc >= Periods[k].At && utc < end(k)) return utc;
  }
  for (size_t k = First + 1; k <= Last; ++k)
    if (WrappingAdd(Periods[k].At, Periods[k - 1].Offset) <= Local && Local < WrappingAdd(Periods[k].At, Periods[k].Offset))
      return WrappingAdd(Local, -Periods[k].Offset);
  return WrappingAdd(Local, -Periods[Last].Offset);
}
