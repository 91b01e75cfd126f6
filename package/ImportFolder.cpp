#include "package/ImportFolder.h"

#include <cctype>
#include <string>
#include <vector>

#include "foundation/XDate.h"
#include "foundation/XException.h"
#include "foundation/XTime.h"
#include "os/OsExclusiveFiles.h"
#include "os/OsFiles.h"
#include "os/OsSystem.h"
#include "package/AttendanceRecorder.h"
#include "package/AttendanceStore.h"

namespace {

constexpr const char* kUpdateDatePattern = "dd-mmm-yyyy";

bool EqualsNoCase(const std::string& a, const char* b) {
  size_t n = std::char_traits<char>::length(b);
  if (a.size() != n) return false;
  for (size_t i = 0; i < n; ++i) {
    if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i]))) return false;
  }
  return true;
}

// "*.qdu": the folder listing of Windows matches without regard to case, and the update files
// themselves are named ".QDU".
bool IsUpdateFileName(const std::string& name) {
  return name.size() > 4 && EqualsNoCase(name.substr(name.size() - 4), ".qdu");
}

// "AATP*", "AATD*"
bool BeginsWithNoCase(const std::string& name, const char* prefix) {
  size_t n = std::char_traits<char>::length(prefix);
  return name.size() >= n && EqualsNoCase(name.substr(0, n), prefix);
}

std::vector<std::string> FolderEntries(const XFileSpec& folder) {
  std::vector<std::string> names;
  std::string path = folder.Path().ToStd();
  if (path.size() > 1 && path.back() == os::kPathSeparator) path.pop_back();
  os::ListDirectory(path, names);
  return names;
}

// The name an entry of the cleaning takes until everything has been moved (see Clean).
constexpr const char* kAsideSuffix = ".deleting";

bool EndsWith(const std::string& name, const char* suffix) {
  const size_t n = std::char_traits<char>::length(suffix);
  return name.size() > n && name.compare(name.size() - n, n, suffix) == 0;
}

std::string JoinPath(const XFileSpec& folder, const std::string& name) {
  std::string path = folder.Path().ToStd();
  if (!path.empty() && path.back() != os::kPathSeparator) path += os::kPathSeparator;
  return path + name;
}

// Removes whatever is at the path: a folder with its contents, a link as a link (nothing it
// points to is touched). True when nothing is left there.
bool RemoveEntry(const std::string& path) {
  const os::EntryKind kind = os::KindOfEntry(path);
  if (kind == os::EntryKind::kNone) return true;
  if (kind == os::EntryKind::kFolder || kind == os::EntryKind::kLink) return os::RemoveDirectoryTree(path);
  return os::DeleteFilePath(path);
}

// One entry the cleaning removes, with the step it belongs to.
enum class CleaningStep { kSchoolConfig, kUpdateFiles, kPat, kDat, kAatp, kAatd, kStore };
struct Removal {
  CleaningStep step;
  std::string path;
  std::string aside;
};

// Moves every entry to "<name>.deleting" beside it. When one cannot be moved (open in another
// program, no right to change its folder), those moved go back to their names and the error
// names the entry: the cleaning removes everything or nothing.
void MoveAside(std::vector<Removal>& removals) {
  for (size_t i = 0; i < removals.size(); ++i) {
    Removal& removal = removals[i];
    removal.aside = removal.path + kAsideSuffix;
    // An entry of that name is what an interrupted cleaning left.
    if (RemoveEntry(removal.aside) && os::MoveFileNoReplace(removal.path, removal.aside)) continue;
    const int error = os::LastError();
    std::string notBack;
    for (size_t back = i; back-- > 0;) {
      if (!os::MoveFileNoReplace(removals[back].aside, removals[back].path)) notBack += " " + removals[back].aside;
    }
    XException failure = XException::Format(error, "Could not remove %s ( %d ); nothing was removed", removal.path.c_str(), error);
    if (!notBack.empty()) failure = XException(XString(failure.Text()) + ", but these could not be put back:" + notBack.c_str(), error);
    throw failure;
  }
}

// The global folder read from "SchoolConfig.xml": an absolute path of a folder that exists.
bool IsUsableGlobalFolder(const XString& path) {
  if (path.IsEmpty() || !os::IsAbsolutePath(path.ToStd())) return false;
  try {
    return os::IsDirectory(XFileSpec::Folder(path.c_str()).Path().ToStd());
  } catch (const XException&) {
    return false;
  }
}

