#include "app/QvFramework.h"

#include <cstring>

#include "app/BridgeIdentity.h"
#include "app/QvXml.h"
#include "app/XHTTP.h"
#include "foundation/ILog.h"
#include "foundation/XException.h"
#include "os/OsFiles.h"
#include "os/OsSystem.h"
#include "os/OsText.h"

#ifndef QV_UPDATE_URL
#define QV_UPDATE_URL "http://www.velkstrom.example/autoupdate/"
#endif
#ifndef QV_SHARED_DATA_FOLDER
#define QV_SHARED_DATA_FOLDER ""
#endif
#ifndef QV_PRODUCT_WEBSITE
#define QV_PRODUCT_WEBSITE "http://www.velkstrom.example/"
#endif

namespace {

XString AsFolder(const XString& folder) {
  if (folder.IsEmpty()) return folder;
  char last = folder[folder.Length() - 1];
  if (last == os::kPathSeparator || last == '/') return folder;
  XString result(folder);
  result += os::kPathSeparator;
  return result;
}

bool IsAbsoluteUrl(const XString& url) {
  return url.BeginsWithHttp() || XString(url.Left(8)).CompareNoCase("https://") == 0;
}

// The root element that a downloaded data file must have to replace the local copy.
const char* RootElementOf(const char* fileName) {
  if (std::strcmp(fileName, QvFramework::kVendorFile) == 0) return "QvVendorFile";
  if (std::strcmp(fileName, QvFramework::kSISFile) == 0) return "QvSISFile";
  if (std::strcmp(fileName, QvFramework::kConfigFile) == 0) return "QvSchoolConfFile";
  return nullptr;
}

// The record element that the loader reads from that file.
const char* RecordElementOf(const char* fileName) {
  if (std::strcmp(fileName, QvFramework::kVendorFile) == 0) return "QvVendor";
  if (std::strcmp(fileName, QvFramework::kSISFile) == 0) return "QvSIS";
  if (std::strcmp(fileName, QvFramework::kConfigFile) == 0) return "QvSchoolConf";
  return nullptr;
}

// A downloaded file replaces the local copy only when it parsed completely and every record
// the loader would read names itself: an empty or half-sent list would otherwise replace a
// good one for every later start.
void RequireRecords(const pugi::xml_document& document, const XString& path, const char* fileName) {
  const char* record = RecordElementOf(fileName);
  if (!record) return;
  pugi::xml_node root = document.document_element();
  bool any = false;
  for (pugi::xml_node element : root.children(record)) {
    if (element.attribute("Name").value()[0] == '\0' && std::strcmp(record, "QvSchoolConf") != 0) {
      throw XException::Format(0, "Could not load file: %s (a %s element has no Name)", path.c_str(), record);
    }
    any = true;
  }
  if (!any) throw XException::Format(0, "Could not load file: %s (no %s element)", path.c_str(), record);
}

}  // namespace

QvFramework::QvFramework(ILog* log) : m_log(log), m_updateUrl(QV_UPDATE_URL) {
  std::string exe = os::ExecutablePath();
  size_t cut = exe.find_last_of(os::kPathSeparator);
  m_programFolder = XString(cut == std::string::npos ? std::string() : exe.substr(0, cut + 1));
  if (*QV_SHARED_DATA_FOLDER) m_sharedDataFolder = AsFolder(m_programFolder + QV_SHARED_DATA_FOLDER);

  m_defaultSIS.m_name = "Meridane";
  m_defaultSIS.m_id = bridge::kIdentifier;
  m_defaultSIS.m_version = bridge::kVersion;
  m_defaultSIS.m_splashText = bridge::kTitle;
  m_defaultSIS.m_needSchoolNumber = true;

  m_defaultVendor.m_name = "Velkstrom Software";
  m_defaultVendor.m_id = "VELKSTROM";
  m_defaultVendor.m_code = "VS";
  m_defaultVendor.m_website = QV_PRODUCT_WEBSITE;
  m_defaultVendor.m_supportNames = "Velkstrom Support";
  m_defaultVendor.m_supportWebsite = QV_PRODUCT_WEBSITE "support/";
  m_defaultVendor.m_supportEmail = "support@velkstrom.example";
  m_defaultVendor.m_salesNames = "Velkstrom Sales";
  m_defaultVendor.m_salesWebsite = QV_PRODUCT_WEBSITE "sales/";
  m_defaultVendor.m_salesEmail = "sales@velkstrom.example";
}

