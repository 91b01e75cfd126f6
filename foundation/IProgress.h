// The progress interface that long operations report to: a title, the text of the current step,
// a range and a position. Front ends (console, window) implement it; the extraction code only
// calls it.
#pragma once

#include <cstdint>

class IProgress {
 public:
  virtual void ShowTitle(const char* title) {}
  // The operation is over; success tells whether it completed.
  virtual void End(bool success) {}
  virtual void Redraw() {}
  virtual void ShowStepText(const char* text) = 0;
  virtual void SetRange(int32_t total) = 0;
  virtual void SetPosition(int32_t position) = 0;
  virtual ~IProgress() = default;
  // Called by long loops between redraws; a window front end dispatches its waiting messages.
  virtual void Idle() {}
};