int ReadUpdateDate(const XString& text) {
  int day = XDate::kNone;
  if (text.IsEmpty() || !XDate::ParseDate(text.c_str(), kUpdateDatePattern, day)) return XDate::kNone;
  return day;
}

// "dd-mmm-yyyy hh:nn:ss"
XDateTime ReadReferenceTime(const XString& text) {
  uint32_t blank = text.Find(' ');
  int day = XDate::kNone;
  if (!XDate::ParseDate(text.Left(blank).c_str(), kUpdateDatePattern, day)) return XDateTime();
  int ms = XTime::kNone;
  if (blank < text.Length() && !XTime::ParseTime(text.Mid(blank + 1).c_str(), "HH:NN:SS", ms)) {
    ms = XTime::kNone;
  }
  return XDateTime(day, ms == XTime::kNone ? 0 : ms);
}

// Everything a cleaning of `folder` removes, in the order it goes aside: the school
// configuration, the update files, the import tool's PAT and DAT folders, its AATP and AATD
// entries, and the change store with its copies. Throws when an update file's name is taken by
// a folder.
std::vector<Removal> CollectRemovals(const XFileSpec& folder, const XFileSpec& schoolConfig) {
  std::vector<Removal> removals;
  auto add = [&removals](CleaningStep kind, const std::string& path) {
    if (os::KindOfEntry(path) != os::EntryKind::kNone) removals.push_back({kind, path, std::string()});
  };
  // The school configuration goes aside first: a cleaning cut short then leaves a folder
  // that the next run sees as changed and cleans again.
  add(CleaningStep::kSchoolConfig, schoolConfig.Path().ToStd());
  const std::vector<std::string> entries = FolderEntries(folder);
  for (const std::string& name : entries) {
    if (!IsUpdateFileName(name)) continue;
    // A folder of that name is no update file: the cleaning stops rather than leave old
    // changes for the import tool, or take a tree it does not know.
    const std::string path = JoinPath(folder, name);
    if (os::KindOfEntry(path) == os::EntryKind::kFolder) {
      throw XException::Format(0, "Could not delete spec: %s is a folder, not an update file", path.c_str());
    }
    add(CleaningStep::kUpdateFiles, path);
  }
  XString folderPath = folder.Path();
  XFileSpec parent = folder;
  if (folderPath.Length() > XString(folder.Volume()).Length()) {
    parent = XFileSpec(folderPath.Left(folderPath.Length() - 1)).FolderSpec();
  }
  add(CleaningStep::kPat, JoinPath(parent, "PAT"));
  add(CleaningStep::kDat, JoinPath(folder, "DAT"));
  for (const std::string& name : entries) {
    if (BeginsWithNoCase(name, "AATP")) add(CleaningStep::kAatp, JoinPath(folder, name));
  }
  for (const std::string& name : entries) {
    if (BeginsWithNoCase(name, "AATD")) add(CleaningStep::kAatd, JoinPath(folder, name));
  }
  // The store's copies go before it (a copy without its store would be taken for a lost
  // store and restored), SQLite's files beside it with it (a journal would be played back
  // into the next run's new store).
  const std::string store = AttendanceStore::StoreFile(folder).Path().ToStd();
  for (const char* copy : {AttendanceStore::kCopySuffix, AttendanceStore::kNewCopySuffix}) {
    for (const char* suffix : {"", "-journal"}) add(CleaningStep::kStore, store + copy + suffix);
  }
  for (const char* suffix : {"", "-journal", "-wal", "-shm"}) add(CleaningStep::kStore, store + suffix);
  return removals;
}

}  // namespace

ImportFolder::ImportFolder(XEngineLog& log, AttendanceRecorder& attendance) : m_log(log), m_attendance(attendance) {}

XFileSpec ImportFolder::File(const XString& name) const {
  XFileSpec spec = m_folder;
  spec.AppendName(name.c_str());
  return spec;
}

