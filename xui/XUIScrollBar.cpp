#include "xui/XUIScrollBar.h"

void XUIScrollBar::SetRange(int count, int page, int position) {
  if (Handle() == nullptr) return;
  SCROLLINFO info{};
  info.cbSize = sizeof info;
  info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
  info.nMin = 0;
  info.nMax = count > 0 ? count - 1 : 0;
  info.nPage = static_cast<UINT>(page > 0 ? page : 1);
  info.nPos = position;
  SetScrollInfo(Handle(), SB_CTL, &info, TRUE);
}

int XUIScrollBar::TrackPosition() const {
  SCROLLINFO info{};
  info.cbSize = sizeof info;
  info.fMask = SIF_TRACKPOS;
  if (Handle() == nullptr || !GetScrollInfo(Handle(), SB_CTL, &info)) return 0;
  return info.nTrackPos;
}

bool XUIScrollBar::OnScroll(int request, bool vertical) {
  if (!m_listener) return false;
  m_listener(request);
  return true;
}
