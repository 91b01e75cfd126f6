// Clock and calendar services of the operating system.
#pragma once

#include <cstdint>
#include <string>

namespace os {

struct LocalTime {
  int year = 0, month = 0, day = 0;  // month 1..12
  int hour = 0, minute = 0, second = 0, millisecond = 0;
};

// The machine's local date and time, to the millisecond.
LocalTime Now();

// Minutes east of UTC of the machine's time zone at a local time (daylight saving included),
// so that a time written for other machines says which moment it was.
int UtcOffsetMinutes(const LocalTime& local);

// Milliseconds from an arbitrary start, monotonic (wraps like a 32-bit tick count).
uint32_t TickCount();

// Month (1..12) and weekday (0 = Monday .. 6 = Sunday) names of the user's locale, in the
// narrow code page.
std::string MonthName(int month);
std::string WeekdayName(int weekday);

// Blocks the calling thread.
void SleepMilliseconds(unsigned ms);

}  // namespace os
