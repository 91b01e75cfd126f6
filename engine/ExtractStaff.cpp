// The staff of the SIS and the fixed table of attendance codes.
#include "engine/ExtractSteps.h"
#include "foundation/XFile.h"
#include "package/SISExpCustomField.h"

void ExtractSteps::ExtractStaff() {
  m_data.DumpTableDefinition("Personnel");
  m_pattern.BeginExtract("Staff Demographics", "Staff.qef");
  // Without an alias the table's own name qualifies its columns.
  ODBCTable* personnel = Query().AddTable("", "Personnel", "");

  const SISExpCustomField homePhone("HomePhone", "Home Phone", "#customcomfield", "phone");
  const SISExpCustomField phoneExt("PhoneExt", "Phone Ext", "#customcomfield", "noformat");
  const SISExpCustomField cellPhone("CellPhone", "Cell Phone", "#customcomfield", "phone");
  const SISExpCustomField email("Email", "Email", "#customcomfield", "email");

  m_keyField = m_pattern.AddExportField(true, personnel, "PersonnelDisplay", GetString, "StaffKey");
  m_pattern.AddExportField(false, personnel, "Prefix", GetString, "StaffSalutation");
  m_pattern.AddExportField(false, personnel, "FN", GetString, "StaffFirstName");
  m_pattern.AddExportField(false, personnel, "MI", GetString, "StaffMidName");
  m_pattern.AddExportField(false, personnel, "LN", GetString, "StaffLastName");
  m_pattern.AddExportField(false, personnel, "Address", GetString, "StaffAddress1");
  m_pattern.AddExportField(false, personnel, "City", GetString, "StaffCity");
  m_pattern.AddExportField(false, personnel, "State", GetString, "StaffState");
  m_pattern.AddExportField(false, personnel, "Zip", GetString, "StaffZip");
  m_pattern.AddExportField(false, personnel, "HPhone", GetString, "StaffHomePhone", &homePhone);
  m_pattern.AddExportField(false, personnel, "PhoneExt", GetString, "StaffPhoneExt", &phoneExt);
  m_pattern.AddExportField(false, personnel, "CellPhone", GetString, "StaffCellPhone", &cellPhone);
  // Meridane keeps the staff e-mail address in a column named like the guardian's.
  m_pattern.AddExportField(false, personnel, "GuardianEmail", GetString, "StaffEmail", &email);
  m_pattern.AddExportField(false, personnel, "DOB", GetDate, "StaffBirthDate");
  m_pattern.AddExportField(false, personnel, "Room", GetString, "StaffHRRoomNum");
  m_pattern.AddExportField(false, personnel, "Title", GetString, "StaffPosition");
  m_pattern.AddExportField(false, personnel, "Groups", GetString, "StaffDepartment");

  // Every staff member of the SIS, whatever the school.
  m_table.WriteTable();
  m_table.FinishTable();
}

void ExtractSteps::ExtractAttendanceCodes() {
  m_pattern.BeginExtract("Attendance Codes", "AttCodes.qef");
  for (const char* name :
       {"AttCodeKey", "AttCodeCode", "AttCodeName", "AttCodeAbs", "AttCodeTardy", "AttCodeExcused"}) {
    m_writer.AddHeaderField(name);
  }

  // The codes the attendance extracts produce: absent and tardy, each also excused ("E").
  static const char* const kCodes[][6] = {
      {"EAbsent", "EA", "ExcAbs", "1", "0", "Y"},
      {"Absent", "A", "Abs", "1", "0", "N"},
      {"ETardy", "ET", "ExcTardy", "0", "1", "Y"},
      {"Tardy", "T", "Tardy", "0", "1", "N"},
  };
  XFile& out = m_writer.OpenTableOutput();
  try {
    for (const auto& code : kCodes) {
      for (const char* value : code) out.WriteField(value);
      out.EndLine();
    }
    m_writer.CloseTableOutput();
  } catch (...) {
    m_writer.AbandonTableOutput();  // the previous complete file stays
    throw;
  }
  m_table.FinishTable();
}
