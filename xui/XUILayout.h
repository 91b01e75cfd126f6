// Layout as data: each view states where its controls sit relative to its client rectangle,
// and one routine moves them all at once (DeferWindowPos). An edge is an offset in dialog
// units from the near side (left or top) or the far side (right or bottom) of the client
// rectangle, so a control can keep its place, follow the right or bottom side, or stretch.
#pragma once

#include <windows.h>

#include <vector>

struct XUIEdge {
  enum Side : int { kNear = 0, kFar = 1 };
  Side side;
  int units;  // dialog units from that side; positive inwards from the near side
};

inline XUIEdge XUINear(int units) { return XUIEdge{XUIEdge::kNear, units}; }
// `units` from the far side, measured inwards (XUIFar(5) is 5 units left of the right side).
inline XUIEdge XUIFar(int units) { return XUIEdge{XUIEdge::kFar, units}; }

struct XUIPlacement {
  int id;  // the control id in the view
  XUIEdge left, top, right, bottom;
};

// Dialog units to pixels: a dialog's base units (MapDialogRect's conversion).
struct XUIDialogUnits {
  int baseX = 6;   // pixels per 4 horizontal units
  int baseY = 13;  // pixels per 8 vertical units
  int X(int units) const { return MulDiv(units, baseX, 4); }
  int Y(int units) const { return MulDiv(units, baseY, 8); }
  // The base units of a dialog window (from its font).
  static XUIDialogUnits Of(HWND dialog);
};

class XUILayout {
 public:
  void Add(const XUIPlacement& placement) { m_placements.push_back(placement); }
  const std::vector<XUIPlacement>& Placements() const { return m_placements; }

  // The rectangle of one placement in a client rectangle. A rectangle that would turn inside
  // out (a window made very small) collapses to zero width or height instead.
  static RECT Place(const XUIPlacement& placement, const RECT& client, const XUIDialogUnits& units);

  // Moves every control of the placements that the window has.
  void Apply(HWND window, const RECT& client) const;

 private:
  std::vector<XUIPlacement> m_placements;
};
