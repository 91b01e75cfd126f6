#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <limits>

#include "foundation/XDigits.h"
#include "foundation/XOwnedVector.h"

namespace {

std::string Printf(const char* format, long long value, int width) {
  char text[64];
  std::snprintf(text, sizeof text, format, width, value);
  return text;
}

TEST(XDigits, IntegersMatchPrintfAtEveryWidthAndBothEnds) {
  const long long values[] = {0, 7, -7, 9, 10, -10, 99, 100, 2147483647LL, -2147483648LL,
                              std::numeric_limits<long long>::max(),
                              std::numeric_limits<long long>::min()};
  for (long long value : values) {
    EXPECT_EQ(xdigits::IntegerText(value).ToStd(), Printf("%0*lld", value, 1));
    for (int width = 1; width <= 21; ++width) {
      XString out("x");
      xdigits::AppendInteger(out, value, width);
      EXPECT_EQ(out.ToStd(), "x" + Printf("%0*lld", value, width)) << value << " width " << width;
    }
  }
}

TEST(XDigits, DatesAndTimesHaveFixedFields) {
  char text[32];
  char* end = xdigits::PutDate(text, 2009, 3, 8, '-', 4);
  EXPECT_EQ(std::string(text, end), "2009-03-08");
  end = xdigits::PutDate(text, 987, 12, 31, '/', 1);
  EXPECT_EQ(std::string(text, end), "987/12/31");
  end = xdigits::PutTime(text, ((23 * 60 + 5) * 60 + 9) * 1000 + 999);
  EXPECT_EQ(std::string(text, end), "23:05:09");
}

struct Counted {
  explicit Counted(int* deaths) : deaths(deaths) {}
  ~Counted() { ++*deaths; }
  int* deaths;
};

TEST(XOwnedVector, DeletesItsElementsOnceWhetherEmptiedOrDestroyed) {
  int deaths = 0;
  {
    XOwnedVector<Counted> list;
    for (int i = 0; i < 7; ++i) list.Add(new Counted(&deaths));
    list.DeleteAt(2);
    EXPECT_EQ(deaths, 1);
    EXPECT_EQ(list.Count(), 6u);
    list.DeleteAll();
    EXPECT_EQ(deaths, 7);
    EXPECT_EQ(list.Count(), 0u);
    list.Add(new Counted(&deaths));
  }
  EXPECT_EQ(deaths, 8);
}

}  // namespace
