#include "foundation/XDate.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "foundation/XDateNames.h"
#include "foundation/XDigits.h"
#include "foundation/XDateTime.h"

namespace {

// Days from 1970-01-01 of a proleptic Gregorian date (H. Hinnant's civil calendar algorithms),
// linear in the day so that days past the end of a month roll into the next.
constexpr int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int& year, int& month, int& day) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(yoe + era * 400 + (month <= 2));
}

constexpr int64_t kDay0 = DaysFromCivil(1600, 1, 1);

// Pattern letters are ASCII; the locale must not turn other bytes into them.
char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
// Letters of field splitting: ASCII letters and every byte of the upper half of the code page,
// so that month names with accented letters stay one field.
bool IsLetter(char c) {
  const unsigned char u = static_cast<unsigned char>(c);
  return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || u >= 0x80;
}

// The first n characters of a name (the whole name when it is shorter).
void AppendPrefix(XString& out, const char* name, size_t n) {
  out.Append(name, static_cast<uint32_t>(strnlen(name, n)));
}

// The decimal digits of the value, at least `minDigits` of them, as "%d" and "%02d" give them.
void AppendNumber(XString& out, int minDigits, int value) {
  xdigits::AppendInteger(out, value, minDigits);
}

struct Field {
  const char* text;
  size_t length;
};

// Fields are runs of letters or runs of digits; anything else separates them.
size_t SplitFields(const char* text, Field* fields, size_t capacity) {
  size_t count = 0;
  const char* p = text;
  while (*p && count < capacity) {
    if (!IsDigit(*p) && !IsLetter(*p)) {
      ++p;
      continue;
    }
    const bool digits = IsDigit(*p);
    const char* start = p;
    while (*p && (digits ? IsDigit(*p) : IsLetter(*p))) ++p;
    fields[count++] = Field{start, static_cast<size_t>(p - start)};
  }
  return count;
}

// A decimal number made only of digits; at most 9 of them so that it fits an int.
bool ReadNumber(const char* text, size_t length, int& value) {
  if (length == 0 || length > 9) return false;
  value = 0;
  for (size_t i = 0; i < length; ++i) {
    if (!IsDigit(text[i])) return false;
    value = value * 10 + (text[i] - '0');
  }
  return true;
}

// The pattern "YYYY-MM-DD" in either case (patterns are read without regard to case).
bool IsIsoPattern(const char* pattern) {
  static const char kIso[] = "YYYY-MM-DD";
  for (size_t i = 0; i < sizeof kIso; ++i) {
    if (Upper(pattern[i]) != kIso[i]) return false;
  }
  return true;
}

// Exactly "DDDD-DD-DD": its three numbers.
bool ReadIsoDate(const char* text, int& year, int& month, int& day) {
  return std::strlen(text) == 10 && text[4] == '-' && text[7] == '-' && ReadNumber(text, 4, year) &&
         ReadNumber(text + 5, 2, month) && ReadNumber(text + 8, 2, day);
}

// The part of a text field that a token of a pattern field stands for: the whole text field
// when the pattern field is nothing but that token's letter (so "3" fits "MM"), otherwise the
// characters at the token's place ("20090315" under "YYYYMMDD").
bool TokenSlice(const std::string& patternField, const char* token, const Field& textField,
                Field& slice) {
  const std::string::size_type at = patternField.find(token);
  if (at == std::string::npos) return false;
  if (patternField.find_first_not_of(token[0]) == std::string::npos) {
    slice = textField;
    return true;
  }
  const size_t length = std::strlen(token);
  if (at + length > textField.length) return false;
  slice = Field{textField.text + at, length};
  return true;
}

// Month of a month-name field: its first three characters against January to November, case
// aside; whatever matches none of them is December.
int MonthFromName(const Field& field) {
  for (int month = 1; month <= 11; ++month) {
    const char* name = XDateNames::Month(month);
    bool same = true;
    for (size_t i = 0; i < 3; ++i) {
      const char a = i < field.length ? field.text[i] : '\0';
      const char b = name[i];
      if (Upper(a) != Upper(b)) {
        same = false;
        break;
      }
      if (a == '\0') break;
    }
    if (same) return month;
  }
  return 12;
}

// A two-digit year in the 100-year window that ends 20 years after the current year.
int WindowYear(int yy) {
  const int end = XDate::Year(XDate::Today()) + 20;
  int year = end / 100 * 100 + yy;
  if (year > end) year -= 100;
  return year;
}

}  // namespace

int XDate::FromYMD(int year, int month, int day) {
  if (year < 1600 || month <= 0 || day <= 0) return kNone;
  int64_t y = year;
  y += (month - 1) / 12;
  month = (month - 1) % 12 + 1;
  const int64_t n = DaysFromCivil(y, month, day) - kDay0;
  if (n > INT32_MAX) return kNone;
  return static_cast<int>(n);
}

void XDate::ToYMD(int day, int& year, int& month, int& dayOfMonth) {
  if (day < 0) {
    year = month = dayOfMonth = 0;
    return;
  }
  CivilFromDays(kDay0 + day, year, month, dayOfMonth);
}

