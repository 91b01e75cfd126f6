#include "foundation/XDateTime.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "foundation/XException.h"
#include "os/OsSystem.h"
#include "os/OsTime.h"

namespace {

XDateTime At(int y, int mo, int d, int h, int mi, int s, int ms = 0) {
  return XDateTime(XDate::FromYMD(y, mo, d), XTime::FromHMS(h, mi, s, ms));
}

std::string Stamp(const XDateTime& value) { return value.Format("YYYY-MM-DD HH:NN:SS.LLL").ToStd(); }

// Puts QV_FIXED_NOW back as it was, and the clock with it.
class ClockEnvironment : public ::testing::Test {
 protected:
  void SetUp() override { m_saved = os::GetEnv("QV_FIXED_NOW"); }
  void TearDown() override {
    os::SetEnv("QV_FIXED_NOW", m_saved);
    XDateTime::ClearFixedNow();
  }
  void UseEnvironment(const char* value) {
    os::SetEnv("QV_FIXED_NOW", value);
    XDateTime::ClearFixedNow();
  }
  std::string m_saved;
};

}  // namespace

TEST(XDateTime, NewValueHoldsNothing) {
  XDateTime none;
  EXPECT_FALSE(none.IsValid());
  EXPECT_EQ(none.Date(), -1);
  EXPECT_EQ(none.Time(), -1);
  EXPECT_TRUE(XDateTime(0, -1).IsValid());
  EXPECT_TRUE(XDateTime(-1, 0).IsValid());
}

TEST(XDateTime, FormatNeedsBothParts) {
  EXPECT_EQ(XDateTime(XDate::FromYMD(2009, 3, 15), -1).Format("YYYY-MM-DD").ToStd(), "");
  EXPECT_EQ(XDateTime(-1, 0).Format("HH:NN").ToStd(), "");
  EXPECT_EQ(XDate::FormatDate(XDate::FromYMD(2009, 3, 15), "YYYY-MM-DD").ToStd(), "2009-03-15");
  EXPECT_EQ(XDateTime(0, 0).Format("YYYY-MM-DD HH:NN").ToStd(), "1600-01-01 00:00");
}

TEST(XDateTime, ThePatternsOfTheSystem) {
  const XDateTime t = At(2009, 3, 5, 13, 4, 9, 7);
  EXPECT_EQ(t.Format("YYYY/MM/DD HH:NN:SS").ToStd(), "2009/03/05 13:04:09");
  EXPECT_EQ(t.Format("dd/mm/yyyy|hh:nn:ss").ToStd(), "05/03/2009|13:04:09");
  EXPECT_EQ(t.Format("YYYYMMDDHHNNSS").ToStd(), "20090305130409");
  EXPECT_EQ(t.Format("YYYYMMDD HH:NN:SS:LLL").ToStd(), "20090305 13:04:09:007");
  EXPECT_EQ(t.Format("HH:NN:SS.LLL").ToStd(), "13:04:09.007");
  EXPECT_EQ(t.Format("MM/DD/YYYY").ToStd(), "03/05/2009");
  // English names in the test locale: Thursday, March.
  EXPECT_EQ(t.Format("WWW, MMM DD, YYYY: HH:NN:SS AA").ToStd(), "Thu, Mar 05, 2009: 01:04:09 PM");
  EXPECT_EQ(t.Format("MMM DD, YYYY HH:NN:SS").ToStd(), "Mar 05, 2009 13:04:09");
  EXPECT_EQ(t.Format("dd-mmm-yyyy").ToStd(), "05-Mar-2009");
  EXPECT_EQ(At(2009, 3, 5, 0, 5, 7).Format("HH:NN AA").ToStd(), "12:05 AM");
}

