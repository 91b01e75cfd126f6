// Month and weekday names of the user's locale, in the narrow code page, read once at first
// use. Each name keeps at most 19 characters (20-byte slots).
#pragma once

class XDateNames {
 public:
  static constexpr int kSlot = 20;

  // month 1..12; empty text outside.
  static const char* Month(int month);
  // weekday 0 = Monday .. 6 = Sunday; empty text outside.
  static const char* Weekday(int weekday);

  // Replaces the tables (12 month names, 7 weekday names from Monday), e.g. to test a locale
  // whose names meet the pattern letters; Reload() reads the locale again.
  static void Replace(const char* const months[12], const char* const weekdays[7]);
  static void Reload();
};
