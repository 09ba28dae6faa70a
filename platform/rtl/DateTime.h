#pragma once
// TDateTime: days since 1899-12-30 as a double, the fraction being the time of day, local
// time. Before 1899-12-30 the integer part (rounded toward zero) is still the day and the
// fraction's absolute value is the time: -1.25 is 1899-12-29 06:00.
// Years run from 1 to 9999.

#include <cstdint>
#include <string>
#include <string_view>

typedef double TDateTime;

constexpr int HoursPerDay = 24;
constexpr int MinsPerDay = HoursPerDay * 60;
constexpr int SecsPerDay = MinsPerDay * 60;
constexpr int MSecsPerDay = SecsPerDay * 1000;

bool IsLeapYear(uint16_t year);
// 0 for a month outside 1..12.
uint16_t DaysInAMonth(uint16_t year, uint16_t month);
uint16_t DaysInMonth(TDateTime value);

// The Try forms return false for a field out of range; the others raise EConvertError
// "Invalid argument to date encode" / "Invalid argument to time encode".
bool TryEncodeDate(uint16_t year, uint16_t month, uint16_t day, TDateTime& value);
bool TryEncodeTime(uint16_t hour, uint16_t min, uint16_t sec, uint16_t msec, TDateTime& value);
bool TryEncodeDateTime(uint16_t year, uint16_t month, uint16_t day, uint16_t hour, uint16_t min,
                       uint16_t sec, uint16_t msec, TDateTime& value);
TDateTime EncodeDate(uint16_t year, uint16_t month, uint16_t day);
TDateTime EncodeTime(uint16_t hour, uint16_t min, uint16_t sec, uint16_t msec);
TDateTime EncodeDateTime(uint16_t year, uint16_t month, uint16_t day, uint16_t hour, uint16_t min,
                         uint16_t sec, uint16_t msec);

// Joins a day (a whole number) and a time of day (0 <= time < 1), negative days included.
TDateTime ComposeDateTime(TDateTime date, TDateTime time);

// Decoding rounds to the nearest millisecond; a time that rounds up to 24:00 becomes 00:00
// of the next day, so no field ever reads 60 seconds or 24 hours. A value outside the years
// 1..9999 (or not finite) decodes as 1899-12-30 00:00.
void DecodeDate(TDateTime value, uint16_t& year, uint16_t& month, uint16_t& day);
void DecodeTime(TDateTime value, uint16_t& hour, uint16_t& min, uint16_t& sec, uint16_t& msec);
void DecodeDateTime(TDateTime value, uint16_t& year, uint16_t& month, uint16_t& day, uint16_t& hour,
                    uint16_t& min, uint16_t& sec, uint16_t& msec);

// 1 = Sunday .. 7 = Saturday.
int DayOfWeek(TDateTime value);

uint16_t YearOf(TDateTime value);
uint16_t MonthOf(TDateTime value);
uint16_t DayOf(TDateTime value);
uint16_t HourOf(TDateTime value);
uint16_t MinuteOf(TDateTime value);
uint16_t SecondOf(TDateTime value);
uint16_t MilliSecondOf(TDateTime value);

// The day alone (time 00:00) and the time of day alone (always 0 <= TimeOf < 1).
TDateTime DateOf(TDateTime value);
TDateTime TimeOf(TDateTime value);

// Calendar arithmetic that stays right across 1899-12-30, where the plain sum of two doubles
// would run the time of day backwards. Results are whole milliseconds.
TDateTime IncDay(TDateTime value, int64_t days);
TDateTime IncHour(TDateTime value, int64_t hours);
TDateTime IncMinute(TDateTime value, int64_t minutes);
TDateTime IncSecond(TDateTime value, int64_t seconds);
TDateTime IncMilliSecond(TDateTime value, int64_t milliSeconds);

// The local clock: today at 00:00, the time of day, and both, to the millisecond.
TDateTime Date();
TDateTime Time();
TDateTime Now();

// Text forms. Patterns are read left to right:
//   yyyy year (4 digits)   yy year (2 digits)     m / mm month     d / dd day
//   h / hh hour            n / nn minute          s / ss second    z / zzz millisecond
//   AM/PM, am/pm, A/P, a/p: that text and a 12-hour clock;  ampm: TimeAMString/TimePMString
//   "text" or 'text': literal text;  anything else: itself
// The single-letter forms have no leading zero; an m right after an hour field is a minute.
struct TFormatSettings {
  std::string ShortDateFormat = "yyyy-mm-dd";
  std::string LongTimeFormat = "hh:nn:ss";
  std::string TimeAMString = "AM";
  std::string TimePMString = "PM";
};

// The user's settings, read once from the process environment's LC_TIME locale.
const TFormatSettings& FormatSettings();
// The settings of a named locale ("" = the environment's). The C and POSIX locales, a locale
// that cannot be loaded, and one whose patterns have no numeric equivalent give ISO 8601:
// "yyyy-mm-dd" and "hh:nn:ss".
TFormatSettings LocaleFormatSettings(const char* localeName);
// Translates a strftime pattern ("%d.%m.%Y") into the pattern above ("dd.mm.yyyy"); empty
// when it uses a conversion without a numeric equivalent (names of months, week numbers ...).
std::string StrftimeToDateTimePattern(std::string_view strftimePattern);

std::string FormatDateTime(std::string_view pattern, TDateTime value,
                           const TFormatSettings& settings = FormatSettings());
std::string DateToStr(TDateTime value, const TFormatSettings& settings = FormatSettings());
std::string TimeToStr(TDateTime value, const TFormatSettings& settings = FormatSettings());
// Short date, a blank and long time; the time is left out when it is exactly midnight.
std::string DateTimeToStr(TDateTime value, const TFormatSettings& settings = FormatSettings());

// Parsing reads what formatting writes: surrounding blanks are ignored, a blank in the
// pattern matches any run of blanks, numeric fields take 1 digit up to their width, a year
// of 1 or 2 digits lies within 50 years of the current year, and a time may stop after its
// minutes. A date-time text may be a date alone or a time alone.
// Failures raise EConvertError "'<text>' is not a valid date and time" (" ... valid date",
// "... valid time").
bool TryStrToDate(std::string_view text, TDateTime& value, const TFormatSettings& settings = FormatSettings());
bool TryStrToTime(std::string_view text, TDateTime& value, const TFormatSettings& settings = FormatSettings());
bool TryStrToDateTime(std::string_view text, TDateTime& value,
                      const TFormatSettings& settings = FormatSettings());
TDateTime StrToDate(std::string_view text, const TFormatSettings& settings = FormatSettings());
TDateTime StrToTime(std::string_view text, const TFormatSettings& settings = FormatSettings());
TDateTime StrToDateTime(std::string_view text, const TFormatSettings& settings = FormatSettings());
