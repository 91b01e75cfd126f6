// The date and time pattern parsers and formatters. Any text with any pattern: a date that
// parses is a real day. Any day with the patterns the system reads dates in: what is formatted
// parses back to the same day (and a time to the same millisecond).
#include <cstring>
#include <string>

#include "foundation/XDate.h"
#include "foundation/XDateTime.h"
#include "foundation/XTime.h"
#include "fuzz/FuzzSupport.h"

namespace {

// Patterns whose text holds the whole date, so that formatting and parsing are inverse.
const char* const kDatePatterns[] = {"YYYY/MM/DD", "DD-MMM-YYYY", "MM/DD/YYYY", "YYYY-MM-DD",
                                     "DD MMMM YYYY", "dd-mmm-yyyy", "MMM DD, YYYY"};
const char* const kTimePatterns[] = {"HH:NN:SS.LLL", "HH:NN:SS"};

uint32_t Number(const uint8_t* data, size_t size) {
  uint32_t n = 0;
  for (size_t i = 0; i < size && i < 4; ++i) n = n << 8 | data[i];
  return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // "Today" decides the two-digit-year window; fixed, so that an input always does the same.
  static const bool fixed = (XDateTime::SetFixedNow(XDateTime(XDate::FromYMD(2024, 11, 30), 0)), true);
  (void)fixed;

  const auto parts = fuzz::Parts(data, size, 3);
  const std::string& text = parts[0];
  const std::string& pattern = parts[1];

  int day = 0;
  if (XDate::ParseDate(text.c_str(), pattern.c_str(), day)) {
    int year, month, dayOfMonth;
    XDate::ToYMD(day, year, month, dayOfMonth);
    FUZZ_CHECK(day >= 0 && year >= 1600 && year <= 9999);
  } else {
    FUZZ_CHECK(day == -1);
  }
  int ms = 0;
  if (XTime::ParseTime(text.c_str(), pattern.c_str(), ms)) {
    FUZZ_CHECK(ms >= 0 && ms < XTime::kMsPerDay);
  } else {
    FUZZ_CHECK(ms == -1);
  }
  XDate::FormatDate(static_cast<int>(Number(data, size) % 3000000), pattern.c_str());
  XDateTime(static_cast<int>(Number(data, size) % 3000000), static_cast<int>(Number(data, size) % XTime::kMsPerDay))
      .Format(pattern.c_str());

  // Round trips over every day from 1600-01-01 to 9999-12-31 and every millisecond of a day.
  const int lastDay = XDate::FromYMD(9999, 12, 31);
  const int someDay = static_cast<int>(Number(data, size) % static_cast<uint32_t>(lastDay + 1));
  for (const char* datePattern : kDatePatterns) {
    const XString formatted = XDate::FormatDate(someDay, datePattern);
    int back = -1;
    FUZZ_CHECK(XDate::ParseDate(formatted.c_str(), datePattern, back));
    FUZZ_CHECK_EQ(std::to_string(back), std::to_string(someDay));
  }
  const int someTime = static_cast<int>(Number(data + (size > 4 ? 4 : size), size > 4 ? size - 4 : 0) %
                                        XTime::kMsPerDay);
  for (const char* timePattern : kTimePatterns) {
    const XString formatted = XTime::FormatTime(someTime, timePattern);
    int back = -1;
    FUZZ_CHECK(XTime::ParseTime(formatted.c_str(), timePattern, back));
    const int expected = std::strlen(timePattern) > 8 ? someTime : someTime / 1000 * 1000;
    FUZZ_CHECK_EQ(std::to_string(back), std::to_string(expected));
  }
  return 0;
}