bool ImportFolder::BridgeConfigurationChanged(const BridgeConfiguration& config, const XString& bridgeVersion) {
  m_bridgeConfiguration = config;
  if (!config.m_importFolder.IsEmpty()) Set(config.m_importFolder);

  SchoolConfig stored;
  stored.Load(File(SchoolConfig::kFileName));
  m_globalFolder = stored.Value("GlobalFolder");
  m_startUpdateDate = stored.Value("UpdateDate");
  m_startReferenceTime = stored.Value("UpdateDateTime");
  m_storeNotDeleted = false;
  if (!m_globalFolder.IsEmpty() && !IsUsableGlobalFolder(m_globalFolder)) {
    // The file lies in a folder others may write to: a folder it names decides where a store
    // is opened and its tables dropped, so only a real absolute folder is taken.
    m_log.ExtractLogWrite(kLogWarning, (XString("GlobalFolder \"") + m_globalFolder +
                                        "\" in SchoolConfig.xml is not an absolute folder that exists; the "
                                        "import folder is used instead.").c_str());
  }
  m_attendance.Restore(ReadUpdateDate(stored.Value("UpdateDate")), ReadReferenceTime(stored.Value("UpdateDateTime")),
                       stored.Value("OverlapInDays"));

  if (stored.EntryCount() != SchoolConfig::kKeyCount) return true;
  const struct {
    const char* key;
    const XString& current;
  } compared[] = {
      {"LastDistrict", config.m_district},         {"LastSchoolNumber", config.m_schoolNumber},
      {"LastSchoolYear", config.m_schoolYear},     {"LastMasterFile", config.m_masterFile},
      {"LastMasterFolder", config.m_masterFolder}, {"LastSecurityFile", config.m_securityFile},
      {"LastDSN", config.m_dsn},                   {"LastBridgeVersion", bridgeVersion},
  };
  for (const auto& item : compared) {
    if (!(stored.Value(item.key) == item.current)) return true;
  }
  return false;
}

bool ImportFolder::CheckBridgeConfiguration(const BridgeConfiguration& config, const XString& bridgeVersion) {
  if (!BridgeConfigurationChanged(config, bridgeVersion)) {
    m_log.RunLogWrite(kLogInfo, "Bridge Configuration Did Not Change.");
    return false;
  }
  m_log.RunLogWrite(kLogInfo, "Bridge Configuration Changed.");
  Clean();
  m_attendance.SetUpdateDate(XDate::kNone);
  return true;
}

void ImportFolder::Clean() {
  XEngineLog& log = m_log;
  auto step = [&log](const char* message) { log.ExtractLogWrite(kLogError, message); };
  try {
    step("Assigned import folder");
    const XFileSpec folder = m_folder;
    // The store is deleted in its folder: a link there would lead the delete elsewhere.
    RemoveLinkAtFolder(AttendanceStore::kFolderName);

    // Closed first: an open file cannot be moved everywhere.
    m_attendance.Store().Close();
    std::vector<Removal> removals = CollectRemovals(folder, File(SchoolConfig::kFileName));

    // Nothing is deleted until everything has moved aside; a deletion that fails after that
    // leaves only a "*.deleting" entry, which the next run removes.
    MoveAside(removals);
    auto remove = [&](CleaningStep kind) {
      bool any = false;
      for (const Removal& removal : removals) {
        if (removal.step != kind) continue;
        any = true;
        if (kind == CleaningStep::kAatp) step("Iterating AATP Folder");
        if (!RemoveEntry(removal.aside)) {
          log.RunLogWrite(kLogWarning, (XString("Could not delete ") + removal.aside.c_str() +
                                        "; the next run removes it.").c_str());
        }
        if (kind == CleaningStep::kAatp) step("Deleted AATP Folder");
      }
      return any;
    };
    remove(CleaningStep::kUpdateFiles);
    step("Deleted qdu files");
    step("Changed FileName to SchoolConfig");
    remove(CleaningStep::kSchoolConfig);
    m_startUpdateDate = XString();
    m_startReferenceTime = XString();
    m_attendance.ForgetUpdateDate();
    step("Deleted SchoolConfig");
    step("Got Parent Folder");
    step("Appended PAT");
    for (const Removal& removal : removals) {
      if (removal.step == CleaningStep::kPat) step("Found PAT Folder");
    }
    if (remove(CleaningStep::kPat)) step("Deleted PAT Folder");
    step("Reset QDE Folder");
    step("Appended DAT Folder");
    for (const Removal& removal : removals) {
      if (removal.step == CleaningStep::kDat) step("Found DAT Folder");
    }
    if (remove(CleaningStep::kDat)) step("Deleted DAT Folder");
    step("Assigned AATP Iterator");
    remove(CleaningStep::kAatp);
    step("Assigned AATD Iterator");
    remove(CleaningStep::kAatd);
    remove(CleaningStep::kStore);

    if (!m_attendance.CloseAndDelete(folder)) m_storeNotDeleted = true;

    // A global store's tables go once their time in it has passed.
    if (IsUsableGlobalFolder(m_globalFolder) &&
        m_attendance.OpenStore(XFileSpec::Folder(m_globalFolder.c_str()), folder)) {
      m_attendance.DropTableWhenDue(AttendanceStore::kPeriod);
      m_attendance.DropTableWhenDue(AttendanceStore::kDaily);
    }
  } catch (const XException& e) {
    XString message(
        "Error: Failed while trying to remove QDU Files.\n Please manually remove all .qdu files "
        "from the Import Directory, and try extracting again.\n");
    message += e.what();
    message += "\nExiting Extractor.";
    log.Error(kLogFatal, message.c_str());
  }
}

