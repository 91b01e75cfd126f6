#include "xui/XUIScroller.h"

#include "xui/XUIFont.h"
#include "xui/XUIScrollBar.h"

XUIScroller::XUIScroller(XUIPane* parent, HWND handle, int id) : XUICustom(parent, handle, id) {}

void XUIScroller::SetScrollBar(XUIScrollBar* bar) {
  m_bar = bar;
  if (m_bar != nullptr) m_bar->SetListener([this](int request) { OnScrollRequest(request); });
  UpdateScrollBar();
}

int XUIScroller::RowHeight() const { return Font().LineHeight() + 4; }

uint32_t XUIScroller::VisibleRows() const {
  RECT client{};
  if (Handle() != nullptr) GetClientRect(Handle(), &client);
  int height = client.bottom - client.top - HeaderHeight();
  return height > 0 ? static_cast<uint32_t>(height / RowHeight()) : 0;
}

void XUIScroller::ScrollTo(int64_t row) {
  int64_t total = TotalRows();
  int64_t last = total - static_cast<int64_t>(VisibleRows());
  if (row > last) row = last;
  if (row < 0) row = 0;
  if (static_cast<uint32_t>(row) != m_topRow) {
    m_topRow = static_cast<uint32_t>(row);
    Invalidate();
  }
  UpdateScrollBar();
}

void XUIScroller::ScrollToEnd() { ScrollTo(TotalRows()); }

void XUIScroller::UpdateScrollBar() {
  if (m_bar != nullptr) m_bar->SetRange(static_cast<int>(TotalRows()), static_cast<int>(VisibleRows()), static_cast<int>(m_topRow));
}

void XUIScroller::OnScrollRequest(int request) {
  int64_t top = m_topRow;
  int64_t page = VisibleRows() > 1 ? VisibleRows() - 1 : 1;
  switch (request) {
    case SB_LINEUP: top -= 1; break;
    case SB_LINEDOWN: top += 1; break;
    case SB_PAGEUP: top -= page; break;
    case SB_PAGEDOWN: top += page; break;
    case SB_TOP: top = 0; break;
    case SB_BOTTOM: top = TotalRows(); break;
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
    case VK_PRIOR: ScrollTo(static_cast<int64_t>(m_topRow) - page); return true;
    case VK_NEXT: ScrollTo(static_cast<int64_t>(m_topRow) + page); return true;
    case VK_HOME: ScrollTo(0); return true;
    case VK_END: ScrollToEnd(); return true;
    default: return false;
  }
}
