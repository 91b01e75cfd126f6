#include "foundation/XDate.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "foundation/XDateNames.h"
#include "foundation/XDateTime.h"
#include "os/OsTime.h"

namespace {

// Fixes the clock for one test and gives the real (or environment) clock back afterwards.
class FixedClock {
 public:
  explicit FixedClock(int year, int month = 3, int day = 15) {
    XDateTime::SetFixedNow(XDateTime(XDate::FromYMD(year, month, day), XTime::FromHMS(10, 0, 0)));
  }
  ~FixedClock() { XDateTime::ClearFixedNow(); }
};

std::string Ymd(int day) { return XDate::FormatDate(day, "YYYY-MM-DD").ToStd(); }

int Parse(const char* text, const char* pattern) {
  int day = 12345;
  const bool ok = XDate::ParseDate(text, pattern, day);
  EXPECT_EQ(ok, day != XDate::kNone) << text << " / " << pattern;
  return day;
}

}  // namespace

TEST(XDate, DayNumbersAroundTheStartAndTheOleEpoch) {
  EXPECT_EQ(XDate::FromYMD(1600, 1, 1), 0);
  EXPECT_EQ(XDate::FromYMD(1600, 2, 29), 59);  // 1600 is a leap year
  EXPECT_EQ(XDate::FromYMD(1600, 3, 1), 60);
  EXPECT_EQ(XDate::FromYMD(1899, 12, 30), 109571);
  EXPECT_EQ(XDate::FromYMD(1900, 1, 1), 109573);
  EXPECT_EQ(XDate::FromYMD(1900, 3, 1) - XDate::FromYMD(1900, 2, 28), 1);  // 1900 is not
  EXPECT_EQ(XDate::FromYMD(2000, 3, 1) - XDate::FromYMD(2000, 2, 28), 2);  // 2000 is
  EXPECT_EQ(Ymd(0), "1600-01-01");
  EXPECT_EQ(Ymd(60), "1600-03-01");
  EXPECT_EQ(Ymd(109573), "1900-01-01");
}

TEST(XDate, NoDateAndRejectedParts) {
  EXPECT_EQ(XDate::FromYMD(1599, 12, 31), -1);
  EXPECT_EQ(XDate::FromYMD(2009, 0, 1), -1);
  EXPECT_EQ(XDate::FromYMD(2009, 1, 0), -1);
  EXPECT_EQ(XDate::FromYMD(2009, -1, 5), -1);
  EXPECT_EQ(Ymd(-1), "");
  int y = 1, m = 1, d = 1;
  XDate::ToYMD(-1, y, m, d);
  EXPECT_EQ(y + m + d, 0);
  EXPECT_EQ(XDate::AddDays(-1, 5), -1);
  EXPECT_EQ(XDate::Weekday(-1), -1);
}

TEST(XDate, CivilDayNumbersReachBeforeDayZero) {
  EXPECT_EQ(XDate::CivilDayNumber(1600, 1, 1), 0);
  EXPECT_EQ(XDate::CivilDayNumber(1599, 12, 31), -1);  // which FromYMD rejects
  EXPECT_EQ(XDate::CivilDayNumber(1899, 12, 30), XDate::FromYMD(1899, 12, 30));
  // The Gregorian rules hold backwards too: 1200 was a leap year, 1500 was not.
  EXPECT_EQ(XDate::CivilDayNumber(1200, 3, 1) - XDate::CivilDayNumber(1200, 2, 28), 2);
  EXPECT_EQ(XDate::CivilDayNumber(1500, 3, 1) - XDate::CivilDayNumber(1500, 2, 28), 1);
  for (int64_t day : {XDate::CivilDayNumber(1, 1, 1), int64_t{-1}, int64_t{-146097}}) {
    int y, m, d;
    XDate::CivilDate(day, y, m, d);
    EXPECT_EQ(XDate::CivilDayNumber(y, m, d), day) << y << "-" << m << "-" << d;
  }
  int y, m, d;
  XDate::CivilDate(-1, y, m, d);
  EXPECT_EQ(y * 10000 + m * 100 + d, 15991231);
}

