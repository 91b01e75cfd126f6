#include "data/ado/OleDate.h"

#include <cmath>

#include "foundation/XDate.h"

namespace ado {
namespace {

// The OLE epoch as a day number.
int64_t OleEpoch() {
  static const int64_t epoch = XDate::CivilDayNumber(1899, 12, 30);
  return epoch;
}

constexpr double kMillisecondsPerDay = 86400000.0;

}  // namespace

double ToOleDate(const OleDateParts& parts) {
  const int64_t days = XDate::CivilDayNumber(parts.year, parts.month, parts.day) - OleEpoch();
  const double milliseconds = ((parts.hour * 60.0 + parts.minute) * 60.0 + parts.second) * 1000.0 +
                              parts.nanosecond / 1000000.0;
  const double fraction = milliseconds / kMillisecondsPerDay;
  // Before the epoch the fraction is added to the magnitude: -1.25 is 1899-12-29 06:00.
  return days >= 0 ? static_cast<double>(days) + fraction : static_cast<double>(days) - fraction;
}

OleDateParts FromOleDate(double oleDate) {
  // OLE dates run from the year 100 to 9999; a value beyond is held at the nearer end (and not
  // a number at the epoch), so that the day and year arithmetic below cannot overflow.
  constexpr double kFirst = -657434.0, kLast = 2958465.99999;
  if (std::isnan(oleDate)) oleDate = 0.0;
  oleDate = oleDate < kFirst ? kFirst : oleDate > kLast ? kLast : oleDate;
  double whole = std::trunc(oleDate);
  int64_t milliseconds = std::llround(std::fabs(oleDate - whole) * kMillisecondsPerDay);
  int64_t days = static_cast<int64_t>(whole);
  if (milliseconds >= static_cast<int64_t>(kMillisecondsPerDay)) {
    // Rounding reached midnight: the time of day always runs forward, also before the epoch
    // (-1.9999999999 is 1899-12-29 just before midnight), so this is the next day.
    milliseconds -= static_cast<int64_t>(kMillisecondsPerDay);
    days += 1;
  }
  OleDateParts parts;
  XDate::CivilDate(days + OleEpoch(), parts.year, parts.month, parts.day);
  parts.hour = static_cast<int32_t>(milliseconds / 3600000);
  parts.minute = static_cast<int32_t>(milliseconds / 60000 % 60);
  parts.second = static_cast<int32_t>(milliseconds / 1000 % 60);
  parts.nanosecond = static_cast<uint32_t>(milliseconds % 1000) * 1000000u;
  return parts;
}

}  // namespace ado
