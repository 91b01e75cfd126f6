#include "foundation/XProgress.h"

#include <cstdio>

#include "foundation/XException.h"
#include "os/Os.h"

namespace {

XString Cut(const char* text) {
  XString result(text);
  if (result.Length() > XProgress::kMaxText) result.SetLength(XProgress::kMaxText);
  return result;
}

}  // namespace

XProgress::XProgress(XProgress* parent, ILog* log) : m_parent(parent), m_log(log) {}

XProgress::~XProgress() = default;

ILog* XProgress::Log() const {
  for (const XProgress* p = this; p != nullptr; p = p->m_parent) {
    if (p->m_log != nullptr) return p->m_log;
  }
  return nullptr;
}

void XProgress::SetTitle(const char* title) {
  m_title = Cut(title);
  ShowTitle(m_title.c_str());
}

void XProgress::SetStopMessage(const char* message) { m_stopMessage = Cut(message); }

void XProgress::BeginStep(const char* text) {
  ILog* log = Log();
  uint32_t now = os::TickCount();
  if (m_stepStart >= 0 && log != nullptr) {
    // Unsigned subtraction survives the tick count's wrap.
    uint32_t elapsed = now - static_cast<uint32_t>(m_stepStart);
    log->WriteFormat(kLogProgress, "Elapsed time for %s: %d", m_stepText.c_str(),
                     static_cast<int>(elapsed));
  }
  m_stepText = Cut(text);
  m_stepStart = now;
  ShowStepText(m_stepText.c_str());
  if (log != nullptr) log->Write(kLogProgress, m_stepText.c_str());
  RedrawAll();
}

void XProgress::BeginStepFormat(const char* format, ...) {
  char buffer[kMaxText + 1];
  va_list args;
  va_start(args, format);
  vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  BeginStep(buffer);
}

void XProgress::CheckForStop() {
  for (XProgress* p = this; p != nullptr; p = p->m_parent) {
    if (!p->m_stopRequested) continue;
    XString message = p->m_stopMessage;
    if (ILog* log = p->Log()) {
      try {
        log->Write(kLogProgress, message.c_str());
      } catch (const XException&) {
        // The stop is what the user asked for; a log that cannot take the line must not turn
        // it into a different error.
      }
    }
    p->Redraw();
    p->End(false);
    throw XException(message, 0);
  }
}

void XProgress::RedrawAll() {
  for (XProgress* p = this; p != nullptr; p = p->m_parent) p->Redraw();
}
