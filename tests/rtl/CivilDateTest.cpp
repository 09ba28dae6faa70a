#include <gtest/gtest.h>

#include "platform/rtl/CivilDate.h"

TEST(CivilDate, FixedDaysOfTheEpochsItServes) {
  EXPECT_EQ(DaysFromCivil(1970, 1, 1), 0);
  EXPECT_EQ(DaysFromCivil(1601, 1, 1), -134774);   // FILETIME
  EXPECT_EQ(DaysFromCivil(1899, 12, 30), -25569);  // DATE and TDateTime
  EXPECT_EQ(DaysFromCivil(1, 1, 1), -719162);
  EXPECT_EQ(DaysFromCivil(9999, 12, 31), 2932896);
  EXPECT_EQ(DaysFromCivil(-1, 12, 31), -719529);
  EXPECT_EQ(WeekdayFromDays(0), 4u);                            // Thursday
  EXPECT_EQ(WeekdayFromDays(DaysFromCivil(1601, 1, 1)), 1u);    // Monday
  EXPECT_EQ(WeekdayFromDays(DaysFromCivil(1899, 12, 30)), 6u);  // Saturday
  EXPECT_EQ(CivilDaysInMonth(1900, 2), 28u);
  EXPECT_EQ(CivilDaysInMonth(2000, 2), 29u);
  EXPECT_EQ(CivilDaysInMonth(2100, 2), 28u);
  EXPECT_EQ(CivilDaysInMonth(-4, 2), 29u);
  EXPECT_EQ(FloorDiv(6, 7), 0);
  EXPECT_EQ(FloorDiv(7, 7), 1);
  EXPECT_EQ(FloorDiv(-1, 7), -1);
  EXPECT_EQ(FloorDiv(-7, 7), -1);
  EXPECT_EQ(FloorDiv(-8, 7), -2);
  EXPECT_EQ(FloorDiv(INT64_MIN, 10), INT64_MIN / 10 - 1);
}

// Every day from before year 0 to the last FILETIME year follows the one before it in the
// calendar, and each converts back to its number.
TEST(CivilDate, WalksDayByDayAndBack) {
  TCivilDate previous = CivilFromDays(DaysFromCivil(-801, 12, 31));
  ASSERT_EQ(previous.Year, -801);
  for (int64_t days = DaysFromCivil(-800, 1, 1); days <= DaysFromCivil(30828, 12, 31); ++days) {
    const TCivilDate date = CivilFromDays(days);
    const bool sameMonth = previous.Day < CivilDaysInMonth(previous.Year, previous.Month);
    const bool sameYear = sameMonth || previous.Month < 12;
    const TCivilDate expected = sameMonth  ? TCivilDate{previous.Year, previous.Month, previous.Day + 1}
                                : sameYear ? TCivilDate{previous.Year, previous.Month + 1, 1}
                                           : TCivilDate{previous.Year + 1, 1, 1};
    if (date.Year != expected.Year || date.Month != expected.Month || date.Day != expected.Day ||
        DaysFromCivil(date.Year, date.Month, date.Day) != days ||
        WeekdayFromDays(days) != (WeekdayFromDays(days - 1) + 1) % 7)
      FAIL() << "day " << days << " reads " << date.Year << "-" << date.Month << "-" << date.Day;
    previous = date;
  }
}
