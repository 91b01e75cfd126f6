// How the extraction engine logs over its two logs: the extract log (the per-run file in the
// import folder) with the run log as its fallback, and the run log itself. The logs are owned
// elsewhere; this holds pointers only.
#pragma once

#include <cstdarg>
#include <cstdint>
#include <vector>

#include "foundation/ILog.h"
#include "foundation/XString.h"

class XEngineLog {
 public:
  XEngineLog(ILog* runLog = nullptr, ILog* extractLog = nullptr)
      : m_runLog(runLog), m_extractLog(extractLog) {}

  ILog* RunLog() const { return m_runLog; }
  void SetRunLog(ILog* log) { m_runLog = log; }
  ILog* ExtractLog() const { return m_extractLog; }
  void SetExtractLog(ILog* log) { m_extractLog = log; }

  // Extract-log write: every level except Info and Progress is prefixed with the local time as
  // "dd/mm/yyyy|hh:nn:ss" and a blank. Without an extract log the line goes to the run log. If
  // the extract log fails to write it, the run log receives "Writing next message to Run Log
  // because failed to write to extract log." and then the line, both at the same level. A
  // message that the extract log wrote and then raised (its throw level) is not a failure:
  // that error passes to the caller.
  void ExtractLogWrite(int32_t level, const char* text);
  void ExtractLogWrite(int32_t level, const XString& text) { ExtractLogWrite(level, text.c_str()); }
  void ExtractLogWriteFormat(int32_t level, const char* format, ...)
#if defined(__GNUC__)
      __attribute__((format(printf, 3, 4)))
#endif
      ;

  // Run-log write; throws "No RunLog set.  Cannot log." when there is no run log.
  void RunLogWrite(int32_t level, const char* text);
  void RunLogWrite(int32_t level, const XString& text) { RunLogWrite(level, text.c_str()); }
  void RunLogWriteFormat(int32_t level, const char* format, ...)
#if defined(__GNUC__)
      __attribute__((format(printf, 3, 4)))
#endif
      ;

  // Logs the text as ExtractLogWrite does but without the time prefix, then throws
  // XException(text, 0).
  [[noreturn]] void Error(int32_t level, const char* text);
  [[noreturn]] void Error(int32_t level, const XString& text) { Error(level, text.c_str()); }
  [[noreturn]] void ErrorFormat(int32_t level, const char* format, ...)
#if defined(__GNUC__)
      __attribute__((format(printf, 3, 4)))
#endif
      ;

  // The prefix of a timed extract-log line: "dd/mm/yyyy|hh:nn:ss ".
  static XString TimePrefix();

  // A line as it was given to ExtractLogWrite (extract) or RunLogWrite, before any prefix.
  struct Line {
    bool extract;
    int32_t level;
    XString text;
  };
  // While a recording is set, every line given to ExtractLogWrite and RunLogWrite is also
  // appended to it, so that a stretch of work can be answered later with the same lines
  // (Replay). Returns the recording it replaces (null: none).
  std::vector<Line>* Record(std::vector<Line>* lines) {
    std::vector<Line>* previous = m_recording;
    m_recording = lines;
    return previous;
  }
  // Writes the lines again, each through ExtractLogWrite or RunLogWrite as it first went.
  void Replay(const std::vector<Line>& lines);

 private:
  void WriteToExtractLog(int32_t level, const char* line);
  void WriteToRunLog(int32_t level, const char* text);

  ILog* m_runLog;
  ILog* m_extractLog;
  std::vector<Line>* m_recording = nullptr;
};
