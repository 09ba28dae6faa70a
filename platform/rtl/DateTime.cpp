#include "platform/rtl/DateTime.h"

#include <cmath>
#include <ctime>
#include <limits>

#include "platform/rtl/CivilDate.h"
#include "platform/rtl/Exceptions.h"

namespace {

constexpr int64_t MSecsPerDay64 = MSecsPerDay;
// 1899-12-30 counted from 1970-01-01.
constexpr int64_t DateDeltaFromUnix = -25569;
constexpr int64_t FirstDay = -693593;  // 0001-01-01
constexpr int64_t LastDay = 2958465;   // 9999-12-31

// A date-time as milliseconds on a straight line from 1899-12-30 00:00, rounded to the
// nearest millisecond. Values outside the supported years count as 0.
int64_t ToMSecs(TDateTime value) {
  if (!std::isfinite(value)) return 0;
  const double day = std::trunc(value);
  if (day < FirstDay || day > LastDay) return 0;
  const auto timeMSecs = static_cast<int64_t>(std::llround(std::fabs(value - day) * MSecsPerDay));
  return static_cast<int64_t>(day) * MSecsPerDay64 + timeMSecs;
}

TDateTime FromMSecs(int64_t msecs) {
  const int64_t day = FloorDiv(msecs, MSecsPerDay64);
  return ComposeDateTime(static_cast<double>(day),
                         static_cast<double>(msecs - day * MSecsPerDay64) / MSecsPerDay);
}

TDateTime AddMSecs(TDateTime value, int64_t count, int64_t unitMSecs) {
  int64_t delta;
  int64_t sum;
  if (__builtin_mul_overflow(count, unitMSecs, &delta) ||
      __builtin_add_overflow(ToMSecs(value), delta, &sum)) {
    sum = count < 0 ? std::numeric_limits<int64_t>::min() : std::numeric_limits<int64_t>::max();
  }
  return FromMSecs(sum);
}

struct DecodedDateTime {
  uint16_t year, month, day, hour, min, sec, msec;
};

DecodedDateTime Decode(TDateTime value) {
  const int64_t msecs = ToMSecs(value);
  const int64_t day = FloorDiv(msecs, MSecsPerDay64);
  auto timeMSecs = static_cast<int32_t>(msecs - day * MSecsPerDay64);
  DecodedDateTime result;
  const TCivilDate date = CivilFromDays(day + DateDeltaFromUnix);
  result.year = static_cast<uint16_t>(date.Year);
  result.month = static_cast<uint16_t>(date.Month);
  result.day = static_cast<uint16_t>(date.Day);
  result.msec = static_cast<uint16_t>(timeMSecs % 1000);
  timeMSecs /= 1000;
  result.sec = static_cast<uint16_t>(timeMSecs % 60);
  timeMSecs /= 60;
  result.min = static_cast<uint16_t>(timeMSecs % 60);
  result.hour = static_cast<uint16_t>(timeMSecs / 60);
  return result;
}

TDateTime FromTimespec(const timespec& now) {
  tm local{};
  localtime_r(&now.tv_sec, &local);
  return EncodeDateTime(static_cast<uint16_t>(local.tm_year + 1900), static_cast<uint16_t>(local.tm_mon + 1),
                        static_cast<uint16_t>(local.tm_mday), static_cast<uint16_t>(local.tm_hour),
                        static_cast<uint16_t>(local.tm_min),
                        // a leap second shows as the last millisecond of its minute
                        static_cast<uint16_t>(local.tm_sec > 59 ? 59 : local.tm_sec),
                        static_cast<uint16_t>(local.tm_sec > 59 ? 999 : now.tv_nsec / 1000000));
}

}  // namespace

bool IsLeapYear(uint16_t year) { return IsCivilLeapYear(year); }

uint16_t DaysInAMonth(uint16_t year, uint16_t month) {
  if (month < 1 || month > 12) return 0;
  return static_cast<uint16_t>(CivilDaysInMonth(year, month));
}

uint16_t DaysInMonth(TDateTime value) {
  const DecodedDateTime decoded = Decode(value);
  return DaysInAMonth(decoded.year, decoded.month);
}

bool TryEncodeDate(uint16_t year, uint16_t month, uint16_t day, TDateTime& value) {
  if (year < 1 || year > 9999 || day < 1 || day > DaysInAMonth(year, month)) return false;
  value = static_cast<double>(DaysFromCivil(year, month, day) - DateDeltaFromUnix);
  return true;
}

