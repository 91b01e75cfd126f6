#include "xui/XUIProgressBar.h"

#include <commctrl.h>

#include "os/OsTime.h"
#include "xui/XUIMainWindow.h"

void XUIProgressBar::SetRange(int32_t total) {
  m_range = total > 0 ? total : 0;
  if (Handle() != nullptr) SendMessageW(Handle(), PBM_SETRANGE32, 0, m_range > 0 ? m_range : 1);
  m_limiter.Reset();
}

void XUIProgressBar::SetPosition(int32_t position) { SetPositionAt(position, os::TickCount()); }

bool XUIProgressBar::SetPositionAt(int32_t position, uint32_t now) {
  m_position = position;
  return RepaintIfDue(now);
}

int32_t XUIProgressBar::ShownPosition() const {
  return Handle() != nullptr ? static_cast<int32_t>(SendMessageW(Handle(), PBM_GETPOS, 0, 0)) : 0;
}

bool XUIProgressBar::RepaintIfDue(uint32_t now) {
  if (!m_limiter.Due(now)) return false;
  Repaint();
  if (m_pump) {
    if (XUIMainWindow* main = XUIMainWindow::Current()) main->PumpPendingMessages();
  }
  return true;
}

void XUIProgressBar::Repaint() {
  if (Handle() == nullptr) return;
  SendMessageW(Handle(), PBM_SETPOS, static_cast<WPARAM>(m_position), 0);
  UpdateWindow(Handle());
}
