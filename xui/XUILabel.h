// Static text.
#pragma once

#include "xui/XUIGizmo.h"

class XUILabel : public XUIGizmo {
 public:
  using XUIGizmo::XUIGizmo;
};
