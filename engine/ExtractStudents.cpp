// The student demographics table ("Students.qef"): one line per included student, every field
// from the "Student" table. Only the key is required; a column this SIS does not have drops its
// field from the lines, the package field list and the custom fields alike.
#include "engine/ExtractSteps.h"

#include "package/SISExpCustomField.h"

namespace {

// One output field of the demographics table. A custom field is announced to the importer
// under `key` when one is given.
struct StudentField {
  const char* packageField;
  const char* column;
  ValueFunction valueFunction;
  const char* key = nullptr;
  const char* title = nullptr;
  const char* command = nullptr;
  const char* format = nullptr;
};

constexpr const char* kBasic = "#custombasicfield";
constexpr const char* kCommunication = "#customcomfield";
constexpr const char* kSchool = "#customschoolfield";

}  // namespace

void ExtractSteps::ExtractStudents() {
  m_pattern.BeginExtract("Student Demographics", "Students.qef");
  ODBCTable* student = Query().AddTable("", "Student", "S");

  const ValueFunction oneLine = GetStringOneLine;
  // The key and "SpEdCode" are declared on their own below: their handles are kept.
  const StudentField fields[] = {
      {"StdFirstName", "FN", oneLine},
      {"StdMidName", "MI", oneLine},
      {"StdLastName", "LN", oneLine},
      {"StdNickName", "NickName", oneLine},
      {"StdAddress1", "Address", oneLine},
      {"StdCity", "City", oneLine},
      {"StdState", "State", oneLine},
      {"StdZip", "Zip", oneLine},
      {"StdSex", "Sex", oneLine},
      {"StdGradeLevel", "Grade", oneLine},
      {"StdBirthDate", "DOB", GetDate},
      {"StdBirthPlace", "BirthPlace", oneLine, "BirthPlace", "Birth Place", kBasic, "noformat"},
      {"StdEthnicity", "Race", oneLine},
      {"StdLanguage", "Language", oneLine},
      {"StdCounselorRef", "Counselor", oneLine},
      {"StdLocker", "LockerNum", oneLine},
      {"StdCombo", "LockerComb", oneLine},
      {"StdHomePhone", "HPhone", oneLine, "HomePhone", "Home Phone", kCommunication, "phone"},
      {"StdCellPhone", "CellPhone", oneLine, "CellPhone", "Cell Phone", kCommunication, "phone"},
      {"StdStuCell", "StuCellPhone", oneLine, "StuCell", "Stu. Cell", kCommunication, "phone"},
      {"StdEmail", "StuEmail", oneLine, "Email", "Email", kCommunication, "email"},
      {"StdPager", "Pager", oneLine, "Pager", "Pager", kCommunication, "phone"},
      {"StdVehicle", "VehDescription", oneLine, "Vehicle", "Vehicle", kSchool, "noformat"},
      {"StdParkPermit", "ParkingPermit", oneLine},
      {"StdLicPlate", "PlateNum", oneLine},
      {"StdBusIn", "BusNum", oneLine},
      {"StdAltBusDriver", "AltBusDriver", oneLine, "AltBusDriver", "Alt. Bus Driver", kSchool, "noformat"},
      {"StdAltBusNum", "AltBusNum", oneLine, "AltBusNum", "Alt. Bus Num", kSchool, "noformat"},
      {"StdClassRank", "ClassRank", oneLine, "ClassRank", "Class Rank", kSchool, "noformat"},
      {"StdHospital", "Hosp", oneLine, "Hospital", "Hospital", kSchool, "noformat"},
      {"StdWebID", "WebID", oneLine, "WebID", "WebID", kCommunication, "noformat"},
      {"StdMigrant", "Migrant", oneLine, "Migrant", "Migrant", kCommunication, "noformat"},
      {"StdMilitary", "Military", oneLine, "Military", "Military", kCommunication, "noformat"},
      {"StdLunchStatus", "LunchStatus", oneLine, "LunchStatus", "Lunch Status", kSchool, "noformat"},
  };
  const StudentField afterSpEdCode[] = {
      {"StdSpEdCode2", "SpEdCode2", oneLine, "SpEdCode2", "Special Ed", kCommunication, "noformat"},
      // Reads "SpEdCode2" again: the column decides whether the field exists at all.
      {"StdIsESE", "SpEdCode2", [this](RowValues& row, ExportColumn& column) { return GetIsESE(row, m_spEdCodeField, column); }},
      {"StdHRRoomNum", "Room", oneLine},
      {"StdHRStaffRef", "Teacher", oneLine},
  };
  auto declare = [&](const StudentField& field) {
    if (field.key == nullptr) {
      return m_pattern.AddExportField(false, student, field.column, field.valueFunction, field.packageField);
    }
    const SISExpCustomField custom(field.key, field.title, field.command, field.format);
    return m_pattern.AddExportField(false, student, field.column, field.valueFunction, field.packageField,
                          &custom);
  };

  m_keyField = m_pattern.AddExportField(true, student, "ID", oneLine, "StdKey");
  for (const StudentField& field : fields) declare(field);
  m_spEdCodeField = declare({"StdSpEdCode", "SpEdCode", oneLine, "SpEdCode", "Special Ed",
                             kCommunication, "noformat"});
  for (const StudentField& field : afterSpEdCode) declare(field);

  m_pattern.AddActiveStudentConditions(student, true);
  m_table.WriteTable(IncludedStudents());
  m_table.FinishTable();
  // The handle belonged to the query model just cleared; no other extract may read it.
  m_spEdCodeField = nullptr;
}
