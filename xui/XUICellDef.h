// A column of a grid: its heading and its width in dialog units (0: the rest of the width).
#pragma once

#include "foundation/XString.h"
#include "xui/XUIBase.h"

class XUICellDef : public XUIBase {
 public:
  XUICellDef(const XString& title, int widthUnits) : m_title(title), m_widthUnits(widthUnits) {}
  const XString& Title() const { return m_title; }
  int WidthUnits() const { return m_widthUnits; }

 private:
  XString m_title;
  int m_widthUnits;
};