bool TryEncodeTime(uint16_t hour, uint16_t min, uint16_t sec, uint16_t msec, TDateTime& value) {
  if (hour >= HoursPerDay || min >= 60 || sec >= 60 || msec >= 1000) return false;
  value = static_cast<double>(((hour * 60 + min) * 60 + sec) * 1000 + msec) / MSecsPerDay;
  return true;
}

bool TryEncodeDateTime(uint16_t year, uint16_t month, uint16_t day, uint16_t hour, uint16_t min,
                       uint16_t sec, uint16_t msec, TDateTime& value) {
  TDateTime date;
  TDateTime time;
  if (!TryEncodeDate(year, month, day, date) || !TryEncodeTime(hour, min, sec, msec, time)) return false;
  value = ComposeDateTime(date, time);
  return true;
}

TDateTime EncodeDate(uint16_t year, uint16_t month, uint16_t day) {
  TDateTime value;
  if (!TryEncodeDate(year, month, day, value)) throw EConvertError("Invalid argument to date encode");
  return value;
}

TDateTime EncodeTime(uint16_t hour, uint16_t min, uint16_t sec, uint16_t msec) {
  TDateTime value;
  if (!TryEncodeTime(hour, min, sec, msec, value)) throw EConvertError("Invalid argument to time encode");
  return value;
}

TDateTime EncodeDateTime(uint16_t year, uint16_t month, uint16_t day, uint16_t hour, uint16_t min,
                         uint16_t sec, uint16_t msec) {
  const TDateTime date = EncodeDate(year, month, day);
  return ComposeDateTime(date, EncodeTime(hour, min, sec, msec));
}

TDateTime ComposeDateTime(TDateTime date, TDateTime time) { return date >= 0 ? date + time : date - time; }

void DecodeDate(TDateTime value, uint16_t& year, uint16_t& month, uint16_t& day) {
  const DecodedDateTime decoded = Decode(value);
  year = decoded.year;
  month = decoded.month;
  day = decoded.day;
}

void DecodeTime(TDateTime value, uint16_t& hour, uint16_t& min, uint16_t& sec, uint16_t& msec) {
  const DecodedDateTime decoded = Decode(value);
  hour = decoded.hour;
  min = decoded.min;
  sec = decoded.sec;
  msec = decoded.msec;
}

void DecodeDateTime(TDateTime value, uint16_t& year, uint16_t& month, uint16_t& day, uint16_t& hour,
                    uint16_t& min, uint16_t& sec, uint16_t& msec) {
  const DecodedDateTime decoded = Decode(value);
  year = decoded.year;
  month = decoded.month;
  day = decoded.day;
  hour = decoded.hour;
  min = decoded.min;
  sec = decoded.sec;
  msec = decoded.msec;
}

int DayOfWeek(TDateTime value) {
  // Day 0 was a Saturday.
  const int64_t day = FloorDiv(ToMSecs(value), MSecsPerDay64);
  return static_cast<int>((day % 7 + 13) % 7) + 1;
}

uint16_t YearOf(TDateTime value) { return Decode(value).year; }
uint16_t MonthOf(TDateTime value) { return Decode(value).month; }
uint16_t DayOf(TDateTime value) { return Decode(value).day; }
uint16_t HourOf(TDateTime value) { return Decode(value).hour; }
uint16_t MinuteOf(TDateTime value) { return Decode(value).min; }
uint16_t SecondOf(TDateTime value) { return Decode(value).sec; }
uint16_t MilliSecondOf(TDateTime value) { return Decode(value).msec; }

TDateTime DateOf(TDateTime value) {
  return static_cast<double>(FloorDiv(ToMSecs(value), MSecsPerDay64));
}

TDateTime TimeOf(TDateTime value) {
  const int64_t msecs = ToMSecs(value);
  return static_cast<double>(msecs - FloorDiv(msecs, MSecsPerDay64) * MSecsPerDay64) / MSecsPerDay;
}

TDateTime IncDay(TDateTime value, int64_t days) { return AddMSecs(value, days, MSecsPerDay64); }
TDateTime IncHour(TDateTime value, int64_t hours) { return AddMSecs(value, hours, 3600000); }
TDateTime IncMinute(TDateTime value, int64_t minutes) { return AddMSecs(value, minutes, 60000); }
TDateTime IncSecond(TDateTime value, int64_t seconds) { return AddMSecs(value, seconds, 1000); }
TDateTime IncMilliSecond(TDateTime value, int64_t milliSeconds) { return AddMSecs(value, milliSeconds, 1); }

TDateTime Now() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  return FromTimespec(now);
}

TDateTime Date() { return DateOf(Now()); }
TDateTime Time() { return TimeOf(Now()); }
