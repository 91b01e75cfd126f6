#include "xui/XUIDateSelect.h"

#include <commctrl.h>

#include "foundation/XDate.h"

int XUIDateSelect::Date() const {
  SYSTEMTIME time{};
  if (Handle() == nullptr || SendMessageW(Handle(), DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&time)) != GDT_VALID) {
    return XDate::kNone;
  }
  return XDate::FromYMD(time.wYear, time.wMonth, time.wDay);
}

void XUIDateSelect::SetDate(int day) {
  if (Handle() == nullptr || day == XDate::kNone) return;
  int year = 0, month = 0, dayOfMonth = 0;
  XDate::ToYMD(day, year, month, dayOfMonth);
  SYSTEMTIME time{};
  time.wYear = static_cast<WORD>(year);
  time.wMonth = static_cast<WORD>(month);
  time.wDay = static_cast<WORD>(dayOfMonth);
  SendMessageW(Handle(), DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&time));
}
