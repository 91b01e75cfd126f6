// The import folder of a run and its housekeeping: the school configuration file
// "SchoolConfig.xml" that records what the folder was last filled from, the decision whether
// that changed, and the cleaning that lets the import tool and the attendance change store
// start again from a full package. The attendance state that the file keeps from run to run
// (update date, reference time, overlap) is the recorder's; this class reads it into the
// recorder and writes it back.
#pragma once

#include <string>

#include "foundation/XEngineLog.h"
#include "foundation/XFileSpec.h"
#include "foundation/XString.h"
#include "package/ImportFolderLock.h"
#include "package/SchoolConfig.h"

class AttendanceRecorder;

class ImportFolder {
 public:
  // The cleaning closes and deletes the attendance store of `attendance`, and opens the
  // global one; the state kept in "SchoolConfig.xml" goes to and from it.
  ImportFolder(XEngineLog& log, AttendanceRecorder& attendance);

  void Set(const XString& folder) { m_folder = XFileSpec::Folder(folder); }
  const XFileSpec& Spec() const { return m_folder; }
  // The folder joined with a file name.
  XFileSpec File(const XString& name) const;

  // Reads "SchoolConfig.xml" of the configuration's import folder (which becomes this one)
  // and answers whether the bridge configuration changed: a file without exactly thirteen
  // entries, or any difference in district, school number, school year, master file, master
  // folder, security file, DSN or bridge version. Keeps the stored global folder, and gives
  // the recorder the stored update date, reference time and overlap.
  bool BridgeConfigurationChanged(const BridgeConfiguration& config, const XString& bridgeVersion);
  // The Begin step: decides; when changed, logs "Bridge Configuration Changed." to the run
  // log, cleans the folder and forgets the attendance update date; otherwise logs
  // "Bridge Configuration Did Not Change.". Returns whether it changed.
  bool CheckBridgeConfiguration(const BridgeConfiguration& config, const XString& bridgeVersion);
  // Removes the update files, "SchoolConfig.xml", the import tool's folders and the change
  // store. Everything is first moved aside ("<name>.deleting"); only when all has moved is
  // anything deleted, so that an entry that cannot go (open in another program) leaves the
  // folder as it was. A failure ends the run with the Fatal "Error: Failed while trying to
  // remove QDU Files. ..." message.
  void Clean();
  // Writes "SchoolConfig.xml" with the thirteen keys of the run. When the attendance store
  // failed in the run, "UpdateDate" and "UpdateDateTime" keep the values the run started
  // with, so that the next run reads the same days again. When the cleaning could not delete
  // the store, the file is not written at all: the next run then cleans again.
  void SaveSchoolConfig(const XString& bridgeVersion);

  // One run at a time (see ImportFolderLock): taken before the run writes into the folder. A
  // link, folder or pipe at the lock file's name is removed first, with a Warning that says
  // which; so is a QV_LOCK_WAIT_SECONDS that is refused or clamped.
  void Lock(const XString& baseName, const ImportFolderLock::WaitObserver& waiting = nullptr);
  void Unlock() { m_lock.Release(); }
  bool IsLocked() const { return m_lock.IsHeld(); }
  // Deletes what runs that were killed left in the folder: files "*.partial", written under
  // that name until complete, and the "*.deleting" entries of a cleaning cut short. Clears
  // the names the run writes (extract log, run log copy) of anything but a file, and the
  // "Attendance" folder of a link. Only with the lock held, when no other run can be writing.
  void RemoveLeftovers();
  // Creates a missing folder; true (and the folder becomes this one) when it exists. An empty
  // path is accepted as it is.
  bool Validate(const XString& path);
  // Why the last Validate answered false (a relative path, a folder that could not be
  // created, a file in its place); empty after a success.
  const XString& Failure() const { return m_failure; }

  const BridgeConfiguration& Configuration() const { return m_bridgeConfiguration; }

  const XString& GlobalFolder() const { return m_globalFolder; }

 private:
  // What the run writes at `name` in the folder must be a file: a link, folder, pipe or the
  // like there is removed (a link as a link), with a Warning that says what was found.
  void ClearFileName(const XString& name, const char* role);
  // The folder `name` in the import folder, when there, must be a real folder: a link there
  // is removed as a link, with a Warning.
  void RemoveLinkAtFolder(const char* name);
  // Removes what was found at `path` and warns with `found`; when it cannot be removed, the run
  // ends with `found` + `joiner` + " could not remove it".
  void RemoveFound(const std::string& path, const XString& found, const char* joiner, bool link);

  XEngineLog& m_log;
  AttendanceRecorder& m_attendance;
  XFileSpec m_folder;
  BridgeConfiguration m_bridgeConfiguration;
  XString m_globalFolder;
  XString m_failure;
  // "UpdateDate" and "UpdateDateTime" as the run found them (empty once cleaned).
  XString m_startUpdateDate;
  XString m_startReferenceTime;
  bool m_storeNotDeleted = false;
  XString m_baseName;  // of the lock and the log files, once locked
  ImportFolderLock m_lock;
};
