#include "app/BridgeFolders.h"

#include <string>
#include <vector>

#include "app/BridgeIdentity.h"
#include "app/SISExpPrefs.h"
#include "foundation/ILog.h"
#include "foundation/XFileSpec.h"
#include "foundation/XPrefs.h"
#include "os/Os.h"

namespace {

XString WithSeparator(XString folder) {
  if (folder.IsEmpty() || folder[folder.Length() - 1] != os::kPathSeparator) folder += os::kPathSeparator;
  return folder;
}

XString Join(const XString& folder, const char* name) {
  return WithSeparator(WithSeparator(folder) + name);
}

// Creates the folder and its missing parents. The folders hold the site configuration and the
// run log, and the site configuration an encoded password: each folder made here is its
// owner's alone (an existing folder keeps what its owner gave it).
bool CreateFolder(const XString& folder) {
  XFileSpec spec = XFileSpec::Folder(folder);
  if (spec.Exists()) return false;
  std::vector<std::string> missing;
  const std::string path = spec.Path().ToStd();
  for (size_t i = os::VolumeOf(path).size(); i < path.size(); ++i) {
    if (path[i] != os::kPathSeparator) continue;
    std::string part = path.substr(0, i);
    if (!os::PathExists(part)) missing.push_back(part);
  }
  spec.CreateFolder();
  for (const std::string& part : missing) os::KeepToOwner(part);
  return true;
}

}  // namespace

XString BridgeFolders::ProgramFolder() {
  XFileSpec exe{XString(os::ExecutablePath())};
  return exe.FolderPath();
}

XString BridgeFolders::AppDataFolder() {
  XString appData(os::AppDataFolder());
  if (!appData.IsEmpty()) return WithSeparator(appData);
  XString os = XString(os::OperatingSystemName());
  if (os == "Windows NT" || os == "Windows 2000" || os == "Windows XP" || os == "Windows 2003") {
    XString allUsers("C:\\Documents and Settings\\All Users\\Application Data\\");
    if (os::IsDirectory(allUsers.ToStd())) return allUsers;
  }
  return ProgramFolder();
}

XString BridgeFolders::RunLogFolder() {
  XString folder = Join(Join(AppDataFolder(), bridge::kAppDataFamilyFolder), bridge::kShortName);
  CreateFolder(folder);
  return folder;
}

XString BridgeFolders::BridgeDataFolder(const SISExpPrefs& prefs, ILog* log) {
  if (log) log->Write(kLogInfo, "Loading data folder.");
  XString configured = prefs.DatabaseFolder();
  XString folder = configured.IsEmpty()
                       ? Join(Join(AppDataFolder(), bridge::kAppDataFamilyFolder), bridge::kShortName)
                       : WithSeparator(configured);
  bool created = CreateFolder(folder);
  if (log) {
    log->WriteFormat(kLogInfo, "Loaded App Data Folder: %s", folder.c_str());
    if (created) log->Write(kLogInfo, "Created data folder.");
  }
  return folder;
}

XString BridgeFolders::ProductDataFolder() {
  XPrefs product(bridge::kProductKey, "0.0.0.0");
  XString configured(os::ExpandEnvironment(product.ReadPath("Database Folder", "").ToStd()).c_str());
  if (!configured.IsEmpty()) return WithSeparator(configured);
  return Join(AppDataFolder(), bridge::kProductShortName);
}
