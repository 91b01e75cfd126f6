// The notifications that the toolkit's custom controls send to their parent with WM_NOTIFY.
#pragma once

#include <windows.h>

#include <cstdint>

enum XUINotifyCode : UINT {
  kXUINotifyRowSelected = 0x7E00,  // a row was selected (XUIRowNotify)
  kXUINotifyDoubleClick = 0x7E01,  // a double click in the control (XUIRowNotify, row or -1)
};

struct XUIRowNotify {
  NMHDR header;
  int32_t row;  // -1 for none
};