TEST(XDate, DaysPastTheEndOfAMonthRollOver) {
  EXPECT_EQ(XDate::FromYMD(2009, 4, 31), XDate::FromYMD(2009, 5, 1));
  EXPECT_EQ(XDate::FromYMD(2009, 2, 30), XDate::FromYMD(2009, 3, 2));
  EXPECT_EQ(XDate::FromYMD(2009, 13, 1), XDate::FromYMD(2010, 1, 1));
}

TEST(XDate, EveryDayRoundTripsThroughYearMonthDay) {
  int prevY = 1599, prevM = 12, prevD = 31;
  for (int day = 0; day <= XDate::FromYMD(2400, 12, 31); ++day) {
    int y, m, d;
    XDate::ToYMD(day, y, m, d);
    ASSERT_EQ(XDate::FromYMD(y, m, d), day);
    // Each day follows its predecessor: the next day of the month, or the 1st after a month end.
    const bool nextInMonth = y == prevY && m == prevM && d == prevD + 1;
    const bool newMonth = d == 1 && ((y == prevY && m == prevM + 1) || (y == prevY + 1 && m == 1 && prevM == 12));
    ASSERT_TRUE(nextInMonth || newMonth) << y << "-" << m << "-" << d;
    prevY = y, prevM = m, prevD = d;
  }
}

TEST(XDate, WeekdaysCountFromASaturdayAtDayZero) {
  EXPECT_EQ(XDate::Weekday(0), 5);
  EXPECT_EQ(XDate::FormatDate(0, "DDDD").ToStd(), os::WeekdayName(5));
  EXPECT_EQ(XDate::Weekday(XDate::FromYMD(2009, 3, 15)), 6);  // a Sunday
  EXPECT_EQ(XDate::Weekday(XDate::FromYMD(1900, 1, 1)), 0);   // a Monday
}

TEST(XDate, YearMonthDayHelpersAndToday) {
  FixedClock clock(2009, 3, 15);
  EXPECT_EQ(XDate::Today(), XDate::FromYMD(2009, 3, 15));
  EXPECT_EQ(XDate::Year(XDate::Today()), 2009);
  EXPECT_EQ(Ymd(XDate::AddDays(XDate::Today(), 17)), "2009-04-01");
  EXPECT_EQ(Ymd(XDate::AddDays(XDate::Today(), -15)), "2009-02-28");
}

TEST(XDateFormat, NumberTokensAndCopiedCharacters) {
  const int day = XDate::FromYMD(2009, 3, 5);
  EXPECT_EQ(XDate::FormatDate(day, "YYYY/MM/DD").ToStd(), "2009/03/05");
  EXPECT_EQ(XDate::FormatDate(day, "dd/mm/yyyy").ToStd(), "05/03/2009");
  EXPECT_EQ(XDate::FormatDate(day, "yYyY-Mm-dD").ToStd(), "2009-03-05");
  EXPECT_EQ(XDate::FormatDate(day, "D.M.YY Y").ToStd(), "5.3.09 9");
  EXPECT_EQ(XDate::FormatDate(day, "YYYYMMDD").ToStd(), "20090305");
  EXPECT_EQ(XDate::FormatDate(XDate::FromYMD(2000, 12, 31), "D/M/YY|DD/MM/Y|YYYY").ToStd(), "31/12/00|31/12/0|2000");
  // Runs of Y other than 1, 2 and 4 are not year tokens.
  EXPECT_EQ(XDate::FormatDate(day, "YYY|YYYYY|yyy").ToStd(), "YYY|YYYYY|yyy");
  // The date-only form leaves the time tokens for someone else.
  EXPECT_EQ(XDate::FormatDate(day, "YYYY-MM-DD HH:NN:SS.LLL AA").ToStd(),
            "2009-03-05 HH:NN:SS.LLL AA");
}

