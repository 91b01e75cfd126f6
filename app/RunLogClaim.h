// The run log file of one process. The run log is written line by line and created anew by
// every start, so two runs at once (a scheduled school while the window is open, two schools
// scheduled at one time) must never share one file: the second start would empty the first
// run's log and the two would interleave their lines.
//
// Each process holds a lock beside its run log for as long as it lives (the system's own lock:
// flock on POSIX, a handle shared with no other writer on Windows; it ends with the process,
// however the process ends). The first run takes "QvMeridaneRunLog.txt"; a run that finds it
// held by a live run takes the first free of "QvMeridaneRunLog 2.txt", "QvMeridaneRunLog
// 3.txt", ... and writes there alone.
#pragma once

#include "foundation/XString.h"
#include "os/OsFiles.h"

class RunLogClaim {
 public:
  // How many run log files are tried before the process's own number names one.
  static constexpr int kSlots = 16;

  // Claims the first free file of `path`'s series. When no lock can be taken at all (a folder
  // that takes no lock file), the run log is `path` as it always was.
  explicit RunLogClaim(const XString& path);
  ~RunLogClaim();
  RunLogClaim(const RunLogClaim&) = delete;
  RunLogClaim& operator=(const RunLogClaim&) = delete;

  // The run log file this process writes.
  const XString& Path() const { return m_path; }
  // True when the first file of the series was held by another run.
  bool TookAnother() const { return m_tookAnother; }

  // The n-th file of the series: the path itself for 1, "<name> <n><extension>" after it.
  static XString SlotPath(const XString& path, int n);
  // The lock file of a run log: its path followed by ".lock".
  static XString LockPath(const XString& runLog);

 private:
  XString m_path;
  XString m_lockPath;
  os::FileHandle m_lock = os::kInvalidFile;
  bool m_tookAnother = false;
};
