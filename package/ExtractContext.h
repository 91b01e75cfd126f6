// What every part of an extraction shares: the run log and the extract log that they write
// their diagnostics to, the identity of the program, and the progress display of a run. The
// engine owns one; the package writer, the data access and the table loop hold it by reference.
#pragma once

#include <cstdint>

#include "foundation/ILog.h"
#include "foundation/XEngineLog.h"
#include "foundation/XString.h"
#include "package/QDEApplication.h"

class XProgress;

class ExtractContext {
 public:
  // How often a long loop may redraw the progress display.
  static constexpr uint32_t kProgressRedrawMs = 125;

  ExtractContext() = default;
  ExtractContext(const ExtractContext&) = delete;
  ExtractContext& operator=(const ExtractContext&) = delete;

  ILog* GetRunLog() const { return m_log.RunLog(); }
  void SetRunLog(ILog* log) { m_log.SetRunLog(log); }
  ILog* GetExtractLog() const { return m_log.ExtractLog(); }
  void SetExtractLog(ILog* log) { m_log.SetExtractLog(log); }

  QDEApplication& Application() { return m_application; }
  const QDEApplication& Application() const { return m_application; }

  // The display a run reports to (not owned; none for a run without display).
  void SetProgress(XProgress* progress) { m_progress = progress; }
  XProgress* GetProgress() const { return m_progress; }

  // Titles the display with the application's name, arms its cancel message, resets the
  // count, then shows `text`. Nothing without a display.
  void StartProgress(const XString& text);
  // Logs the completion time, then ends and forgets the display.
  void EndProgress();
  void ShowProgressText(const XString& text);
  // Item count back to 0 and its start time to now.
  void ResetProgressCount();
  void SetProgressTotal(int32_t total);
  // Counts one item; redraws at most every kProgressRedrawMs, and then lets a Cancel on the
  // display end the run with its message.
  void CountProgressItem();
  // Shows the total as reached.
  void CompleteProgress();
  int32_t ProgressCount() const { return m_progressCount; }

  // The engine's logging rule over the two logs (extract log with run-log fallback).
  XEngineLog& EngineLog() { return m_log; }
  // True when the user asked the progress display (or one of its parents) to stop.
  bool IsCancelRequested() const;

 private:
  XEngineLog m_log;
  QDEApplication m_application;
  XProgress* m_progress = nullptr;
  int32_t m_progressCount = 0;
  int32_t m_progressTotal = 0;
  uint32_t m_progressStart = 0;
  uint32_t m_lastRedraw = 0;
};
