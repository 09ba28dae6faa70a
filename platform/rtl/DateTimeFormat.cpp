// Date-time text: patterns, the locale's settings, formatting and parsing.

#include <langinfo.h>
#include <locale.h>

#include <algorithm>
#include <vector>

#include "platform/rtl/DateTime.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/StringUtils.h"

namespace {

enum class Field { Literal, Year, Month, Day, Hour, Minute, Second, MilliSecond, AmPm };

struct Token {
  Field field;
  int width;           // numeric fields: 1 = no leading zeros, otherwise the digits written
  std::string text;    // Literal: the text; AmPm: the morning text
  std::string pmText;  // AmPm: the afternoon text
};

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsBlank(char c) { return c != 0 && static_cast<unsigned char>(c) <= 32; }

bool StartsWithNoCase(std::string_view text, size_t pos, std::string_view prefix) {
  if (prefix.empty() || text.size() - pos < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    if (LowerAscii(text[pos + i]) != LowerAscii(prefix[i])) return false;
  }
  return true;
}

size_t RunLength(std::string_view pattern, size_t pos) {
  size_t end = pos + 1;
  while (end < pattern.size() && LowerAscii(pattern[end]) == LowerAscii(pattern[pos])) ++end;
  return end - pos;
}

std::vector<Token> Tokenize(std::string_view pattern, const TFormatSettings& settings) {
  std::vector<Token> tokens;
  auto appendLiteral = [&tokens](std::string_view text) {
    if (!tokens.empty() && tokens.back().field == Field::Literal) {
      tokens.back().text += text;
    } else {
      tokens.push_back({Field::Literal, 0, std::string(text), {}});
    }
  };
  auto afterHour = [&tokens] {
    for (auto it = tokens.rbegin(); it != tokens.rend(); ++it) {
      if (it->field != Field::Literal) return it->field == Field::Hour;
    }
    return false;
  };

  size_t pos = 0;
  while (pos < pattern.size()) {
    const char c = pattern[pos];
    if (c == '"' || c == '\'') {
      const size_t close = std::min(pattern.find(c, pos + 1), pattern.size());
      appendLiteral(pattern.substr(pos + 1, close - pos - 1));
      pos = close + 1;
    } else if (StartsWithNoCase(pattern, pos, "am/pm")) {
      tokens.push_back({Field::AmPm, 0, std::string(pattern.substr(pos, 2)), std::string(pattern.substr(pos + 3, 2))});
      pos += 5;
    } else if (StartsWithNoCase(pattern, pos, "ampm")) {
      tokens.push_back({Field::AmPm, 0, settings.TimeAMString, settings.TimePMString});
      pos += 4;
    } else if (StartsWithNoCase(pattern, pos, "a/p")) {
      tokens.push_back({Field::AmPm, 0, std::string(pattern.substr(pos, 1)), std::string(pattern.substr(pos + 2, 1))});
      pos += 3;
    } else {
      const size_t run = RunLength(pattern, pos);
      const int upToTwo = run >= 2 ? 2 : 1;
      switch (LowerAscii(c)) {
        case 'y': tokens.push_back({Field::Year, run <= 2 ? 2 : 4, {}, {}}); pos += run; break;
        case 'm': tokens.push_back({afterHour() ? Field::Minute : Field::Month, upToTwo, {}, {}}); pos += upToTwo; break;
        case 'd': tokens.push_back({Field::Day, upToTwo, {}, {}}); pos += upToTwo; break;
        case 'h': tokens.push_back({Field::Hour, upToTwo, {}, {}}); pos += upToTwo; break;
        case 'n': tokens.push_back({Field::Minute, upToTwo, {}, {}}); pos += upToTwo; break;
        case 's': tokens.push_back({Field::Second, upToTwo, {}, {}}); pos += upToTwo; break;
        case 'z': {
          const int width = run >= 3 ? 3 : 1;
          tokens.push_back({Field::MilliSecond, width, {}, {}});
          pos += width;
          break;
        }
        default: appendLiteral(pattern.substr(pos, 1)); pos += 1; break;
      }
    }
  }
  return tokens;
}

bool Contains(const std::vector<Token>& tokens, Field field) {
  return std::any_of(tokens.begin(), tokens.end(), [field](const Token& token) { return token.field == field; });
}

void AppendNumber(std::string& out, unsigned value, int width) {
  const std::string digits = std::to_string(value);
  if (static_cast<int>(digits.size()) < width) out.append(width - digits.size(), '0');
  out += digits;
}

// ---- parsing ----

struct ParsedFields {
  int year = -1, month = -1, day = -1, hour = -1, minute = -1, second = -1, milliSecond = -1;
  bool twoDigitYear = false;
  int afternoon = -1;  // with an AM/PM field: 0 morning, 1 afternoon
};

bool MatchLiteral(std::string_view text, size_t& pos, std::string_view literal) {
  for (size_t i = 0; i < literal.size(); ++i) {
    if (IsBlank(literal[i])) {
      if (i > 0 && IsBlank(literal[i - 1])) continue;
      if (pos >= text.size() || !IsBlank(text[pos])) return false;
      while (pos < text.size() && IsBlank(text[pos])) ++pos;
    } else {
      if (pos >= text.size() || LowerAscii(text[pos]) != LowerAscii(literal[i])) return false;
      ++pos;
    }
  }
  return true;
}

bool ReadNumber(std::string_view text, size_t& pos, int maxDigits, int& value, int& digits) {
  value = 0;
  digits = 0;
  while (digits < maxDigits && pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
    value = value * 10 + (text[pos++] - '0');
    ++digits;
  }
  return digits > 0;
}

int MaxDigits(const Token& token) {
  if (token.field == Field::Year) return token.width;
  return token.field == Field::MilliSecond ? 3 : 2;
}

int* FieldSlot(ParsedFields& fields, Field field) {
  switch (field) {
    case Field::Year: return &fields.year;
    case Field::Month: return &fields.month;
    case Field::Day: return &fields.day;
    case Field::Hour: return &fields.hour;
    case Field::Minute: return &fields.minute;
    case Field::Second: return &fields.second;
    case Field::MilliSecond: return &fields.milliSecond;
    default: return nullptr;
  }
}

// A time may end after its minutes: the seconds and milliseconds that follow are then 0.
bool MayStopHere(const std::vector<Token>& tokens, size_t index, const ParsedFields& fields) {
  if (fields.hour < 0 || fields.minute < 0) return false;
  return std::none_of(tokens.begin() + static_cast<std::ptrdiff_t>(index), tokens.end(),
                      [](const Token& token) { return token.field == Field::AmPm; });
}

bool ParseTokens(const std::vector<Token>& tokens, std::string_view text, size_t& pos,
                 ParsedFields& fields, bool mayStopAfterMinutes) {
  for (size_t i = 0; i < tokens.size(); ++i) {
    const Token& token = tokens[i];
    if (mayStopAfterMinutes && pos == text.size() && MayStopHere(tokens, i, fields)) return true;
    if (token.field == Field::Literal) {
      if (!MatchLiteral(text, pos, token.text)) return false;
    } else if (token.field == Field::AmPm) {
      if (StartsWithNoCase(text, pos, token.text)) {
        fields.afternoon = 0;
        pos += token.text.size();
      } else if (StartsWithNoCase(text, pos, token.pmText)) {
        fields.afternoon = 1;
        pos += token.pmText.size();
      } else {
        return false;
      }
    } else {
      int digits;
      if (!ReadNumber(text, pos, MaxDigits(token), *FieldSlot(fields, token.field), digits)) return false;
      if (token.field == Field::Year) fields.twoDigitYear = digits <= 2;
    }
  }
  return true;
}

// A year given with two digits lies within 50 years of the current one.
int ExpandTwoDigitYear(int year) {
  const int currentYear = YearOf(Now());
  int result = currentYear / 100 * 100 + year;
  if (result < currentYear - 50) result += 100;
  if (result > currentYear + 49) result -= 100;
  return result;
}

bool ParseDate(std::string_view text, size_t& pos, const TFormatSettings& settings, TDateTime& date) {
  ParsedFields fields;
  size_t end = pos;
  if (!ParseTokens(Tokenize(settings.ShortDateFormat, settings), text, end, fields, false)) return false;
  if (fields.year < 0) fields.year = YearOf(Now());
  else if (fields.twoDigitYear) fields.year = ExpandTwoDigitYear(fields.year);
  if (fields.month < 0 || fields.day < 0) return false;
  if (!TryEncodeDate(static_cast<uint16_t>(fields.year), static_cast<uint16_t>(fields.month),
                     static_cast<uint16_t>(fields.day), date)) {
    return false;
  }
  pos = end;
  return true;
}

bool ParseTime(std::string_view text, size_t& pos, const TFormatSettings& settings, TDateTime& time) {
  ParsedFields fields;
  size_t end = pos;
  if (!ParseTokens(Tokenize(settings.LongTimeFormat, settings), text, end, fields, true)) return false;
  if (fields.hour < 0) return false;
  if (fields.afternoon >= 0) {
    if (fields.hour < 1 || fields.hour > 12) return false;
    fields.hour = fields.hour % 12 + (fields.afternoon == 1 ? 12 : 0);
  }
  if (!TryEncodeTime(static_cast<uint16_t>(fields.hour), static_cast<uint16_t>(std::max(fields.minute, 0)),
                     static_cast<uint16_t>(std::max(fields.second, 0)),
                     static_cast<uint16_t>(std::max(fields.milliSecond, 0)), time)) {
    return false;
  }
  pos = end;
  return true;
}

// ---- the locale ----

enum class Padding { Default, None, Zero };

void AppendQuotedLiteral(std::string& out, std::string_view literal) {
  size_t pos = 0;
  while (pos < literal.size()) {
    const char c = literal[pos];
    if (IsAsciiLetter(c)) {
      size_t end = pos;
      while (end < literal.size() && IsAsciiLetter(literal[end])) ++end;
      out += '"';
      out += literal.substr(pos, end - pos);
      out += '"';
      pos = end;
      continue;
    }
    if (c == '"') {
      out += "'\"'";
    } else if (c == '\'') {
      out += "\"'\"";
    } else {
      out += c;
    }
    ++pos;
  }
}

struct StrftimeTranslation {
  std::string pattern;
  std::string pendingLiteral;
  bool twelveHourField = false;
  bool amPmField = false;