int64_t XDate::CivilDayNumber(int64_t year, int month, int day) {
  return DaysFromCivil(year, month, day) - kDay0;
}

void XDate::CivilDate(int64_t day, int& year, int& month, int& dayOfMonth) {
  CivilFromDays(kDay0 + day, year, month, dayOfMonth);
}

int XDate::Year(int day) {
  int y, m, d;
  ToYMD(day, y, m, d);
  return y;
}

int XDate::Weekday(int day) { return day < 0 ? -1 : (day + 5) % 7; }

int XDate::AddDays(int day, int n) {
  if (day < 0) return kNone;
  // Counts from stored files and databases can be anything: a sum outside the day numbers is
  // no date rather than an overflow.
  const int64_t sum = static_cast<int64_t>(day) + n;
  return sum < 0 || sum > INT32_MAX ? kNone : static_cast<int>(sum);
}

int XDate::Today() { return XDateTime::Now().Date(); }

XString XDate::FormatDate(int day, const char* pattern) {
  XString out;
  if (day < 0 || pattern == nullptr) return out;
  int year, month, dayOfMonth;
  ToYMD(day, year, month, dayOfMonth);
  const char* weekday = XDateNames::Weekday(Weekday(day));
  const char* monthName = XDateNames::Month(month);

  for (const char* p = pattern; *p;) {
    const char letter = Upper(*p);
    if (letter != 'D' && letter != 'M' && letter != 'W' && letter != 'Y') {
      out += *p++;
      continue;
    }
    const char* start = p;
    while (*p && Upper(*p) == letter) ++p;
    const size_t run = static_cast<size_t>(p - start);
    switch (letter) {
      case 'D':
        if (run == 1) AppendNumber(out, 1, dayOfMonth);
        else if (run == 2) AppendNumber(out, 2, dayOfMonth);
        else if (run == 3) AppendPrefix(out, weekday, 3);
        else out += weekday;
        break;
      case 'M':
        if (run == 1) AppendNumber(out, 1, month);
        else if (run == 2) AppendNumber(out, 2, month);
        else if (run == 3) AppendPrefix(out, monthName, 3);
        else out += monthName;
        break;
      case 'W':
        if (run <= 3) AppendPrefix(out, weekday, run);
        else out += weekday;
        break;
      case 'Y':
        if (run == 4) AppendNumber(out, 1, year);
        else if (run == 2) AppendNumber(out, 2, year % 100);
        else if (run == 1) AppendNumber(out, 1, year % 10);
        else out.Append(start, static_cast<uint32_t>(run));
        break;
    }
  }
  return out;
}

bool XDate::ParseDate(const char* text, const char* pattern, int& day) {
  day = kNone;
  if (text == nullptr || pattern == nullptr) return false;
  // "YYYY-MM-DD" text for that pattern (every day the attendance store holds) is read
  // directly, with the checks the general reading below makes.
  int isoYear, isoMonth, isoDay;
  if (IsIsoPattern(pattern) && ReadIsoDate(text, isoYear, isoMonth, isoDay)) {
    if (isoMonth < 1 || isoMonth > 12 || isoDay < 1 || isoDay > 31) return false;
    day = FromYMD(isoYear, isoMonth, isoDay);
    return day != kNone;
  }
  constexpr size_t kMaxFields = 32;
  Field patternFields[kMaxFields], textFields[kMaxFields];
  const size_t patternCount = SplitFields(pattern, patternFields, kMaxFields);
  const size_t textCount = SplitFields(text, textFields, kMaxFields);

  int year = -1, month = -1, dayOfMonth = -1;
  for (size_t i = 0; i < patternCount && i < textCount; ++i) {
    std::string field(patternFields[i].text, patternFields[i].length);
    for (char& c : field) c = Upper(c);
    const Field& value = textFields[i];
    Field slice{};
    int number = 0;

    if (TokenSlice(field, "YYYY", value, slice)) {
      // Four-digit years only: a stored "12345-01-01" is not a date.
      if (!ReadNumber(slice.text, slice.length, number) || number > 9999) return false;
      year = number;
    } else if (TokenSlice(field, "YY", value, slice)) {
      if (!ReadNumber(slice.text, slice.length, number) || number > 99) return false;
      year = WindowYear(number);
    }

    if (TokenSlice(field, "MMM", value, slice)) {
      month = MonthFromName(slice);
    } else if (TokenSlice(field, "MM", value, slice)) {
      if (!ReadNumber(slice.text, slice.length, number) || number < 1 || number > 12) return false;
      month = number;
    }

    if (TokenSlice(field, "DD", value, slice)) {
      if (!ReadNumber(slice.text, slice.length, number) || number < 1 || number > 31) return false;
      dayOfMonth = number;
    }
  }
  if (year < 0 || month < 0 || dayOfMonth < 0) return false;
  day = FromYMD(year, month, dayOfMonth);
  return day != kNone;
}
