#include "tools/demosis/DemoCalendar.h"

#include <cstdio>

#include "foundation/XDate.h"

namespace demosis {

namespace {

// 1970-01-01, the generator's day 0, as an XDate day number.
int64_t UnixEpoch() { return XDate::CivilDayNumber(1970, 1, 1); }

}  // namespace

int32_t DayFromCivil(int year, int month, int day) {
  return static_cast<int32_t>(XDate::CivilDayNumber(year, month, day) - UnixEpoch());
}

CivilDate CivilFromDay(int32_t day) {
  CivilDate c;
  XDate::CivilDate(day + UnixEpoch(), c.year, c.month, c.day);
  return c;
}

int Weekday(int32_t day) {
  // 1970-01-01 was a Thursday (3 when Monday is 0).
  int w = (day + 3) % 7;
  return w < 0 ? w + 7 : w;
}

std::string FormatDay(int32_t day) {
  const CivilDate c = CivilFromDay(day);
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", c.year, c.month, c.day);
  return text;
}

bool ParseDay(const std::string& text, int32_t& day) {
  if (text.size() != 10 || text[4] != '-' || text[7] != '-') return false;
  for (size_t i : {0u, 1u, 2u, 3u, 5u, 6u, 8u, 9u})
    if (text[i] < '0' || text[i] > '9') return false;
  const int y = std::stoi(text.substr(0, 4));
  const int m = std::stoi(text.substr(5, 2));
  const int d = std::stoi(text.substr(8, 2));
  if (m < 1 || m > 12 || d < 1 || d > 31) return false;
  day = DayFromCivil(y, m, d);
  const CivilDate back = CivilFromDay(day);
  return back.month == m && back.day == d;  // rejects 2009-02-30
}

int32_t NthWeekday(int year, int month, int weekday, int n) {
  const int32_t first = DayFromCivil(year, month, 1);
  const int offset = (weekday - Weekday(first) + 7) % 7;
  return first + offset + 7 * (n - 1);
}

}  // namespace demosis
