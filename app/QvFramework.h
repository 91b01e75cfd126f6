// The site configuration shared by the bridges of the product family: the school list
// ("QvConfig.xml"), the SIS bridge list ("QvSIS.xml") and the vendor list ("QvVendor.xml") in
// the bridge data folder, the update of the two data lists from the maker's web site with
// local fall-backs, and the ties between schools and bridges.
#pragma once

#include <functional>

#include "app/QvSIS.h"
#include "app/QvSchoolConfDS.h"
#include "foundation/XString.h"
#include "os/OsHttp.h"

class ILog;

class QvFramework {
 public:
  // The log receives every step at Info; it may be null.
  explicit QvFramework(ILog* log = nullptr);
  virtual ~QvFramework();
  QvFramework(const QvFramework&) = delete;
  QvFramework& operator=(const QvFramework&) = delete;

  // Where things are looked for. Folders end in the path separator (one is added otherwise).
  // The program folder (the executable's folder by default) holds the "AutoUp" folder of
  // default data files; the update address is the maker's auto-update folder (the build's
  // QV_UPDATE_URL by default) to which a file name is appended.
  void SetProgramFolder(const XString& folder);
  const XString& ProgramFolder() const { return m_programFolder; }
  // An installed Linux program keeps its "AutoUp" folder in a shared data folder instead
  // (<prefix>/share/qvmeridane beside <prefix>/bin: the build's QV_SHARED_DATA_FOLDER, relative
  // to the program folder; none on Windows). It is looked in when the program folder has no
  // copy of a file.
  void SetSharedDataFolder(const XString& folder);
  const XString& SharedDataFolder() const { return m_sharedDataFolder; }
  void SetUpdateUrl(const XString& url);
  const XString& UpdateUrl() const { return m_updateUrl; }
  void SetHttpTimeouts(const os::HttpTimeouts& timeouts) { m_timeouts = timeouts; }
  void SetLog(ILog* log) { m_log = log; }

  // Empties the lists, updates and loads the vendor and SIS lists, loads the site
  // configuration (copying the product data folder's "QvConfig.xml" when the bridge has
  // none), and ties every school to its bridge.
  void LoadFramework(const XString& productDataFolder, const XString& bridgeDataFolder);
  // Writes "QvConfig.xml" into the bridge data folder (replacing it whole, so that a failure
  // keeps the previous file); "Error writing to file: %s" on failure.
  void SaveSiteConfiguration(const XString& bridgeDataFolder);

  // Loaders: read a file into a list (appending). They throw XException when the file cannot
  // be read or is not a document of the expected kind.
  void LoadSchools(const XString& path);
  void LoadSISes(const XString& path);
  void LoadVendors(const XString& path);

  // The update procedure for one data file: download it over the local copy, then load the
  // local copy, else copy and load the backup folder's copy, else copy and load the program's
  // "AutoUp" copy. `loader` loads a path into the list and `isEmpty` tells whether the list is
  // still empty. Never throws for a missing network or file.
  void UpdateDataFile(const char* fileName, const std::function<void(const XString&)>& loader,
                      const std::function<bool()>& isEmpty, const XString& localFolder,
                      const XString& backupFolder);

  // Lookups. The default records are this bridge's own; they are returned when the lists do
  // not name the wanted one.
  const QvSIS* FindSIS(const char* id) const;
  const QvSIS* FindSISForSchool(const QvSchoolConf& school) const;
  const QvSIS& DefaultSIS() const;
  const QvVendor* FindVendor(const char* id) const;
  const QvVendor& DefaultVendor() const;
  // The address a SIS record downloads from: its own when absolute, otherwise resolved
  // against the product's web site.
  XString DownloadUrlOf(const QvSIS& sis) const;

  // Why the site configuration could not be read at the last load (the file, the line and
  // offset, the parser's message); empty when it was read or did not exist. The list is then
  // empty, and saving it would replace the site's schools with nothing.
  const XString& UnreadableConfiguration() const { return m_unreadableConfiguration; }

  QvSchoolConfDS& Schools() { return m_schools; }
  QvSchoolConfDS& OtherSchools() { return m_otherSchools; }
  QvSISList& SISes() { return m_sises; }
  QvVendorList& Vendors() { return m_vendors; }

  // The file names of the site configuration.
  static constexpr const char* kConfigFile = "QvConfig.xml";
  static constexpr const char* kSISFile = "QvSIS.xml";
  static constexpr const char* kVendorFile = "QvVendor.xml";

 private:
  void Log(const char* text) const;
  void LogFormat(const char* format, const char* value) const;
  // Downloads into a scratch file and moves it over the local path only when it loads as a
  // document of the expected kind: a proxy's error page must not replace good data. When it
  // does not, `reason` says why, to follow "Website " in the log.
  bool DownloadDataFile(const XString& url, const XString& localPath, const char* fileName, XString& reason);
  void AssociateSchools();
  // The "AutoUp" copy of a data file: the program folder's, else the shared data folder's
  // when that one has it.
  XString AutoUpFile(const char* fileName) const;

  ILog* m_log;
  XString m_programFolder;
  XString m_sharedDataFolder;
  XString m_updateUrl;
  os::HttpTimeouts m_timeouts;
  QvSchoolConfDS m_schools;
  QvSchoolConfDS m_otherSchools;
  QvSISList m_sises;
  QvVendorList m_vendors;
  QvSIS m_defaultSIS;
  QvVendor m_defaultVendor;
  XString m_unreadableConfiguration;
};