QvFramework::~QvFramework() = default;

void QvFramework::SetProgramFolder(const XString& folder) { m_programFolder = AsFolder(folder); }

void QvFramework::SetSharedDataFolder(const XString& folder) {
  m_sharedDataFolder = AsFolder(folder);
}

void QvFramework::SetUpdateUrl(const XString& url) {
  m_updateUrl = url;
  if (!m_updateUrl.IsEmpty() && m_updateUrl[m_updateUrl.Length() - 1] != '/') m_updateUrl += "/";
}

void QvFramework::Log(const char* text) const {
  if (m_log) m_log->Write(kLogInfo, text);
}

void QvFramework::LogFormat(const char* format, const char* value) const {
  if (m_log) m_log->WriteFormat(kLogInfo, format, value);
}

void QvFramework::LoadFramework(const XString& productDataFolder,
                                const XString& bridgeDataFolder) {
  XString productFolder = AsFolder(productDataFolder);
  XString bridgeFolder = AsFolder(bridgeDataFolder);

  Log("Clearing vendors");
  m_vendors.Clear();
  Log("Clearing SISs");
  m_sises.Clear();
  Log("Clearing Schools");
  m_schools.Clear();
  m_unreadableConfiguration = XString();

  Log("Loading Autoupdater");
  UpdateDataFile(
      kVendorFile, [this](const XString& path) { LoadVendors(path); },
      [this] { return m_vendors.IsEmpty(); }, bridgeFolder, productFolder);
  Log("Loaded Vendors.");
  if (m_vendors.IsEmpty()) {
    m_vendors.Add(std::make_unique<QvVendor>(m_defaultVendor));
    Log("No QvVendor.xml file, loaded defaults from app.");
  }

  UpdateDataFile(
      kSISFile, [this](const XString& path) { LoadSISes(path); },
      [this] { return m_sises.IsEmpty(); }, bridgeFolder, productFolder);
  Log("Loaded SISes.");

  XString configPath = bridgeFolder + kConfigFile;
  XString productConfig = productFolder + kConfigFile;
  bool haveConfig = os::PathExists(configPath.ToStd());
  if (!haveConfig && productFolder.CompareNoCase(bridgeFolder.c_str()) != 0 &&
      os::PathExists(productConfig.ToStd())) {
    haveConfig = os::CopyFilePath(productConfig.ToStd(), configPath.ToStd());
    // The copy holds the encoded passwords too: its owner's alone, as the program writes it.
    if (haveConfig) os::KeepToOwner(configPath.ToStd());
  }
  if (haveConfig) {
    try {
      LoadSchools(configPath);
    } catch (const XException& error) {
      // The list is saved at exit; keep the unreadable file aside so that the save cannot
      // destroy the only copy of a site's schools.
      if (m_log) m_log->WriteFormat(kLogError, "%s", error.Text());
      m_unreadableConfiguration = error.Text();
      XString keep = configPath + ".unreadable";
      if (os::CopyFilePath(configPath.ToStd(), keep.ToStd())) os::KeepToOwner(keep.ToStd());
      LogFormat("Kept the unreadable site configuration as %s", keep.c_str());
      m_schools.Clear();
    }
  }
  Log("Loaded Site Configuration.");

  AssociateSchools();
  Log("Associated Sites and Bridges.");
}

