#include "TinyExpectations.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <set>

#include "foundation/XDate.h"

namespace enginetest {

// ---- Text helpers ----------------------------------------------------------------------

Lines SplitLines(const std::string& bytes, bool strict) {
  Lines lines;
  for (size_t start = 0; start < bytes.size();) {
    size_t end = bytes.find("\r\n", start);
    if (end == std::string::npos) {
      if (strict) ADD_FAILURE() << "a line without CR LF at the end";
      end = bytes.size();
    }
    lines.push_back(bytes.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

Lines Sorted(Lines lines) {
  std::sort(lines.begin(), lines.end());
  return lines;
}

Lines ByStudent(Lines lines) {
  std::stable_sort(lines.begin(), lines.end(), [](const std::string& a, const std::string& b) {
    return a.substr(0, a.find('\t')) < b.substr(0, b.find('\t'));
  });
  return lines;
}

std::string Join(const Lines& fields) {
  std::string line;
  for (size_t i = 0; i < fields.size(); ++i) line += (i ? "\t" : "") + fields[i];
  return line;
}

std::string Cp1252(const std::string& utf8) {
  std::string out;
  for (size_t i = 0; i < utf8.size();) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    if (c < 0x80) {
      out += utf8[i++];
    } else if ((c & 0xE0) == 0xC0) {
      out += static_cast<char>(((c & 0x1F) << 6) | (utf8[i + 1] & 0x3F));
      i += 2;
    } else {
      const unsigned point = ((c & 0x0F) << 12) | ((utf8[i + 1] & 0x3F) << 6) | (utf8[i + 2] & 0x3F);
      EXPECT_EQ(0x20ACu, point) << "only the euro sign is expected beyond Latin-1";
      out += '\x80';
      i += 3;
    }
  }
  return out;
}

std::string PackageDate(const std::string& ymd) {
  return ymd.empty() ? "" : ymd.substr(5, 2) + "/" + ymd.substr(8, 2) + "/" + ymd.substr(0, 4);
}

std::string PackageDate(int day) { return XDate::FormatDate(day, "mm/dd/yyyy").ToStd(); }

int Day(const std::string& ymd) {
  return XDate::FromYMD(std::stoi(ymd.substr(0, 4)), std::stoi(ymd.substr(5, 2)), std::stoi(ymd.substr(8, 2)));
}

namespace tiny {

namespace {

bool Is(const demosis::DemoRow& row, const char* table) { return std::strcmp(row.table, table) == 0; }

// The value or the empty text, as the demo content holds it (UTF-8).
std::string Utf8(const demosis::DemoRow* row, const char* column) {
  const char* value = row->Get(column);
  return value ? value : "";
}

std::string Trim(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

// A list split as the school-structure extracts split it: before each item the rest is
// trimmed, splitting stops when it is empty, and the items are trimmed.
Lines Items(const std::string& list, char separator) {
  Lines items;
  std::string rest = list;
  while (!(rest = Trim(rest)).empty()) {
    const size_t at = rest.find(separator);
    items.push_back(Trim(rest.substr(0, at)));
    rest = at == std::string::npos ? "" : rest.substr(at + 1);
  }
  return items;
}

bool IsIncluded(const std::string& id) {
  const std::vector<std::string> ids = StudentIds(true);
  return std::find(ids.begin(), ids.end(), id) != ids.end();
}

bool ThisYear(const demosis::DemoRow* row) { return Utf8(row, "SchoolYear") == demosis::kTinySchoolYear; }

// A class row counts as active when its "Inactive" is "No", empty or NULL.
bool ActiveClassRow(const demosis::DemoRow* row) {
  const char* inactive = row->Get("Inactive");
  return !inactive || std::string(inactive).empty() || std::string(inactive) == "No";
}

Table Make(const char* description, const char* file, Lines fields, Lines lines,
           Table::Order order = Table::Order::kAsWritten) {
  Table table;
  table.description = description;
  table.file = file;
  table.fields = std::move(fields);
  table.lines = std::move(lines);
  table.order = order;
  return table;
}

}  // namespace

const demosis::DemoRow* Row(const char* table, const std::string& id) {
  for (const demosis::DemoRow& row : demosis::TinyContent()) {
    if (Is(row, table) && row.Get("ID") && id == row.Get("ID")) return &row;
  }
  ADD_FAILURE() << "no " << table << " row " << id;
  return nullptr;
}

std::vector<const demosis::DemoRow*> Rows(const char* table) {
  std::vector<const demosis::DemoRow*> rows;
  for (const demosis::DemoRow& row : demosis::TinyContent()) {
    if (Is(row, table)) rows.push_back(&row);
  }
  return rows;
}

std::string Raw(const demosis::DemoRow* row, const char* column) {
  const char* value = row ? row->Get(column) : nullptr;
  return value ? Cp1252(value) : std::string();
}

std::string Clean(std::string text) {
  text.erase(std::remove(text.begin(), text.end(), '\t'), text.end());
  const size_t first = text.find_first_not_of(" \r\n");
  if (first == std::string::npos) return "";
  text = text.substr(first, text.find_last_not_of(" \r\n") - first + 1);
  std::replace(text.begin(), text.end(), '\r', ' ');
  std::replace(text.begin(), text.end(), '\n', ' ');
  return text;
}

std::string Text(const demosis::DemoRow* row, const char* column) { return Clean(Raw(row, column)); }

std::vector<std::string> StudentIds(bool activeOnly) {
  std::vector<std::string> ids;
  for (const demosis::DemoRow* row : Rows("Student")) {
    const char* inactive = row->Get("Inactive");
    if (activeOnly && inactive && std::string(inactive) != "No") continue;
    ids.push_back(row->Get("ID"));
  }
  return ids;
}

Lines Table::HeaderEntry() const {
  return {"// " + description, Join(fields), "#include \"" + file + "\"", "*"};
}

Lines Table::Comparable(Lines written) const {
  switch (order) {
    case Order::kAsWritten: return written;
    case Order::kByStudent: return ByStudent(std::move(written));
    case Order::kAny: return Sorted(std::move(written));
  }
  return written;
}

// ---- School structure ------------------------------------------------------------------

Table Terms() {
  // Every profile, every term with both days: school 202 has no term 3.
  Lines lines;
  for (const demosis::DemoRow* row : Rows("System_Profile")) {
    for (int n = 1; n <= 6; ++n) {
      const std::string first = Utf8(row, ("FirstDay_" + std::to_string(n)).c_str());
      const std::string last = Utf8(row, ("LastDay_" + std::to_string(n)).c_str());
      if (first.empty() || last.empty()) continue;
      lines.push_back(Join({std::to_string(n), "Term " + std::to_string(n), PackageDate(first), PackageDate(last)}));
    }
  }
  return Make("Terms", "Terms.qef", {"TermKey", "TermName", "TermStartDate", "TermEndDate"}, lines);
}

Table Tumbles() {
  // Every period is in the All Day rotation, and in the AM one when its bell rings from six to
  // eleven o'clock (Lakeside: 07 to 10, two at 12; Saint-Éloi: 05, 06, 11, 12).
  Lines lines;
  for (const demosis::DemoRow* row : Rows("System_Profile")) {
    const Lines periods = Items(Utf8(row, "Period"), ',');
    const Lines bells = Items(Utf8(row, "Bell_2"), '\n');
    for (size_t i = 0; i < periods.size(); ++i) {
      const int hour = std::stoi(bells.at(i).substr(0, 2));
      const std::string order = std::to_string(i);
      lines.push_back(Join({"All Day", "All Day Tumble", periods[i], order}));
      lines.push_back(hour >= 6 && hour <= 11 ? Join({"AM", "AM Tumble", periods[i], order})
                                               : Join({"PM", "PM Tumble", periods[i], order}));
    }
  }
  return Make("Tumble", "Tumbles.qef", {"TumKey", "TumName", "TumPerRef", "TumPerOrder"}, lines);
}

Table Periods() {
  // Saint-Éloi's bell lines end in CR LF, and its last bell has no end time.
  Lines lines;
  for (const demosis::DemoRow* row : Rows("System_Profile")) {
    const Lines periods = Items(Utf8(row, "Period"), ',');
    const Lines names = Items(Utf8(row, "Bell_1"), '\n');
    const Lines bells = Items(Utf8(row, "Bell_2"), '\n');
    for (size_t i = 0; i < periods.size(); ++i) {
      const size_t dash = bells.at(i).find('-');
      const std::string start = bells[i].substr(0, dash);
      const std::string end = dash == std::string::npos ? "" : bells[i].substr(dash + 1);
      lines.push_back(Join({periods[i], periods[i], Cp1252(names.at(i)), start, end}));
    }
  }
  return Make("Periods", "Periods.qef", {"PerKey", "PerCode", "xPerName", "PerStartTime", "PerEndTime"}, lines);
}

Table Calendar(bool withCount) {
  std::map<int, Lines> daysOut;
  for (const demosis::DemoRow* row : Rows("Event")) {
    if (Utf8(row, "Status") != "Day Out") continue;
    const std::string count = withCount && Utf8(row, "Count") == "0.5" ? "0.5000" : "0.0000";
    daysOut[Day(Utf8(row, "DateOut"))].push_back(
        Join({"", PackageDate(Utf8(row, "DateOut")), Text(row, "Reason"), Text(row, "AMPMAllDay"), "", count}));
  }
  Lines lines;
  for (int day = Day(demosis::kTinyYearStart); day <= Day(demosis::kTinyYearEnd); ++day) {
    auto out = daysOut.find(day);
    if (out != daysOut.end()) {
      lines.insert(lines.end(), out->second.begin(), out->second.end());
    } else if (XDate::Weekday(day) < 5) {
      lines.push_back(Join({"", PackageDate(day), "", "All Day", "1", "1"}));
    }
  }
  return Make("Calendar", "Calendar.qef",
              {"CalKey", "CalDate", "CalDateDesc", "CalDateTumRef", "CalDateDayRef", "CalDateAttValue"}, lines);
}

Table GradingPeriods() {
  Lines lines;
  for (const demosis::DemoRow* row : Rows("System_Profile")) {
    const Lines bins = Items(Utf8(row, "GradingPeriod"), ',');
    for (size_t i = 0; i < bins.size(); ++i) lines.push_back(Join({std::to_string(i), bins[i]}));
    lines.push_back("Test\tTest");
  }
  return Make("Grading Periods", "Bins.qef", {"BinKey", "BinName"}, lines);
}

Table Staff() {
  // Every "Personnel" row, phones as stored: the importer formats them by the custom field's
  // format word.
  static const char* const kColumns[] = {"PersonnelDisplay", "Prefix", "FN", "MI", "LN", "Address",
                                         "City", "State", "Zip", "HPhone", "PhoneExt", "CellPhone",
                                         "GuardianEmail", "DOB", "Room", "Title", "Groups"};
  Lines lines;
  for (const demosis::DemoRow* row : Rows("Personnel")) {
    Lines values;
    for (const char* column : kColumns) {
      values.push_back(std::strcmp(column, "DOB") == 0 ? PackageDate(Raw(row, column)) : Text(row, column));
    }
    lines.push_back(Join(values));
  }
  return Make("Staff Demographics", "Staff.qef",
              {"StaffKey", "StaffSalutation", "StaffFirstName", "StaffMidName", "StaffLastName", "StaffAddress1",
               "StaffCity", "StaffState", "StaffZip", "StaffHomePhone", "StaffPhoneExt", "StaffCellPhone",
               "StaffEmail", "StaffBirthDate", "StaffHRRoomNum", "StaffPosition", "StaffDepartment"},
              lines);
}

Table AttendanceCodes() {
  return Make("Attendance Codes", "AttCodes.qef",
              {"AttCodeKey", "AttCodeCode", "AttCodeName", "AttCodeAbs", "AttCodeTardy", "AttCodeExcused"},
              {"EAbsent\tEA\tExcAbs\t1\t0\tY", "Absent\tA\tAbs\t1\t0\tN", "ETardy\tET\tExcTardy\t0\t1\tY",
               "Tardy\tT\tTardy\t0\t1\tN"});
}

// ---- Classes -----------------------------------------------------------------------------

Table Sections() {
  // One line per distinct class of the year with a class number, whoever takes it; the term
  // lists lose their separators ("1, 2; 3" gives 123).
  std::set<std::string> distinct;
  for (const demosis::DemoRow* row : Rows("StudentClass")) {
    if (!ThisYear(row) || Text(row, "ClassNum").empty()) continue;
    std::string terms = Text(row, "Term");
    terms.erase(std::remove_if(terms.begin(), terms.end(), [](char c) { return c == ';' || c == ',' || c == ' '; }),
                terms.end());
    distinct.insert(Join({Text(row, "ClassNum"), Text(row, "Description"), "1", Text(row, "Period"), terms,
                          Text(row, "RoomNum"), Text(row, "Teacher")}));
  }
  return Make("Sections", "Sections.qef",
              {"SecKey", "SecName", "SecDayGroup", "SecPerRef", "SecTermGroup", "SecRoomNum", "SecStaffRef"},
              Lines(distinct.begin(), distinct.end()), Table::Order::kAny);
}

Table StudentSchedules(bool activeOnly) {
  // The year's class rows with a class number; with active students only, of the included
  // students and of active class rows.
  Lines lines;
  const std::vector<std::string> ids = StudentIds(activeOnly);
  for (const demosis::DemoRow* row : Rows("StudentClass")) {
    if (!ThisYear(row) || Text(row, "ClassNum").empty()) continue;
    if (std::find(ids.begin(), ids.end(), Text(row, "ID")) == ids.end()) continue;
    if (activeOnly && !ActiveClassRow(row)) continue;
    lines.push_back(Join({Text(row, "ID"), Text(row, "ClassNum")}));
  }
  return Make("Student Schedules", "StudentSched.qef", {"StdKey", "StdSecRef"}, lines, Table::Order::kAny);
}

Table Grades() {
  // Per class row of an included student whose "Inactive" is "No" or NULL, of any school year:
  // a line per grading period with a letter, then the test line when there is a test grade.
  // 1007's grade C is of 2007-2008; 1001's French row has an empty "Inactive" and is left out.
  static const char* const kSuffix[] = {"", "_1", "_2", "_3", "_4"};
  Lines lines;
  for (const demosis::DemoRow* row : Rows("StudentClass")) {
    const char* inactive = row->Get("Inactive");
    if (inactive && std::string(inactive) != "No") continue;
    if (!IsIncluded(Text(row, "ID"))) continue;
    const std::string id = Text(row, "ID");
    const std::string section = Text(row, "ClassNum");
    for (int p = 0; p < 5; ++p) {
      auto column = [&](const char* name) { return Text(row, (std::string(name) + kSuffix[p]).c_str()); };
      if (column("GradeLetter").empty()) continue;
      lines.push_back(Join({id, section, std::to_string(p), column("GradeLetter"), column("GradePct"),
                            column("GradePoint"), column("GradePointsEarned"), "", ""}));
    }
    if (!Text(row, "GradePoint_Test").empty()) {
      lines.push_back(Join({id, section, "Test", "", "", "", "", Text(row, "GradePoint_Test"),
                            Text(row, "GradePointsEarned_Test")}));
    }
  }
  return Make("Grades", "StudentGrades.qef",
              {"GrdStdRef", "GrdSecRef", "GrdBinRef", "GrdLetter", "GrdPct", "GrdPoints", "GrdPointsEarned",
               "GrdTest", "GrdEarnedTest"},
              lines);
}

// ---- Students ----------------------------------------------------------------------------

namespace {

// The demographics fields in package order: field name, source column, how the value is made.
enum class Kind { kText, kDate, kIsESE };
struct Field {
  const char* name;
  const char* column;
  Kind kind;
};
const std::vector<Field>& StudentFields() {
  static const std::vector<Field> fields = {
      {"StdKey", "ID", Kind::kText}, {"StdFirstName", "FN", Kind::kText},
      {"StdMidName", "MI", Kind::kText}, {"StdLastName", "LN", Kind::kText},
      {"StdNickName", "NickName", Kind::kText}, {"StdAddress1", "Address", Kind::kText},
      {"StdCity", "City", Kind::kText}, {"StdState", "State", Kind::kText},
      {"StdZip", "Zip", Kind::kText}, {"StdSex", "Sex", Kind::kText},
      {"StdGradeLevel", "Grade", Kind::kText}, {"StdBirthDate", "DOB", Kind::kDate},
      {"StdBirthPlace", "BirthPlace", Kind::kText}, {"StdEthnicity", "Race", Kind::kText},
      {"StdLanguage", "Language", Kind::kText}, {"StdCounselorRef", "Counselor", Kind::kText},
      {"StdLocker", "LockerNum", Kind::kText}, {"StdCombo", "LockerComb", Kind::kText},
      {"StdHomePhone", "HPhone", Kind::kText}, {"StdCellPhone", "CellPhone", Kind::kText},
      {"StdStuCell", "StuCellPhone", Kind::kText}, {"StdEmail", "StuEmail", Kind::kText},
      {"StdPager", "Pager", Kind::kText}, {"StdVehicle", "VehDescription", Kind::kText},
      {"StdParkPermit", "ParkingPermit", Kind::kText}, {"StdLicPlate", "PlateNum", Kind::kText},
      {"StdBusIn", "BusNum", Kind::kText}, {"StdAltBusDriver", "AltBusDriver", Kind::kText},
      {"StdAltBusNum", "AltBusNum", Kind::kText}, {"StdClassRank", "ClassRank", Kind::kText},
      {"StdHospital", "Hosp", Kind::kText}, {"StdWebID", "WebID", Kind::kText},
      {"StdMigrant", "Migrant", Kind::kText}, {"StdMilitary", "Military", Kind::kText},
      {"StdLunchStatus", "LunchStatus", Kind::kText}, {"StdSpEdCode", "SpEdCode", Kind::kText},
      {"StdSpEdCode2", "SpEdCode2", Kind::kText}, {"StdIsESE", "SpEdCode2", Kind::kIsESE},
      {"StdHRRoomNum", "Room", Kind::kText}, {"StdHRStaffRef", "Teacher", Kind::kText},
  };
  return fields;
}

}  // namespace

Table Students(const std::vector<std::string>& ids, const Lines& missing) {
  auto has = [&](const char* column) { return std::find(missing.begin(), missing.end(), column) == missing.end(); };
  Lines lines;
  for (const std::string& id : ids) {
    const demosis::DemoRow* row = Row("Student", id);
    Lines values;
    for (const Field& field : StudentFields()) {
      if (!has(field.column)) continue;
      if (field.kind == Kind::kDate) {
        values.push_back(PackageDate(Raw(row, field.column)));
      } else if (field.kind == Kind::kIsESE) {
        // A special-ed code in either column makes the student ESE; blanks are no code.
        const bool special = (has("SpEdCode") && !Text(row, "SpEdCode").empty()) || !Text(row, "SpEdCode2").empty();
        values.push_back(special ? "True" : "False");
      } else {
        values.push_back(Text(row, field.column));
      }
    }
    lines.push_back(Join(values));
  }
  Lines names;
  for (const Field& field : StudentFields()) {
    if (has(field.column)) names.push_back(field.name);
  }
  return Make("Student Demographics", "Students.qef", names, lines, Table::Order::kByStudent);
}

Table StudentNotes(bool activeOnly) {
  // The memo, then the comment, of each student that has them (blanks only is no note).
  Lines lines;
  for (const std::string& id : StudentIds(activeOnly)) {
    const demosis::DemoRow* row = Row("Student", id);
    for (const char* column : {"Memo", "Comment"}) {
      if (!Text(row, column).empty()) lines.push_back(Join({id, column, column, Text(row, column)}));
    }
  }
  return Make("Student Notes", "StudentNotes.qef", {"NoteStdRef", "NoteKey", "NoteTitle", "NoteContent"}, lines,
              Table::Order::kByStudent);
}

Table StudentContacts() {
  const demosis::DemoRow* s1001 = Row("Student", "1001");
  const demosis::DemoRow* s1002 = Row("Student", "1002");
  const Lines lines = {
      // Mother: "MWorkExt" of blanks adds no " x ".
      Join({"1001", "Mother", Text(s1001, "MFN"), "M", Text(s1001, "MLN"), "Mother", "12 Elm St", "Springfield", "IL",
            "62701", "555-123-4567", "555-222-1000", "", "555-222-1001", "", "Caf\xE9 Ol\xE9", "Parent", "No"}),
      Join({"1001", "Parent", "Luis", "", "Garc\xED" "a", "Parent", "98 Pine Rd", "Springfield", "IL", "62702",
            "555-555-0101", "555-222-2000 x 45", "555-9999", "", "", "City Works", "Parent", "No"}),
      Join({"1001", "Emergency 1", "Rosa", "", "N\xFA\xF1" "ez", "Aunt", "", "", "", "", "555-333-4444", "", "", "",
            "", "", "Emergency", "Yes"}),
      Join({"1001", "Emergency 3", "Carlos", "", "Garc\xED" "a", "Uncle", "", "", "", "", "555-333-5555", "", "", "",
            "", "", "Emergency", "Yes"}),
      Join({"1002", "Guardian", "", "", "Helga M\xFCller", "Grandmother", "400 Oak Ave", "Springfield", "IL", "62703",
            "555-444-5555", "", "", "", Text(s1002, "GuardianEmail"), "", "Guardian", "No"}),
      // Only the "MI" column of the mother's name is filled: still a mother line.
      Join({"1005", "Mother", "", "R", "", "Mother", "", "", "", "", "", "", "", "", "", "", "Parent", "No"}),
      Join({"1005", "Emergency 4", "\xC9lodie", "", "Martin", "Sister", "", "", "", "", "555-666-7777", "", "", "",
            "", "", "Emergency", "Yes"}),
  };
  return Make("Student Contacts", "StudentCon.qef",
              {"ConStdRef", "ConKey", "ConFirstName", "ConMidName", "ConLastName", "ConRelationship", "ConAddress1",
               "ConCity", "ConState", "ConZip", "ConPhone", "ConWorkPhone", "ConPager", "ConCellPhone", "ConEmail",
               "ConEmployer", "ConType", "ConIsEmergency"},
              lines, Table::Order::kByStudent);
}

Table StudentDoctors() {
  Lines lines;
  for (const demosis::DemoRow* row : Rows("Medical_Note")) {
    const std::string id = Text(row, "ID");
    if (!IsIncluded(id) || Text(row, "Physician").empty()) continue;
    lines.push_back(Join({id, id, Text(row, "Physician"), "Doctor", Text(row, "PhysPhone")}));
  }
  return Make("Student Doctors", "StudentDoctor.qef",
              {"ConStdRef", "ConKey", "ConLastName", "ConRelationship", "ConPhone"}, lines, Table::Order::kByStudent);
}

Table MedicalAlerts() {
  Lines lines;
  for (const std::string& id : StudentIds(true)) {
    const demosis::DemoRow* row = Row("Student", id);
    for (const char* column : {"Allergy", "RX"}) {
      if (!Text(row, column).empty()) lines.push_back(Join({id, column, "ALERT", Text(row, column)}));
    }
  }
  return Make("Student Medical Alert", "StudentAllergy.qef",
              {"MedConditStdRef", "MedConditTypeRef", "MedConditSeverity", "MedConditNote"}, lines,
              Table::Order::kByStudent);
}

Table MedicalTreatments() {
  // One treatment per allergy line, with the date and comment lines of the same position (two
  // allergy lines against one date line: the second treatment has an empty date). The date is
  // the text as stored.
  Lines lines;
  for (const demosis::DemoRow* row : Rows("Medical_Note")) {
    const std::string id = Text(row, "ID");
    if (!IsIncluded(id)) continue;
    const Lines allergies = Items(Raw(row, "Allergy"), '\n');
    const Lines dates = Items(Raw(row, "ADate"), '\n');
    const Lines comments = Items(Raw(row, "AComment"), '\n');
    for (size_t i = 0; i < allergies.size(); ++i) {
      const std::string date = i < dates.size() ? dates[i] : "";
      lines.push_back(Join({id, allergies[i] + "-" + date, allergies[i], "TREAT", date,
                            i < comments.size() ? comments[i] : ""}));
    }
  }
  return Make("Student Medical Treatments", "StudentMedHist.qef",
              {"MedHistStdRef", "MedHistKey", "MedHistTypeRef", "MedHistCategory", "MedHistDate", "MedHistNote"},
              lines, Table::Order::kByStudent);
}

Table Immunizations() {
  // Doses in the fixed column order; "A_" columns lose the underscore, "S_3" keeps it.
  Lines lines;
  for (const std::string& id : StudentIds(true)) {
    const demosis::DemoRow* row = nullptr;
    for (const demosis::DemoRow* candidate : Rows("Immunization")) {
      if (Utf8(candidate, "ID") == id) row = candidate;
    }
    if (!row) continue;
    for (const char* column : {"A_1", "A_3", "A_D", "DTaP1", "Hep1", "MMR1", "Polio1", "S_3", "tbR1"}) {
      if (Raw(row, column).empty()) continue;
      std::string code = column;
      if (code.rfind("A_", 0) == 0) code.erase(1, 1);
      lines.push_back(Join({id, code, code, "IMMUN", PackageDate(Raw(row, column))}));
    }
  }
  return Make("Student Immunizations", "StudentMedImmun.qef",
              {"MedHistStdRef", "MedHistKey", "MedHistTypeRef", "MedHistCategory", "MedHistDate"}, lines,
              Table::Order::kByStudent);
}

// ---- Conduct -------------------------------------------------------------------------------

std::string ConductKey(const demosis::DemoRow* record) {
  // The date part is the SIS value as text; the demo SIS holds it as a timestamp, which reads
  // as "YYYY/MM/DD HH:NN:SS".
  std::string date = Utf8(record, "Date");
  std::replace(date.begin(), date.end(), '-', '/');
  return Text(record, "ID") + "-" + date + " 00:00:00-" + Text(record, "Infraction") + "-" + Text(record, "Violation");
}

namespace {

// The discipline records every conduct table is made of: of the year, of an included student,
// naming an infraction or a violation. 1002's record names neither; 1004's is of 2007-2008.
std::vector<const demosis::DemoRow*> ConductRecords(bool activeOnly) {
  const std::vector<std::string> ids = StudentIds(activeOnly);
  std::vector<const demosis::DemoRow*> records;
  for (const demosis::DemoRow* row : Rows("Discipline_Record")) {
    if (!ThisYear(row) || std::find(ids.begin(), ids.end(), Text(row, "ID")) == ids.end()) continue;
    if (Text(row, "Infraction").empty() && Text(row, "Violation").empty()) continue;
    records.push_back(row);
  }
  return records;
}

// "yes" in any case, blanks around it allowed; "Y" is no yes.
bool Yes(const demosis::DemoRow* row, const char* column) {
  std::string text = Text(row, column);
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::toupper(c); });
  return text == "YES";
}

}  // namespace

Table ConductIncidents(bool activeOnly) {
  // Comment lines are joined with a blank; both type columns carry the name CndInTypeRef.
  Lines lines;
  for (const demosis::DemoRow* row : ConductRecords(activeOnly)) {
    lines.push_back(Join({ConductKey(row), Text(row, "ID"), Text(row, "Infraction"), Text(row, "Violation"),
                          Text(row, "Comment"), PackageDate(Raw(row, "Date")), Text(row, "Author"),
                          Text(row, "Classroom"), Text(row, "HearingOfficer"), Text(row, "CC")}));
  }
  return Make("Student Conduct Incidents", "StudentCndIncident.qef",
              {"CndInKey", "CndInPerpStdRef", "CndInTypeRef", "CndInTypeRef", "CndInNote", "CndInDate",
               "CndInReferrerStaffName", "CndInRoomRef", "CndInRefereeName", "CndInCCd"},
              lines, Table::Order::kAny);
}

Table ConductOutcomes(bool activeOnly) {
  // Infraction, violation and date are read for the key only: no column of their own.
  Lines lines;
  for (const demosis::DemoRow* row : ConductRecords(activeOnly)) {
    lines.push_back(Join({ConductKey(row), ConductKey(row), Text(row, "ID"), Text(row, "Action"), Text(row, "Days"),
                          PackageDate(Raw(row, "FromDate")), PackageDate(Raw(row, "ToDate")), Text(row, "Pled")}));
  }
  return Make("Student Conduct Outcomes", "ConductOutcome.qef",
              {"CndOutKey", "CndOutInRef", "CndOutTargetStdRef", "CndOutTypeRef", "CndOutDuration",
               "CndOutActualStartDate", "CndOutActualEndDate", "CndOutPled"},
              lines, Table::Order::kAny);
}

Table ConductSuspensions(bool activeOnly) {
  // The records with both suspension days.
  Lines lines;
  for (const demosis::DemoRow* row : ConductRecords(activeOnly)) {
    if (Raw(row, "FromSuspension").empty() || Raw(row, "ToSuspension").empty()) continue;
    lines.push_back(Join({"SUSP", ConductKey(row), Text(row, "ID"), "Suspension", PackageDate(Raw(row, "FromSuspension")),
                          PackageDate(Raw(row, "ToSuspension"))}));
  }
  return Make("Student Conduct Suspensions", "ConductSuspensions.qef",
              {"CndOutKey", "CndOutInRef", "CndOutTargetStdRef", "CndOutTypeRef", "CndOutActualStartDate",
               "CndOutActualEndDate"},
              lines, Table::Order::kAny);
}

Table ConductCommunications(bool activeOnly) {
  // A parent notified, then a letter sent, each when its column says yes.
  Lines lines;
  for (const demosis::DemoRow* row : ConductRecords(activeOnly)) {
    if (Yes(row, "Notified")) {
      const std::string note = Text(row, "SpokeWith").empty() ? "" : "Spoke with " + Text(row, "SpokeWith");
      lines.push_back(Join({"ParentNotified", ConductKey(row), Text(row, "ID"), "Parent Notified",
                            PackageDate(Raw(row, "NotDate")), note}));
    }
    if (Yes(row, "LetterSent")) {
      lines.push_back(Join({"LetterSent", ConductKey(row), Text(row, "ID"), "Letter Sent", "", ""}));
    }
  }
  return Make("Student Conduct Communications", "ConductOutcome2.qef",
              {"CndOutKey", "CndOutInRef", "CndOutTargetStdRef", "CndOutTypeRef", "CndOutDate", "CndOutNote"},
              lines, Table::Order::kAny);
}

// ---- The whole export ----------------------------------------------------------------------

std::vector<Table> FullExport() {
  return {Terms(),
          Tumbles(),
          Periods(),
          Calendar(),
          GradingPeriods(),
          Sections(),
          Students(StudentIds(true)),
          StudentNotes(),
          StudentContacts(),
          StudentDoctors(),
          StudentSchedules(),
          Grades(),
          MedicalAlerts(),
          MedicalTreatments(),
          Immunizations(),
          ConductIncidents(),
          ConductOutcomes(),
          ConductSuspensions(),
          ConductCommunications(),
          Staff(),
          AttendanceCodes()};
}

Lines FullExportCustomFields() {
  struct Custom {
    const char* command;
    const char* key;
    const char* title;
    const char* format;
  };
  // Per extract in the export's order; the first registration of a key wins.
  static const Custom kRegistrations[] = {
      // student demographics
      {"#custombasicfield", "BirthPlace", "Birth Place", "noformat"},
      {"#customcomfield", "HomePhone", "Home Phone", "phone"},
      {"#customcomfield", "CellPhone", "Cell Phone", "phone"},
      {"#customcomfield", "StuCell", "Stu. Cell", "phone"},
      {"#customcomfield", "Email", "Email", "email"},
      {"#customcomfield", "Pager", "Pager", "phone"},
      {"#customschoolfield", "Vehicle", "Vehicle", "noformat"},
      {"#customschoolfield", "AltBusDriver", "Alt. Bus Driver", "noformat"},
      {"#customschoolfield", "AltBusNum", "Alt. Bus Num", "noformat"},
      {"#customschoolfield", "ClassRank", "Class Rank", "noformat"},
      {"#customschoolfield", "Hospital", "Hospital", "noformat"},
      {"#customcomfield", "WebID", "WebID", "noformat"},
      {"#customcomfield", "Migrant", "Migrant", "noformat"},
      {"#customcomfield", "Military", "Military", "noformat"},
      {"#customschoolfield", "LunchStatus", "Lunch Status", "noformat"},
      {"#customcomfield", "SpEdCode", "Special Ed", "noformat"},
      {"#customcomfield", "SpEdCode2", "Special Ed", "noformat"},
      // student contacts
      {"#customcomfield", "Phone", "Phone", "phone"},
      {"#customcomfield", "WorkPhone", "Work Phone", "phone"},
      {"#customcomfield", "Pager", "Pager", "phone"},
      {"#customcomfield", "CellPhone", "Cell Phone", "phone"},
      {"#customcomfield", "Email", "Email", "email"},
      {"#customcomfield", "Employer", "Employer", "noformat"},
      // student doctors
      {"#customcomfield", "Phone", "Phone", "phone"},
      // grades
      {"#customgradefield", "Letter", "Let", "noformat"},
      {"#customgradefield", "Pct", "%", "noformat"},
      {"#customgradefield", "Points", "Pnt", "noformat"},
      {"#customgradefield", "PointsEarned", "P E", "noformat"},
      {"#customgradefield", "Test", "Tst", "noformat"},
      {"#customgradefield", "EarnedTest", "PET", "noformat"},
      // conduct incidents and outcomes
      {"#customcndinfield", "CCd", "CC", "noformat"},
      {"#customcndoutfield", "Pled", "Pled", "noformat"},
      // staff
      {"#customcomfield", "HomePhone", "Home Phone", "phone"},
      {"#customcomfield", "PhoneExt", "Phone Ext", "noformat"},
      {"#customcomfield", "CellPhone", "Cell Phone", "phone"},
      {"#customcomfield", "Email", "Email", "email"},
  };
  Lines lines;
  std::set<std::string> keys;
  for (const Custom& c : kRegistrations) {
    if (!keys.insert(c.key).second) continue;
    lines.push_back(std::string(c.command) + " \"" + c.key + "\" \"" + c.title + "\" \"" + c.format + "\"");
  }
  return lines;
}

// ---- Attendance ----------------------------------------------------------------------------

std::string AttendanceFields(bool daily) {
  return Join({"AttStdRef", "AttDate", daily ? "AttTimeFrameRef" : "AttPerRef", "AttAttCodeRef", "AttExcused",
               "AttAbs", "AttTardy", "AttTruant", "AttDiscipline"});
}

Lines FirstRunAttendance(bool daily, int today) {
  std::set<std::string> rows;  // the store keeps one row per student, day and item
  for (const demosis::DemoRow* row : Rows("Absence")) {
    const std::string id = Text(row, "ID");
    const int date = Day(Utf8(row, "Date"));
    if (!ThisYear(row) || !IsIncluded(id)) continue;
    if (date < Day(demosis::kTinyYearStart) || date > today) continue;
    // Items of the "Period" list: the rest is trimmed before each item, the item itself is
    // not, so "1 ,2" gives "1 " (no period number) and "2".
    std::string rest = Text(row, "Period");
    while (!(rest = Trim(rest)).empty()) {
      const size_t comma = rest.find(',');
      const std::string item = rest.substr(0, comma);
      rest = comma == std::string::npos ? "" : rest.substr(comma + 1);
      const bool digitsOnly = item.find_first_not_of("0123456789") == std::string::npos;
      if (digitsOnly == daily) continue;
      // Only "Excused" exactly makes the code an excused one.
      const std::string code = (Text(row, "Type") == "Excused" ? "E" : "") + Text(row, "Absence");
      rows.insert(Join({id, PackageDate(date), item, code, "", "", "", "", ""}));
    }
  }
  return Lines(rows.begin(), rows.end());
}

}  // namespace tiny
}  // namespace enginetest
