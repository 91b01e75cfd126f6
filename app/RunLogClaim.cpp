#include "app/RunLogClaim.h"

#include <string>

#include "os/OsExclusiveFiles.h"

namespace {

// "<name> <suffix><extension>" in the folder of `path`.
XString WithSuffix(const XString& path, const std::string& suffix) {
  const std::string text = path.ToStd();
  const size_t name = text.find_last_of(os::kPathSeparator) + 1;
  size_t dot = text.rfind('.');
  if (dot == std::string::npos || dot < name) dot = text.size();
  return XString(text.substr(0, dot) + " " + suffix + text.substr(dot));
}

}  // namespace

XString RunLogClaim::SlotPath(const XString& path, int n) {
  return n <= 1 ? path : WithSuffix(path, std::to_string(n));
}

XString RunLogClaim::LockPath(const XString& runLog) { return runLog + ".lock"; }

RunLogClaim::RunLogClaim(const XString& path) : m_path(path) {
  const std::string holder = std::to_string(os::CurrentProcessId());
  for (int n = 1; n <= kSlots; ++n) {
    const XString candidate = SlotPath(path, n);
    const XString lockPath = LockPath(candidate);
    os::FileHandle handle = os::kInvalidFile;
    switch (os::TakeFileLock(lockPath.ToStd(), holder, handle)) {
      case os::LockResult::kTaken:
        m_path = candidate;
        m_lockPath = lockPath;
        m_lock = handle;
        m_tookAnother = n > 1;
        return;
      case os::LockResult::kBusy:
        continue;
      case os::LockResult::kFailed:
        // No lock can be had here; the run log stays where it always was.
        if (n == 1) return;
        continue;
    }
  }
  // Every file of the series is held: the process's number names one that no live run has.
  m_path = WithSuffix(path, "process " + holder);
  m_tookAnother = true;
}

RunLogClaim::~RunLogClaim() {
  if (m_lock != os::kInvalidFile) os::ReleaseFileLock(m_lock, m_lockPath.ToStd());
}
