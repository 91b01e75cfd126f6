// A date and a time of day as one value (XDate day number + XTime milliseconds), its text form,
// and the system clock.
//
// The clock: Now() is the machine's local time unless a fixed clock is set, so that tests and
// whole end-to-end runs can happen "on" a chosen date. A fixed clock is frozen (it does not
// tick). It is set
//   - in process with SetFixedNow(); ClearFixedNow() removes that setting again, or
//   - by the environment variable QV_FIXED_NOW, "YYYY-MM-DD HH:NN:SS" (or just "YYYY-MM-DD"),
//     read at the first use of the clock and again after ClearFixedNow(). This reaches runs
//     of the Windows build under Wine, where faketime cannot. A malformed value makes Now()
//     throw rather than silently run on the real date.
// The in-process setting wins over the environment. Everything that needs "today" (the
// two-digit-year window of the date parser, XDate::Today) reads this clock.
#pragma once

#include "foundation/XDate.h"
#include "foundation/XString.h"
#include "foundation/XTime.h"

class XDateTime {
 public:
  // No date and no time.
  XDateTime() = default;
  XDateTime(int date, int time) : m_date(date), m_time(time) {}

  int Date() const { return m_date; }
  int Time() const { return m_time; }
  void SetDate(int date) { m_date = date; }
  void SetTime(int time) { m_time = time; }
  // Valid unless both the date and the time are missing.
  bool IsValid() const { return m_date != XDate::kNone || m_time != XTime::kNone; }

  // Two passes: the date tokens of the pattern (as XDate::FormatDate), then the time tokens of
  // that result (as XTime::FormatTime, 12-hour form when the pattern holds "AA"). The second
  // pass also sees letters that the first pass wrote from month and weekday names, so a name
  // holding e.g. "ss" gets the seconds written into it. Empty text when the date or the time is
  // missing.
  XString Format(const char* pattern) const;

  // <0, 0, >0 by date, then time; a missing part sorts before any present one.
  int Compare(const XDateTime& other) const;
  bool operator==(const XDateTime& other) const { return Compare(other) == 0; }
  bool operator!=(const XDateTime& other) const { return Compare(other) != 0; }
  bool operator<(const XDateTime& other) const { return Compare(other) < 0; }

  // The clock (see above).
  static XDateTime Now();
  static void SetFixedNow(const XDateTime& now);
  static void ClearFixedNow();

  // An OLE Automation date: days since 1899-12-30, the fraction the time of day. 0.0 (and
  // anything not finite or before 1600) gives no date and no time.
  static XDateTime FromOleDate(double ole);

 private:
  int m_date = XDate::kNone;
  int m_time = XTime::kNone;
};
