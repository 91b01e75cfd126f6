// A scroll bar control. The dialog routes the bar's scrolling to this gizmo, which hands it
// to the control the bar scrolls.
#pragma once

#include <functional>

#include "xui/XUIGizmo.h"

class XUIScrollBar : public XUIGizmo {
 public:
  using XUIGizmo::XUIGizmo;

  // The range is [0, count - 1] with a page of `page`; the thumb at `position`.
  void SetRange(int count, int page, int position);
  // The position the thumb is being dragged to (SB_THUMBTRACK).
  int TrackPosition() const;

  // Receives the scroll requests (SB_LINEDOWN, SB_THUMBTRACK, ...).
  void SetListener(std::function<void(int request)> listener) { m_listener = std::move(listener); }
  bool OnScroll(int request, bool vertical) override;

 private:
  std::function<void(int)> m_listener;
};
