#include "foundation/XDateNames.h"

#include <cstring>
#include <string>

#include "os/OsTime.h"

namespace {

struct NameTables {
  char months[12][XDateNames::kSlot];
  char weekdays[7][XDateNames::kSlot];
};

void Store(char (&slot)[XDateNames::kSlot], const char* name) {
  std::strncpy(slot, name, XDateNames::kSlot - 1);
  slot[XDateNames::kSlot - 1] = '\0';
}

void LoadFromLocale(NameTables& tables) {
  for (int m = 0; m < 12; ++m) Store(tables.months[m], os::MonthName(m + 1).c_str());
  for (int w = 0; w < 7; ++w) Store(tables.weekdays[w], os::WeekdayName(w).c_str());
}

// Filled on first use: asking the locale for 19 names on every formatted date would cost far
// more than the formatting itself.
NameTables& Tables() {
  static NameTables tables = [] {
    NameTables t{};
    LoadFromLocale(t);
    return t;
  }();
  return tables;
}

}  // namespace

const char* XDateNames::Month(int month) {
  if (month < 1 || month > 12) return "";
  return Tables().months[month - 1];
}

const char* XDateNames::Weekday(int weekday) {
  if (weekday < 0 || weekday > 6) return "";
  return Tables().weekdays[weekday];
}

void XDateNames::Replace(const char* const months[12], const char* const weekdays[7]) {
  NameTables& tables = Tables();
  for (int m = 0; m < 12; ++m) Store(tables.months[m], months[m] ? months[m] : "");
  for (int w = 0; w < 7; ++w) Store(tables.weekdays[w], weekdays[w] ? weekdays[w] : "");
}

void XDateNames::Reload() { LoadFromLocale(Tables()); }
