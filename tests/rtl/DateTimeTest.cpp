#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <ctime>
#include <limits>
#include <random>

#include "platform/rtl/DateTime.h"
#include "platform/rtl/Exceptions.h"
#include "tests/rtl/RtlTestSupport.h"

namespace {

struct Fields {
  uint16_t year, month, day, hour, min, sec, msec;
  bool operator==(const Fields&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Fields& f) {
  return out << f.year << '-' << f.month << '-' << f.day << ' ' << f.hour << ':' << f.min << ':' << f.sec << '.'
             << f.msec;
}

Fields DecodeAll(TDateTime value) {
  Fields f;
  DecodeDateTime(value, f.year, f.month, f.day, f.hour, f.min, f.sec, f.msec);
  return f;
}

TDateTime Encode(const Fields& f) { return EncodeDateTime(f.year, f.month, f.day, f.hour, f.min, f.sec, f.msec); }

Fields RandomFields(std::mt19937& random, uint16_t firstYear, uint16_t lastYear) {
  auto pick = [&random](int low, int high) {
    return static_cast<uint16_t>(std::uniform_int_distribution<int>(low, high)(random));
  };
  Fields f;
  f.year = pick(firstYear, lastYear);
  f.month = pick(1, 12);
  f.day = pick(1, DaysInAMonth(f.year, f.month));
  f.hour = pick(0, 23);
  f.min = pick(0, 59);
  f.sec = pick(0, 59);
  f.msec = pick(0, 999);
  return f;
}

TFormatSettings Settings(const char* date, const char* time) {
  TFormatSettings settings;
  settings.ShortDateFormat = date;
  settings.LongTimeFormat = time;
  return settings;
}

const TFormatSettings Iso;

}  // namespace

TEST(EncodeDate, CountsDaysFrom18991230) {
  EXPECT_EQ(EncodeDate(1899, 12, 30), 0.0);
  EXPECT_EQ(EncodeDate(1900, 1, 1), 2.0);
  EXPECT_EQ(EncodeDate(2000, 1, 1), 36526.0);
  EXPECT_EQ(EncodeDate(1, 1, 1), -693593.0);
  EXPECT_EQ(EncodeDate(9999, 12, 31), 2958465.0);
  EXPECT_EQ(EncodeDate(2024, 2, 29) - EncodeDate(2024, 2, 28), 1.0);
  EXPECT_EQ(EncodeDate(2024, 3, 1) - EncodeDate(2024, 2, 28), 2.0);
  EXPECT_EQ(EncodeTime(12, 0, 0, 0), 0.5);
  EXPECT_EQ(EncodeDateTime(2000, 1, 1, 18, 0, 0, 0), 36526.75);
}

TEST(EncodeDate, RejectsFieldsOutOfRange) {
  TDateTime value = 7;
  EXPECT_FALSE(TryEncodeDate(2023, 2, 29, value));
  EXPECT_FALSE(TryEncodeDate(1900, 2, 29, value));
  EXPECT_FALSE(TryEncodeDate(0, 1, 1, value));
  EXPECT_FALSE(TryEncodeDate(10000, 1, 1, value));
  EXPECT_FALSE(TryEncodeDate(2024, 13, 1, value));
  EXPECT_FALSE(TryEncodeDate(2024, 0, 1, value));
  EXPECT_FALSE(TryEncodeDate(2024, 4, 31, value));
  EXPECT_FALSE(TryEncodeDate(2024, 4, 0, value));
  EXPECT_FALSE(TryEncodeTime(24, 0, 0, 0, value));
  EXPECT_FALSE(TryEncodeTime(0, 60, 0, 0, value));
  EXPECT_FALSE(TryEncodeTime(0, 0, 60, 0, value));
  EXPECT_FALSE(TryEncodeTime(0, 0, 0, 1000, value));
  EXPECT_FALSE(TryEncodeDateTime(2024, 1, 1, 24, 0, 0, 0, value));
  EXPECT_EQ(value, 7.0);  // failures leave the value alone
  EXPECT_TRUE(TryEncodeDate(2000, 2, 29, value));
  EXPECT_TRUE(TryEncodeTime(23, 59, 59, 999, value));
  EXPECT_LT(value, 1.0);
  EXPECT_EQ(ErrorOf<EConvertError>([] { EncodeDate(2023, 2, 29); }), "Invalid argument to date encode");
  EXPECT_EQ(ErrorOf<EConvertError>([] { EncodeTime(25, 0, 0, 0); }), "Invalid argument to time encode");
  EXPECT_EQ(ErrorOf<EConvertError>([] { EncodeDateTime(2023, 1, 1, 0, 0, 0, 1000); }),
            "Invalid argument to time encode");
}

TEST(Calendar, LeapYearsMonthLengthsAndWeekdays) {
  EXPECT_FALSE(IsLeapYear(1900));
  EXPECT_TRUE(IsLeapYear(2000));
  EXPECT_TRUE(IsLeapYear(2024));
  EXPECT_FALSE(IsLeapYear(2100));
  EXPECT_EQ(DaysInAMonth(2024, 2), 29);
  EXPECT_EQ(DaysInAMonth(2023, 2), 28);
  EXPECT_EQ(DaysInAMonth(2023, 12), 31);
  EXPECT_EQ(DaysInAMonth(2023, 13), 0);
  EXPECT_EQ(DaysInMonth(EncodeDateTime(2024, 2, 10, 5, 0, 0, 0)), 29);
  EXPECT_EQ(DayOfWeek(0), 7);                          // 1899-12-30, a Saturday
  EXPECT_EQ(DayOfWeek(1.9), 1);                        // Sunday
  EXPECT_EQ(DayOfWeek(-1.5), 6);                       // Friday 1899-12-29
  EXPECT_EQ(DayOfWeek(EncodeDate(2024, 5, 20)), 2);    // Monday
  EXPECT_EQ(DayOfWeek(EncodeDate(1, 1, 1)), 2);        // proleptic Gregorian Monday
}

TEST(DecodeDateTime, NegativeValuesCountTheTimeForward) {
  EXPECT_EQ(EncodeDateTime(1899, 12, 29, 6, 0, 0, 0), -1.25);
  EXPECT_EQ(DecodeAll(-1.25), (Fields{1899, 12, 29, 6, 0, 0, 0}));
  EXPECT_EQ(DecodeAll(-0.5), (Fields{1899, 12, 30, 12, 0, 0, 0}));
  EXPECT_EQ(DecodeAll(-693593.5), (Fields{1, 1, 1, 12, 0, 0, 0}));
  EXPECT_EQ(DateOf(-1.25), -1.0);
  EXPECT_EQ(TimeOf(-1.25), 0.25);
  EXPECT_EQ(DateOf(36526.75), 36526.0);
  EXPECT_EQ(TimeOf(36526.75), 0.75);
  EXPECT_EQ(ComposeDateTime(-2, 0.5), -2.5);
  EXPECT_EQ(ComposeDateTime(3, 0.5), 3.5);
}

TEST(DecodeDateTime, RoundsToTheMillisecondWithoutOverflowingFields) {
  const TDateTime day = EncodeDate(2024, 12, 31);
  // 0.4 ms before midnight rounds into the next day and year, never to 24:00:00.000.
  EXPECT_EQ(DecodeAll(day + (MSecsPerDay - 0.4) / MSecsPerDay), (Fields{2025, 1, 1, 0, 0, 0, 0}));
  EXPECT_EQ(DecodeAll(day + (MSecsPerDay - 0.6) / MSecsPerDay), (Fields{2024, 12, 31, 23, 59, 59, 999}));
  EXPECT_EQ(DecodeAll(day + 59999.6 / MSecsPerDay), (Fields{2024, 12, 31, 0, 1, 0, 0}));
  // Before 1899-12-30 a time just short of 24:00 also carries into the following day.
  EXPECT_EQ(DecodeAll(-1 - (MSecsPerDay - 0.4) / MSecsPerDay), (Fields{1899, 12, 30, 0, 0, 0, 0}));
  EXPECT_EQ(SecondOf(0.5 + 999.6 / MSecsPerDay), 1);
  EXPECT_EQ(MilliSecondOf(0.5 + 999.4 / MSecsPerDay), 999);
  // Values no calendar holds decode as day 0 instead of running into undefined conversions.
  const Fields zero{1899, 12, 30, 0, 0, 0, 0};
  EXPECT_EQ(DecodeAll(std::numeric_limits<double>::quiet_NaN()), zero);
  EXPECT_EQ(DecodeAll(std::numeric_limits<double>::infinity()), zero);
  EXPECT_EQ(DecodeAll(1e300), zero);
  EXPECT_EQ(DecodeAll(-1e18), zero);
}

TEST(DecodeDateTime, RandomDateTimesRoundTripToTheMillisecond) {
  std::mt19937 random(20240229);
  for (int i = 0; i < 20000; ++i) {
    const Fields fields = RandomFields(random, 1, 9999);
    const TDateTime value = Encode(fields);
    ASSERT_EQ(DecodeAll(value), fields);
    ASSERT_EQ(YearOf(value), fields.year);
    ASSERT_EQ(MonthOf(value), fields.month);
    ASSERT_EQ(DayOf(value), fields.day);
    ASSERT_EQ(HourOf(value), fields.hour);
    ASSERT_EQ(MinuteOf(value), fields.min);
  }
}

TEST(IncDay, StepsAcross18991230) {
  EXPECT_EQ(IncDay(-1.25, 1), 0.25);
  EXPECT_EQ(IncDay(0.25, -1), -1.25);
  EXPECT_EQ(DecodeAll(IncHour(EncodeDateTime(1899, 12, 30, 1, 0, 0, 0), -2)), (Fields{1899, 12, 29, 23, 0, 0, 0}));
  EXPECT_EQ(DecodeAll(IncMinute(EncodeDateTime(2024, 2, 28, 23, 59, 0, 0), 1)), (Fields{2024, 2, 29, 0, 0, 0, 0}));
  EXPECT_EQ(DecodeAll(IncSecond(EncodeDateTime(2023, 12, 31, 23, 59, 59, 500), 1)), (Fields{2024, 1, 1, 0, 0, 0, 500}));
  EXPECT_EQ(DecodeAll(IncMilliSecond(-0.0, -1)), (Fields{1899, 12, 29, 23, 59, 59, 999}));
  // Absurd counts saturate instead of overflowing.
  EXPECT_FALSE(std::isnan(IncDay(1.0, std::numeric_limits<int64_t>::max())));
  EXPECT_FALSE(std::isnan(IncMilliSecond(1.0, std::numeric_limits<int64_t>::min())));
}

TEST(Now, ReadsTheLocalClock) {
  const time_t before = time(nullptr);
  const TDateTime now = Now();
  tm local{};
  localtime_r(&before, &local);
  const TDateTime expected = EncodeDateTime(static_cast<uint16_t>(local.tm_year + 1900),
                                            static_cast<uint16_t>(local.tm_mon + 1), static_cast<uint16_t>(local.tm_mday),
                                            static_cast<uint16_t>(local.tm_hour), static_cast<uint16_t>(local.tm_min),
                                            static_cast<uint16_t>(std::min(local.tm_sec, 59)), 0);
  EXPECT_GE(now, expected);
  EXPECT_LT((now - expected) * SecsPerDay, 5.0);
  EXPECT_LE(Date(), Now());
  EXPECT_EQ(Date(), std::floor(Date()));
  EXPECT_GE(Time(), 0.0);
  EXPECT_LT(Time(), 1.0);
}

TEST(FormatDateTime, WritesEachField) {
  const TDateTime value = EncodeDateTime(2024, 3, 5, 7, 8, 9, 10);
  EXPECT_EQ(FormatDateTime("dd.mm.yyyy hh:nn:ss.zzz", value, Iso), "05.03.2024 07:08:09.010");
  EXPECT_EQ(FormatDateTime("d/m/yy h:n:s.z", value, Iso), "5/3/24 7:8:9.10");
  EXPECT_EQ(FormatDateTime("YYYY-MM-DD HH:NN", value, Iso), "2024-03-05 07:08");
  EXPECT_EQ(FormatDateTime("hh:mm", value, Iso), "07:08");  // m after an hour is the minute
  EXPECT_EQ(FormatDateTime("\"Day\" d, 'month' m", value, Iso), "Day 5, month 3");
  EXPECT_EQ(FormatDateTime("yyyy", EncodeDate(33, 1, 1), Iso), "0033");
  EXPECT_EQ(FormatDateTime("h:nn AM/PM", EncodeTime(0, 30, 0, 0), Iso), "12:30 AM");
  EXPECT_EQ(FormatDateTime("h:nn AM/PM", EncodeTime(12, 0, 0, 0), Iso), "12:00 PM");
  EXPECT_EQ(FormatDateTime("h:nn am/pm", EncodeTime(13, 5, 0, 0), Iso), "1:05 pm");
  EXPECT_EQ(FormatDateTime("hh a/p", EncodeTime(23, 0, 0, 0), Iso), "11 p");
  TFormatSettings settings;
  settings.TimeAMString = "vorm.";
  settings.TimePMString = "nachm.";
  EXPECT_EQ(FormatDateTime("h ampm", EncodeTime(15, 0, 0, 0), settings), "3 nachm.");
  // Seconds are cut, not rounded, so a shown time never runs ahead of the value.
  EXPECT_EQ(FormatDateTime("hh:nn:ss", EncodeTime(12, 59, 59, 999), Iso), "12:59:59");
}

TEST(DateTimeToStr, LeavesOutAnExactMidnight) {
  EXPECT_EQ(DateTimeToStr(EncodeDateTime(2024, 3, 5, 7, 8, 9, 10), Iso), "2024-03-05 07:08:09");
  EXPECT_EQ(DateTimeToStr(EncodeDate(2024, 3, 5), Iso), "2024-03-05");
  EXPECT_EQ(DateTimeToStr(0, Iso), "1899-12-30");
  EXPECT_EQ(DateTimeToStr(-1.25, Iso), "1899-12-29 06:00:00");
  // Half a second after midnight is not midnight, even where the pattern hides it.
  EXPECT_EQ(DateTimeToStr(EncodeDateTime(2024, 3, 5, 0, 0, 0, 500), Iso), "2024-03-05 00:00:00");
  // A value that rounds to midnight counts as midnight of the next day.
  EXPECT_EQ(DateTimeToStr(EncodeDate(2024, 3, 5) + (MSecsPerDay - 0.2) / MSecsPerDay, Iso), "2024-03-06");
  const TFormatSettings german = Settings("dd.mm.yyyy", "hh:nn:ss");
  EXPECT_EQ(DateTimeToStr(EncodeDateTime(2024, 3, 5, 17, 0, 0, 0), german), "05.03.2024 17:00:00");
  EXPECT_EQ(DateToStr(EncodeDateTime(2024, 3, 5, 17, 0, 0, 0), german), "05.03.2024");
  EXPECT_EQ(TimeToStr(EncodeDateTime(2024, 3, 5, 17, 0, 0, 0), german), "17:00:00");
}

TEST(StrToDateTime, ReadsBackWhatFormattingWrote) {
  struct Case {
    TFormatSettings settings;
    bool keepsMilliseconds;
  };
  const Case cases[] = {
      {Iso, false},
      {Settings("dd.mm.yyyy", "hh:nn:ss.zzz"), true},
      {Settings("mm/dd/yyyy", "h:nn:ss ampm"), false},
      {Settings("d/m/yyyy", "h.nn.ss"), false},
      {Settings("yyyy. mm. dd.", "h:n:s.z"), true},
  };
  std::mt19937 random(7);
  for (const Case& c : cases) {
    for (int i = 0; i < 2000; ++i) {
      Fields fields = RandomFields(random, 1, 9999);
      const TDateTime value = Encode(fields);
      const std::string text = DateTimeToStr(value, c.settings);
      TDateTime parsed = -1;
      ASSERT_TRUE(TryStrToDateTime(text, parsed, c.settings)) << text;
      if (!c.keepsMilliseconds) fields.msec = 0;
      ASSERT_EQ(DecodeAll(parsed), fields) << text << " with " << c.settings.ShortDateFormat;
      ASSERT_EQ(StrToDate(DateToStr(value, c.settings), c.settings), DateOf(value)) << text;
    }
  }
}

TEST(StrToDateTime, TwoDigitYearsStayWithinFiftyYearsOfToday) {
  const TFormatSettings settings = Settings("mm/dd/yy", "hh:nn:ss");
  const int thisYear = YearOf(Now());
  std::mt19937 random(11);
  for (int i = 0; i < 500; ++i) {
    Fields fields = RandomFields(random, static_cast<uint16_t>(thisYear - 49), static_cast<uint16_t>(thisYear + 48));
    fields.msec = 0;
    ASSERT_EQ(DecodeAll(StrToDateTime(DateTimeToStr(Encode(fields), settings), settings)), fields);
  }
  EXPECT_EQ(YearOf(StrToDate("2024-1-2", Iso)), 2024);
  EXPECT_EQ(YearOf(StrToDate("0024-1-2", Iso)), 24);
}

TEST(StrToDateTime, AcceptsDateAloneTimeAloneAndLooseBlanks) {
  EXPECT_EQ(StrToDateTime("2024-03-05", Iso), EncodeDate(2024, 3, 5));
  EXPECT_EQ(StrToDateTime("  2024-03-05   07:08:09 ", Iso), EncodeDateTime(2024, 3, 5, 7, 8, 9, 0));
  EXPECT_EQ(StrToDateTime("2024-3-5 7:08", Iso), EncodeDateTime(2024, 3, 5, 7, 8, 0, 0));
  EXPECT_EQ(StrToDateTime("07:08:09", Iso), EncodeTime(7, 8, 9, 0));
  EXPECT_EQ(StrToDateTime("1899-12-29 06:00:00", Iso), -1.25);
  EXPECT_EQ(StrToTime("23:59", Iso), EncodeTime(23, 59, 0, 0));
  const TFormatSettings twelveHour = Settings("mm/dd/yyyy", "hh:nn:ss AM/PM");
  EXPECT_EQ(StrToTime("12:30:00 am", twelveHour), EncodeTime(0, 30, 0, 0));
  EXPECT_EQ(StrToTime("12:30:00 PM", twelveHour), EncodeTime(12, 30, 0, 0));
  EXPECT_EQ(StrToTime("01:00:00 PM", twelveHour), EncodeTime(13, 0, 0, 0));
}

TEST(StrToDateTime, RejectsInvalidText) {
  const TFormatSettings twelveHour = Settings("mm/dd/yyyy", "hh:nn:ss AM/PM");
  for (const char* text : {"", "abc", "2024-13-01", "2024-00-10", "2024-02-30", "2023-02-29", "0000-01-01",
                           "2024-03-05 25:00:00", "2024-03-05 24:00", "2024-03-05 12:60", "2024-03-05 12:00:60",
                           "2024-03-05x", "2024-03-05 07:08:09 junk", "2024-03-0507:08", "2024/03/05",
                           "20245-03-05", "2024-03-05 7"}) {
    TDateTime value = 42;
    EXPECT_FALSE(TryStrToDateTime(text, value, Iso)) << text;
    EXPECT_EQ(value, 42.0) << text;
  }
  TDateTime value;
  EXPECT_FALSE(TryStrToTime("13:00:00 PM", value, twelveHour));
  EXPECT_FALSE(TryStrToTime("00:30:00 AM", value, twelveHour));
  EXPECT_FALSE(TryStrToTime("11:30", value, twelveHour));
  EXPECT_FALSE(TryStrToDate("2024-03-05 07:08:09", value, Iso));
  EXPECT_FALSE(TryStrToTime("2024-03-05", value, Iso));
  EXPECT_EQ(ErrorOf<EConvertError>([] { StrToDateTime("2024-13-01", Iso); }),
            "'2024-13-01' is not a valid date and time");
  EXPECT_EQ(ErrorOf<EConvertError>([] { StrToDate(" x", Iso); }), "' x' is not a valid date");
  EXPECT_EQ(ErrorOf<EConvertError>([] { StrToTime("25:00", Iso); }), "'25:00' is not a valid time");
}

TEST(StrftimeToDateTimePattern, TranslatesNumericConversions) {
  EXPECT_EQ(StrftimeToDateTimePattern("%d.%m.%Y"), "dd.mm.yyyy");
  EXPECT_EQ(StrftimeToDateTimePattern("%m/%d/%Y"), "mm/dd/yyyy");
  EXPECT_EQ(StrftimeToDateTimePattern("%H:%M:%S"), "hh:nn:ss");
  EXPECT_EQ(StrftimeToDateTimePattern("%I:%M:%S %p"), "hh:nn:ss ampm");
  EXPECT_EQ(StrftimeToDateTimePattern("%r"), "hh:nn:ss ampm");
  EXPECT_EQ(StrftimeToDateTimePattern("%T"), "hh:nn:ss");
  EXPECT_EQ(StrftimeToDateTimePattern("%D"), "mm/dd/yy");
  EXPECT_EQ(StrftimeToDateTimePattern("%F"), "yyyy-mm-dd");
  EXPECT_EQ(StrftimeToDateTimePattern("%-d/%-m/%Y %e"), "d/m/yyyy d");
  EXPECT_EQ(StrftimeToDateTimePattern("%k.%OM %%"), "h.nn %");
  EXPECT_EQ(StrftimeToDateTimePattern("%Y\xE5\xB9\xB4%m\xE6\x9C\x88%d\xE6\x97\xA5"),
            "yyyy\xE5\xB9\xB4mm\xE6\x9C\x88" "dd\xE6\x97\xA5");
  // Literal letters and quotes are quoted so they never read as fields.
  EXPECT_EQ(StrftimeToDateTimePattern("%d de %m de %Y"), "dd \"de\" mm \"de\" yyyy");
  EXPECT_EQ(FormatDateTime(StrftimeToDateTimePattern("%d de %m 'y' \"%Y\""), EncodeDate(2024, 3, 5), Iso),
            "05 de 03 'y' \"2024\"");
  // Nothing numeric stands in for names, eras, day numbers or a 12-hour clock without AM/PM.
  for (const char* unusable : {"%b %d %Y", "%A", "%Ey", "%j", "%I:%M", "%H %p", "%d.%m.%", "%5d", "%Z"}) {
    EXPECT_EQ(StrftimeToDateTimePattern(unusable), "") << unusable;
  }
}

TEST(LocaleFormatSettings, PosixLocalesAndUnknownOnesGiveIso) {
  for (const char* name : {"C", "POSIX", "C.UTF-8", "no_such_LOCALE.UTF-8"}) {
    const TFormatSettings settings = LocaleFormatSettings(name);
    EXPECT_EQ(settings.ShortDateFormat, "yyyy-mm-dd") << name;
    EXPECT_EQ(settings.LongTimeFormat, "hh:nn:ss") << name;
  }
  // Whatever the environment's locale is, the default settings read back their own text.
  const TDateTime value = EncodeDateTime(2024, 3, 5, 7, 8, 9, 0);
  EXPECT_EQ(StrToDateTime(DateTimeToStr(value)), value);
  EXPECT_EQ(&FormatSettings(), &FormatSettings());
}