TEST(XDateTime, CompareByDateThenTime) {
  const XDateTime a = At(2009, 3, 15, 10, 0, 0), b = At(2009, 3, 15, 10, 0, 1), c = At(2009, 3, 16, 0, 0, 0);
  EXPECT_LT(a.Compare(b), 0);
  EXPECT_GT(c.Compare(b), 0);
  EXPECT_EQ(a.Compare(At(2009, 3, 15, 10, 0, 0)), 0);
  EXPECT_TRUE(XDateTime() < a);
  XDateTime copy = c;
  EXPECT_EQ(copy, c);
  copy.SetTime(1);
  EXPECT_NE(copy, c);
}

TEST(XDateTime, OleDates) {
  EXPECT_FALSE(XDateTime::FromOleDate(0.0).IsValid());
  EXPECT_EQ(Stamp(XDateTime::FromOleDate(39887.5)), "2009-03-15 12:00:00.000");
  EXPECT_EQ(Stamp(XDateTime::FromOleDate(1.0)), "1899-12-31 00:00:00.000");
  // Before 1899-12-30 the fraction still counts forward from midnight.
  EXPECT_EQ(Stamp(XDateTime::FromOleDate(-1.25)), "1899-12-29 06:00:00.000");
  // Before 1600, or not a number: nothing.
  EXPECT_FALSE(XDateTime::FromOleDate(-109572.0).IsValid());
  EXPECT_FALSE(XDateTime::FromOleDate(1e300).IsValid());
  EXPECT_FALSE(XDateTime::FromOleDate(std::numeric_limits<double>::quiet_NaN()).IsValid());
}

TEST(XDateTime, OleTimesLandOnTheirMillisecond) {
  // Database times reach the system as OLE doubles; a time must not come back one millisecond
  // early because its fraction has no exact binary form.
  for (int minute = 0; minute < 24 * 60; ++minute) {
    const double ole = 39887.0 + minute / 1440.0;
    const XDateTime t = XDateTime::FromOleDate(ole);
    ASSERT_EQ(t.Date(), XDate::FromYMD(2009, 3, 15));
    ASSERT_EQ(t.Time(), minute * 60000) << minute;
  }
  // A fraction a hair below the next midnight is that midnight.
  EXPECT_EQ(Stamp(XDateTime::FromOleDate(39887.0 + 0.9999999999)), "2009-03-16 00:00:00.000");
}

TEST_F(ClockEnvironment, NowFollowsTheFixedClockInProcess) {
  UseEnvironment("");
  const XDateTime fixed = At(1700, 6, 1, 8, 30, 0, 250);
  XDateTime::SetFixedNow(fixed);
  EXPECT_EQ(XDateTime::Now(), fixed);
  EXPECT_EQ(XDate::Today(), fixed.Date());
  XDateTime::ClearFixedNow();
  const XDateTime real = XDateTime::Now();
  EXPECT_TRUE(real.IsValid());
  EXPECT_NE(real.Date(), fixed.Date());
  // The machine clock agrees with the operating system's year (checked away from New Year).
  const os::LocalTime before = os::Now();
  if (!(before.month == 12 && before.day == 31)) {
    EXPECT_EQ(XDate::Year(real.Date()), before.year);
  }
}

TEST_F(ClockEnvironment, NowFollowsQV_FIXED_NOW) {
  UseEnvironment("2009-03-15 10:20:30");
  EXPECT_EQ(Stamp(XDateTime::Now()), "2009-03-15 10:20:30.000");
  EXPECT_EQ(XDate::Year(XDate::Today()), 2009);
  UseEnvironment("2031-01-02");
  EXPECT_EQ(Stamp(XDateTime::Now()), "2031-01-02 00:00:00.000");
  // The in-process setting wins.
  XDateTime::SetFixedNow(At(1999, 12, 31, 23, 59, 59));
  EXPECT_EQ(Stamp(XDateTime::Now()), "1999-12-31 23:59:59.000");
}

TEST_F(ClockEnvironment, AMalformedQV_FIXED_NOWIsAnError) {
  UseEnvironment("15/03/09 now");
  EXPECT_THROW(XDateTime::Now(), XException);
  UseEnvironment("2009-03-15 25:00:00");
  EXPECT_THROW(XDateTime::Now(), XException);
}
