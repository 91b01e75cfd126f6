// Lets a repaint through at most once per interval of the tick count. The first repaint is
// always due; the interval survives the wrap of the 32-bit tick count.
#pragma once

#include <cstdint>

class XUIRepaintLimiter {
 public:
  static constexpr uint32_t kIntervalMs = 125;

  explicit XUIRepaintLimiter(uint32_t intervalMs = kIntervalMs) : m_interval(intervalMs) {}

  // True (and the repaint counts as done at `now`) when a repaint is allowed at `now`.
  bool Due(uint32_t now) {
    if (m_started && now - m_last < m_interval) return false;
    m_started = true;
    m_last = now;
    return true;
  }
  // The next Due is true whatever the time.
  void Reset() { m_started = false; }

 private:
  uint32_t m_interval;
  uint32_t m_last = 0;
  bool m_started = false;
};
