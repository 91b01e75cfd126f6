#include "foundation/XDateTime.h"

#include <cmath>
#include <cstring>

#include "foundation/XException.h"
#include "os/OsSystem.h"
#include "os/OsTime.h"

namespace {

// OLE dates count from 1899-12-30, which is day 109571 here.
constexpr int kOleDay0 = 109571;

struct Clock {
  bool fixedInProcess = false;
  XDateTime fixed;
  bool environmentRead = false;
  bool fixedByEnvironment = false;
  XDateTime environmentNow;
  XString environmentText;  // kept for the error message of a malformed value
};

Clock& TheClock() {
  static Clock clock;
  return clock;
}

// "YYYY-MM-DD HH:NN:SS" or "YYYY-MM-DD".
bool ParseFixedNow(const XString& text, XDateTime& now) {
  XString trimmed(text);
  trimmed.Trim();
  int day = XDate::kNone;
  // Only the four-digit-year form: a two-digit year would need this very clock.
  if (!XDate::ParseDate(trimmed, "YYYY-MM-DD", day)) return false;
  int time = 0;
  const uint32_t blank = trimmed.Find(' ');
  if (blank < trimmed.Length()) {
    XString rest = trimmed.Mid(blank + 1);
    rest.Trim();
    if (!XTime::ParseTime(rest, "HH:NN:SS", time)) return false;
  }
  now = XDateTime(day, time);
  return true;
}

}  // namespace

XString XDateTime::Format(const char* pattern) const {
  if (m_date < 0 || m_time < 0 || pattern == nullptr) return XString();
  const XString dated = XDate::FormatDate(m_date, pattern);
  return XTime::FormatTime(m_time, dated, std::strstr(pattern, "AA") != nullptr);
}

int XDateTime::Compare(const XDateTime& other) const {
  if (m_date != other.m_date) return m_date < other.m_date ? -1 : 1;
  if (m_time != other.m_time) return m_time < other.m_time ? -1 : 1;
  return 0;
}

XDateTime XDateTime::Now() {
  Clock& clock = TheClock();
  if (clock.fixedInProcess) return clock.fixed;
  if (!clock.environmentRead) {
    clock.environmentRead = true;
    clock.environmentText = XString(os::GetEnv("QV_FIXED_NOW"));
    if (!clock.environmentText.IsEmpty()) {
      clock.fixedByEnvironment = true;
      if (!ParseFixedNow(clock.environmentText, clock.environmentNow))
        clock.environmentNow = XDateTime();
    }
  }
  if (clock.fixedByEnvironment) {
    if (!clock.environmentNow.IsValid())
      throw XException::Format(0, "QV_FIXED_NOW is not a date and time \"YYYY-MM-DD HH:NN:SS\": %s",
                               clock.environmentText.c_str());
    return clock.environmentNow;
  }
  const os::LocalTime now = os::Now();
  return XDateTime(XDate::FromYMD(now.year, now.month, now.day),
                   XTime::FromHMS(now.hour, now.minute, now.second, now.millisecond));
}

void XDateTime::SetFixedNow(const XDateTime& now) {
  Clock& clock = TheClock();
  clock.fixedInProcess = true;
  clock.fixed = now;
}

void XDateTime::ClearFixedNow() {
  Clock& clock = TheClock();
  clock.fixedInProcess = false;
  clock.environmentRead = false;
  clock.fixedByEnvironment = false;
}

XDateTime XDateTime::FromOleDate(double ole) {
  if (ole == 0.0 || !std::isfinite(ole)) return XDateTime();
  double whole = std::trunc(ole);
  // The fraction is the time of day on both sides of day 0 (-1.25 is 06:00 of 1899-12-29).
  // It is rounded to the millisecond, not truncated: most times of day have no exact binary
  // fraction, and truncating would turn 10:00:00 into 09:59:59.999.
  long long ms = std::llround(std::fabs(ole - whole) * XTime::kMsPerDay);
  if (ms >= XTime::kMsPerDay) {
    ms -= XTime::kMsPerDay;
    whole += 1.0;
  }
  const double day = whole + kOleDay0;
  if (day < 0.0 || day > 2147483647.0) return XDateTime();
  return XDateTime(static_cast<int>(day), static_cast<int>(ms));
}