TEST(XDateFormat, NameTokensUseTheLocaleNames) {
  const int day = XDate::FromYMD(2009, 3, 15);  // Sunday
  const std::string march = os::MonthName(3), sunday = os::WeekdayName(6);
  EXPECT_EQ(XDateNames::Month(3), march);
  EXPECT_EQ(XDateNames::Weekday(6), sunday);
  EXPECT_EQ(XDate::FormatDate(day, "MMM").ToStd(), march.substr(0, 3));
  EXPECT_EQ(XDate::FormatDate(day, "MMMMMM").ToStd(), march);
  EXPECT_EQ(XDate::FormatDate(day, "DDD|DDDD").ToStd(), sunday.substr(0, 3) + "|" + sunday);
  EXPECT_EQ(XDate::FormatDate(day, "W,WW,WWW,WWWW").ToStd(),
            sunday.substr(0, 1) + "," + sunday.substr(0, 2) + "," + sunday.substr(0, 3) + "," + sunday);
}

namespace {

// A made-up locale whose names meet the pattern letters; the real tables come back afterwards.
class OddNames : public ::testing::Test {
 protected:
  void SetUp() override {
    static const char* const months[12] = {
        "Jan", "Feb", "Mass", "Ahh", "X", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov",
        "Abcdefghijklmnopqrstuvwxyz"};
    static const char* const weekdays[7] = {"Mo", "Tu", "We", "Th", "Fr", "Sa", "Sun"};
    XDateNames::Replace(months, weekdays);
  }
  void TearDown() override { XDateNames::Reload(); }
};

}  // namespace

TEST_F(OddNames, ShortNamesAreWrittenWholeAndLongOnesKeepNineteenCharacters) {
  EXPECT_EQ(XDate::FormatDate(XDate::FromYMD(2009, 5, 1), "MMM").ToStd(), "X");
  EXPECT_EQ(XDate::FormatDate(XDate::FromYMD(2009, 12, 1), "MMMM").ToStd(), "Abcdefghijklmnopqrs");
  EXPECT_EQ(XDate::FormatDate(XDate::FromYMD(2009, 3, 16), "WWW DDD").ToStd(), "Mo Mo");
}

TEST_F(OddNames, TheTimePassSeesLettersInsideNames) {
  // 10:20:30 on a Monday in "Mass" and one in "Ahh": the second pass finds "ss" and "hh".
  const XDateTime inMass(XDate::FromYMD(2009, 3, 16), XTime::FromHMS(10, 20, 30));
  EXPECT_EQ(inMass.Format("MMMM").ToStd(), "Ma30");
  const XDateTime inAhh(XDate::FromYMD(2009, 4, 6), XTime::FromHMS(15, 20, 30));
  EXPECT_EQ(inAhh.Format("MMMM").ToStd(), "A15");
  EXPECT_EQ(inAhh.Format("MMMM AA").ToStd(), "A03 PM");
  // A single letter of a name is no token; a name letter next to a pattern letter makes a run.
  EXPECT_EQ(inAhh.Format("MMMMh").ToStd(), "Ahhh");
}

TEST_F(OddNames, MonthNamesAreParsedAgainstTheTable) {
  EXPECT_EQ(Ymd(Parse("15-mas-2009", "DD-MMM-YYYY")), "2009-03-15");
  EXPECT_EQ(Ymd(Parse("15-X-2009", "DD-MMM-YYYY")), "2009-05-15");
}

TEST(XDateParse, NumberFieldsAreSplitAtSeparators) {
  EXPECT_EQ(Ymd(Parse("2009/3/5", "YYYY/MM/DD")), "2009-03-05");
  EXPECT_EQ(Ymd(Parse("2009-03-15 10:20:30", "YYYY/MM/DD")), "2009-03-15");
  EXPECT_EQ(Ymd(Parse("03/15/2009", "MM/DD/YYYY")), "2009-03-15");
  EXPECT_EQ(Ymd(Parse("15.03.2009", "dd.mm.yyyy")), "2009-03-15");
  EXPECT_EQ(Ymd(Parse("20090315", "YYYYMMDD")), "2009-03-15");
}

