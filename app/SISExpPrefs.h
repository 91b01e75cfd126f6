// The bridge preferences in the registry, per user: the last connection, the current school's
// position, the log level and the export switches. "SchoolNth" and "Log Level" are cached
// (loaded and saved by the walk); every other value is read or written when its accessor is
// called.
#pragma once

#include <cstdint>

#include "foundation/XPrefs.h"

class SISExpPrefs : public XPrefs {
 public:
  explicit SISExpPrefs(const char* keyPath);

  // Reads "SchoolNth" and "Log Level"; a stored log level below 1 loads as 1.
  virtual void Load();
  // Writes "SchoolNth" and "Log Level".
  virtual void Save();

  int32_t SchoolNth() const { return m_schoolNth; }
  void SetSchoolNth(int32_t n) { m_schoolNth = n; }
  int32_t LogLevel() const { return m_logLevel; }
  void SetLogLevel(int32_t level) { m_logLevel = level; }

  XString Dsn() const;
  void SetDsn(const char* dsn);
  XString UserName() const;
  void SetUserName(const char* name);
  // Stored in the encoded form; read decoded.
  XString Password() const;
  void SetPassword(const char* plain);

  bool Inactive(bool defaultValue) const;
  void SetInactive(bool inactive);
  bool UseClones() const;
  XString MasterFile() const;
  XString MasterFolder() const;
  XString SecurityFile() const;

  // The filter flags that the command line records ("FilterGrades", ...).
  void SetFlag(const char* name, bool value);
  bool Flag(const char* name) const;

  // "ExportStaff" and "LinkStaffToTch": true exactly when the stored text is "True"; missing
  // means "True".
  bool ExportStaff() const;
  void SetExportStaff(bool value);
  bool LinkStaffToTch() const;
  void SetLinkStaffToTch(bool value);

  // "Database Folder" under the bridge's key: the bridge data folder when it names one.
  XString DatabaseFolder() const;

 private:
  int32_t m_schoolNth = 0;
  int32_t m_logLevel = 3;
};
