// The school year of a run and the attendance windows within it, and the SQL string literal of
// a text that a condition compares with: rules that need nothing but their arguments.
#pragma once

#include <cstdint>

#include "foundation/XString.h"

// The text as an SQL string literal: between single quotes, each single quote doubled.
XString SqlStringLiteral(const XString& text);

// "YYYY-YYYY" of the school year the date falls in: a year turns on the 1st of July.
XString SchoolYearOf(int32_t day);

// The next date window of the attendance extracts, seven days at most, from the update date
// (-1 or before the school year: the first school day) up to today within the school year.
// Sets the window and moves the update date to its end; true for the last window.
// Consecutive windows share their boundary day. The school start and end are days.
bool NextAttendanceWindow(int32_t today, int32_t schoolStartDate, int32_t schoolEndDate,
                          int32_t& updateDate, int32_t& windowStart, int32_t& windowEnd);

// The days whose attendance the extracts can read back: from the first school day to the
// windows' last day (today within the school days), within the school year `schoolYear`
// ("YYYY-YYYY", 1 July to 30 June) that their queries ask for; terms of that year that start
// before 1 July are read from their first day. First after last: none.
void ReadableAttendanceDays(int32_t today, int32_t schoolStartDate, int32_t schoolEndDate,
                            const XString& schoolYear, int32_t& first, int32_t& last);
