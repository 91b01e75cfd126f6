#include "package/ExtractContext.h"

#include "foundation/XProgress.h"
#include "os/OsTime.h"

void ExtractContext::StartProgress(const XString& text) {
  if (m_progress == nullptr) return;
  m_progress->SetTitle(m_application.m_fullName.c_str());
  m_progress->ShowStepText("Initializing...");
  m_progress->SetStopMessage("Extraction was cancelled.");
  ResetProgressCount();
  m_progress->ShowStepText(text.c_str());
}

void ExtractContext::EndProgress() {
  XString stamp = XEngineLog::TimePrefix();
  m_log.ExtractLogWrite(kLogInfo, (XString("Extraction Completed at: ") + stamp).c_str());
  XString line = XString("EndProgress TimeStamp: ") + stamp;
  m_log.ExtractLogWrite(kLogDebug, line.c_str());
  if (m_log.RunLog() != nullptr) m_log.RunLogWrite(kLogDebug, line.c_str());
  if (m_progress == nullptr) return;
  XProgress* progress = m_progress;
  m_progress = nullptr;
  progress->End(true);
}

void ExtractContext::ShowProgressText(const XString& text) {
  if (m_progress != nullptr) m_progress->ShowStepText(text.c_str());
}

void ExtractContext::ResetProgressCount() {
  m_progressCount = 0;
  m_progressStart = os::TickCount();
  m_lastRedraw = m_progressStart;
  if (m_progress != nullptr) m_progress->SetPosition(0);
}

void ExtractContext::SetProgressTotal(int32_t total) {
  m_progressTotal = total;
  if (m_progress != nullptr) m_progress->SetRange(total);
}

void ExtractContext::CountProgressItem() {
  ++m_progressCount;
  if (m_progress == nullptr) return;
  uint32_t now = os::TickCount();
  // Unsigned difference: correct across the wrap of the tick count.
  if (now - m_lastRedraw < kProgressRedrawMs) return;
  m_lastRedraw = now;
  m_progress->SetPosition(m_progressCount);
  m_progress->Idle();
  m_progress->CheckForStop();
}

void ExtractContext::CompleteProgress() {
  if (m_progress != nullptr) m_progress->SetPosition(m_progressTotal);
}

bool ExtractContext::IsCancelRequested() const {
  for (const XProgress* progress = m_progress; progress != nullptr; progress = progress->Parent()) {
    if (progress->StopRequested()) return true;
  }
  return false;
}
