#include "xui/XUIPane.h"

XUIGizmo* XUIPane::Find(int id) const {
  for (const auto& gizmo : m_gizmos) {
    if (gizmo->Id() == id) return gizmo.get();
  }
  return nullptr;
}

XUIGizmo* XUIPane::FindByHandle(HWND handle) const {
  for (const auto& gizmo : m_gizmos) {
    if (gizmo->Handle() == handle) return gizmo.get();
  }
  return nullptr;
}

void XUIPane::Layout(const RECT& client) { m_layout.Apply(Handle(), client); }
