// The import folder's housekeeping: the school configuration file that records what the folder
// was last filled from, the decision whether that changed, and the cleaning that lets the
// import tool and the attendance change store start again from a full package.
#include <cctype>
#include <string>
#include <vector>

#include "foundation/XDate.h"
#include "foundation/XException.h"
#include "foundation/XTime.h"
#include "os/OsFiles.h"
#include "package/QDEWriter.h"

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

// A configured folder that may be empty, relative or missing.
bool FolderExists(const XString& path) {
  if (path.IsEmpty()) return false;
  try {
    return XFileSpec::Folder(path.c_str()).Exists();
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

XString QDEWriter::ReadSchoolConfigValue(const char* key) const {
  SchoolConfig config;
  config.Load(ImportFile(SchoolConfig::kFileName));
  return config.Value(key);
}

bool QDEWriter::BridgeConfigurationChanged(const BridgeConfiguration& config) {
  m_bridgeConfiguration = config;
  if (!config.m_importFolder.IsEmpty()) SetImportFolder(config.m_importFolder);

  SchoolConfig stored;
  stored.Load(ImportFile(SchoolConfig::kFileName));
  m_globalFolder = stored.Value("GlobalFolder");
  XString overlap = stored.Value("OverlapInDays");
  m_attStore.m_overlap = overlap.IsEmpty() ? XString(AttendanceStore::kDefaultOverlap) : overlap;
  m_attStore.m_referenceTime = ReadReferenceTime(stored.Value("UpdateDateTime"));
  m_attStore.m_updateDate = ReadUpdateDate(stored.Value("UpdateDate"));

  if (stored.EntryCount() != SchoolConfig::kKeyCount) return true;
  const struct {
    const char* key;
    const XString& current;
  } compared[] = {
      {"LastDistrict", config.m_district},         {"LastSchoolNumber", config.m_schoolNumber},
      {"LastSchoolYear", config.m_schoolYear},     {"LastMasterFile", config.m_masterFile},
      {"LastMasterFolder", config.m_masterFolder}, {"LastSecurityFile", config.m_securityFile},
      {"LastDSN", config.m_dsn},                   {"LastBridgeVersion", Application().m_version},
  };
  for (const auto& item : compared) {
    if (!(stored.Value(item.key) == item.current)) return true;
  }
  return false;
}

bool QDEWriter::CheckBridgeConfiguration(const BridgeConfiguration& config) {
  if (!BridgeConfigurationChanged(config)) {
    EngineLog().RunLogWrite(kLogInfo, "Bridge Configuration Did Not Change.");
    return false;
  }
  EngineLog().RunLogWrite(kLogInfo, "Bridge Configuration Changed.");
  CleanImportFolder();
  ForgetAttUpdateDate();
  return true;
}

void QDEWriter::CleanImportFolder() {
  XEngineLog& log = EngineLog();
  auto step = [&log](const char* message) { log.ExtractLogWrite(kLogError, message); };
  try {
    step("Assigned import folder");
    const XFileSpec folder = ImportFolder();
    for (const std::string& name : FolderEntries(folder)) {
      if (!IsUpdateFileName(name)) continue;
      // Deleted as a file: an entry of that name that cannot be (open elsewhere, read-only,
      // a folder) stops the cleaning rather than leaving old changes for the import tool.
      XFileSpec file = folder;
      file.AppendName(name.c_str());
      file.Delete();
    }
    step("Deleted qdu files");

    XFileSpec schoolConfig = ImportFile(SchoolConfig::kFileName);
    step("Changed FileName to SchoolConfig");
    if (schoolConfig.Exists()) schoolConfig.Delete();
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

    CloseAndDeleteAttStore();

    if (FolderExists(m_globalFolder)) {
      bool opened = false;
      try {
        m_attStore.Open(XFileSpec::Folder(m_globalFolder.c_str()), folder);
        opened = true;
      } catch (const XException& e) {
        log.ExtractLogWrite(kLogDebug, (XString("Attendance: Set Database: ") + e.what()).c_str());
      }
      if (opened) {
        DropAttTableWhenDue(AttendanceStore::kPeriod);
        DropAttTableWhenDue(AttendanceStore::kDaily);
      }
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

void QDEWriter::SaveSchoolConfig() {
  // The rows marked as sent become so only with a complete update file on the disk.
  if (m_attStore.MarksPending() || IsUpdating()) CompleteUpdateFile();

  const AttendanceStore& att = m_attStore;
  const BridgeConfiguration& run = m_bridgeConfiguration;
  SchoolConfig config;
  config.SetValue("LastBridgeVersion", Application().m_version);
  config.SetValue("LastSchoolNumber", run.m_schoolNumber);
  config.SetValue("LastDistrict", run.m_district);
  config.SetValue("LastSchoolYear", run.m_schoolYear);
  config.SetValue("LastDSN", run.m_dsn);
  config.SetValue("LastMasterFile", run.m_masterFile);
  config.SetValue("LastMasterFolder", run.m_masterFolder);
  config.SetValue("LastSecurityFile", run.m_securityFile);
  config.SetValue("GlobalFolder", m_globalFolder);
  // One day back, so that the next run looks at the last day again whatever the time of day.
  int updateDate = att.m_updateDate > 0 ? att.m_updateDate : att.m_referenceTime.Date();
  config.SetValue("UpdateDate", updateDate > 0
                                    ? XDate::FormatDate(XDate::AddDays(updateDate, -1), kUpdateDatePattern)
                                    : XString());
  XString reference;
  if (att.m_referenceTime.Date() > 0) {
    reference = XDate::FormatDate(XDate::AddDays(att.m_referenceTime.Date(), -1), kUpdateDatePattern);
    reference += " ";
    reference += XTime::FormatTime(att.m_referenceTime.Time() < 0 ? 0 : att.m_referenceTime.Time(),
                                   "hh:nn:ss");
  }
  config.SetValue("UpdateDateTime", reference);
  config.SetValue("OverlapInDays", att.m_overlap.IsEmpty() ? XString(AttendanceStore::kDefaultOverlap)
                                                           : att.m_overlap);
  config.SetValue("LastBridgeLogLevel", "3");
  config.Save(ImportFile(SchoolConfig::kFileName));
}

bool QDEWriter::ValidateImportFolder(const XString& path) {
  XEngineLog& log = EngineLog();
  log.RunLogWrite(kLogInfo, (XString("Validate Folder ") + path).c_str());
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
  }
  if (!folder.IsEmpty() && os::IsDirectory(folder.Path().ToStd())) {
    // The folder's attribute word as Windows gives it: FILE_ATTRIBUTE_DIRECTORY.
    log.RunLogWrite(kLogDebug, "Folder exists: 16");
    SetImportFolder(path);
    return true;
  }
  log.RunLogWrite(kLogInfo, "Folder doesnt exist : -1");
  log.RunLogWrite(kLogError, (XString("Import Folder does not exist: ") + path).c_str());
  return false;
}
