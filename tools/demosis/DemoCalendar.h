// Proleptic Gregorian day arithmetic for the generator: a day is counted from 1970-01-01.
#pragma once

#include <cstdint>
#include <string>

namespace demosis {

struct CivilDate {
  int year = 0, month = 0, day = 0;
};

int32_t DayFromCivil(int year, int month, int day);
CivilDate CivilFromDay(int32_t day);
// 0 = Monday .. 6 = Sunday.
int Weekday(int32_t day);
inline bool IsWeekday(int32_t day) { return Weekday(day) < 5; }
// "YYYY-MM-DD".
std::string FormatDay(int32_t day);
// Parses "YYYY-MM-DD" strictly; false when the text is not a valid date.
bool ParseDay(const std::string& text, int32_t& day);
// The n-th (1-based) given weekday of a month: NthWeekday(2008, 9, 0, 1) is the first Monday
// of September 2008.
int32_t NthWeekday(int year, int month, int weekday, int n);

}  // namespace demosis
