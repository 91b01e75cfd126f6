// A date picker (the common controls' date-time picker in its date form).
#pragma once

#include "xui/XUIGizmo.h"

class XUIDateSelect : public XUIGizmo {
 public:
  using XUIGizmo::XUIGizmo;
  // The day number of the chosen date (XDate), or XDate::kNone.
  int Date() const;
  void SetDate(int day);
};
