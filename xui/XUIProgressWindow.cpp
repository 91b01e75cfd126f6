#include "xui/XUIProgressWindow.h"

#include "os/OsTime.h"
#include "xui/XUIMainWindow.h"

namespace {
// The overall bar moves one notch per step; a full extraction has about this many steps, and
// the bar's range grows when a run has more.
constexpr int32_t kExpectedSteps = 30;
}  // namespace

XUIProgressWindow::XUIProgressWindow(int resourceId) : XUIWindow(resourceId) {}

void XUIProgressWindow::BindProgress(XUILabel* overallCaption, XUIProgressBar* overallBar,
                                     XUILabel* stepCaption, XUIProgressBar* stepBar, XUIGrid* logGrid) {
  // The window pumps once per repaint of the whole view, not once per bar.
  if (overallBar != nullptr) overallBar->SetPumping(false);
  if (stepBar != nullptr) stepBar->SetPumping(false);
  m_overall.Bind(overallCaption, overallBar);
  m_step.Bind(stepCaption, stepBar);
  m_overall.SetRange(kExpectedSteps);
  m_logGrid = logGrid;
}

void XUIProgressWindow::Begin() {
  if (m_running || m_ended) return;
  m_running = true;
  m_steps = 0;
}

void XUIProgressWindow::ShowTitle(const char* title) {
  Begin();
  m_overall.ShowStepText(title);
}

void XUIProgressWindow::ShowStepText(const char* text) {
  Begin();
  m_step.ShowStepText(text);
  ++m_steps;
  if (m_overall.Bar() != nullptr) {
    if (m_steps > m_overall.Bar()->Range()) m_overall.SetRange(m_steps + kExpectedSteps / 3);
    m_overall.Bar()->SetPosition(m_steps);
  }
  m_limiter.Reset();  // a new step always repaints
  RepaintAndPump();
}

void XUIProgressWindow::SetRange(int32_t total) { m_step.SetRange(total); }

void XUIProgressWindow::SetPosition(int32_t position) {
  m_step.SetPosition(position);
  Idle();
}

void XUIProgressWindow::Redraw() { Idle(); }

void XUIProgressWindow::Idle() {
  if (m_limiter.Due(os::TickCount())) RepaintAndPump();
}

void XUIProgressWindow::RepaintAndPump() {
  if (m_overall.Bar() != nullptr) m_overall.Bar()->Repaint();
  if (m_step.Bar() != nullptr) m_step.Bar()->Repaint();
  if (m_logGrid != nullptr) {
    m_logGrid->Refresh();
    UpdateWindow(m_logGrid->Handle());
  }
  if (XUIMainWindow* main = XUIMainWindow::Current()) main->PumpPendingMessages();
}

void XUIProgressWindow::End(bool success) {
  if (m_ended) return;
  m_running = false;
  m_ended = true;
  if (success && m_step.Bar() != nullptr) {
    m_step.Bar()->SetPosition(m_step.Bar()->Range());
    m_step.Bar()->Repaint();
  }
  if (success && m_overall.Bar() != nullptr) {
    m_overall.Bar()->SetPosition(m_overall.Bar()->Range());
    m_overall.Bar()->Repaint();
  }
  ShowLatestLog();
  OnProgressEnd(success);
}

void XUIProgressWindow::ShowLatestLog() {
  if (m_logGrid == nullptr) return;
  m_logGrid->Refresh();
  m_logGrid->ScrollToEnd();
}