  void Emit(std::string_view tokenText) {
    AppendQuotedLiteral(pattern, pendingLiteral);
    pendingLiteral.clear();
    pattern += tokenText;
  }
};

bool Translate(std::string_view format, StrftimeTranslation& out);

bool TranslateConversion(char conversion, Padding padding, StrftimeTranslation& out) {
  const bool noPadding = padding == Padding::None;
  const bool zeroPadding = padding == Padding::Zero;
  switch (conversion) {
    case 'd': out.Emit(noPadding ? "d" : "dd"); return true;
    case 'e': out.Emit(zeroPadding ? "dd" : "d"); return true;
    case 'm': out.Emit(noPadding ? "m" : "mm"); return true;
    case 'Y': out.Emit("yyyy"); return true;
    case 'y': out.Emit("yy"); return true;
    case 'H': out.Emit(noPadding ? "h" : "hh"); return true;
    case 'k': out.Emit(zeroPadding ? "hh" : "h"); return true;
    case 'I': out.Emit(noPadding ? "h" : "hh"); out.twelveHourField = true; return true;
    case 'l': out.Emit(zeroPadding ? "hh" : "h"); out.twelveHourField = true; return true;
    case 'M': out.Emit(noPadding ? "n" : "nn"); return true;
    case 'S': out.Emit(noPadding ? "s" : "ss"); return true;
    case 'p':
    case 'P': out.Emit("ampm"); out.amPmField = true; return true;
    case 'T': return Translate("%H:%M:%S", out);
    case 'R': return Translate("%H:%M", out);
    case 'r': return Translate("%I:%M:%S %p", out);
    case 'D': return Translate("%m/%d/%y", out);
    case 'F': return Translate("%Y-%m-%d", out);
    case 'n':
    case 't': out.pendingLiteral += ' '; return true;
    case '%': out.pendingLiteral += '%'; return true;
    default: return false;  // names, week numbers, eras, time zones ...
  }
}

bool Translate(std::string_view format, StrftimeTranslation& out) {
  size_t pos = 0;
  while (pos < format.size()) {
    const char c = format[pos++];
    if (c != '%') {
      out.pendingLiteral += c;
      continue;
    }
    Padding padding = Padding::Default;
    while (pos < format.size() && std::string_view("_-0^#").find(format[pos]) != std::string_view::npos) {
      if (format[pos] == '-' || format[pos] == '_') padding = Padding::None;
      if (format[pos] == '0') padding = Padding::Zero;
      ++pos;
    }
    // Alternative digits read as plain digits; an alternative era has no numeric twin.
    if (pos < format.size() && format[pos] == 'O') ++pos;
    if (pos >= format.size() || !TranslateConversion(format[pos], padding, out)) return false;
    ++pos;
  }
  return true;
}

bool IsPosixLocaleName(std::string_view name) {
  return name == "C" || name == "POSIX" || name.substr(0, 2) == "C.";
}

// ---- the three text forms and their errors ----

TDateTime ParseOrRaise(std::string_view text, const TFormatSettings& settings,
                       bool (*tryParse)(std::string_view, TDateTime&, const TFormatSettings&),
                       const char* what) {
  TDateTime value;
  if (!tryParse(text, value, settings)) {
    throw EConvertError("'" + std::string(text) + "' is not a valid " + what);
  }
  return value;
}

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// Reads the whole text, blanks around it aside, with one parser; value is left alone on failure.
bool ParseWhole(std::string_view text, const TFormatSettings& settings,
                bool (*parse)(std::string_view, size_t&, const TFormatSettings&, TDateTime&), TDateTime& value) {
  const std::string_view trimmed = TrimBlanks(text);
  size_t pos = 0;
  TDateTime parsed;
  if (!parse(trimmed, pos, settings, parsed) || pos != trimmed.size()) return false;
  value = parsed;
  return true;
}

}  // namespace

