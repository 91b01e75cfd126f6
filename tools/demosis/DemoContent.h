// The fixed content of the tiny demo database (qv_demosis --tiny): eight students of two schools
// in the school year 2008-2009, written exactly as listed here, so that end-to-end tests can
// derive what an extraction must produce from these rows. Every column a row does not name is
// NULL. Values are text; REAL and INTEGER columns receive the parsed number, DATETIME columns
// hold date-only values as YYYY-MM-DD.
//
// What the rows exercise:
//  - Schools: "101" Lakeside High School (four quarters, periods 1-6, bins Q1-Q4) and "202"
//    Saint-Éloi Middle School (semesters, term 3 empty, term 4 the whole year, periods 0-3 with
//    CR LF bell lines, a zero-hour bell "05:50" and a bell without an end time, bins "S1, S2").
//    The school year runs 2008-08-20 (a Wednesday) to 2009-06-05.
//  - "Inactive": 1001, 1004, 1007 and 123 are "No"; 1002 and 1005 are NULL (active); 1003 and
//    1006 are "Yes" (inactive).
//  - Text: a line break in an address (1001), tab and double quotes (1001's comment, 1002's
//    nickname), single quotes (O'Brien, St. Mary's), CR LF in a memo (1003), Windows-1252
//    letters é ü ñ í ö ë and the euro sign (stored as UTF-8).
//  - 1001: memo and comment; allergy and RX; mother (work extension of blanks only) and parent
//    (extension 45); emergency contacts 1 and 3; SpEdCode empty and SpEdCode2 blanks only
//    (not ESE); a grade row with only "GradeLetter_2" filled; a study-hall class row with an
//    empty "ClassNum".
//  - 1002: guardian only; SpEdCode "LD"; a medical note with two allergy lines and one date
//    line; a test grade.
//  - 1005: only the middle name "MI" of the mother's name columns filled; emergency contact 4.
//  - 1007: almost everything NULL, plus a class of the previous school year.
//  - 123: the conduct record FIGHT of 2008-10-01 without violation (a suspension, notified
//    "yes", letter "Yes").
//  - Conduct: a record with neither infraction nor violation (1002), notified "Y" (1001), and a
//    record of the previous school year (1004).
//  - Calendar ("Event"): "Day Out" days 2008-09-01 (Mon), 2008-09-03 (Wed, PM, Count 0.5),
//    2008-09-08 (Mon, its reason holds a line break), 2008-11-27/28, 2008-12-24/25,
//    2009-01-19; an "Event" row (not a day out) on 2008-09-10.
//  - Attendance ("Absence"): periods "1,2,AM", "1 ,2", "AM,PM", "PM", "3", "2", "4"; types
//    "Excused", "excused", "Unexcused", "" and NULL; rows of inactive students; a row of the
//    previous school year.
#pragma once

#include <cstring>
#include <string>
#include <vector>

namespace demosis {

struct DemoCell {
  const char* column;
  const char* value;  // nullptr stands for NULL
};

struct DemoRow {
  const char* table;
  std::vector<DemoCell> cells;

