#include "app/QvSchoolConf.h"

#include <cstdlib>

#include "app/PasswordCodec.h"
#include "app/QvXml.h"
#include "foundation/XDate.h"
#include "foundation/XTime.h"

namespace {

constexpr const char* kDatePattern = "YYYYMMDD";
constexpr const char* kDateTimePattern = "YYYYMMDD HH:NN:SS";

const char* const kPhotoIndexNames[4] = {"Photo ID", "SSN", "State ID", nullptr};

XString CutoffText(int32_t cutoff) {
  return cutoff == XDate::kNone ? XString() : XDate::FormatDate(cutoff, kDatePattern);
}

int32_t CutoffOf(const XString& text) {
  int day = XDate::kNone;
  if (text.IsEmpty() || !XDate::ParseDate(text.c_str(), kDatePattern, day)) return XDate::kNone;
  return day;
}

XDateTime DateTimeOf(const XString& text) {
  // "YYYYMMDD HH:NN:SS"; a time without a readable date is no value at all.
  uint32_t blank = text.Find(' ');
  int day = XDate::kNone, ms = XTime::kNone;
  if (!XDate::ParseDate(text.Left(blank).c_str(), kDatePattern, day)) return XDateTime();
  if (blank < text.Length() && !XTime::ParseTime(text.Mid(blank + 1).c_str(), "HH:NN:SS", ms)) {
    ms = XTime::kNone;
  }
  return XDateTime(day, ms == XTime::kNone ? 0 : ms);
}

int32_t Number(const pugi::xml_node& e, const char* name, int32_t defaultValue) {
  return qvxml::Has(e, name) ? std::atoi(e.attribute(name).value()) : defaultValue;
}

}  // namespace

const char* QvSchoolConf::PhotoIndexName(int32_t code, bool staff) {
  if (code == kPersonNumber) return staff ? "Staff Number" : "Student Number";
  return code >= 0 && code < 3 ? kPhotoIndexNames[code] : kPhotoIndexNames[0];
}

int32_t QvSchoolConf::PhotoIndexCode(const char* text) {
  XString value(text);
  for (int32_t code = 0; code < 3; ++code) {
    if (value == kPhotoIndexNames[code]) return code;
  }
  if (value == "Student Number" || value == "Staff Number") return kPersonNumber;
  if (value.Length() == 1 && value[0] >= '0' && value[0] <= '3') return value[0] - '0';
  return kPhotoID;
}

void QvSchoolConf::ReadAttributes(const pugi::xml_node& e) {
  using namespace qvxml;
  m_import = Bool(e, "Import", m_import);
  m_sisName = Text(e, "SISName");
  m_importFolder = Text(e, "SISImportFolder");
  m_schoolNumber = Text(e, "SchoolNumber");
  m_schoolName = Text(e, "SISSchoolName");
  m_district = Text(e, "SISSchoolDistrict");
  m_schoolYear = Text(e, "SISSchoolYear");
  m_schoolType = Number(e, "SISSchoolType", m_schoolType);
  m_userName = Text(e, "SISUserName");
  m_encodedPassword = Text(e, "SISPassword");
  m_password = PasswordCodec::Decode(m_encodedPassword);
  m_inactiveCutoff = CutoffOf(Text(e, "SISInactiveCutoff"));
  m_dsn = Text(e, "SISDSN");
  m_masterFolder = Text(e, "SISMasterFolder");
  m_useClones = Bool(e, "UseClones", m_useClones);
  m_useStdKeyMask = Bool(e, "UseStdKeyMask", m_useStdKeyMask);
  m_stdKeyMaskField = Text(e, "StdKeyMaskField");
  m_useStaffKeyMask = Bool(e, "UseStaffKeyMask", m_useStaffKeyMask);
  m_staffKeyMaskField = Text(e, "StaffKeyMaskField");
  m_attChangeTime = DateTimeOf(Text(e, "SISAttChangeTime"));
  m_sisVersion = Text(e, "SISVersion");
  m_extraParams = Text(e, "SISExtraParams");

  // Files of older tools name the student photo settings without "Stud"; the newer name wins
  // when both are present.
  auto photo = [&](const char* name, const char* olderName) {
    return Has(e, name) || !Has(e, olderName) ? name : olderName;
  };
  m_studPhotoImport = Bool(e, photo("StudPhotoImport", "PhotoImport"), m_studPhotoImport);
  m_studPhotoImportFolder = Text(e, photo("StudPhotoImportFolder", "PhotoImportFolder"));
  m_studPhotoIndexType =
      PhotoIndexCode(Text(e, photo("StudPhotoIndexType", "PhotoIndexType")).c_str());
  m_studPhotoUseIndexFile =
      Bool(e, photo("StudPhotoUseIndexFile", "PhotoUseIndexFile"), m_studPhotoUseIndexFile);
  m_studPhotoIndexFile = Text(e, photo("StudPhotoIndexFile", "PhotoIndexFile"));
  m_studPhotoCrop = Bool(e, photo("StudPhotoCrop", "PhotoCrop"), m_studPhotoCrop);

  m_staffPhotoImport = Bool(e, "StaffPhotoImport", m_staffPhotoImport);
  m_staffPhotoUseStudSettings = Bool(e, "StaffPhotoUseStudSettings", m_staffPhotoUseStudSettings);
  m_staffPhotoImportFolder = Text(e, "StaffPhotoImportFolder");
  m_staffPhotoIndexType = PhotoIndexCode(Text(e, "StaffPhotoIndexType").c_str());
  m_staffPhotoUseIndexFile = Bool(e, "StaffPhotoUseIndexFile", m_staffPhotoUseIndexFile);
  m_staffPhotoIndexFile = Text(e, "StaffPhotoIndexFile");
  m_staffPhotoCrop = Bool(e, "StaffPhotoCrop", m_staffPhotoCrop);
  m_forceRebuild = Bool(e, "ForceRebuild", m_forceRebuild);
}

