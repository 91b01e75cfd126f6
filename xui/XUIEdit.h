// An edit field.
#pragma once

#include "xui/XUIGizmo.h"

class XUIEdit : public XUIGizmo {
 public:
  using XUIGizmo::XUIGizmo;
  // Selects the whole text (after a failed check, so that typing replaces it).
  void SelectAll();
};