TEST(XDateParse, MonthNamesByTheirFirstThreeLetters) {
  EXPECT_EQ(Ymd(Parse("15-Mar-2009", "DD-MMM-YYYY")), "2009-03-15");
  EXPECT_EQ(Ymd(Parse("15-MARCH-2009", "DD-MMMM-YYYY")), "2009-03-15");
  EXPECT_EQ(Ymd(Parse("1-jan-2010", "DD-MMM-YYYY")), "2010-01-01");
  // November is the last name looked up, and the 31st the last day a number field takes.
  EXPECT_EQ(Ymd(Parse("30-Nov-2024", "dd-mmm-yyyy")), "2024-11-30");
  EXPECT_EQ(Ymd(Parse("31-Oct-2024", "dd-mmm-yyyy")), "2024-10-31");
  EXPECT_EQ(Ymd(Parse("2024/12/31", "YYYY/MM/DD")), "2024-12-31");
  EXPECT_EQ(Ymd(Parse("32-Oct-2024", "dd-mmm-yyyy")), "");
  // Anything that is none of January to November is December.
  EXPECT_EQ(Ymd(Parse("15-Dec-2009", "DD-MMM-YYYY")), "2009-12-15");
  EXPECT_EQ(Ymd(Parse("15-Xyz-2009", "DD-MMM-YYYY")), "2009-12-15");
}

TEST(XDateParse, TwoDigitYearsFollowTheClock) {
  {
    FixedClock clock(2009);
    EXPECT_EQ(Ymd(Parse("30-01-02", "YY-MM-DD")), "1930-01-02");
    EXPECT_EQ(Ymd(Parse("29-01-02", "YY-MM-DD")), "2029-01-02");
    EXPECT_EQ(Ymd(Parse("10-01-02", "YY-MM-DD")), "2010-01-02");
    EXPECT_EQ(Ymd(Parse("00-01-02", "YY-MM-DD")), "2000-01-02");
  }
  {
    FixedClock clock(2050);
    EXPECT_EQ(Ymd(Parse("70-01-02", "YY-MM-DD")), "2070-01-02");
    EXPECT_EQ(Ymd(Parse("71-01-02", "YY-MM-DD")), "1971-01-02");
  }
}

TEST(XDateParse, IncompleteOrMalformedTextFails) {
  EXPECT_EQ(Parse("03/15", "MM/DD/YYYY"), -1);    // no year
  EXPECT_EQ(Parse("03/15", "MM/DD"), -1);         // pattern without a year
  EXPECT_EQ(Parse("", "YYYY-MM-DD"), -1);
  EXPECT_EQ(Parse("2009-x-15", "YYYY-MM-DD"), -1);  // a letter field under a number token
  EXPECT_EQ(Parse("1599-12-31", "YYYY-MM-DD"), -1);
  EXPECT_EQ(Parse("2009-13-01", "YYYY-MM-DD"), -1);
  EXPECT_EQ(Parse("2009-00-01", "YYYY-MM-DD"), -1);
  EXPECT_EQ(Parse("2009-01-32", "YYYY-MM-DD"), -1);
  EXPECT_EQ(Parse("99999999999999-01-01", "YYYY-MM-DD"), -1);
  EXPECT_EQ(Parse("10000-01-01", "YYYY-MM-DD"), -1);  // five-digit years, stored by anyone
  EXPECT_EQ(Parse("999999999-12-31", "YYYY-MM-DD"), -1);
  EXPECT_NE(Parse("9999-12-31", "YYYY-MM-DD"), -1);
  EXPECT_EQ(Parse("2009-01-01", "YY-MM-DD"), -1);
}

