// The staff of the SIS and the fixed table of attendance codes.
#include "engine/ExpEngine.h"
#include "foundation/XFile.h"
#include "package/SISExpCustomField.h"

void ExpEngine::ExtractStaff() {
  DumpTableDefinition("Personnel");
  BeginExtract("Staff Demographics", "Staff.qef");
  // Without an alias the table's own name qualifies its columns.
  ODBCTable* personnel = AddTable("", "Personnel", "");

  const SISExpCustomField homePhone("HomePhone", "Home Phone", "#customcomfield", "phone");
  const SISExpCustomField phoneExt("PhoneExt", "Phone Ext", "#customcomfield", "noformat");
  const SISExpCustomField cellPhone("CellPhone", "Cell Phone", "#customcomfield", "phone");
  const SISExpCustomField email("Email", "Email", "#customcomfield", "email");

  m_keyField = AddExportField(true, personnel, "PersonnelDisplay", &DataAccessBase::GetString, "StaffKey");
  AddExportField(false, personnel, "Prefix", &DataAccessBase::GetString, "StaffSalutation");
  AddExportField(false, personnel, "FN", &DataAccessBase::GetString, "StaffFirstName");
  AddExportField(false, personnel, "MI", &DataAccessBase::GetString, "StaffMidName");
  AddExportField(false, personnel, "LN", &DataAccessBase::GetString, "StaffLastName");
  AddExportField(false, personnel, "Address", &DataAccessBase::GetString, "StaffAddress1");
  AddExportField(false, personnel, "City", &DataAccessBase::GetString, "StaffCity");
  AddExportField(false, personnel, "State", &DataAccessBase::GetString, "StaffState");
  AddExportField(false, personnel, "Zip", &DataAccessBase::GetString, "StaffZip");
  AddExportField(false, personnel, "HPhone", &DataAccessBase::GetString, "StaffHomePhone", &homePhone);
  AddExportField(false, personnel, "PhoneExt", &DataAccessBase::GetString, "StaffPhoneExt", &phoneExt);
  AddExportField(false, personnel, "CellPhone", &DataAccessBase::GetString, "StaffCellPhone", &cellPhone);
  // Meridane keeps the staff e-mail address in a column named like the guardian's.
  AddExportField(false, personnel, "GuardianEmail", &DataAccessBase::GetString, "StaffEmail", &email);
  AddExportField(false, personnel, "DOB", &DataAccessBase::GetDate, "StaffBirthDate");
  AddExportField(false, personnel, "Room", &DataAccessBase::GetString, "StaffHRRoomNum");
  AddExportField(false, personnel, "Title", &DataAccessBase::GetString, "StaffPosition");
  AddExportField(false, personnel, "Groups", &DataAccessBase::GetString, "StaffDepartment");

  // Every staff member of the SIS, whatever the school.
  WriteTable();
  FinishTable();
}

void ExpEngine::ExtractAttendanceCodes() {
  BeginExtract("Attendance Codes", "AttCodes.qef");
  for (const char* name :
       {"AttCodeKey", "AttCodeCode", "AttCodeName", "AttCodeAbs", "AttCodeTardy", "AttCodeExcused"}) {
    AddHeaderField(name);
  }

  // The codes the attendance extracts produce: absent and tardy, each also excused ("E").
  static const char* const kCodes[][6] = {
      {"EAbsent", "EA", "ExcAbs", "1", "0", "Y"},
      {"Absent", "A", "Abs", "1", "0", "N"},
      {"ETardy", "ET", "ExcTardy", "0", "1", "Y"},
      {"Tardy", "T", "Tardy", "0", "1", "N"},
  };
  XFile& out = OpenTableOutput();
  try {
    for (const auto& code : kCodes) {
      for (const char* value : code) out.WriteField(value);
      out.EndLine();
    }
    CloseTableOutput();
  } catch (...) {
    AbandonTableOutput();  // the previous complete file stays
    throw;
  }
  FinishTable();
}
