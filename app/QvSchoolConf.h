// One school of the site configuration ("QvSchoolConf" in "QvConfig.xml"): the unit of work of
// a run. The record is plain data; the site configuration reads and writes it.
#pragma once

#include <cstdint>

#include "foundation/XDateTime.h"
#include "foundation/XString.h"

namespace pugi {
class xml_node;
}

class QvSIS;

class QvSchoolConf {
 public:
  // How photo files are matched to people; code 3 is "Student Number" for students and
  // "Staff Number" for staff.
  enum PhotoIndexType : int32_t { kPhotoID = 0, kSSN = 1, kStateID = 2, kPersonNumber = 3 };

  // The attribute values of a "QvSchoolConf" element. Attributes with other names are skipped;
  // the older student photo names ("PhotoImport", ...) are read when the new ones are absent.
  void ReadAttributes(const pugi::xml_node& element);
  // All attributes, in their fixed order.
  void WriteAttributes(pugi::xml_node& element) const;

  static const char* PhotoIndexName(int32_t code, bool staff);
  // A name (or a code written as a number) back to its code; unknown text gives kPhotoID.
  static int32_t PhotoIndexCode(const char* text);

  bool m_import = false;
  XString m_sisName;
  XString m_importFolder;
  XString m_schoolNumber;
  XString m_schoolName;
  XString m_district;
  XString m_schoolYear;
  int32_t m_schoolType = 0;
  XString m_userName;
  XString m_password;  // plain text in memory; the file holds the encoded form
  // The encoded form read from the file. It is written back while it still decodes to the
  // password: the encoding draws random characters, and a save must not rewrite an entry
  // nobody changed.
  XString m_encodedPassword;
  // -1 active students only, 1 all inactive students, otherwise the day number of a date.
  int32_t m_inactiveCutoff = -1;
  XString m_dsn;
  XString m_masterFolder;
  bool m_useClones = false;
  bool m_useStdKeyMask = false;
  XString m_stdKeyMaskField;
  bool m_useStaffKeyMask = false;
  XString m_staffKeyMaskField;
  XDateTime m_attChangeTime;
  XString m_sisVersion;  // four dot-separated numbers
  XString m_extraParams;
  bool m_studPhotoImport = false;
  XString m_studPhotoImportFolder;
  int32_t m_studPhotoIndexType = kPhotoID;
  bool m_studPhotoUseIndexFile = false;
  XString m_studPhotoIndexFile;
  bool m_studPhotoCrop = false;
  bool m_staffPhotoImport = false;
  bool m_staffPhotoUseStudSettings = false;
  XString m_staffPhotoImportFolder;
  int32_t m_staffPhotoIndexType = kPhotoID;
  bool m_staffPhotoUseIndexFile = false;
  XString m_staffPhotoIndexFile;
  bool m_staffPhotoCrop = false;
  bool m_forceRebuild = false;

  // The SIS bridge record that serves the school, tied at load; never null after the
  // framework has loaded (the default record when the name is unknown).
  const QvSIS* m_sis = nullptr;
};