void ImportFolder::SaveSchoolConfig(const XString& bridgeVersion) {
  const AttendanceRecorder& att = m_attendance;
  if (m_storeNotDeleted) {
    // The old store still says which rows were sent: a school configuration that matches
    // would let the next run trust it. Without one, the next run cleans the folder again.
    m_log.ExtractLogWrite(kLogError, "SchoolConfig.xml is not written: the attendance store of the changed "
                                     "configuration could not be deleted, so the next run cleans the folder again.");
    return;
  }
  const BridgeConfiguration& run = m_bridgeConfiguration;
  SchoolConfig config;
  config.SetValue("LastBridgeVersion", bridgeVersion);
  config.SetValue("LastSchoolNumber", run.m_schoolNumber);
  config.SetValue("LastDistrict", run.m_district);
  config.SetValue("LastSchoolYear", run.m_schoolYear);
  config.SetValue("LastDSN", run.m_dsn);
  config.SetValue("LastMasterFile", run.m_masterFile);
  config.SetValue("LastMasterFolder", run.m_masterFolder);
  config.SetValue("LastSecurityFile", run.m_securityFile);
  config.SetValue("GlobalFolder", m_globalFolder);
  // One day back, so that the next run looks at the last day again whatever the time of day.
  int updateDate = att.UpdateDate() > 0 ? att.UpdateDate() : att.ReferenceTime().Date();
  config.SetValue("UpdateDate", updateDate > 0
                                    ? XDate::FormatDate(XDate::AddDays(updateDate, -1), kUpdateDatePattern)
                                    : XString());
  XString reference;
  if (att.ReferenceTime().Date() > 0) {
    reference = XDate::FormatDate(XDate::AddDays(att.ReferenceTime().Date(), -1), kUpdateDatePattern);
    reference += " ";
    reference += XTime::FormatTime(att.ReferenceTime().Time() < 0 ? 0 : att.ReferenceTime().Time(),
                                   "hh:nn:ss");
  }
  config.SetValue("UpdateDateTime", reference);
  if (att.Failed()) {
    config.SetValue("UpdateDate", m_startUpdateDate);
    config.SetValue("UpdateDateTime", m_startReferenceTime);
  }
  config.SetValue("OverlapInDays",
                  att.Overlap().IsEmpty() ? XString(AttendanceRecorder::kDefaultOverlap) : att.Overlap());
  config.SetValue("LastBridgeLogLevel", "3");
  config.Save(File(SchoolConfig::kFileName));
}

