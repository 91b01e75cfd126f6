// A custom control that shows a window of rows out of many, scrolled by a scroll bar control
// of its dialog, the mouse wheel and the arrow and page keys.
#pragma once

#include <cstdint>

#include "xui/XUICustom.h"

class XUIScrollBar;

class XUIScroller : public XUICustom {
 public:
  XUIScroller(XUIPane* parent, HWND handle, int id);

  // The bar that scrolls this control (owned by the dialog's pane).
  void SetScrollBar(XUIScrollBar* bar);

  uint32_t TopRow() const { return m_topRow; }
  // Rows that fit the control's height.
  uint32_t VisibleRows() const;
  // Scrolls so that the row is the top one (kept within the rows).
  void ScrollTo(int64_t row);
  void ScrollToEnd();

 protected:
  virtual uint32_t TotalRows() = 0;
  // Pixels above the first row (a heading) and of each row.
  virtual int HeaderHeight() const { return 0; }
  int RowHeight() const;
  // Brings the bar up to date with the rows and the top row.
  void UpdateScrollBar();
  void OnWheel(int delta) override;
  void OnResize() override;
  bool OnKey(const XUIKeyEvent& key) override;

 private:
  void OnScrollRequest(int request);

  XUIScrollBar* m_bar = nullptr;
  uint32_t m_topRow = 0;
};
