// The level-filtering base of every log: decides whether a message is written and whether it
// is raised as an error afterwards; the medium is the subclass's Emit.
#pragma once

#include <cstdarg>
#include <cstdint>

#include "foundation/ILog.h"
#include "foundation/XException.h"
#include "foundation/XString.h"

// The error a log raises for a message at or above its throw level. The message HAS been
// written when this is thrown, which is what tells it apart from a failure to write (an
// XException from the medium): a caller that falls back to another log on a failed write must
// not do so for this one.
class XLogRaisedException : public XException {
 public:
  explicit XLogRaisedException(const char* message) : XException(message, 0) {}
};

class XLog : public ILog {
 public:
  // Formatted messages are cut at this many characters.
  static constexpr uint32_t kMaxMessage = 2048;

  explicit XLog(int32_t writeLevel = kLogInfo);
  ~XLog() override;

  void Begin() override;  // calls End
  void End() override;    // nothing to finish in the base
  void Write(int32_t level, const char* message) override;
  void WriteFormat(int32_t level, const char* format, ...) override
#if defined(__GNUC__)
      __attribute__((format(printf, 3, 4)))
#endif
      ;
  void WriteFormatList(int32_t level, const char* format, va_list args) override;

  // Puts one line on the medium.
  virtual void Emit(int32_t level, const char* message) = 0;

  // The Warning messages the log was given since the last ResetTally, whatever its write
  // level: a run that had any ended "with warnings".
  uint32_t WarningCount() const { return m_warnings; }
  void ResetTally() { m_warnings = 0; }

  int32_t WriteLevel() const { return m_writeLevel; }
  void SetWriteLevel(int32_t level) { m_writeLevel = level; }
  int32_t ThrowLevel() const { return m_throwLevel; }
  void SetThrowLevel(int32_t level) { m_throwLevel = level; }

  // Sets the write level from the marker files in a folder (the application's folder), as the
  // application does at start, before anything else is logged:
  //   "proprietary.txt" holding ProprietaryKey(version) -> 0 (a wrong key is reported and
  //   ignored), else "verbosedebug.txt" -> 1, "debug.txt" -> 2, "quiet.txt" -> 9, else 3.
  // Each step is logged at Info ("Setting Log Level from File.", "WriteLevel Changed to: N").
  // Returns the new write level.
  int32_t SetWriteLevelFromFiles(const XString& folder, const char* version);

  // The text "proprietary.txt" must hold to unlock level 0 for a program version. Derived at
  // run time; never written to any log.
  static XString ProprietaryKey(const char* version);

 private:
  int32_t m_writeLevel;
  int32_t m_throwLevel = kLogFatal;
  uint32_t m_warnings = 0;
};
