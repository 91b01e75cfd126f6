#include "app/BridgeFolders.h"

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

bool CreateFolder(const XString& folder) {
  XFileSpec spec = XFileSpec::Folder(folder);
  if (spec.Exists()) return false;
  spec.CreateFolder();
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
  XString configured = product.ReadText("Database Folder", "");
  if (!configured.IsEmpty()) return WithSeparator(configured);
  return Join(AppDataFolder(), bridge::kProductShortName);
}