void ImportFolder::RemoveLeftovers() {
  // What the run writes at these names must be a file of its own, and the store's folder a
  // real folder.
  if (!m_baseName.IsEmpty()) {
    ClearFileName(m_baseName + "ExtractLog.txt", "extract log");
    ClearFileName(m_baseName + "RunLog.txt", "copy of the run log");
  }
  RemoveLinkAtFolder(AttendanceStore::kFolderName);

  XFileSpec storeFolder = m_folder;
  storeFolder.AppendFolder(AttendanceStore::kFolderName);
  std::vector<std::string> storeEntries;
  if (os::KindOfEntry(JoinPath(m_folder, AttendanceStore::kFolderName)) == os::EntryKind::kFolder) {
    storeEntries = FolderEntries(storeFolder);
  }
  auto removeAside = [this](const std::string& path) {
    if (RemoveEntry(path)) {
      m_log.ExtractLogWrite(kLogInfo, (XString("Removed what an interrupted cleaning left: ") + path.c_str()).c_str());
    }
  };
  for (const std::string& name : storeEntries) {
    if (EndsWith(name, kAsideSuffix)) removeAside(JoinPath(storeFolder, name));
  }
  for (const std::string& name : FolderEntries(m_folder)) {
    if (EndsWith(name, kAsideSuffix)) {
      removeAside(JoinPath(m_folder, name));
      continue;
    }
    if (!EndsWith(name, ".partial")) continue;
    XFileSpec file = File(name.c_str());
    // A folder of that name is nobody's unfinished file.
    if (os::IsDirectory(file.Path().ToStd())) continue;
    if (os::DeleteFilePath(file.Path().ToStd())) {
      m_log.ExtractLogWrite(kLogInfo, (XString("Removed the unfinished file of an earlier run: ") + file.Path()).c_str());
    }
  }
}

void ImportFolder::Lock(const XString& baseName, const ImportFolderLock::WaitObserver& waiting) {
  if (m_lock.IsHeld()) return;
  XString warning;
  ImportFolderLock::WaitSeconds(&warning);
  if (!warning.IsEmpty()) m_log.RunLogWrite(kLogWarning, warning.c_str());
  m_baseName = baseName;
  ClearFileName(baseName + "Run.lock", "run lock file");
  m_lock.Take(m_folder, baseName, waiting);
}

void ImportFolder::ClearFileName(const XString& name, const char* role) {
  const std::string path = File(name).Path().ToStd();
  const os::EntryKind kind = os::KindOfEntry(path);
  if (kind == os::EntryKind::kNone || kind == os::EntryKind::kFile) return;
  RemoveFound(path, XString("Found ") + os::EntryKindText(kind) + " at the name of the " + role + " " + path.c_str(),
              " and", kind == os::EntryKind::kLink);
}

void ImportFolder::RemoveLinkAtFolder(const char* name) {
  const std::string path = JoinPath(m_folder, name);
  if (os::KindOfEntry(path) != os::EntryKind::kLink) return;
  RemoveFound(path,
              XString("Found a link at the folder ") + path.c_str() + ", where the run writes only into a real folder",
              ", and", true);
}

void ImportFolder::RemoveFound(const std::string& path, const XString& found, const char* joiner, bool link) {
  if (!RemoveEntry(path)) {
    const int error = os::LastError();
    m_log.Error(kLogFatal,
                XException::Format(error, "%s%s could not remove it ( %d ).", found.c_str(), joiner, error).Text());
  }
  m_log.RunLogWrite(kLogWarning, (found + (link ? ": removed it as a link." : ": removed it.")).c_str());
}

bool ImportFolder::Validate(const XString& path) {
  XEngineLog& log = m_log;
  log.RunLogWrite(kLogInfo, (XString("Validate Folder ") + path).c_str());
  m_failure = XString();
  if (path.IsEmpty()) return true;
  XFileSpec folder;
  try {
    folder = XFileSpec::Folder(path.c_str());
    if (!folder.Exists()) {
      log.RunLogWrite(kLogInfo, "Folder doesnt exist so lets create it");
      folder.CreateFolder();
    }
  } catch (const XException& e) {
    log.RunLogWrite(kLogDebug, e.what());
    m_failure = e.what();
  }
  if (!folder.IsEmpty() && os::IsDirectory(folder.Path().ToStd())) {
    // The folder's attribute word as Windows gives it: FILE_ATTRIBUTE_DIRECTORY.
    log.RunLogWrite(kLogDebug, "Folder exists: 16");
    Set(path);
    return true;
  }
  if (m_failure.IsEmpty()) m_failure = XString("Not a folder: ") + path;
  log.RunLogWrite(kLogInfo, "Folder doesnt exist : -1");
  log.RunLogWrite(kLogError, (XString("Import Folder does not exist: ") + path).c_str());
  return false;
}
