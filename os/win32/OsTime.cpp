#include "os/OsTime.h"

#include <windows.h>

#include "os/OsText.h"

namespace os {

LocalTime Now() {
  SYSTEMTIME st{};
  GetLocalTime(&st);
  LocalTime now;
  now.year = st.wYear;
  now.month = st.wMonth;
  now.day = st.wDay;
  now.hour = st.wHour;
  now.minute = st.wMinute;
  now.second = st.wSecond;
  now.millisecond = st.wMilliseconds;
  return now;
}

int UtcOffsetMinutes(const LocalTime& local) {
  SYSTEMTIME localTime{};
  localTime.wYear = static_cast<WORD>(local.year);
  localTime.wMonth = static_cast<WORD>(local.month);
  localTime.wDay = static_cast<WORD>(local.day);
  localTime.wHour = static_cast<WORD>(local.hour);
  localTime.wMinute = static_cast<WORD>(local.minute);
  localTime.wSecond = static_cast<WORD>(local.second);
  SYSTEMTIME utc{};
  if (!TzSpecificLocalTimeToSystemTime(nullptr, &localTime, &utc)) return 0;
  FILETIME a{}, b{};
  if (!SystemTimeToFileTime(&localTime, &a) || !SystemTimeToFileTime(&utc, &b)) return 0;
  const auto ticks = [](const FILETIME& t) {
    return static_cast<long long>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime);
  };
  return static_cast<int>((ticks(a) - ticks(b)) / (10000000LL * 60));
}

uint32_t TickCount() { return GetTickCount(); }

namespace {

std::string LocaleText(LCTYPE type) {
  wchar_t buffer[80] = {};
  int n = GetLocaleInfoW(LOCALE_USER_DEFAULT, type, buffer, 80);
  if (n <= 1) return std::string();
  return WideToNarrow(std::u16string(reinterpret_cast<char16_t*>(buffer), static_cast<size_t>(n - 1)));
}

}  // namespace

std::string MonthName(int month) {
  if (month < 1 || month > 12) return std::string();
  return LocaleText(LOCALE_SMONTHNAME1 + static_cast<LCTYPE>(month - 1));
}

std::string WeekdayName(int weekday) {
  if (weekday < 0 || weekday > 6) return std::string();
  return LocaleText(LOCALE_SDAYNAME1 + static_cast<LCTYPE>(weekday));  // SDAYNAME1 is Monday
}

void SleepMilliseconds(unsigned ms) { Sleep(ms); }

}  // namespace os
