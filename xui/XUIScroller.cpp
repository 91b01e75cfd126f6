#include "xui/XUIScroller.h"

#include "xui/XUIFont.h"
#include "xui/XUINotify.h"
#include "xui/XUIScrollBar.h"
#include "xui/XUIText.h"

XUIScroller::XUIScroller(XUIPane* parent, HWND handle, int id) : XUICustom(parent, handle, id) {}

void XUIScroller::SetScrollBar(XUIScrollBar* bar) {
  m_bar = bar;
  if (m_bar != nullptr) m_bar->SetListener([this](int request) { OnScrollRequest(request); });
  UpdateScrollBar();
}

void XUIScroller::SetDataSource(XUIDataSource* source) {
  m_source = source;
  m_selected = -1;
  // One behind the source's counter, so that the refresh below always takes the new rows.
  m_seenChange = source != nullptr ? source->ChangeCount() - 1 : 0;
  Refresh();
}

void XUIScroller::Refresh() {
  if (m_source == nullptr) {
    m_rowCount = 0;
  } else {
    if (m_source->ChangeCount() == m_seenChange) return;
    m_seenChange = m_source->ChangeCount();
    m_rowCount = m_source->RowCount();
  }
  if (m_selected >= static_cast<int32_t>(m_rowCount)) m_selected = -1;
  OnRowsChanged();
  if (m_followEnd) {
    ScrollToEnd();
  } else {
    ScrollTo(m_topRow);
  }
  Invalidate();
}

int XUIScroller::RowHeight() const { return Font().LineHeight() + 4; }

uint32_t XUIScroller::VisibleRows() const {
  RECT client{};
  if (Handle() != nullptr) GetClientRect(Handle(), &client);
  int height = client.bottom - client.top - HeaderHeight();
  return height > 0 ? static_cast<uint32_t>(height / RowHeight()) : 0;
}

void XUIScroller::ScrollTo(int64_t row) {
  int64_t last = static_cast<int64_t>(m_rowCount) - static_cast<int64_t>(VisibleRows());
  if (row > last) row = last;
  if (row < 0) row = 0;
  if (static_cast<uint32_t>(row) != m_topRow) {
    m_topRow = static_cast<uint32_t>(row);
    Invalidate();
  }
  UpdateScrollBar();
}

void XUIScroller::ScrollToEnd() { ScrollTo(m_rowCount); }

void XUIScroller::SelectRow(int32_t row) {
  if (row < -1 || row >= static_cast<int32_t>(m_rowCount)) row = -1;
  m_selected = row;
  if (row >= 0) {
    if (static_cast<uint32_t>(row) < m_topRow) {
      ScrollTo(row);
    } else if (static_cast<uint32_t>(row) >= m_topRow + VisibleRows()) {
      ScrollTo(static_cast<int64_t>(row) - VisibleRows() + 1);
    }
  }
  Invalidate();
}

int32_t XUIScroller::RowAt(int y) const {
  int offset = y - HeaderHeight();
  if (offset < 0) return -1;
  int64_t row = static_cast<int64_t>(m_topRow) + offset / RowHeight();
  return row < static_cast<int64_t>(m_rowCount) ? static_cast<int32_t>(row) : -1;
}

std::vector<XUIDataSource::Cells> XUIScroller::FetchVisibleRows() {
  std::vector<XUIDataSource::Cells> rows;
  if (m_source == nullptr) return rows;
  uint32_t first = m_topRow;
  uint32_t count = VisibleRows();
  if (first + count > m_rowCount) count = m_rowCount > first ? m_rowCount - first : 0;
  if (count == 0) return rows;
  m_source->FetchRows(first, count);
  rows.resize(count);
  for (uint32_t i = 0; i < count; ++i) m_source->FillCells(first + i, rows[i]);
  m_source->EndFetch();
  return rows;
}

void XUIScroller::UpdateScrollBar() {
  if (m_bar != nullptr) m_bar->SetRange(static_cast<int>(m_rowCount), static_cast<int>(VisibleRows()), static_cast<int>(m_topRow));
}

void XUIScroller::DrawCellText(HDC dc, const RECT& cell, const XString& text) {
  const UINT format = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS | DT_LEFT;
  RECT inner{cell.left + kCellPad, cell.top, cell.right - kCellPad, cell.bottom};
  std::wstring wide = XUIWide(text);
  DrawTextW(dc, wide.c_str(), -1, &inner, format);
}