std::string StrftimeToDateTimePattern(std::string_view strftimePattern) {
  StrftimeTranslation translation;
  if (!Translate(strftimePattern, translation)) return {};
  // A 12-hour clock without its AM/PM marker (or the other way round) cannot be read back.
  if (translation.twelveHourField != translation.amPmField) return {};
  translation.Emit({});
  return translation.pattern;
}

TFormatSettings LocaleFormatSettings(const char* localeName) {
  TFormatSettings settings;  // ISO 8601 until the locale offers something usable
  const locale_t locale = newlocale(LC_TIME_MASK, localeName, locale_t{});
  if (locale == locale_t{}) return settings;
  if (!IsPosixLocaleName(nl_langinfo_l(_NL_LOCALE_NAME(LC_TIME), locale))) {
    const std::string am = nl_langinfo_l(AM_STR, locale);
    const std::string pm = nl_langinfo_l(PM_STR, locale);
    const bool hasAmPm = !am.empty() && !pm.empty() && !SameText(am, pm);
    if (hasAmPm) {
      settings.TimeAMString = am;
      settings.TimePMString = pm;
    }
    const std::string datePattern = StrftimeToDateTimePattern(nl_langinfo_l(D_FMT, locale));
    const std::vector<Token> dateTokens = Tokenize(datePattern, settings);
    if (Contains(dateTokens, Field::Year) && Contains(dateTokens, Field::Month) && Contains(dateTokens, Field::Day)) {
      settings.ShortDateFormat = datePattern;
    }
    const std::string timePattern = StrftimeToDateTimePattern(nl_langinfo_l(T_FMT, locale));
    const std::vector<Token> timeTokens = Tokenize(timePattern, settings);
    if (Contains(timeTokens, Field::Hour) && Contains(timeTokens, Field::Minute) &&
        (hasAmPm || !Contains(timeTokens, Field::AmPm))) {
      settings.LongTimeFormat = timePattern;
    }
  }
  freelocale(locale);
  return settings;
}

