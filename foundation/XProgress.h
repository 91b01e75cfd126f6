// The base implementation of progress: nesting (a step of an outer operation can own an inner
// progress), titles and steps, the elapsed time of each step written to the progress log, and
// the stop request that the user's Cancel sets and that the running code turns into an error.
#pragma once

#include <cstdarg>
#include <cstdint>

#include "foundation/ILog.h"
#include "foundation/IProgress.h"
#include "foundation/XString.h"

class XProgress : public IProgress {
 public:
  // Titles, step texts and stop messages are cut at this many characters.
  static constexpr uint32_t kMaxText = 2048;

  explicit XProgress(XProgress* parent = nullptr, ILog* log = nullptr);
  ~XProgress() override;

  XProgress* Parent() const { return m_parent; }
  void SetParent(XProgress* parent) { m_parent = parent; }
  // The progress log: this object's, else the nearest parent's (none when nobody has one).
  ILog* Log() const;
  void SetLog(ILog* log) { m_log = log; }

  // Stores the title and shows it.
  void SetTitle(const char* title);
  const XString& Title() const { return m_title; }

  // Begins a step. If one is running, first writes "Elapsed time for %s: %d" (its text and
  // milliseconds) to the progress log; then stores and shows the text, writes it to the log at
  // Progress, and redraws this progress and its parents.
  void BeginStep(const char* text);
  void BeginStepFormat(const char* format, ...)
#if defined(__GNUC__)
      __attribute__((format(printf, 2, 3)))
#endif
      ;
  const XString& StepText() const { return m_stepText; }
  bool StepRunning() const { return m_stepStart >= 0; }

  // The stop request (the Cancel button sets it) and its message.
  void RequestStop() { m_stopRequested = true; }
  bool StopRequested() const { return m_stopRequested; }
  void ClearStop() { m_stopRequested = false; }
  void SetStopMessage(const char* message);
  const XString& StopMessage() const { return m_stopMessage; }

  // Walks from this progress up through its parents; at the first whose stop is requested,
  // writes its stop message to the log at Progress, redraws and ends it, and throws
  // XException with the stop message.
  void CheckForStop();

  // Redraws this progress and every parent.
  void RedrawAll();

 private:
  XProgress* m_parent;
  ILog* m_log;
  XString m_title;
  XString m_stepText;
  XString m_stopMessage;
  bool m_stopRequested = false;
  int64_t m_stepStart = -1;  // tick count at the start of the running step
};
