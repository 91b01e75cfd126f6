// The log interface that every part of the system writes its diagnostics through, and the log
// levels. Lower levels are more verbose; a log drops messages below its write level and raises
// messages at or above its throw level after writing them.
#pragma once

#include <cstdarg>
#include <cstdint>

enum LogLevel : int32_t {
  kLogProprietary = 0,  // internal detail: SQL text, query-builder stages
  kLogVerboseDebug = 1,
  kLogDebug = 2,
  kLogInfo = 3,
  kLogProgress = 4,
  kLogNote = 5,  // shown on the console without the bracketed level name
  kLogWarning = 6,
  kLogError = 7,
  kLogFatal = 8,
  kLogNone = 9,  // as a write level: silent
};

// "Proprietary", "Verbose Debug", ..., "None"; "Unknown" for any other value.
const char* LogLevelName(int32_t level);

class ILog {
 public:
  virtual ~ILog() = default;

  // Starts the log (for a file: creates it anew and writes the header).
  virtual void Begin() = 0;
  // Finishes the log.
  virtual void End() = 0;
  // Writes one line at the level (if the level passes the write level), then throws
  // XException(message, 0) when the level reaches the throw level.
  virtual void Write(int32_t level, const char* message) = 0;
  // printf formatting; the text is cut at 2,048 characters, then written as Write does.
  virtual void WriteFormat(int32_t level, const char* format, ...)
#if defined(__GNUC__)
      __attribute__((format(printf, 3, 4)))
#endif
      = 0;
  virtual void WriteFormatList(int32_t level, const char* format, va_list args) = 0;
};