const TFormatSettings& FormatSettings() {
  static const TFormatSettings settings = LocaleFormatSettings("");
  return settings;
}

std::string FormatDateTime(std::string_view pattern, TDateTime value, const TFormatSettings& settings) {
  uint16_t year, month, day, hour, minute, second, milliSecond;
  DecodeDateTime(value, year, month, day, hour, minute, second, milliSecond);
  const std::vector<Token> tokens = Tokenize(pattern, settings);
  const bool twelveHour = Contains(tokens, Field::AmPm);
  std::string out;
  for (const Token& token : tokens) {
    switch (token.field) {
      case Field::Literal: out += token.text; break;
      case Field::Year: AppendNumber(out, token.width == 2 ? year % 100 : year, token.width); break;
      case Field::Month: AppendNumber(out, month, token.width); break;
      case Field::Day: AppendNumber(out, day, token.width); break;
      case Field::Hour: AppendNumber(out, twelveHour ? (hour + 11) % 12 + 1 : hour, token.width); break;
      case Field::Minute: AppendNumber(out, minute, token.width); break;
      case Field::Second: AppendNumber(out, second, token.width); break;
      case Field::MilliSecond: AppendNumber(out, milliSecond, token.width); break;
      case Field::AmPm: out += hour < 12 ? token.text : token.pmText; break;
    }
  }
  return out;
}

