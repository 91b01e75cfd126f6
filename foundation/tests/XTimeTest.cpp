#include "foundation/XTime.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Hms(int ms) { return XTime::FormatTime(ms, "HH:NN:SS.LLL").ToStd(); }

int Parse(const char* text, const char* pattern) {
  int ms = 12345;
  const bool ok = XTime::ParseTime(text, pattern, ms);
  EXPECT_EQ(ok, ms != XTime::kNone) << text << " / " << pattern;
  return ms;
}

}  // namespace

TEST(XTimeFormat, TokensOfExactLength) {
  const int t = XTime::FromHMS(0, 5, 7, 9);
  EXPECT_EQ(Hms(t), "00:05:07.009");
  EXPECT_EQ(XTime::FormatTime(t, "hh:nn:ss").ToStd(), "00:05:07");
  // Runs of another length are copied, and so are the date letters.
  EXPECT_EQ(XTime::FormatTime(t, "HHH N SSS LL AAA YYYY-MM-DD").ToStd(), "HHH N SSS LL AAA YYYY-MM-DD");
  EXPECT_EQ(XTime::FormatTime(XTime::kNone, "HH:NN").ToStd(), "");
}

TEST(XTimeFormat, TwelveHourFormWhenThePatternHasAA) {
  EXPECT_EQ(XTime::FormatTime(XTime::FromHMS(0, 5, 7, 9), "HH:NN AA").ToStd(), "12:05 AM");
  EXPECT_EQ(XTime::FormatTime(XTime::FromHMS(13, 0, 0), "HH AA").ToStd(), "01 PM");
  EXPECT_EQ(XTime::FormatTime(XTime::FromHMS(12, 30, 0), "HH:NN AA").ToStd(), "12:30 PM");
  EXPECT_EQ(XTime::FormatTime(XTime::FromHMS(11, 59, 59), "HH:NN:SS AA").ToStd(), "11:59:59 AM");
  EXPECT_EQ(XTime::FormatTime(XTime::FromHMS(23, 0, 0), "HH AA").ToStd(), "11 PM");
  EXPECT_EQ(XTime::FormatTime(XTime::FromHMS(23, 0, 0), "HH:NN").ToStd(), "23:00");
}

TEST(XTimeParse, TwelveHourTexts) {
  EXPECT_EQ(Hms(Parse("01:30 PM", "HH:NN AA")), "13:30:00.000");
  EXPECT_EQ(Hms(Parse("12:05 AM", "HH:NN AA")), "00:05:00.000");
  EXPECT_EQ(Hms(Parse("12:05 pm", "HH:NN AA")), "12:05:00.000");
  EXPECT_EQ(Hms(Parse("11:59 AM", "HH:NN AA")), "11:59:00.000");
  // The pattern asks for a marker the text does not have.
  EXPECT_EQ(Parse("10:00", "HH:NN AA"), -1);
  EXPECT_EQ(Parse("10:00 X", "HH:NN AA"), -1);
}

TEST(XTimeParse, TwentyFourHourTexts) {
  EXPECT_EQ(Hms(Parse("10:00", "HH:NN")), "10:00:00.000");
  EXPECT_EQ(Hms(Parse("23:59:58.123", "HH:NN:SS.LLL")), "23:59:58.123");
  EXPECT_EQ(Hms(Parse("00:05:07.009", "HH:NN:SS.LLL")), "00:05:07.009");
  // A run takes only as many digits as the text has.
  EXPECT_EQ(Hms(Parse("7:5", "HH:NN")), "07:05:00.000");
  // Minutes and seconds the text lacks count as zero.
  EXPECT_EQ(Hms(Parse("14", "HH:NN:SS")), "14:00:00.000");
  EXPECT_EQ(Hms(Parse("143000", "HHNNSS")), "14:30:00.000");
}

TEST(XTimeParse, NoHourOrImpossibleTimesFail) {
  EXPECT_EQ(Parse("", "HH:NN"), -1);
  EXPECT_EQ(Parse(":30", "HH:NN"), -1);
  EXPECT_EQ(Parse("ab:cd", "HH:NN"), -1);
  EXPECT_EQ(Parse("24:00", "HH:NN"), -1);
  EXPECT_EQ(Parse("10:60", "HH:NN"), -1);
  EXPECT_EQ(Parse("10:00:61", "HH:NN:SS"), -1);
  EXPECT_EQ(Parse("99999999999999999999", "HHHHHHHHHHHHHHHHHHHH"), -1);
}

TEST(XTimeParse, FormattedTimesReadBack) {
  for (int ms = 0; ms < XTime::kMsPerDay; ms += 997 * 61) {
    int back = -1;
    ASSERT_TRUE(XTime::ParseTime(Hms(ms).c_str(), "HH:NN:SS.LLL", back));
    ASSERT_EQ(back, ms);
    ASSERT_TRUE(XTime::ParseTime(XTime::FormatTime(ms, "HH:NN:SS AA").c_str(), "HH:NN:SS AA", back));
    ASSERT_EQ(back, ms - ms % 1000);
  }
}
