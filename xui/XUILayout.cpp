#include "xui/XUILayout.h"

XUIDialogUnits XUIDialogUnits::Of(HWND dialog) {
  RECT rect{0, 0, 4, 8};
  XUIDialogUnits units;
  if (dialog != nullptr && MapDialogRect(dialog, &rect)) {
    units.baseX = rect.right;
    units.baseY = rect.bottom;
  }
  return units;
}

namespace {

int Coordinate(const XUIEdge& edge, int nearSide, int farSide, int pixels) {
  return edge.side == XUIEdge::kNear ? nearSide + pixels : farSide - pixels;
}

}  // namespace

RECT XUILayout::Place(const XUIPlacement& p, const RECT& client, const XUIDialogUnits& units) {
  RECT rect;
  rect.left = Coordinate(p.left, client.left, client.right, units.X(p.left.units));
  rect.right = Coordinate(p.right, client.left, client.right, units.X(p.right.units));
  rect.top = Coordinate(p.top, client.top, client.bottom, units.Y(p.top.units));
  rect.bottom = Coordinate(p.bottom, client.top, client.bottom, units.Y(p.bottom.units));
  if (rect.right < rect.left) rect.right = rect.left;
  if (rect.bottom < rect.top) rect.bottom = rect.top;
  return rect;
}

void XUILayout::Apply(HWND window, const RECT& client) const {
  if (window == nullptr || m_placements.empty()) return;
  XUIDialogUnits units = XUIDialogUnits::Of(window);
  HDWP batch = BeginDeferWindowPos(static_cast<int>(m_placements.size()));
  for (const XUIPlacement& placement : m_placements) {
    HWND control = GetDlgItem(window, placement.id);
    if (control == nullptr) continue;
    RECT r = Place(placement, client, units);
    if (batch != nullptr) {
      batch = DeferWindowPos(batch, control, nullptr, r.left, r.top, r.right - r.left,
                             r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
    } else {
      MoveWindow(control, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
    }
  }
  if (batch != nullptr) EndDeferWindowPos(batch);
  InvalidateRect(window, nullptr, TRUE);
}