std::string DateToStr(TDateTime value, const TFormatSettings& settings) {
  return FormatDateTime(settings.ShortDateFormat, value, settings);
}

std::string TimeToStr(TDateTime value, const TFormatSettings& settings) {
  return FormatDateTime(settings.LongTimeFormat, value, settings);
}

std::string DateTimeToStr(TDateTime value, const TFormatSettings& settings) {
  if (TimeOf(value) == 0) return DateToStr(value, settings);
  return DateToStr(value, settings) + " " + TimeToStr(value, settings);
}

bool TryStrToDate(std::string_view text, TDateTime& value, const TFormatSettings& settings) {
  return ParseWhole(text, settings, ParseDate, value);
}

bool TryStrToTime(std::string_view text, TDateTime& value, const TFormatSettings& settings) {
  return ParseWhole(text, settings, ParseTime, value);
}

bool TryStrToDateTime(std::string_view text, TDateTime& value, const TFormatSettings& settings) {
  const std::string_view trimmed = TrimBlanks(text);
  size_t pos = 0;
  TDateTime date;
  if (ParseDate(trimmed, pos, settings, date)) {
    if (pos == trimmed.size()) {
      value = date;
      return true;
    }
    TDateTime time;
    if (MatchLiteral(trimmed, pos, " ") && ParseTime(trimmed, pos, settings, time) && pos == trimmed.size()) {
      value = ComposeDateTime(date, time);
      return true;
    }
  }
  return TryStrToTime(trimmed, value, settings);
}

TDateTime StrToDate(std::string_view text, const TFormatSettings& settings) {
  return ParseOrRaise(text, settings, TryStrToDate, "date");
}

TDateTime StrToTime(std::string_view text, const TFormatSettings& settings) {
  return ParseOrRaise(text, settings, TryStrToTime, "time");
}

TDateTime StrToDateTime(std::string_view text, const TFormatSettings& settings) {
  return ParseOrRaise(text, settings, TryStrToDateTime, "date and time");
}
