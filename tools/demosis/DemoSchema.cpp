#include "tools/demosis/DemoSchema.h"

namespace demosis {
namespace {

using T = ColumnType;

void Add(TableDef& table, std::initializer_list<const char*> names, ColumnType type = T::Text) {
  for (const char* name : names) table.columns.push_back({name, type});
}

// name + suffix for each suffix: ("FirstDay_", 1, 6) gives FirstDay_1 .. FirstDay_6.
void AddNumbered(TableDef& table, const std::string& stem, int first, int last, ColumnType type) {
  for (int n = first; n <= last; ++n) table.columns.push_back({stem + std::to_string(n), type});
}

TableDef SystemProfile() {
  // One row per school (building). The school structure lives in list-valued text columns:
  // "Period" is comma separated, "Bell_1" and "Bell_2" hold one line per period, and
  // "GradingPeriod" is comma separated.
  TableDef t{"System_Profile", {}};
  Add(t, {"BuildingNum", "SchoolName"});
  AddNumbered(t, "FirstDay_", 1, 6, T::DateTime);
  AddNumbered(t, "LastDay_", 1, 6, T::DateTime);
  Add(t, {"Period", "Bell_1", "Bell_2", "GradingPeriod"});
  return t;
}

TableDef Student() {
  TableDef t{"Student", {}};
  Add(t, {"ID", "BuildingNum", "Inactive", "FN", "MI", "LN", "NickName", "Address", "City",
          "State", "Zip", "Sex", "Grade"});
  Add(t, {"DOB"}, T::DateTime);
  Add(t, {"BirthPlace", "Race", "Language", "Counselor", "LockerNum", "LockerComb", "HPhone",
          "CellPhone", "StuCellPhone", "StuEmail", "Pager", "VehDescription", "ParkingPermit",
          "PlateNum", "BusNum", "AltBusDriver", "AltBusNum"});
  Add(t, {"ClassRank"}, T::Integer);
  Add(t, {"Hosp", "WebID", "Migrant", "Military", "LunchStatus", "SpEdCode", "SpEdCode2", "Room",
          "Teacher", "Memo", "Comment", "Allergy", "RX"});
  // Contacts: guardian, mother (whose middle name is the shared "MI" column), parent, and four
  // emergency contacts.
  Add(t, {"GuardianName", "Guardian", "GuardianAddress", "GuardianCity", "GuardianState",
          "GuardianZip", "GuardianEmail", "GPhone", "GWorkPhone"});
  Add(t, {"MFN", "MLN", "MAddress", "MCity", "MState", "MZip", "MPhone", "MWorkPhone",
          "MWorkExt", "MPager", "MCellPhone", "MEmployer"});
  Add(t, {"PFN", "PLN", "PAddress", "PCity", "PState", "PZip", "PPhone", "PWorkPhone",
          "PWorkExt", "PPager", "PCellPhone", "PEmployer"});
  Add(t, {"RelFN", "RelLN", "RelRelationship", "RelPhone"});
  for (const char* suffix : {"_2", "_3", "_4"})
    for (const char* stem : {"RelFN", "RelLN", "RelRelationship", "RelPhone"})
      t.columns.push_back({std::string(stem) + suffix, T::Text});
  return t;
}

TableDef MedicalNote() {
  // Treatments are kept one per text line, lined up by position across "Allergy", "ADate" and
  // "AComment", so "ADate" is text, not a date column.
  TableDef t{"Medical_Note", {}};
  Add(t, {"ID", "Allergy", "ADate", "AReaction", "AComment", "Comment", "Physician",
          "PhysPhone"});
  return t;
}

TableDef Immunization() {
  TableDef t{"Immunization", {}};
  Add(t, {"ID"});
  AddNumbered(t, "A_", 1, 8, T::DateTime);
  Add(t, {"A_D"}, T::DateTime);
  AddNumbered(t, "DT", 1, 4, T::DateTime);
  AddNumbered(t, "DTaP", 1, 6, T::DateTime);
  AddNumbered(t, "Hep", 1, 4, T::DateTime);
  AddNumbered(t, "Hib", 1, 4, T::DateTime);
  AddNumbered(t, "MMR", 1, 3, T::DateTime);
  AddNumbered(t, "Mea", 1, 2, T::DateTime);
  AddNumbered(t, "Polio", 1, 6, T::DateTime);
  AddNumbered(t, "S_", 2, 7, T::DateTime);
  AddNumbered(t, "tb", 1, 3, T::DateTime);
  AddNumbered(t, "tbR", 1, 3, T::DateTime);
  return t;
}

TableDef StudentClass() {
  TableDef t{"StudentClass", {}};
  Add(t, {"ID", "SchoolYear", "Inactive", "ClassNum", "SubjectName", "CourseNum", "Description",
          "Days", "Period", "Term", "RoomNum", "Teacher"});
  for (const char* suffix : {"", "_1", "_2", "_3", "_4"}) {
    const std::string s = suffix;
    t.columns.push_back({"GradeLetter" + s, T::Text});
    t.columns.push_back({"GradePct" + s, T::Real});
    t.columns.push_back({"GradePoint" + s, T::Real});
    t.columns.push_back({"GradePointsEarned" + s, T::Real});
  }
  Add(t, {"GradePoint_Test", "GradePointsEarned_Test"}, T::Real);
  return t;
}

TableDef DisciplineRecord() {
  TableDef t{"Discipline_Record", {}};
  Add(t, {"ID", "SchoolYear"});
  Add(t, {"Date"}, T::DateTime);
  Add(t, {"Infraction", "Violation", "Comment", "Author", "Classroom", "HearingOfficer", "CC",
          "Action"});
  Add(t, {"Days"}, T::Integer);
  Add(t, {"FromDate", "ToDate"}, T::DateTime);
  Add(t, {"Pled"});
  Add(t, {"FromSuspension", "ToSuspension"}, T::DateTime);
  Add(t, {"Notified"});
  Add(t, {"NotDate"}, T::DateTime);
  Add(t, {"NotTime", "LetterSent", "SpokeWith"});
  return t;
}

TableDef Event() {
  TableDef t{"Event", {}};
  Add(t, {"Status", "AMPMAllDay"});
  Add(t, {"DateOut"}, T::DateTime);
  Add(t, {"Reason"});
  Add(t, {"Count"}, T::Real);
  return t;
}

TableDef Personnel() {
  TableDef t{"Personnel", {}};
  // The staff e-mail address lives in a column named "GuardianEmail" in this SIS.
  Add(t, {"PersonnelDisplay", "BuildingNum", "Prefix", "FN", "MI", "LN", "Address", "City",
          "State", "Zip", "HPhone", "PhoneExt", "CellPhone", "GuardianEmail"});
  Add(t, {"DOB"}, T::DateTime);
  Add(t, {"Room", "Title", "Groups"});
  return t;
}

TableDef Absence() {
  TableDef t{"Absence", {}};
  Add(t, {"ID", "SchoolYear"});
  Add(t, {"Date"}, T::DateTime);
  Add(t, {"Absence", "Type", "Period"});
  return t;
}

}  // namespace

const ColumnDef* TableDef::Find(const std::string& column) const {
  for (const ColumnDef& c : columns)
    if (c.name == column) return &c;
  return nullptr;
}

const char* DeclaredType(ColumnType type) {
  switch (type) {
    case T::DateTime: return "DATETIME";
    case T::Real: return "REAL";
    case T::Integer: return "INTEGER";
    case T::Text: break;
  }
  return "TEXT";
}

const std::vector<TableDef>& DemoSchema() {
  static const std::vector<TableDef> schema = {
      SystemProfile(), Student(),   MedicalNote(), Immunization(), StudentClass(),
      DisciplineRecord(), Event(), Personnel(),   Absence()};
  return schema;
}

const TableDef* FindTable(const std::string& table) {
  for (const TableDef& t : DemoSchema())
    if (t.name == table) return &t;
  return nullptr;
}

}  // namespace demosis
