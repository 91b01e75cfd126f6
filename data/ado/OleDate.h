// OLE Automation dates: a double counting days from 1899-12-30, the time of day as the
// fraction. Before the epoch the whole days are negative but the fraction still counts
// forward (-1.25 is 1899-12-29 06:00), as OLE defines it.
#pragma once

#include <cstdint>

namespace ado {

struct OleDateParts {
  int32_t year = 1899;
  int32_t month = 12;
  int32_t day = 30;
  int32_t hour = 0;
  int32_t minute = 0;
  int32_t second = 0;
  uint32_t nanosecond = 0;
};

double ToOleDate(const OleDateParts& parts);
// Rounded to the millisecond, which is all an OLE date holds reliably.
OleDateParts FromOleDate(double oleDate);

}  // namespace ado
