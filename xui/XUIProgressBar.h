// A progress bar that stores every new position at once but repaints at most once every
// 125 ms; each repaint sets the bar's position and then dispatches the messages that are
// waiting, so that the window stays responsive and a click on Cancel is seen while long work
// runs on the one thread.
#pragma once

#include <cstdint>

#include "xui/XUIGizmo.h"
#include "xui/XUIRepaintLimiter.h"

class XUIProgressBar : public XUIGizmo {
 public:
  using XUIGizmo::XUIGizmo;

  void SetRange(int32_t total);
  // Stores the position; repaints and pumps when a repaint is due.
  void SetPosition(int32_t position);
  // The same at a given tick count; returns whether it repainted.
  bool SetPositionAt(int32_t position, uint32_t now);
  int32_t Range() const { return m_range; }
  int32_t Position() const { return m_position; }
  // The position the bar shows.
  int32_t ShownPosition() const;

  // Repaints when due at `now` (tick count); returns whether it did.
  bool RepaintIfDue(uint32_t now);
  // Repaints now, without pumping.
  void Repaint();
  // Whether a repaint dispatches waiting messages (on by default).
  void SetPumping(bool pump) { m_pump = pump; }

 private:
  int32_t m_range = 100;
  int32_t m_position = 0;
  bool m_pump = true;
  XUIRepaintLimiter m_limiter;
};