void QvSchoolConf::WriteAttributes(pugi::xml_node& e) const {
  using namespace qvxml;
  SetBool(e, "Import", m_import);
  SetText(e, "SISName", m_sisName);
  SetText(e, "SISImportFolder", m_importFolder);
  SetText(e, "SchoolNumber", m_schoolNumber);
  SetText(e, "SISSchoolName", m_schoolName);
  SetText(e, "SISSchoolDistrict", m_district);
  SetText(e, "SISSchoolYear", m_schoolYear);
  SetText(e, "SISSchoolType", XString(static_cast<int>(m_schoolType)));
  SetText(e, "SISUserName", m_userName);
  const bool unchanged =
      !m_encodedPassword.IsEmpty() && PasswordCodec::Decode(m_encodedPassword) == m_password;
  SetText(e, "SISPassword", unchanged ? m_encodedPassword : PasswordCodec::Encode(m_password));
  SetText(e, "SISInactiveCutoff", CutoffText(m_inactiveCutoff));
  SetText(e, "SISDSN", m_dsn);
  SetText(e, "SISMasterFolder", m_masterFolder);
  SetBool(e, "UseClones", m_useClones);
  SetBool(e, "UseStdKeyMask", m_useStdKeyMask);
  SetText(e, "StdKeyMaskField", m_stdKeyMaskField);
  SetBool(e, "UseStaffKeyMask", m_useStaffKeyMask);
  SetText(e, "StaffKeyMaskField", m_staffKeyMaskField);
  SetText(e, "SISAttChangeTime",
          m_attChangeTime.Date() == XDate::kNone ? XString()
                                                 : m_attChangeTime.Format(kDateTimePattern));
  SetText(e, "SISVersion", m_sisVersion);
  SetText(e, "SISExtraParams", m_extraParams);
  SetBool(e, "StudPhotoImport", m_studPhotoImport);
  SetText(e, "StudPhotoImportFolder", m_studPhotoImportFolder);
  SetText(e, "StudPhotoIndexType", PhotoIndexName(m_studPhotoIndexType, false));
  SetBool(e, "StudPhotoUseIndexFile", m_studPhotoUseIndexFile);
  SetText(e, "StudPhotoIndexFile", m_studPhotoIndexFile);
  SetBool(e, "StudPhotoCrop", m_studPhotoCrop);
  SetBool(e, "StaffPhotoImport", m_staffPhotoImport);
  SetBool(e, "StaffPhotoUseStudSettings", m_staffPhotoUseStudSettings);
  SetText(e, "StaffPhotoImportFolder", m_staffPhotoImportFolder);
  SetText(e, "StaffPhotoIndexType", PhotoIndexName(m_staffPhotoIndexType, true));
  SetBool(e, "StaffPhotoUseIndexFile", m_staffPhotoUseIndexFile);
  SetText(e, "StaffPhotoIndexFile", m_staffPhotoIndexFile);
  SetBool(e, "StaffPhotoCrop", m_staffPhotoCrop);
  SetBool(e, "ForceRebuild", m_forceRebuild);
}