TEST(XDateParse, ArbitraryTextGivesAValidDayOrNone) {
  // Parsers meet text from databases and files; whatever they read must be a real date.
  static const char* const patterns[] = {"YYYY/MM/DD", "DD-MMM-YYYY", "YYYYMMDD", "MM/DD/YY"};
  static const char alphabet[] = "0123456789/-: aAmMpPxX\xe4";
  unsigned seed = 12345;
  char text[24];
  for (int i = 0; i < 20000; ++i) {
    const size_t length = (seed = seed * 1103515245u + 12345u) >> 16 & 15;
    for (size_t k = 0; k < length; ++k) {
      seed = seed * 1103515245u + 12345u;
      text[k] = alphabet[(seed >> 16) % (sizeof alphabet - 1)];
    }
    text[length] = '\0';
    int day = 0, ms = 0;
    if (XDate::ParseDate(text, patterns[i % 4], day)) {
      int y, m, d;
      XDate::ToYMD(day, y, m, d);
      ASSERT_TRUE(day >= 0 && m >= 1 && m <= 12) << text;
    } else {
      ASSERT_EQ(day, -1) << text;
    }
    if (XTime::ParseTime(text, i % 2 ? "HH:NN:SS.LLL" : "HH:NN AA", ms)) {
      ASSERT_TRUE(ms >= 0 && ms < XTime::kMsPerDay) << text;
    } else {
      ASSERT_EQ(ms, -1) << text;
    }
  }
}

TEST(XDate, AddingDaysNeverLeavesTheDayNumbers) {
  // Counts read from files reach this arithmetic: out of range is no date, never an overflow.
  const int last = XDate::FromYMD(9999, 12, 31);
  EXPECT_EQ(XDate::AddDays(last, 1), last + 1);
  EXPECT_EQ(XDate::AddDays(2147483000, 2147483647), XDate::kNone);
  EXPECT_EQ(XDate::AddDays(2147483647, 1), XDate::kNone);
  EXPECT_EQ(XDate::AddDays(5, -2147483647 - 1), XDate::kNone);
  EXPECT_EQ(XDate::AddDays(5, -6), XDate::kNone);
  EXPECT_EQ(XDate::AddDays(5, -5), 0);
  EXPECT_EQ(XDate::AddDays(XDate::kNone, 3), XDate::kNone);
}

// The store's "YYYY-MM-DD" days are read by a shortcut; the same text with slashes under
// "YYYY/MM/DD" takes the general reading, and both must agree on every text of that shape and
// near it, whatever the case of the pattern.
TEST(XDateParse, IsoDaysReadTheSameByTheShortcutAndTheGeneralReading) {
  static const char* const texts[] = {"2024-08-20", "2024-02-29", "2023-02-29", "2024-02-30", "2024-13-01",
                                      "2024-00-10", "2024-04-31", "2024-04-00", "0000-01-01", "9999-12-31",
                                      "1899-12-30", "2024-8-20",  "2024-08-2",  "2024-08-20x", "2024/08/20",
                                      "20240820",   "2024-08-20 00:00:00", " 2024-08-20", "", "abcd-ef-gh"};
  for (const char* text : texts) {
    std::string slashed(text);
    std::replace(slashed.begin(), slashed.end(), '-', '/');
    int shortcut = 0, lowerCase = 0, general = 0;
    const bool a = XDate::ParseDate(text, "YYYY-MM-DD", shortcut);
    const bool b = XDate::ParseDate(slashed.c_str(), "YYYY/MM/DD", general);
    EXPECT_EQ(a, b) << text;
    EXPECT_EQ(shortcut, general) << text;
    EXPECT_EQ(XDate::ParseDate(text, "yyyy-mm-dd", lowerCase), a) << text;
    EXPECT_EQ(lowerCase, shortcut) << text;
  }
  EXPECT_EQ(Parse("2024-02-29", "YYYY-MM-DD"), XDate::FromYMD(2024, 2, 29));
  EXPECT_EQ(Parse("2024-13-01", "YYYY-MM-DD"), XDate::kNone);
}
