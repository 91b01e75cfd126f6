#include "data/ado/OleDate.h"

#include <cmath>

namespace ado {
namespace {

// Days from 1970-01-01 of a proleptic Gregorian date (H. Hinnant's civil algorithm).
int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int32_t& year, int32_t& month, int32_t& day) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  day = static_cast<int32_t>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int32_t>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int32_t>(yoe + era * 400 + (month <= 2));
}

const int64_t kOleEpoch = DaysFromCivil(1899, 12, 30);
constexpr double kMillisecondsPerDay = 86400000.0;

}  // namespace

double ToOleDate(const OleDateParts& parts) {
  const int64_t days = DaysFromCivil(parts.year, parts.month, parts.day) - kOleEpoch;
  const double milliseconds = ((parts.hour * 60.0 + parts.minute) * 60.0 + parts.second) * 1000.0 +
                              parts.nanosecond / 1000000.0;
  const double fraction = milliseconds / kMillisecondsPerDay;
  // Before the epoch the fraction is added to the magnitude: -1.25 is 1899-12-29 06:00.
  return days >= 0 ? static_cast<double>(days) + fraction : static_cast<double>(days) - fraction;
}

OleDateParts FromOleDate(double oleDate) {
  double whole = std::trunc(oleDate);
  int64_t milliseconds = std::llround(std::fabs(oleDate - whole) * kMillisecondsPerDay);
  int64_t days = static_cast<int64_t>(whole);
  if (milliseconds >= static_cast<int64_t>(kMillisecondsPerDay)) {
    // Rounding reached midnight of the next day (in the direction of the day's own time).
    milliseconds -= static_cast<int64_t>(kMillisecondsPerDay);
    days += oleDate < 0 ? -1 : 1;
  }
  OleDateParts parts;
  CivilFromDays(days + kOleEpoch, parts.year, parts.month, parts.day);
  parts.hour = static_cast<int32_t>(milliseconds / 3600000);
  parts.minute = static_cast<int32_t>(milliseconds / 60000 % 60);
  parts.second = static_cast<int32_t>(milliseconds / 1000 % 60);
  parts.nanosecond = static_cast<uint32_t>(milliseconds % 1000) * 1000000u;
  return parts;
}

}  // namespace ado
