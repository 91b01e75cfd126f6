// A font created from "MS Shell Dlg" (the dialogs' own face) at a point size, for the custom
// controls that draw their own text.
#pragma once

#include <windows.h>

#include "xui/XUIBase.h"

class XUIFont : public XUIBase {
 public:
  explicit XUIFont(int points = 8, bool bold = false);
  ~XUIFont() override;
  HFONT Handle() const { return m_font; }
  // Height of a line of text in pixels.
  int LineHeight() const { return m_lineHeight; }

 private:
  HFONT m_font = nullptr;
  int m_lineHeight = 13;
};