void XUIScroller::Paint(HDC dc, const RECT& client) {
  FillRect(dc, &client, GetSysColorBrush(COLOR_WINDOW));
  HGDIOBJ previousFont = SelectObject(dc, Font().Handle());
  SetBkMode(dc, TRANSPARENT);

  int header = HeaderHeight();
  if (header > 0) {
    RECT band{client.left, client.top, client.right, client.top + header};
    FillRect(dc, &band, GetSysColorBrush(COLOR_BTNFACE));
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    PaintHeading(dc, band);
    RECT line{client.left, band.bottom - 1, client.right, band.bottom};
    FillRect(dc, &line, GetSysColorBrush(COLOR_BTNSHADOW));
  }

  // The selection is drawn in the highlight colour while the control has the focus, and
  // otherwise greyed inside a highlight-coloured frame, so that it stays plain to see after the
  // focus moved on (the button face alone hardly differs from the list's background).
  bool focused = GetFocus() == Handle();
  std::vector<XUIDataSource::Cells> rows = FetchVisibleRows();
  int y = client.top + header;
  for (size_t r = 0; r < rows.size(); ++r) {
    RECT band{client.left, y, client.right, y + RowHeight()};
    bool selected = static_cast<int32_t>(m_topRow + r) == m_selected;
    if (selected) {
      FillRect(dc, &band, GetSysColorBrush(focused ? COLOR_HIGHLIGHT : COLOR_BTNFACE));
      if (!focused) {
        RECT inner{band.left + 1, band.top + 1, band.right - 1, band.bottom - 1};
        FrameRect(dc, &band, GetSysColorBrush(COLOR_HIGHLIGHT));
        FrameRect(dc, &inner, GetSysColorBrush(COLOR_HIGHLIGHT));
      }
    }
    SetTextColor(dc, GetSysColor(selected && focused ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    PaintCells(dc, band, rows[r]);
    y += RowHeight();
  }
  SelectObject(dc, previousFont);
}

void XUIScroller::ChooseRow(int32_t row) {
  if (row < 0) return;
  SelectRow(row);
  NotifyParent(kXUINotifyRowSelected, row);
}

void XUIScroller::OnMouseDown(int x, int y) { ChooseRow(RowAt(y)); }

void XUIScroller::OnDoubleClick(int x, int y) { NotifyParent(kXUINotifyDoubleClick, RowAt(y)); }

void XUIScroller::OnScrollRequest(int request) {
  int64_t top = m_topRow;
  int64_t page = VisibleRows() > 1 ? VisibleRows() - 1 : 1;
  switch (request) {
    case SB_LINEUP: top -= 1; break;
    case SB_LINEDOWN: top += 1; break;
    case SB_PAGEUP: top -= page; break;
    case SB_PAGEDOWN: top += page; break;
    case SB_TOP: top = 0; break;
    case SB_BOTTOM: top = m_rowCount; break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: top = m_bar != nullptr ? m_bar->TrackPosition() : top; break;
    default: return;
  }
  ScrollTo(top);
}

void XUIScroller::OnWheel(int delta) { ScrollTo(static_cast<int64_t>(m_topRow) - delta / WHEEL_DELTA * 3); }

void XUIScroller::OnResize() { ScrollTo(m_topRow); }

bool XUIScroller::OnKey(const XUIKeyEvent& key) {
  int64_t page = VisibleRows() > 1 ? VisibleRows() - 1 : 1;
  switch (key.Key()) {
    case VK_UP:
      if (m_selected <= 0) return false;
      ChooseRow(m_selected - 1);
      return true;
    case VK_DOWN:
      if (m_selected + 1 >= static_cast<int32_t>(m_rowCount)) return false;
      ChooseRow(m_selected + 1);
      return true;
    case VK_PRIOR: ScrollTo(static_cast<int64_t>(m_topRow) - page); return true;
    case VK_NEXT: ScrollTo(static_cast<int64_t>(m_topRow) + page); return true;
    case VK_HOME: ScrollTo(0); return true;
    case VK_END: ScrollToEnd(); return true;
    default: return false;
  }
}

bool XUIScroller::OnNotify(NMHDR* header) {
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
