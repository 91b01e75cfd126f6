// A view that is also a progress target: an overall caption and bar (the operation's title,
// moved on by each new step), a step caption and bar, and optionally a grid that lists the
// progress log. Positions are stored at once and repainted at most every 125 ms; a new step
// always repaints. Each repaint dispatches the waiting messages, so the view's own Cancel
// button can request the stop that the running code then acts on.
#pragma once

#include "foundation/XProgress.h"
#include "xui/XUIGrid.h"
#include "xui/XUIProgress.h"
#include "xui/XUIRepaintLimiter.h"
#include "xui/XUIWindow.h"

class XUIProgressWindow : public XUIWindow, public XProgress {
 public:
  explicit XUIProgressWindow(int resourceId);

  bool Running() const { return m_running; }

  void ShowTitle(const char* title) override;
  void ShowStepText(const char* text) override;
  void SetRange(int32_t total) override;
  void SetPosition(int32_t position) override;
  void Redraw() override;
  void Idle() override;
  void End(bool success) override;
  // Shows the log lines written since the last repaint, the newest in view (after the end).
  void ShowLatestLog();

 protected:
  // The controls, bound by the view.
  void BindProgress(XUILabel* overallCaption, XUIProgressBar* overallBar, XUILabel* stepCaption,
                    XUIProgressBar* stepBar, XUIGrid* logGrid);
  // The run ended; the view shows how.
  virtual void OnProgressEnd(bool success) {}

 private:
  void Begin();
  // Repaints the bars and the log list, then dispatches the waiting messages.
  void RepaintAndPump();

  XUIProgress m_overall;
  XUIProgress m_step;
  XUIGrid* m_logGrid = nullptr;
  XUIRepaintLimiter m_limiter;
  bool m_running = false;
  bool m_ended = false;
  int32_t m_steps = 0;
};