  // The value of a column, nullptr when the row leaves it NULL.
  const char* Get(const char* column) const {
    for (const DemoCell& c : cells)
      if (std::strcmp(c.column, column) == 0) return c.value;
    return nullptr;
  }
};

inline constexpr const char* kTinySchoolYear = "2008-2009";
inline constexpr const char* kTinyYearStart = "2008-08-20";
inline constexpr const char* kTinyYearEnd = "2009-06-05";

// The rows of the tiny database, table by table.
inline const std::vector<DemoRow>& TinyContent() {
  static const std::vector<DemoRow> rows = {
      // ---- schools
      {"System_Profile",
       {{"BuildingNum", "101"}, {"SchoolName", "Lakeside High School"},
        {"FirstDay_1", "2008-08-20"}, {"LastDay_1", "2008-10-24"},
        {"FirstDay_2", "2008-10-27"}, {"LastDay_2", "2009-01-16"},
        {"FirstDay_3", "2009-01-20"}, {"LastDay_3", "2009-03-27"},
        {"FirstDay_4", "2009-03-30"}, {"LastDay_4", "2009-06-05"},
        {"Period", "1,2,3,4,5,6"},
        {"Bell_1", "Period 1\nPeriod 2\nPeriod 3\nPeriod 4\nPeriod 5\nPeriod 6"},
        {"Bell_2", "07:30-08:20\n08:25-09:15\n09:20-10:10\n10:15-11:05\n12:00-12:50\n12:55-13:45"},
        {"GradingPeriod", "Q1,Q2,Q3,Q4"}}},
      {"System_Profile",
       {{"BuildingNum", "202"}, {"SchoolName", "Saint-\xC3\x89loi Middle School"},
        {"FirstDay_1", "2008-08-20"}, {"LastDay_1", "2009-01-16"},
        {"FirstDay_2", "2009-01-20"}, {"LastDay_2", "2009-06-05"},
        {"FirstDay_4", "2008-08-20"}, {"LastDay_4", "2009-06-05"},
        {"Period", "0,1,2,3"},
        {"Bell_1", "Zero Hour\r\nPeriod 1\r\nPeriod 2\r\nPeriod 3"},
        {"Bell_2", "05:50-06:40\r\n06:45-07:35\r\n11:00-11:50\r\n12:10"},
        {"GradingPeriod", "S1, S2"}}},

      // ---- staff
      {"Personnel",
       {{"PersonnelDisplay", "Smith, John"}, {"BuildingNum", "101"}, {"Prefix", "Mr."},
        {"FN", "John"}, {"MI", "Q"}, {"LN", "Smith"}, {"Address", "1 Faculty Row"},
        {"City", "Springfield"}, {"State", "IL"}, {"Zip", "62701"},
        {"HPhone", "(555) 123-4567 ext 12"}, {"PhoneExt", "12"}, {"CellPhone", "555.123.4567"},
        {"GuardianEmail", "jsmith@lakeside.example"}, {"DOB", "1970-02-14"}, {"Room", "101"},
        {"Title", "Teacher"}, {"Groups", "Mathematics"}}},
      {"Personnel",
       {{"PersonnelDisplay", "Dubois, Ren\xC3\xA9" "e"}, {"BuildingNum", "202"},
        {"Prefix", "Mme"}, {"FN", "Ren\xC3\xA9" "e"}, {"LN", "Dubois"},
        {"HPhone", "5551234567"}, {"Room", "12"}, {"Title", "Counselor"},
        {"Groups", "Guidance"}, {"DOB", "1965-09-30"}}},
      {"Personnel",
       {{"PersonnelDisplay", "Pe\xC3\xB1" "a, Tom\xC3\xA1s"}, {"BuildingNum", "202"},
        {"Prefix", "Mr."}, {"FN", "Tom\xC3\xA1s"}, {"LN", "Pe\xC3\xB1" "a"},
        {"CellPhone", "+1 555 010 3030"}, {"Room", "Lab 3"}, {"Title", "Teacher"},
        {"Groups", "Science; Math"}}},

      // ---- students
      {"Student",
       {{"ID", "1001"}, {"BuildingNum", "101"}, {"Inactive", "No"}, {"FN", "Ana"}, {"MI", "M"},
        {"LN", "Garc\xC3\xAD" "a-L\xC3\xB3pez"}, {"NickName", "Annie"},
        {"Address", "12 Elm St\nApt 4"}, {"City", "Springfield"}, {"State", "IL"},
        {"Zip", "62701"}, {"Sex", "F"}, {"Grade", "10"}, {"DOB", "1993-04-15"},
        {"BirthPlace", "San Jos\xC3\xA9, Costa Rica"}, {"Race", "Hispanic"},
        {"Language", "Espa\xC3\xB1ol"}, {"Counselor", "Dubois, Ren\xC3\xA9" "e"},
        {"LockerNum", "214"}, {"LockerComb", "12-34-56"}, {"HPhone", "(555) 123-4567"},
        {"CellPhone", "555-987-6543"}, {"StuCellPhone", "5552223333"},
        {"StuEmail", "ana.garcia@lakeside.example"}, {"Pager", "555-1234"}, {"BusNum", "7"},
        {"AltBusDriver", "Mr. \"Bus\" Brown"}, {"AltBusNum", "12"}, {"ClassRank", "15"},
        {"Hosp", "St. Mary's"}, {"WebID", "agarcia"}, {"Migrant", "No"}, {"Military", "No"},
        {"LunchStatus", "Free"}, {"SpEdCode", ""}, {"SpEdCode2", "  "}, {"Room", "101"},
        {"Teacher", "Smith, John"}, {"Memo", "Needs front-row seat"},
        {"Comment", "Prefers \"Annie\";\tcall after 3pm"}, {"Allergy", "Peanuts"},
        {"RX", "EpiPen"},
        {"MFN", "Mar\xC3\xAD" "a"}, {"MLN", "L\xC3\xB3pez"}, {"MAddress", "12 Elm St"},
        {"MCity", "Springfield"}, {"MState", "IL"}, {"MZip", "62701"},
        {"MPhone", "555-123-4567"}, {"MWorkPhone", "555-222-1000"}, {"MWorkExt", "  "},
        {"MCellPhone", "555-222-1001"}, {"MEmployer", "Caf\xC3\xA9 Ol\xC3\xA9"},
        {"PFN", "Luis"}, {"PLN", "Garc\xC3\xAD" "a"}, {"PAddress", "98 Pine Rd"},
        {"PCity", "Springfield"}, {"PState", "IL"}, {"PZip", "62702"},
        {"PPhone", "555-555-0101"}, {"PWorkPhone", "555-222-2000"}, {"PWorkExt", "45"},
        {"PPager", "555-9999"}, {"PEmployer", "City Works"},
        {"RelFN", "Rosa"}, {"RelLN", "N\xC3\xBA\xC3\xB1" "ez"}, {"RelRelationship", "Aunt"},
        {"RelPhone", "555-333-4444"},
        {"RelFN_3", "Carlos"}, {"RelLN_3", "Garc\xC3\xAD" "a"}, {"RelRelationship_3", "Uncle"},
        {"RelPhone_3", "555-333-5555"}}},
      {"Student",
       {{"ID", "1002"}, {"BuildingNum", "101"}, {"FN", "J\xC3\xBCrgen"},
        {"LN", "M\xC3\xBCller"}, {"NickName", "\"JJ\""}, {"Address", "400 Oak Ave"},
        {"City", "Springfield"}, {"State", "IL"}, {"Zip", "62703"}, {"Sex", "M"},
        {"Grade", "11"}, {"DOB", "1992-11-30"}, {"SpEdCode", "LD"},
        {"Comment", "Transferred from K\xC3\xB6ln"}, {"Teacher", "Smith, John"},
        {"GuardianName", "Helga M\xC3\xBCller"}, {"Guardian", "Grandmother"},
        {"GuardianAddress", "400 Oak Ave"}, {"GuardianCity", "Springfield"},
        {"GuardianState", "IL"}, {"GuardianZip", "62703"},
        {"GuardianEmail", "helga@example.com"}, {"GPhone", "555-444-5555"},
        {"GWorkPhone", ""}}},
      {"Student",
       {{"ID", "1003"}, {"BuildingNum", "202"}, {"Inactive", "Yes"}, {"FN", "Zo\xC3\xAB"},
        {"MI", "K"}, {"LN", "O'Brien"}, {"Sex", "F"}, {"Grade", "8"}, {"DOB", "1995-01-05"},
        {"Memo", "Line one\r\nLine two"}}},
      {"Student",
       {{"ID", "1004"}, {"BuildingNum", "202"}, {"Inactive", "No"},
        {"FN", "\xC3\x8D\xC3\xB1igo"}, {"LN", "Pe\xC3\xB1" "a"}, {"Sex", "M"}, {"Grade", "7"},
        {"DOB", "1996-07-04"}, {"Comment", "Owes \xE2\x82\xAC" "5 for the field trip"},
        {"SpEdCode2", "504"}}},
      {"Student",
       {{"ID", "1005"}, {"BuildingNum", "202"}, {"FN", "Chlo\xC3\xA9"}, {"MI", "R"},
        {"LN", "Martin"}, {"Sex", "F"}, {"Grade", "6"}, {"DOB", "1997-03-21"}, {"MLN", ""},
        {"RelFN_4", "\xC3\x89lodie"}, {"RelLN_4", "Martin"}, {"RelRelationship_4", "Sister"},
        {"RelPhone_4", "555-666-7777"}}},
      {"Student",
       {{"ID", "1006"}, {"BuildingNum", "101"}, {"Inactive", "Yes"}, {"FN", "Bj\xC3\xB6rn"},
        {"LN", "Svensson"}, {"Sex", "M"}, {"Grade", "12"}, {"DOB", "1991-05-02"},
        {"Memo", "Withdrawn in January"}}},
      {"Student", {{"ID", "1007"}, {"BuildingNum", "101"}, {"Inactive", "No"}, {"FN", "Noah"},
                   {"LN", "Smith"}}},
      {"Student",
       {{"ID", "123"}, {"BuildingNum", "101"}, {"Inactive", "No"}, {"FN", "Liam"},
        {"LN", "Walsh"}, {"Sex", "M"}, {"Grade", "9"}, {"DOB", "1994-08-09"}}},

      // ---- medical notes and immunizations
      {"Medical_Note",
       {{"ID", "1002"}, {"Allergy", "Penicillin\nLatex"}, {"ADate", "2004-05-01"},
        {"AReaction", "Rash"}, {"AComment", "Use non-latex gloves\nConfirmed by Dr. Becker"},
        {"Comment", "See file"}, {"Physician", "Dr. Hans Becker"},
        {"PhysPhone", "555-777-8888"}}},
      {"Medical_Note",
       {{"ID", "1004"}, {"Allergy", "Bee stings"}, {"ADate", "2007-06-12"},
        {"AComment", "Carries an EpiPen"}, {"Physician", "Dr. Ana Ruiz"},
        {"PhysPhone", "(555) 010-2020"}}},
      {"Immunization",
       {{"ID", "1004"}, {"A_1", "1996-09-01"}, {"A_3", "1997-01-15"}, {"S_3", "2001-08-20"},
        {"DTaP1", "1996-09-01"}, {"MMR1", "1997-07-10"}, {"tbR1", "2008-08-25"}}},
      {"Immunization",
       {{"ID", "1001"}, {"A_D", "1993-06-01"}, {"Hep1", "1993-04-16"}, {"Polio1", "1993-06-15"}}},

      // ---- classes and grades
      {"StudentClass",
       {{"ID", "1001"}, {"SchoolYear", "2008-2009"}, {"Inactive", "No"},
        {"ClassNum", "MATH101-01"}, {"SubjectName", "ALG1-01"}, {"CourseNum", "MATH101"},
        {"Description", "Algebra I"}, {"Days", "MTWRF"}, {"Period", "1"}, {"Term", "1, 2; 3"},
        {"RoomNum", "101"}, {"Teacher", "Smith, John"}, {"GradeLetter", "A"},
        {"GradePct", "95.5"}, {"GradePoint", "4"}, {"GradePointsEarned", "4"},
        {"GradeLetter_1", "A-"}, {"GradePct_1", "91"}, {"GradePoint_1", "3.7"},
        {"GradePointsEarned_1", "3.7"}}},
      {"StudentClass",
       {{"ID", "1001"}, {"SchoolYear", "2008-2009"}, {"Inactive", ""},
        {"ClassNum", "FR201-01"}, {"SubjectName", "FRA2-01"}, {"CourseNum", "FR201"},
        {"Description", "Fran\xC3\xA7" "ais II"}, {"Days", "MWF"}, {"Period", "2"},
        {"Term", "1,2,3,4"}, {"RoomNum", "12"}, {"Teacher", "Dubois, Ren\xC3\xA9" "e"},
        {"GradeLetter_2", "B+"}}},
      {"StudentClass",
       {{"ID", "1001"}, {"SchoolYear", "2008-2009"}, {"Inactive", "No"}, {"ClassNum", ""},
        {"SubjectName", "STUDY"}, {"Description", "Study Hall"}, {"Period", "4"}}},
      {"StudentClass",
       {{"ID", "1002"}, {"SchoolYear", "2008-2009"}, {"ClassNum", "MATH101-01"},
        {"SubjectName", "ALG1-01"}, {"CourseNum", "MATH101"}, {"Description", "Algebra I"},
        {"Days", "MTWRF"}, {"Period", "1"}, {"Term", "1, 2; 3"}, {"RoomNum", "101"},
        {"Teacher", "Smith, John"}, {"GradeLetter", "B"}, {"GradePct", "84"},
        {"GradePoint", "3"}, {"GradePointsEarned", "3"}, {"GradePoint_Test", "3.5"},
        {"GradePointsEarned_Test", "3.5"}}},
      {"StudentClass",
       {{"ID", "1002"}, {"SchoolYear", "2008-2009"}, {"Inactive", "No"},
        {"ClassNum", "SCI300-02"}, {"SubjectName", "BIO-02"}, {"CourseNum", "SCI300"},
        {"Description", "Biology \"Honors\""}, {"Days", "TR"}, {"Period", "3"},
        {"Term", "1;2"}, {"RoomNum", "Lab 3"}, {"Teacher", "Pe\xC3\xB1" "a, Tom\xC3\xA1s"}}},
      {"StudentClass",
       {{"ID", "1003"}, {"SchoolYear", "2008-2009"}, {"Inactive", "Yes"},
        {"ClassNum", "FR201-01"}, {"SubjectName", "FRA2-01"}, {"CourseNum", "FR201"},
        {"Description", "Fran\xC3\xA7" "ais II"}, {"Days", "MWF"}, {"Period", "2"},
        {"Term", "1,2,3,4"}, {"RoomNum", "12"}, {"Teacher", "Dubois, Ren\xC3\xA9" "e"}}},
      {"StudentClass",
       {{"ID", "1004"}, {"SchoolYear", "2008-2009"}, {"Inactive", "No"},
        {"ClassNum", "FR201-01"}, {"SubjectName", "FRA2-01"}, {"CourseNum", "FR201"},
        {"Description", "Fran\xC3\xA7" "ais II"}, {"Days", "MWF"}, {"Period", "2"},
        {"Term", "1,2,3,4"}, {"RoomNum", "12"}, {"Teacher", "Dubois, Ren\xC3\xA9" "e"}}},
      {"StudentClass",
       {{"ID", "1005"}, {"SchoolYear", "2008-2009"}, {"Inactive", "No"},
        {"ClassNum", "SCI300-02"}, {"SubjectName", "BIO-02"}, {"CourseNum", "SCI300"},
        {"Description", "Biology \"Honors\""}, {"Days", "TR"}, {"Period", "3"},
        {"Term", "1;2"}, {"RoomNum", "Lab 3"}, {"Teacher", "Pe\xC3\xB1" "a, Tom\xC3\xA1s"}}},
      {"StudentClass",
       {{"ID", "1006"}, {"SchoolYear", "2008-2009"}, {"Inactive", "Yes"},
        {"ClassNum", "MATH101-01"}, {"SubjectName", "ALG1-01"}, {"CourseNum", "MATH101"},
        {"Description", "Algebra I"}, {"Days", "MTWRF"}, {"Period", "1"}, {"Term", "1, 2; 3"},
        {"RoomNum", "101"}, {"Teacher", "Smith, John"}}},
      {"StudentClass",
       {{"ID", "1007"}, {"SchoolYear", "2008-2009"}, {"Inactive", "No"},
        {"ClassNum", "MATH101-01"}, {"SubjectName", "ALG1-01"}, {"CourseNum", "MATH101"},
        {"Description", "Algebra I"}, {"Days", "MTWRF"}, {"Period", "1"}, {"Term", "1, 2; 3"},
        {"RoomNum", "101"}, {"Teacher", "Smith, John"}}},
      {"StudentClass",
       {{"ID", "1007"}, {"SchoolYear", "2007-2008"}, {"Inactive", "No"},
        {"ClassNum", "MATH090-01"}, {"SubjectName", "PREALG-01"}, {"CourseNum", "MATH090"},
        {"Description", "Pre-Algebra"}, {"Days", "MTWRF"}, {"Period", "2"}, {"Term", "1"},
        {"RoomNum", "101"}, {"Teacher", "Smith, John"}, {"GradeLetter", "C"}}},
      {"StudentClass",
       {{"ID", "123"}, {"SchoolYear", "2008-2009"}, {"Inactive", "No"},
        {"ClassNum", "SCI300-02"}, {"SubjectName", "BIO-02"}, {"CourseNum", "SCI300"},
        {"Description", "Biology \"Honors\""}, {"Days", "TR"}, {"Period", "3"},
        {"Term", "1;2"}, {"RoomNum", "Lab 3"}, {"Teacher", "Pe\xC3\xB1" "a, Tom\xC3\xA1s"}}},

      // ---- conduct
      {"Discipline_Record",
       {{"ID", "123"}, {"SchoolYear", "2008-2009"}, {"Date", "2008-10-01"},
        {"Infraction", "FIGHT"}, {"Comment", "Fight in the cafeteria.\nBoth students sent home."},
        {"Author", "Smith, John"}, {"Classroom", "Cafeteria"},
        {"HearingOfficer", "Dubois, Ren\xC3\xA9" "e"}, {"CC", "Parent, Counselor"},
        {"Action", "Suspension"}, {"Days", "2"}, {"FromDate", "2008-10-02"},
        {"ToDate", "2008-10-03"}, {"Pled", "Guilty"}, {"FromSuspension", "2008-10-02"},
        {"ToSuspension", "2008-10-03"}, {"Notified", "yes"}, {"NotDate", "2008-10-01"},
        {"NotTime", "14:30"}, {"LetterSent", "Yes"}, {"SpokeWith", "Mrs. Walsh"}}},
      {"Discipline_Record",
       {{"ID", "1001"}, {"SchoolYear", "2008-2009"}, {"Date", "2008-11-12"},
        {"Infraction", ""}, {"Violation", "V-12 \"Dress code\""}, {"Author", "Smith, John"},
        {"Action", "Detention"}, {"Days", "1"}, {"FromDate", "2008-11-13"},
        {"ToDate", "2008-11-13"}, {"Notified", "Y"}, {"LetterSent", "No"}}},
      {"Discipline_Record",
       {{"ID", "1002"}, {"SchoolYear", "2008-2009"}, {"Date", "2008-12-03"},
        {"Action", "Warning"}}},
      {"Discipline_Record",
       {{"ID", "1006"}, {"SchoolYear", "2008-2009"}, {"Date", "2009-01-22"},
        {"Infraction", "TRUANCY"}, {"Violation", "Ed Code 48260"}, {"Action", "Parent Conference"},
        {"Notified", "Yes"}, {"NotDate", "2009-01-22"}, {"SpokeWith", ""},
        {"LetterSent", "yes"}}},
      {"Discipline_Record",
       {{"ID", "1004"}, {"SchoolYear", "2007-2008"}, {"Date", "2007-10-10"},
        {"Infraction", "TARDY"}, {"Action", "Detention"}}},

      // ---- calendar
      {"Event", {{"Status", "Day Out"}, {"AMPMAllDay", "All Day"}, {"DateOut", "2008-09-01"},
                 {"Reason", "Labor Day"}, {"Count", "1"}}},
      {"Event", {{"Status", "Day Out"}, {"AMPMAllDay", "PM"}, {"DateOut", "2008-09-03"},
                 {"Reason", "Early Release"}, {"Count", "0.5"}}},
      {"Event", {{"Status", "Day Out"}, {"AMPMAllDay", "All Day"}, {"DateOut", "2008-09-08"},
                 {"Reason", "Teachers'\r\nInstitute"}, {"Count", "1"}}},
      {"Event", {{"Status", "Event"}, {"AMPMAllDay", "PM"}, {"DateOut", "2008-09-10"},
                 {"Reason", "Open House"}}},
      {"Event", {{"Status", "Day Out"}, {"AMPMAllDay", "All Day"}, {"DateOut", "2008-11-27"},
                 {"Reason", "Thanksgiving"}, {"Count", "1"}}},
      {"Event", {{"Status", "Day Out"}, {"AMPMAllDay", "All Day"}, {"DateOut", "2008-11-28"},
                 {"Reason", "Thanksgiving"}, {"Count", "1"}}},
      {"Event", {{"Status", "Day Out"}, {"AMPMAllDay", "All Day"}, {"DateOut", "2008-12-24"},
                 {"Reason", "R\xC3\xA9veillon"}, {"Count", "1"}}},
      {"Event", {{"Status", "Day Out"}, {"AMPMAllDay", "All Day"}, {"DateOut", "2008-12-25"},
                 {"Reason", "Christmas"}, {"Count", "1"}}},
      {"Event", {{"Status", "Day Out"}, {"AMPMAllDay", "All Day"}, {"DateOut", "2009-01-19"},
                 {"Reason", "Martin Luther King Jr. Day"}, {"Count", "1"}}},

      // ---- attendance
      {"Absence", {{"ID", "1001"}, {"SchoolYear", "2008-2009"}, {"Date", "2008-08-21"},
                   {"Absence", "A"}, {"Type", "Excused"}, {"Period", "1,2,AM"}}},
      {"Absence", {{"ID", "1001"}, {"SchoolYear", "2008-2009"}, {"Date", "2008-08-27"},
                   {"Absence", "T"}, {"Type", "excused"}, {"Period", "1 ,2"}}},
      {"Absence", {{"ID", "1002"}, {"SchoolYear", "2008-2009"}, {"Date", "2008-08-25"},
                   {"Absence", "A"}, {"Type", "Unexcused"}, {"Period", "AM,PM"}}},
      {"Absence", {{"ID", "1003"}, {"SchoolYear", "2008-2009"}, {"Date", "2008-08-26"},
                   {"Absence", "A"}, {"Type", "Excused"}, {"Period", "AM"}}},
      {"Absence", {{"ID", "1004"}, {"SchoolYear", "2008-2009"}, {"Date", "2008-09-02"},
                   {"Absence", "T"}, {"Period", "3"}}},
      {"Absence", {{"ID", "1005"}, {"SchoolYear", "2008-2009"}, {"Date", "2008-09-04"},
                   {"Absence", "A"}, {"Type", "Excused"}, {"Period", "PM"}}},
      {"Absence", {{"ID", "1006"}, {"SchoolYear", "2008-2009"}, {"Date", "2008-09-09"},
                   {"Absence", "A"}, {"Type", "Unexcused"}, {"Period", "2"}}},
      {"Absence", {{"ID", "123"}, {"SchoolYear", "2008-2009"}, {"Date", "2008-10-02"},
                   {"Absence", "A"}, {"Type", "Excused"}, {"Period", "AM,PM"}}},
      {"Absence", {{"ID", "1007"}, {"SchoolYear", "2008-2009"}, {"Date", "2009-03-02"},
                   {"Absence", "A"}, {"Type", ""}, {"Period", "4"}}},
      {"Absence", {{"ID", "1004"}, {"SchoolYear", "2007-2008"}, {"Date", "2008-05-15"},
                   {"Absence", "A"}, {"Type", "Excused"}, {"Period", "AM"}}},
  };
  return rows;
}

}  // namespace demosis
