#include "xui/XUIGrid.h"

#include "xui/XUIFont.h"
#include "xui/XUILayout.h"
#include "xui/XUINotify.h"
#include "xui/XUIText.h"

XUIGrid::XUIGrid(XUIPane* parent, HWND handle, int id) : XUIScroller(parent, handle, id) {}

void XUIGrid::SetDataSource(XUIDataSource* source) {
  m_source = source;
  m_selected = -1;
  m_seenChange = source != nullptr ? source->ChangeCount() - 1 : 0;
  Refresh();
}

void XUIGrid::AddColumn(const XString& title, int widthUnits) {
  m_columns.push_back(std::make_unique<XUICellDef>(title, widthUnits));
  Invalidate();
}

uint32_t XUIGrid::TotalRows() { return m_rowCount; }

int XUIGrid::HeaderHeight() const {
  for (const auto& column : m_columns) {
    if (!column->Title().IsEmpty()) return RowHeight() + 2;
  }
  return 0;
}

void XUIGrid::Refresh() {
  if (m_source == nullptr) {
    m_rowCount = 0;
  } else {
    if (m_source->ChangeCount() == m_seenChange) return;
    m_seenChange = m_source->ChangeCount();
    m_rowCount = m_source->RowCount();
  }
  if (m_selected >= static_cast<int32_t>(m_rowCount)) m_selected = -1;
  if (m_followEnd) {
    ScrollToEnd();
  } else {
    ScrollTo(TopRow());
  }
  Invalidate();
}

void XUIGrid::SelectRow(int32_t row) {
  if (row < -1 || row >= static_cast<int32_t>(m_rowCount)) row = -1;
  m_selected = row;
  if (row >= 0) {
    if (static_cast<uint32_t>(row) < TopRow()) {
      ScrollTo(row);
    } else if (static_cast<uint32_t>(row) >= TopRow() + VisibleRows()) {
      ScrollTo(static_cast<int64_t>(row) - VisibleRows() + 1);
    }
  }
  Invalidate();
}

int32_t XUIGrid::RowAt(int y) const {
  int offset = y - HeaderHeight();
  if (offset < 0) return -1;
  int64_t row = static_cast<int64_t>(TopRow()) + offset / RowHeight();
  return row < static_cast<int64_t>(m_rowCount) ? static_cast<int32_t>(row) : -1;
}

std::vector<XUIDataSource::Cells> XUIGrid::FetchVisibleRows() {
  std::vector<XUIDataSource::Cells> rows;
  if (m_source == nullptr) return rows;
  uint32_t first = TopRow();
  uint32_t count = VisibleRows();
  if (first + count > m_rowCount) count = m_rowCount > first ? m_rowCount - first : 0;
  if (count == 0) return rows;
  m_source->FetchRows(first, count);
  rows.resize(count);
  for (uint32_t i = 0; i < count; ++i) m_source->FillCells(first + i, rows[i]);
  m_source->EndFetch();
  return rows;
}

std::vector<int> XUIGrid::ColumnWidths(int totalWidth) const {
  std::vector<int> widths;
  if (m_columns.empty()) {
    widths.push_back(totalWidth);
    return widths;
  }
  XUIDialogUnits units = XUIDialogUnits::Of(GetParent(Handle()));
  int fixed = 0;
  int flexible = 0;
  for (const auto& column : m_columns) {
    if (column->WidthUnits() > 0) {
      fixed += units.X(column->WidthUnits());
    } else {
      ++flexible;
    }
  }
  int rest = totalWidth > fixed ? totalWidth - fixed : 0;
  for (const auto& column : m_columns) {
    widths.push_back(column->WidthUnits() > 0 ? units.X(column->WidthUnits()) : (flexible > 0 ? rest / flexible : 0));
  }
  return widths;
}

void XUIGrid::Paint(HDC dc, const RECT& client) {
  FillRect(dc, &client, GetSysColorBrush(COLOR_WINDOW));
  HGDIOBJ previousFont = SelectObject(dc, Font().Handle());
  SetBkMode(dc, TRANSPARENT);
  std::vector<int> widths = ColumnWidths(client.right - client.left);
  const UINT format = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS | DT_LEFT;
  const int pad = 4;

  int header = HeaderHeight();
  if (header > 0) {
    RECT band{client.left, client.top, client.right, client.top + header};
    FillRect(dc, &band, GetSysColorBrush(COLOR_BTNFACE));
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    int x = client.left;
    for (size_t c = 0; c < m_columns.size(); ++c) {
      RECT cell{x + pad, band.top, x + widths[c] - pad, band.bottom};
      std::wstring text = XUIWide(m_columns[c]->Title());
      DrawTextW(dc, text.c_str(), -1, &cell, format);
      x += widths[c];
    }
    RECT line{client.left, band.bottom - 1, client.right, band.bottom};
    FillRect(dc, &line, GetSysColorBrush(COLOR_BTNSHADOW));
  }

  std::vector<XUIDataSource::Cells> rows = FetchVisibleRows();
  int y = client.top + header;
  for (size_t r = 0; r < rows.size(); ++r) {
    int32_t row = static_cast<int32_t>(TopRow() + r);
    RECT band{client.left, y, client.right, y + RowHeight()};
    bool selected = row == m_selected;
    if (selected) {
      FillRect(dc, &band, GetSysColorBrush(GetFocus() == Handle() ? COLOR_HIGHLIGHT : COLOR_BTNFACE));
    }
    SetTextColor(dc, GetSysColor(selected && GetFocus() == Handle() ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    int x = client.left;
    for (size_t c = 0; c < widths.size(); ++c) {
      if (c < rows[r].size()) {
        RECT cell{x + pad, band.top, x + widths[c] - pad, band.bottom};
        std::wstring text = XUIWide(rows[r][c]);
        DrawTextW(dc, text.c_str(), -1, &cell, format);
      }
      x += widths[c];
    }
    y += RowHeight();
  }
  SelectObject(dc, previousFont);
}

void XUIGrid::ChooseRow(int32_t row) {
  if (row < 0) return;
  SelectRow(row);
  NotifyParent(kXUINotifyRowSelected, row);
}

void XUIGrid::OnMouseDown(int x, int y) { ChooseRow(RowAt(y)); }

void XUIGrid::OnDoubleClick(int x, int y) { NotifyParent(kXUINotifyDoubleClick, RowAt(y)); }

bool XUIGrid::OnKey(const XUIKeyEvent& key) {
  if (key.Key() == VK_UP && m_selected > 0) {
    ChooseRow(m_selected - 1);
    return true;
  }
  if (key.Key() == VK_DOWN && m_selected + 1 < static_cast<int32_t>(m_rowCount)) {
    ChooseRow(m_selected + 1);
    return true;
  }
  return XUIScroller::OnKey(key);
}

bool XUIGrid::OnNotify(NMHDR* header) {
  auto* notify = reinterpret_cast<XUIRowNotify*>(header);
  if (header->code == kXUINotifyRowSelected && m_onSelect) {
    m_onSelect(notify->row);
    return true;
  }
  if (header->code == kXUINotifyDoubleClick && m_onDoubleClick) {
    m_onDoubleClick(notify->row);
    return true;
  }
  return false;
}
