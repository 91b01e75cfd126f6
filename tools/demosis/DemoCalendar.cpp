#include "tools/demosis/DemoCalendar.h"

#include <cstdio>

namespace demosis {

// Howard Hinnant's days_from_civil / civil_from_days, exact for every representable year.
int32_t DayFromCivil(int year, int month, int day) {
  const int y = year - (month <= 2 ? 1 : 0);
  const int era = (y >= 0 ? y : y - 399) / 400;
  const int yoe = y - era * 400;
  const int doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

CivilDate CivilFromDay(int32_t z) {
  z += 719468;
  const int era = (z >= 0 ? z : z - 146096) / 146097;
  const int doe = z - era * 146097;
  const int yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int mp = (5 * doy + 2) / 153;
  CivilDate c;
  c.day = doy - (153 * mp + 2) / 5 + 1;
  c.month = mp < 10 ? mp + 3 : mp - 9;
  c.year = yoe + era * 400 + (c.month <= 2 ? 1 : 0);
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
