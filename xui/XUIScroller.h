// A custom control that shows a window of rows out of many, fed by a data source and scrolled
// by a scroll bar control of its dialog, the mouse wheel and the arrow and page keys. It asks
// the source for its row count, then for the cells of the rows it shows, and notices a changed
// source by the source's change counter. A click or an arrow key selects a row and tells the
// parent (kXUINotifyRowSelected with the row); a double click tells it kXUINotifyDoubleClick.
// The lists built on it say how a row's cells are drawn.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "xui/XUICustom.h"
#include "xui/XUIDataSource.h"

class XUIScrollBar;

class XUIScroller : public XUICustom {
 public:
  XUIScroller(XUIPane* parent, HWND handle, int id);

  // The bar that scrolls this control (owned by the dialog's pane).
  void SetScrollBar(XUIScrollBar* bar);

  void SetDataSource(XUIDataSource* source);
  XUIDataSource* DataSource() const { return m_source; }
  // Picks up a change of the source (its change counter): row count, scroll bar, redraw.
  void Refresh();
  // Rows of the source as last picked up.
  uint32_t RowCount() const { return m_rowCount; }
  // Keeps the last row in view as rows are added (a log).
  void SetFollowEnd(bool follow) { m_followEnd = follow; }

  uint32_t TopRow() const { return m_topRow; }
  // Rows that fit the control's height.
  uint32_t VisibleRows() const;
  // Scrolls so that the row is the top one (kept within the rows).
  void ScrollTo(int64_t row);
  void ScrollToEnd();

  int32_t SelectedRow() const { return m_selected; }
  // Selects a row (-1 for none) without telling the parent, scrolling it into view.
  void SelectRow(int32_t row);
  // The row under a point of the control, or -1.
  int32_t RowAt(int y) const;

  // The cells of the rows in view, fetched from the source as a repaint does.
  std::vector<XUIDataSource::Cells> FetchVisibleRows();

  // What a selection or a double click on a row does (runs from the parent's notification).
  void SetSelectAction(std::function<void(int32_t row)> action) { m_onSelect = std::move(action); }
  void SetDoubleClickAction(std::function<void(int32_t row)> action) { m_onDoubleClick = std::move(action); }
  bool OnNotify(NMHDR* header) override;

 protected:
  // Inner margin of the text in a cell, in pixels.
  static constexpr int kCellPad = 4;

  // Pixels above the first row (a heading) and of each row.
  virtual int HeaderHeight() const { return 0; }
  int RowHeight() const;
  // The source's rows changed (picked up by Refresh, before the redraw).
  virtual void OnRowsChanged() {}
  // Paints the heading band (when HeaderHeight is not 0) and the cells of one row; the font,
  // the transparent background and the text colour of the row are set.
  virtual void PaintHeading(HDC dc, const RECT& band) {}
  virtual void PaintCells(HDC dc, const RECT& band, const XUIDataSource::Cells& cells) = 0;
  // One line of text in a cell, inside the cell's margin, cut with an ellipsis when too long.
  static void DrawCellText(HDC dc, const RECT& cell, const XString& text);

  // Brings the bar up to date with the rows and the top row.
  void UpdateScrollBar();
  void Paint(HDC dc, const RECT& client) override;
  void OnMouseDown(int x, int y) override;
  void OnDoubleClick(int x, int y) override;
  void OnWheel(int delta) override;
  void OnResize() override;
  bool OnKey(const XUIKeyEvent& key) override;

 private:
  void OnScrollRequest(int request);
  void ChooseRow(int32_t row);

  XUIScrollBar* m_bar = nullptr;
  XUIDataSource* m_source = nullptr;
  uint32_t m_seenChange = 0;
  uint32_t m_rowCount = 0;
  uint32_t m_topRow = 0;
  int32_t m_selected = -1;
  bool m_followEnd = false;
  std::function<void(int32_t)> m_onSelect;
  std::function<void(int32_t)> m_onDoubleClick;
};
