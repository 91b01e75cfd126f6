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
