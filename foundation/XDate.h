// Calendar dates as day numbers: the count of days since 1600-01-01 (day 0) in the proleptic
// Gregorian calendar, -1 for no date. Day numbers are plain ints, so adding days and comparing
// dates is ordinary arithmetic; this class only converts them.
#pragma once

#include <cstdint>

#include "foundation/XString.h"

class XDate {
 public:
  static constexpr int kNone = -1;

  // Day number of a calendar date; -1 when the year is below 1600 or the month or day is 0 (or
  // negative). Nothing else is checked: day 31 of a 30-day month rolls into the next month, and
  // month 13 is January of the following year.
  static int FromYMD(int year, int month, int day);
  // Year, month (1..12) and day of month of a day number; all three 0 for no date.
  static void ToYMD(int day, int& year, int& month, int& dayOfMonth);
  static int Year(int day);

  // The same conversion for any proleptic Gregorian date (month 1..12), before 1600 too: no
  // checks, and negative day numbers before day 0. For day counts of other epochs, which
  // differ from the day number by a constant (OLE dates count from 1899-12-30).
  static int64_t CivilDayNumber(int64_t year, int month, int day);
  static void CivilDate(int64_t day, int& year, int& month, int& dayOfMonth);

  // Weekday of a day number, 0 = Monday .. 6 = Sunday (day 0 was a Saturday); -1 for no date.
  static int Weekday(int day);

  // Day number + n days; no date stays no date, and so does a sum before day 0 or beyond the
  // largest day number.
  static int AddDays(int day, int n);

  // Today's date by the system clock (see XDateTime::Now, which a test can fix).
  static int Today();

  // The date tokens of a pattern replaced, everything else copied (time tokens stay as they
  // are): D, DD day of month; DDD weekday abbreviated, DDDD+ weekday; M, MM month number; MMM
  // month abbreviated, MMMM+ month name; W..WWW first 1-3 letters of the weekday, WWWW+
  // weekday; Y last digit, YY last two digits, YYYY year (other runs of Y are copied). Letters
  // are case-insensitive and mix freely within a run. No date gives the empty text.
  static XString FormatDate(int day, const char* pattern);

  // Reads a date with a pattern such as "YYYY/MM/DD", "DD-MMM-YYYY" or "MM/DD/YYYY". Text and
  // pattern are split into fields (runs of letters, runs of digits) and matched by position;
  // separators are skipped. "YY" years fall in the 100-year window ending 20 years after the
  // current year. A month-name field is matched by its first three letters against January to
  // November; anything else counts as December. Returns false and day = -1 when year, month
  // and day are not all found, a number field is not all digits, or the year (above 9999),
  // month or day is out of range.
  static bool ParseDate(const char* text, const char* pattern, int& day);
};
