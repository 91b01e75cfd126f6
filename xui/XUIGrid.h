// Rows and columns fed by a data source. The grid asks the source for its row count, then for
// the cells of the rows it shows; it notices a changed source by the source's change counter.
// A click selects a row and tells the parent (kXUINotifyRowSelected with the row); a double
// click tells it kXUINotifyDoubleClick.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "xui/XUICellDef.h"
#include "xui/XUIDataSource.h"
#include "xui/XUIScroller.h"

class XUIGrid : public XUIScroller {
 public:
  XUIGrid(XUIPane* parent, HWND handle, int id);

  void SetDataSource(XUIDataSource* source);
  XUIDataSource* DataSource() const { return m_source; }
  // Columns; without any, the grid shows the first cell of each row across its width. The
  // headings are drawn when a column has a title.
  void AddColumn(const XString& title, int widthUnits);
  // Keeps the last row in view as rows are added (a log).
  void SetFollowEnd(bool follow) { m_followEnd = follow; }

  // Picks up a change of the source (its change counter): row count, scroll bar, redraw.
  void Refresh();

  int32_t SelectedRow() const { return m_selected; }
  // Selects a row (-1 for none) without telling the parent.
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
  uint32_t TotalRows() override;
  int HeaderHeight() const override;
  void Paint(HDC dc, const RECT& client) override;
  void OnMouseDown(int x, int y) override;
  void OnDoubleClick(int x, int y) override;
  bool OnKey(const XUIKeyEvent& key) override;

 private:
  std::vector<int> ColumnWidths(int totalWidth) const;
  void ChooseRow(int32_t row);

  XUIDataSource* m_source = nullptr;
  std::vector<std::unique_ptr<XUICellDef>> m_columns;
  uint32_t m_seenChange = 0;
  uint32_t m_rowCount = 0;
  int32_t m_selected = -1;
  bool m_followEnd = false;
  std::function<void(int32_t)> m_onSelect;
  std::function<void(int32_t)> m_onDoubleClick;
};
