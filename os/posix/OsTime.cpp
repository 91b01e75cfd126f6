#include "os/OsTime.h"

#include <langinfo.h>
#include <locale.h>
#include <sys/time.h>
#include <time.h>

#include "os/OsText.h"

namespace os {

LocalTime Now() {
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  tm parts{};
  localtime_r(&ts.tv_sec, &parts);
  LocalTime now;
  now.year = parts.tm_year + 1900;
  now.month = parts.tm_mon + 1;
  now.day = parts.tm_mday;
  now.hour = parts.tm_hour;
  now.minute = parts.tm_min;
  now.second = parts.tm_sec;
  now.millisecond = static_cast<int>(ts.tv_nsec / 1000000);
  return now;
}

int UtcOffsetMinutes(const LocalTime& local) {
  tm parts{};
  parts.tm_year = local.year - 1900;
  parts.tm_mon = local.month - 1;
  parts.tm_mday = local.day;
  parts.tm_hour = local.hour;
  parts.tm_min = local.minute;
  parts.tm_sec = local.second;
  parts.tm_isdst = -1;  // the zone's own rule for that day
  if (mktime(&parts) == static_cast<time_t>(-1)) return 0;
  return static_cast<int>(parts.tm_gmtoff / 60);
}

uint32_t TickCount() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<uint32_t>(static_cast<uint64_t>(ts.tv_sec) * 1000u +
                               static_cast<uint64_t>(ts.tv_nsec / 1000000));
}

namespace {

// The names of the user's LC_TIME locale, read without changing the process locale.
std::string LocaleItem(nl_item item) {
  locale_t loc = newlocale(LC_TIME_MASK, "", static_cast<locale_t>(0));
  if (loc == static_cast<locale_t>(0)) loc = newlocale(LC_TIME_MASK, "C", static_cast<locale_t>(0));
  locale_t utf8 = loc;
  std::string text = nl_langinfo_l(item, utf8);
  // Names come in the locale's own encoding; locales here are UTF-8 (or plain ASCII "C").
  freelocale(loc);
  return Utf8ToNarrow(text);
}

}  // namespace

std::string MonthName(int month) {
  static const nl_item items[12] = {MON_1, MON_2, MON_3, MON_4,  MON_5,  MON_6,
                                    MON_7, MON_8, MON_9, MON_10, MON_11, MON_12};
  if (month < 1 || month > 12) return std::string();
  return LocaleItem(items[month - 1]);
}

std::string WeekdayName(int weekday) {
  // nl_langinfo counts from Sunday; the system counts from Monday.
  static const nl_item items[7] = {DAY_2, DAY_3, DAY_4, DAY_5, DAY_6, DAY_7, DAY_1};
  if (weekday < 0 || weekday > 6) return std::string();
  return LocaleItem(items[weekday]);
}

void SleepMilliseconds(unsigned ms) {
  timespec ts{static_cast<time_t>(ms / 1000), static_cast<long>((ms % 1000) * 1000000L)};
  while (nanosleep(&ts, &ts) != 0) {
  }
}

}  // namespace os
