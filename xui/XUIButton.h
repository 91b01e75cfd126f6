// Push buttons, check boxes and radio buttons. A button runs its action when clicked.
#pragma once

#include "xui/XUIGizmo.h"

class XUIControl : public XUIGizmo {
 public:
  using XUIGizmo::XUIGizmo;
};

class XUIButton : public XUIControl {
 public:
  using XUIControl::XUIControl;
  // A click, as if the user had pressed the button.
  void Click();

 protected:
  int ActionCode() const override { return BN_CLICKED; }
};

class XUIRadioButton : public XUIButton {
 public:
  using XUIButton::XUIButton;
  bool IsChecked() const;
  void SetChecked(bool checked);
};
