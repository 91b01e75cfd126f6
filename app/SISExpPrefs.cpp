#include "app/SISExpPrefs.h"

#include "app/BridgeIdentity.h"
#include "app/PasswordCodec.h"
#include "os/OsSystem.h"

SISExpPrefs::SISExpPrefs(const char* keyPath) : XPrefs(keyPath, bridge::kPrefsVersion) {
  new XPrefInt(*this, "SchoolNth", &m_schoolNth, 0);
  new XPrefInt(*this, "Log Level", &m_logLevel, 3);
}

void SISExpPrefs::Load() {
  LoadOrSave(true);
  if (m_logLevel < 1) m_logLevel = 1;
}

void SISExpPrefs::Save() { LoadOrSave(false); }

XString SISExpPrefs::Dsn() const { return ReadText("DSN", ""); }
void SISExpPrefs::SetDsn(const char* dsn) { WriteText("DSN", dsn); }
XString SISExpPrefs::UserName() const { return ReadText("User Name", ""); }
void SISExpPrefs::SetUserName(const char* name) { WriteText("User Name", name); }

XString SISExpPrefs::Password() const { return PasswordCodec::Decode(ReadText("Password", "")); }
void SISExpPrefs::SetPassword(const char* plain) {
  WriteText("Password", PasswordCodec::Encode(XString(plain)));
}

bool SISExpPrefs::Inactive(bool defaultValue) const { return ReadInt("Inactive", defaultValue ? 1 : 0) != 0; }
void SISExpPrefs::SetInactive(bool inactive) { WriteInt("Inactive", inactive ? 1 : 0); }
bool SISExpPrefs::UseClones() const { return ReadInt("Use Clones", 0) != 0; }
XString SISExpPrefs::MasterFile() const { return ReadText("MasterFile", ""); }
XString SISExpPrefs::MasterFolder() const { return ReadText("MasterFolder", ""); }
XString SISExpPrefs::SecurityFile() const { return ReadText("SecurityFile", ""); }

void SISExpPrefs::SetFlag(const char* name, bool value) { WriteInt(name, value ? 1 : 0); }
bool SISExpPrefs::Flag(const char* name) const { return ReadInt(name, 0) != 0; }

bool SISExpPrefs::ExportStaff() const { return ReadText("ExportStaff", "True") == "True"; }
void SISExpPrefs::SetExportStaff(bool value) { WriteText("ExportStaff", value ? "True" : "False"); }
bool SISExpPrefs::LinkStaffToTch() const { return ReadText("LinkStaffToTch", "True") == "True"; }
void SISExpPrefs::SetLinkStaffToTch(bool value) {
  WriteText("LinkStaffToTch", value ? "True" : "False");
}

XString SISExpPrefs::DatabaseFolder() const {
  // Often stored as REG_EXPAND_SZ ("%APPDATA%\..."): used expanded, as the system's programs do.
  return XString(os::ExpandEnvironment(ReadPath("Database Folder", "").ToStd()).c_str());
}
