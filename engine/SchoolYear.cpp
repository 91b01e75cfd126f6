// The school year, the attendance windows and SQL string literals.
#include "engine/SchoolYear.h"

#include "foundation/XDate.h"

namespace {

// The last day the windows reach: today, but not after the last school day, and not before
// the first.
int32_t WindowLimit(int32_t today, int32_t schoolStartDate, int32_t schoolEndDate) {
  int32_t limit = today;
  if (schoolEndDate < limit) limit = schoolEndDate;
  if (limit < schoolStartDate) limit = schoolStartDate;
  return limit;
}

// The days of a school year text "YYYY-YYYY": 1 July of the first year to 30 June of the
// next, the year that SchoolYearOf names. False for any other text.
bool SchoolYearDays(const XString& schoolYear, int32_t& first, int32_t& last) {
  const char* text = schoolYear.c_str();
  int year = 0;
  for (int i = 0; i < 4; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    year = year * 10 + (text[i] - '0');
  }
  if (text[4] != '-') return false;
  first = XDate::FromYMD(year, 7, 1);
  last = XDate::FromYMD(year + 1, 6, 30);
  return first != XDate::kNone && last != XDate::kNone;
}

}  // namespace

XString SqlStringLiteral(const XString& text) {
  XString literal = "'";
  for (uint32_t i = 0; i < text.Length(); ++i) {
    literal += text[i];
    if (text[i] == '\'') literal += '\'';
  }
  literal += "'";
  return literal;
}

XString SchoolYearOf(int32_t day) {
  int year = 0, month = 0, dayOfMonth = 0;
  XDate::ToYMD(day, year, month, dayOfMonth);
  int first = month >= 7 ? year : year - 1;
  XString text;
  text.Format(32, "%d-%d", first, first + 1);
  return text;
}

void ReadableAttendanceDays(int32_t today, int32_t schoolStartDate, int32_t schoolEndDate,
                            const XString& schoolYear, int32_t& first, int32_t& last) {
  first = schoolStartDate;
  last = WindowLimit(today, schoolStartDate, schoolEndDate);
  int32_t yearFirst = XDate::kNone, yearLast = XDate::kNone;
  if (!SchoolYearDays(schoolYear, yearFirst, yearLast)) return;
  // Terms whose middle falls in the school year asked for are that year's, and their first day
  // is the year's first day even before 1 July: its absences carry the year and are read back.
  // Terms of another year (still the old terms after 1 July) are cut at the year's bounds.
  const bool termsOfTheYear = schoolEndDate >= schoolStartDate &&
                              SchoolYearOf(schoolStartDate + (schoolEndDate - schoolStartDate) / 2) == schoolYear;
  if (first < yearFirst && !termsOfTheYear) first = yearFirst;
  if (last > yearLast) last = yearLast;
}

bool NextAttendanceWindow(int32_t today, int32_t schoolStartDate, int32_t schoolEndDate,
                          int32_t& updateDate, int32_t& windowStart, int32_t& windowEnd) {
  // Nothing after today, nothing after the school year, and nothing before it.
  const int32_t limit = WindowLimit(today, schoolStartDate, schoolEndDate);
  if (updateDate == XDate::kNone || updateDate < schoolStartDate) updateDate = schoolStartDate;
  windowStart = updateDate;

  const int32_t candidateEnd = updateDate + 6;  // seven days
  if (candidateEnd >= limit) {
    windowEnd = updateDate = limit;
    return true;
  }
  windowEnd = updateDate = candidateEnd;
  return false;
}
