// The folders in which the bridge keeps its files. Every folder returned ends in the path
// separator.
#pragma once

#include "foundation/XString.h"

class ILog;
class SISExpPrefs;

class BridgeFolders {
 public:
  // The folder of the running executable: guides, the "AutoUp" defaults, the log-level
  // marker files.
  static XString ProgramFolder();

  // The user's roaming application-data folder, or where it cannot be had, the shared
  // "All Users" one on the Windows versions that have it, or failing that the program folder.
  static XString AppDataFolder();

  // Application data, "Quorvane", the bridge short name; created when missing. Holds the run
  // log.
  static XString RunLogFolder();

  // "Database Folder" under the bridge's key when it names a folder, else the run log folder;
  // created when missing. Holds the site configuration.
  static XString BridgeDataFolder(const SISExpPrefs& prefs, ILog* log);

  // "Database Folder" under the product's key, else application data plus "Connect". Holds an
  // older or shared site configuration.
  static XString ProductDataFolder();
};