void QvFramework::SaveSiteConfiguration(const XString& bridgeDataFolder) {
  pugi::xml_document document;
  pugi::xml_node declaration = document.append_child(pugi::node_declaration);
  declaration.append_attribute("version").set_value("1.0");
  declaration.append_attribute("encoding").set_value(os::CodePageCharsetName().c_str());
  pugi::xml_node root = document.append_child("QvSchoolConfFile");
  for (const QvSchoolConf* school : m_schools) {
    pugi::xml_node element = root.append_child("QvSchoolConf");
    school->WriteAttributes(element);
    // A line break as content writes the record as a start tag and an end tag, as the other
    // tools of the family write it.
    element.append_child(pugi::node_pcdata).set_value("\n");
  }
  qvxml::Save(document, AsFolder(bridgeDataFolder) + kConfigFile);
  Log("Saved Site Configuration");
}

void QvFramework::LoadSchools(const XString& path) {
  pugi::xml_document document;
  qvxml::Load(path, document, "QvSchoolConfFile");
  for (pugi::xml_node element : document.document_element().children("QvSchoolConf")) {
    auto school = std::make_unique<QvSchoolConf>();
    school->ReadAttributes(element);
    m_schools.Add(std::move(school));
  }
}

void QvFramework::LoadSISes(const XString& path) {
  pugi::xml_document document;
  qvxml::Load(path, document, "QvSISFile");
  for (pugi::xml_node element : document.document_element().children("QvSIS")) {
    auto sis = std::make_unique<QvSIS>();
    sis->ReadAttributes(element);
    m_sises.Add(std::move(sis));
  }
}

void QvFramework::LoadVendors(const XString& path) {
  pugi::xml_document document;
  qvxml::Load(path, document, "QvVendorFile");
  for (pugi::xml_node element : document.document_element().children("QvVendor")) {
    auto vendor = std::make_unique<QvVendor>();
    vendor->ReadAttributes(element);
    m_vendors.Add(std::move(vendor));
  }
}

bool QvFramework::DownloadDataFile(const XString& url, const XString& localPath,
                                   const char* fileName, XString& reason) {
  XString fetched = localPath + ".new";
  XString detail;
  try {
    XHTTP::Download(url, fetched, m_log, m_timeouts, &detail);
  } catch (const XException& error) {
    os::DeleteFilePath(fetched.ToStd());
    // In words that tell what happened without reading as a failed run: a school without
    // Internet access sees this at every start, and sites look for lines beginning "Error".
    reason = XString("not reached (") + (detail.IsEmpty() ? XString(error.Text()) : detail) + ")";
    return false;
  }
  try {
    pugi::xml_document check;
    qvxml::Load(fetched, check, RootElementOf(fileName));
    RequireRecords(check, fetched, fileName);
  } catch (const XException& error) {
    os::DeleteFilePath(fetched.ToStd());
    reason = XString("reached, but its file was not taken (") + error.Text() + ")";
    return false;
  }
  if (!os::ReplaceFilePath(fetched.ToStd(), localPath.ToStd())) {
    os::DeleteFilePath(fetched.ToStd());
    reason = XString("reached, but its file could not replace ") + localPath;
    return false;
  }
  return true;
}

