// The school configuration file "SchoolConfig.xml" of an import folder: what the last package
// in the folder was built from (school, year, data source, files, bridge version) and where
// the attendance updates stand. The writer compares it with the run's bridge configuration at
// the start of a run and writes it anew at the end.
//
// Layout: root element "SchoolConfig", one empty element per key, each on a line of its own,
// with one attribute holding the value (the key followed by "Value"; "OverlapValue" for
// "OverlapInDays"). Values are held in the system code page and written as UTF-8.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "foundation/XFileSpec.h"
#include "foundation/XString.h"

// The settings of a run that decide whether an import folder still holds the same package.
struct BridgeConfiguration {
  XString m_importFolder;
  XString m_district;
  XString m_schoolNumber;
  XString m_schoolYear;
  XString m_dsn;
  XString m_masterFile;    // empty when the run has none
  XString m_masterFolder;  // empty when the run has none
  XString m_securityFile;  // empty when the run has none
};

class SchoolConfig {
 public:
  static constexpr const char* kFileName = "SchoolConfig.xml";
  static constexpr const char* kRootName = "SchoolConfig";
  static constexpr int kKeyCount = 13;
  // The keys in the order in which they are written.
  static const char* const kKeys[kKeyCount];

  // The attribute that holds a key's value.
  static XString AttributeName(const char* key);

  // Reads the file. False (and no entries) when it is missing, unreadable, not XML or has
  // another root element.
  bool Load(const XFileSpec& path);
  // The elements found under the root, whatever their names.
  int EntryCount() const { return static_cast<int>(m_entries.size()); }
  // The value of a key as read or set; empty when there is none.
  XString Value(const char* key) const;
  bool Has(const char* key) const;
  void SetValue(const char* key, const XString& value);

  // The thirteen keys in their order, each with its value (empty when not set), through a
  // scratch file that replaces the previous file only once complete. A failure throws
  // "Error writing to file: %s" with the path.
  void Save(const XFileSpec& path) const;
  // The bytes Save writes.
  std::string ToText() const;

 private:
  std::vector<std::pair<std::string, std::string>> m_entries;  // key, value; file order
};
