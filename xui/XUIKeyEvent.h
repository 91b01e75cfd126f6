// A key pressed in a custom control: the virtual key and the modifier keys held.
#pragma once

#include <windows.h>

#include "xui/XUIBase.h"

class XUIKeyEvent : public XUIBase {
 public:
  explicit XUIKeyEvent(UINT key)
      : m_key(key), m_shift(GetKeyState(VK_SHIFT) < 0), m_control(GetKeyState(VK_CONTROL) < 0) {}
  UINT Key() const { return m_key; }
  bool Shift() const { return m_shift; }
  bool Control() const { return m_control; }

 private:
  UINT m_key;
  bool m_shift;
  bool m_control;
};
