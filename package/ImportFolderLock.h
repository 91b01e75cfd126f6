// One run at a time in an import folder. A run takes the lock file "<base name>Run.lock" in
// the folder before it writes anything there, and holds it until its end: two runs into one
// folder would otherwise mix their table files, write the same temporary files and record
// into one attendance store at once. The file names the process and the time it started, for
// the message of a run that finds it held. A run that ends in any way, killed included,
// leaves no lock behind (see os::TakeFileLock).
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "foundation/XFileSpec.h"
#include "foundation/XString.h"

class ImportFolderLock {
 public:
  // How long a run waits for the other run to end, unless the environment variable
  // QV_LOCK_WAIT_SECONDS gives another number of seconds, from 0 to kMaxWaitSeconds.
  static constexpr int kDefaultWaitSeconds = 60;
  static constexpr int kMaxWaitSeconds = 3600;

  ImportFolderLock() = default;
  ~ImportFolderLock() { Release(); }
  ImportFolderLock(const ImportFolderLock&) = delete;
  ImportFolderLock& operator=(const ImportFolderLock&) = delete;

  // Takes the lock of `folder` (the lock file's name from `baseName`), waiting while another
  // run holds it. Throws XException when the wait ends: "Another run is writing into the
  // import folder <folder>: it started <time> (process <n>); this run waited <n> seconds."
  // A lock file that cannot be made at all also throws. Held already: nothing happens.
  // While it waits, `waiting` (when given) is called before every pause with what the lock
  // file says of the other run (its start time and process), so that the caller can say so,
  // keep its window alive and end the wait by throwing.
  using WaitObserver = std::function<void(const XString& started, const XString& process)>;
  void Take(const XFileSpec& folder, const XString& baseName, const WaitObserver& waiting = nullptr);
  void Release();
  bool IsHeld() const { return m_handle != -1; }
  const XFileSpec& File() const { return m_file; }

  // The seconds QV_LOCK_WAIT_SECONDS gives. A value that is no whole number is refused (the
  // default applies), one out of range is clamped to it; either way `warning`, when given,
  // receives the Warning line naming the variable and the seconds used, else stays empty.
  static int WaitSeconds(XString* warning = nullptr);

 private:
  XFileSpec m_file;
  intptr_t m_handle = -1;
};
