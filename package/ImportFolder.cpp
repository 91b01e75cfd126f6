#include "package/ImportFolder.h"

#include <cctype>
#include <string>
#include <vector>

#include "foundation/XDate.h"
#include "foundation/XException.h"
#include "foundation/XTime.h"
#include "os/OsFiles.h"
#include "package/AttendanceRecorder.h"

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

// A file, or a folder with everything in it.
XFileSpec EntrySpec(const XFileSpec& folder, const std::string& name) {
  XFileSpec spec = folder;
  spec.AppendName(name.c_str());
  if (os::IsDirectory(spec.Path().ToStd())) spec.AppendFolder("");
  return spec;
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
    for (const std::string& name : FolderEntries(folder)) {
      if (!IsUpdateFileName(name)) continue;
      // Deleted as a file: an entry of that name that cannot be (open elsewhere, read-only,
      // a folder) stops the cleaning rather than leaving old changes for the import tool.
      XFileSpec file = folder;
      file.AppendName(name.c_str());
      file.Delete();
    }
    step("Deleted qdu files");

    XFileSpec schoolConfig = File(SchoolConfig::kFileName);
    step("Changed FileName to SchoolConfig");
    if (schoolConfig.Exists()) schoolConfig.Delete();
    m_startUpdateDate = XString();
    m_startReferenceTime = XString();
    m_attendance.ForgetUpdateDate();
    step("Deleted SchoolConfig");

    XString folderPath = folder.Path();
    XFileSpec parent = folder;
    if (folderPath.Length() > XString(folder.Volume()).Length()) {
      parent = XFileSpec(folderPath.Left(folderPath.Length() - 1)).FolderSpec();
    }
    step("Got Parent Folder");
    XFileSpec pat = parent;
    pat.AppendFolder("PAT");
    step("Appended PAT");
    if (pat.Exists()) {
      step("Found PAT Folder");
      pat.Delete();
      step("Deleted PAT Folder");
    }

    step("Reset QDE Folder");
    XFileSpec dat = folder;
    dat.AppendFolder("DAT");
    step("Appended DAT Folder");
    if (dat.Exists()) {
      step("Found DAT Folder");
      dat.Delete();
      step("Deleted DAT Folder");
    }

    std::vector<std::string> entries = FolderEntries(folder);
    step("Assigned AATP Iterator");
    for (const std::string& name : entries) {
      if (!BeginsWithNoCase(name, "AATP")) continue;
      step("Iterating AATP Folder");
      EntrySpec(folder, name).Delete();
      step("Deleted AATP Folder");
    }
    step("Assigned AATD Iterator");
    for (const std::string& name : entries) {
      if (BeginsWithNoCase(name, "AATD")) EntrySpec(folder, name).Delete();
    }

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
  for (const std::string& name : FolderEntries(m_folder)) {
    static const std::string kPartial = ".partial";
    if (name.size() <= kPartial.size() || name.compare(name.size() - kPartial.size(), kPartial.size(), kPartial) != 0) {
      continue;
    }
    XFileSpec file = File(name.c_str());
    // A folder of that name is nobody's unfinished file.
    if (os::IsDirectory(file.Path().ToStd())) continue;
    if (os::DeleteFilePath(file.Path().ToStd())) {
      m_log.ExtractLogWrite(kLogInfo, (XString("Removed the unfinished file of an earlier run: ") + file.Path()).c_str());
    }
  }
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
