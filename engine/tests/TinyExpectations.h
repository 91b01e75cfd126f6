// What an extraction of the tiny demo SIS must write, derived from its rows
// (demosis::TinyContent()) and the package format: every table of a full export with its header
// entry, the custom fields in the order the extracts register them, the attendance rows an
// update run sends, and the small text helpers the engine tests share (package dates,
// Windows-1252 text, lines of a CR LF file).
//
// Unless a builder says otherwise, the expectations are those of a run for the school year
// 2008-2009 that includes active students only.
#pragma once

#include <string>
#include <vector>

#include "tools/demosis/DemoContent.h"

namespace enginetest {

using Lines = std::vector<std::string>;

// ---- Text helpers ----------------------------------------------------------------------

// The lines of a package file; each line must end in CR LF (a last line without one is still
// returned, and reported as a failure when `strict`).
Lines SplitLines(const std::string& bytes, bool strict = false);
Lines Sorted(Lines lines);
// Lines in student order (the first field), each student's lines in the order written: a query
// over two tables may visit the students in either table's order.
Lines ByStudent(Lines lines);
// The values joined by TAB, as a data line holds them.
std::string Join(const Lines& fields);

// The UTF-8 of the demo content in the package's code page, Windows-1252.
std::string Cp1252(const std::string& utf8);
// "YYYY-MM-DD" (a date-only SIS value) in the package date format mm/dd/yyyy; empty stays empty.
std::string PackageDate(const std::string& ymd);
std::string PackageDate(int day);
// Day number of "YYYY-MM-DD".
int Day(const std::string& ymd);

// ---- The rows of the tiny content ------------------------------------------------------

namespace tiny {

// The first row of a table whose "ID" is the key (a failure when there is none).
const demosis::DemoRow* Row(const char* table, const std::string& id);
// Every row of a table, in content order.
std::vector<const demosis::DemoRow*> Rows(const char* table);
// A column's value in Windows-1252; empty for NULL.
std::string Raw(const demosis::DemoRow* row, const char* column);
// A text as a package field holds it: trimmed, TABs dropped, line breaks as blanks.
std::string Clean(std::string text);
std::string Text(const demosis::DemoRow* row, const char* column);
// The student keys in table order; active ones ("No" or NULL) only, or all.
std::vector<std::string> StudentIds(bool activeOnly);

// ---- Package tables --------------------------------------------------------------------

// One package table as a full export writes it.
struct Table {
  // How the lines may be compared: in the order written, by student (see ByStudent), or in
  // any order (a DISTINCT or joined query leaves the order to the database).
  enum class Order { kAsWritten, kByStudent, kAny };

  std::string description;
  std::string file;
  Lines fields;
  Lines lines;
  Order order = Order::kAsWritten;

  // The entry of the package header file: "// " + description, the field names, the include
  // line and the terminator, one element per line (the terminator's empty line follows).
  Lines HeaderEntry() const;
  // The lines put in the comparable order.
  Lines Comparable(Lines written) const;
};

Table Terms();
Table Tumbles();
Table Periods();
// Every weekday of the school year that is not a day out is a whole school day; the days out
// take "Count" away from a whole day (without the "Count" column, every day out is whole).
Table Calendar(bool withCount = true);
Table GradingPeriods();
Table Sections();
// The demographics of the students given, without the `missing` source columns of "Student".
Table Students(const std::vector<std::string>& ids, const Lines& missing = {});
Table StudentNotes(bool activeOnly = true);
Table StudentContacts();
Table StudentDoctors();
Table StudentSchedules(bool activeOnly = true);
Table Grades();
Table MedicalAlerts();
Table MedicalTreatments();
Table Immunizations();
// Conduct key of a discipline record: student, date, infraction and violation joined by
// dashes, every part present.
std::string ConductKey(const demosis::DemoRow* record);
Table ConductIncidents(bool activeOnly = true);
Table ConductOutcomes(bool activeOnly = true);
Table ConductSuspensions(bool activeOnly = true);
Table ConductCommunications(bool activeOnly = true);
Table Staff();
Table AttendanceCodes();

// The 21 tables of a full export, in the order of the extracts.
std::vector<Table> FullExport();
// The custom-field lines of a full export, in the order of registration (a key registered by
// an earlier extract is not repeated).
Lines FullExportCustomFields();

// ---- Attendance --------------------------------------------------------------------------

// The daily (time-frame) or period rows that a first update run on `today` sends: every
// absence of the school year 2008-2009 of an active student from the first school day up to
// today, one row per item of its "Period" list, as data lines, sorted (the change store sends
// them in no set order).
Lines FirstRunAttendance(bool daily, int today);
// The field names of a cached attendance table in the update file.
std::string AttendanceFields(bool daily);

}  // namespace tiny
}  // namespace enginetest