void QvFramework::UpdateDataFile(const char* fileName,
                                 const std::function<void(const XString&)>& loader,
                                 const std::function<bool()>& isEmpty,
                                 const XString& localFolder, const XString& backupFolder) {
  XString folder = AsFolder(localFolder);
  LogFormat("Getting localFolder: %s", folder.c_str());
  LogFormat("Adding filename: %s", fileName);
  XString localPath = folder + fileName;

  Log("Searching Internet...");
  XString url = m_updateUrl + fileName;
  LogFormat("Looking for %s", url.c_str());
  XString reason("not asked (no update address is set)");
  if (!m_updateUrl.IsEmpty() && DownloadDataFile(url, localPath, fileName, reason)) {
    Log("Found Internet File!");
  } else {
    Log("Could not contact website.  We'll ignore!");
    LogFormat("Website %s; the copy at hand is used.", reason.c_str());
  }

  auto tryLoad = [&](const XString& path) {
    try {
      loader(path);
      return true;
    } catch (const XException&) {
      Log("Could not load file.  We'll ignore!");
      return false;
    }
  };

  if (os::PathExists(localPath.ToStd())) {
    LogFormat("File Exists : %s", localPath.c_str());
    tryLoad(localPath);
  } else {
    XString backup = AsFolder(backupFolder);
    if (!backup.IsEmpty() && os::IsDirectory(backup.ToStd())) {
      Log("Looking in Backup Folder...");
      XString backupPath = backup + fileName;
      if (os::PathExists(backupPath.ToStd())) {
        Log("Backup exists... so we will copy.");
        if (os::CopyFilePath(backupPath.ToStd(), localPath.ToStd())) {
          Log("Copied backup");
          if (tryLoad(localPath)) Log("Loaded backup copy");
        }
      }
    }
  }

  if (isEmpty()) {
    Log("Copy from autoup folder instead");
    Log("Put AppPath");
    Log("Added Autoup");
    XString path = AutoUpFile(fileName);
    LogFormat("Changed filename to %s", path.c_str());
    if (os::PathExists(path.ToStd())) {
      Log("Found autoup file");
      // Load the program's own copy even when the bridge data folder cannot take a copy.
      bool copied = os::CopyFilePath(path.ToStd(), localPath.ToStd());
      if (tryLoad(copied ? localPath : path)) Log("Loaded autoup");
    }
  }
}

XString QvFramework::AutoUpFile(const char* fileName) const {
  XString path = m_programFolder + "AutoUp";
  path += os::kPathSeparator;
  path += fileName;
  if (m_sharedDataFolder.IsEmpty() || os::PathExists(path.ToStd())) return path;
  XString shared = m_sharedDataFolder + "AutoUp";
  shared += os::kPathSeparator;
  shared += fileName;
  return os::PathExists(shared.ToStd()) ? shared : path;
}

const QvSIS* QvFramework::FindSIS(const char* id) const {
  for (uint32_t i = 0; i < m_sises.Count(); ++i) {
    if (m_sises.At(i)->m_id == id) return m_sises.At(i);
  }
  return nullptr;
}

const QvSIS* QvFramework::FindSISForSchool(const QvSchoolConf& school) const {
  for (uint32_t i = 0; i < m_sises.Count(); ++i) {
    if (m_sises.At(i)->m_name == school.m_sisName) return m_sises.At(i);
  }
  return nullptr;
}

const QvSIS& QvFramework::DefaultSIS() const {
  const QvSIS* listed = FindSIS(m_defaultSIS.m_id.c_str());
  return listed ? *listed : m_defaultSIS;
}

const QvVendor* QvFramework::FindVendor(const char* id) const {
  for (uint32_t i = 0; i < m_vendors.Count(); ++i) {
    if (m_vendors.At(i)->m_id == id) return m_vendors.At(i);
  }
  return nullptr;
}

const QvVendor& QvFramework::DefaultVendor() const {
  const QvVendor* listed = FindVendor(m_defaultVendor.m_id.c_str());
  return listed ? *listed : m_defaultVendor;
}

XString QvFramework::DownloadUrlOf(const QvSIS& sis) const {
  if (IsAbsoluteUrl(sis.m_downloadUrl)) return sis.m_downloadUrl;
  XString url(QV_PRODUCT_WEBSITE);
  const char* relative = sis.m_downloadUrl.c_str();
  while (*relative == '/') ++relative;
  return url + relative;
}

void QvFramework::AssociateSchools() {
  for (QvSchoolConf* school : m_schools) {
    const QvSIS* sis = FindSISForSchool(*school);
    school->m_sis = sis ? sis : &DefaultSIS();
  }
}
