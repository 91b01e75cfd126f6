#include "xui/XUIGizmo.h"

#include <vector>

#include "xui/XUIText.h"

RECT XUIGizmo::Rect() const {
  RECT rect{};
  if (m_handle == nullptr) return rect;
  GetWindowRect(m_handle, &rect);
  HWND parent = GetParent(m_handle);
  if (parent != nullptr) MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

void XUIGizmo::Show(bool visible) {
  if (m_handle != nullptr) ShowWindow(m_handle, visible ? SW_SHOW : SW_HIDE);
}

bool XUIGizmo::IsVisible() const { return m_handle != nullptr && IsWindowVisible(m_handle); }

void XUIGizmo::Enable(bool enabled) {
  if (m_handle != nullptr) EnableWindow(m_handle, enabled ? TRUE : FALSE);
}

bool XUIGizmo::IsEnabled() const { return m_handle != nullptr && IsWindowEnabled(m_handle); }

void XUIGizmo::Focus() {
  if (m_handle != nullptr) SetFocus(m_handle);
}

void XUIGizmo::SetText(const XString& text) {
  if (m_handle != nullptr) SetWindowTextW(m_handle, XUIWide(text).c_str());
}

XString XUIGizmo::GetText() const {
  if (m_handle == nullptr) return XString();
  int length = GetWindowTextLengthW(m_handle);
  std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1, 0);
  GetWindowTextW(m_handle, buffer.data(), length + 1);
  return XUINarrow(buffer.data());
}

bool XUIGizmo::OnCommand(int code) {
  if (code != ActionCode() || !m_action) return false;
  RunAction();
  return true;
}

void XUIGizmo::RunAction() {
  if (m_action) m_action();
}
