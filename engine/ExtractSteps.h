// The Meridane extracts: the steps of an extraction, each the query of one package table, and
// what they share. The table of contents of the source files that define them:
//   ExtractCalendar.cpp        terms, tumbles, periods, calendar, grading periods
//   ExtractSchedules.cpp       sections, student schedules, grades; the class-table helpers
//   ExtractStudents.cpp        student demographics
//   ExtractStudentDetails.cpp  notes, contacts, doctors, medical alerts, treatments, immunizations
//   ExtractConduct.cpp         conduct incidents, outcomes, suspensions, communications
//   ExtractStaff.cpp           staff, attendance codes
//   ExtractAttendance.cpp      the attendance update: daily and period attendance
//   SchoolDates.cpp            the first and last school day of the terms
//   ExtractValues.cpp          the Meridane value functions and the included-students filter
// The extracts declare their queries and columns through the extract pattern (ExtractPattern)
// and the data access's query, and write through the table extractor and the package writer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "data/ODBCDataAccess.h"
#include "engine/ExtractPattern.h"
#include "engine/SchoolRun.h"
#include "engine/TableExtractor.h"
#include "engine/ValueFunctions.h"
#include "foundation/XString.h"
#include "package/ExtractContext.h"
#include "package/QDEWriter.h"

class XFile;

class ExtractSteps {
 public:
  // The table every Meridane database has; its presence identifies the connection type.
  static constexpr const char* kProbeTable = "System_Profile";
  // The largest day number (31 December 3999): the start date before any term is seen.
  static constexpr int32_t kLastDay = 876581;
  // Each profile row defines up to six terms ("FirstDay_1".."FirstDay_6", "LastDay_1"..).
  static constexpr int kTermsPerProfile = 6;

  ExtractSteps(ODBCDataAccess& data, QDEWriter& writer, TableExtractor& table, ExtractPattern& pattern,
               ExtractContext& context);
  ExtractSteps(const ExtractSteps&) = delete;
  ExtractSteps& operator=(const ExtractSteps&) = delete;

  // One demographic extract: its step, and the package table it writes (named here for a
  // report on an extract that skipped itself).
  struct DemographicExtract {
    void (ExtractSteps::*run)();
    const char* description;
    const char* fileName;
  };
  // The demographic extracts in the order of a full export.
  static const DemographicExtract kDemographicExtracts[];
  static const size_t kDemographicExtractCount;

  void ExtractTerms();
  void ExtractTumbles();
  void ExtractPeriods();
  void ExtractCalendar();
  void ExtractGradingPeriods();
  void ExtractSections();
  void ExtractStudents();
  void ExtractStudentNotes();
  void ExtractStudentContacts();
  void ExtractStudentDoctors();
  void ExtractStudentSchedules();
  void ExtractGrades();
  void ExtractMedicalAlerts();
  void ExtractMedicalTreatments();
  void ExtractImmunizations();
  void ExtractConductIncidents();
  void ExtractConductOutcomes();
  void ExtractConductSuspensions();
  void ExtractConductCommunications();
  void ExtractStaff();
  void ExtractAttendanceCodes();

  // One attendance extract: daily (time frames) or period attendance, over the windows
  // between the school start and end dates, recorded in the change store.
  void ExtractAttendance(bool daily, int32_t schoolStartDate, int32_t schoolEndDate);
  // The attendance part of a run: the school dates, the update file with the changes of both
  // extracts. Without a known first school day it logs a Warning and sends nothing.
  void ExtractAttendanceUpdate();
  // Widest span of the term pairs (FirstDay_n, LastDay_n) of every school profile, into the
  // run's start and end dates. Needs an open connection.
  void DetermineSchoolStartAndEndDates();

  // Row filter of the student extracts: the current row's key is in the included list.
  bool IsIncludedStudent();

 private:
  // Clears the query and selects the terms of every profile row: "FirstDay_1" to "FirstDay_6",
  // then "LastDay_1" to "LastDay_6", all required (SchoolDates.cpp).
  void QuerySchoolTerms(ODBCField* firstDays[kTermsPerProfile], ODBCField* lastDays[kTermsPerProfile]);
  // Folds one term pair of the current record into the school start and end dates.
  void WidenSchoolDates(ODBCField* firstDay, ODBCField* lastDay);

  // ---- The class and conduct extracts' helpers (ExtractSchedules.cpp, ExtractConduct.cpp) ----
  // True when "StudentClass" has a column that identifies a class: "ClassNum" or
  // "SubjectName".
  bool HasSectionReferenceColumn();
  // Declares the section reference of a class row: "ClassNum" (optional) or, in a SIS
  // without it, "SubjectName" (then required). Without a package field name it is a field of
  // the query only.
  ODBCField* AddSectionReference(ODBCTable* classes, ValueFunction valueFunction, const XString& packageField);
  // With the inactive cutoff -1, after other conditions: the class row itself is active
  // ("Inactive" 'No', empty or NULL), in parentheses.
  void AddActiveClassConditions(ODBCTable* classes);
  // The conditions every conduct extract shares: the join, the school year, the active
  // students (closed with `inactiveClose`) and a named infraction or violation. The
  // suspension extract's bounds (`suspensionBounds`) come between the year and the students.
  void AddConductConditions(ODBCTable* student, ODBCTable* record, ODBCField* infraction,
                            ODBCField* violation, const char* inactiveClose,
                            bool suspensionBounds = false, ODBCField* fromSuspension = nullptr,
                            ODBCField* toSuspension = nullptr);
  // The loop of an extract with its own writer: opens the table file, runs the query and
  // hands each record of an included student to `writeRecord`, which writes zero or more
  // lines; the file replaces the previous one only once complete. Returns the records handed.
  int32_t WriteIncludedRecords(const std::function<void(XFile& out)>& writeRecord);
  // The row filter IsIncludedStudent, and the conduct key of the remembered discipline fields
  // as a value function.
  RowFilter IncludedStudents();
  ValueFunction ConductKeyValue();

  ODBCQuery& Query() { return m_data.Query(); }
  RecordReader& Reader() { return m_data.Reader(); }
  void LogExtract(int32_t level, const XString& text) { m_context.EngineLog().ExtractLogWrite(level, text); }

  ODBCDataAccess& m_data;
  QDEWriter& m_writer;
  TableExtractor& m_table;
  ExtractPattern& m_pattern;
  ExtractContext& m_context;
  SchoolRun& m_run;

  // Field handles of the extract in hand, read by the row filter and the value functions.
  ODBCField* m_keyField = nullptr;          // "ID" of the student, or the staff key
  ODBCField* m_spEdCodeField = nullptr;     // "SpEdCode" of the student extract
  ODBCField* m_conductDateField = nullptr;  // "Date", "Infraction", "Violation" of a
  ODBCField* m_conductInfractionField = nullptr;  // discipline record
  ODBCField* m_conductViolationField = nullptr;
};

// The Meridane value functions (ExtractValues.cpp). Those that read more than their column's
// field are given the other fields.
// "True" when the special-education code or the column's field has text.
XString GetIsESE(RowValues& row, DataAccessField* spEdCode, ExportColumn& column);
// Key, "Date", "Infraction" and "Violation" of a discipline record joined by '-'; every part is
// present even when empty, so the key always has three dashes.
XString ConductKey(RowValues& row, DataAccessField* key, DataAccessField* date, DataAccessField* infraction,
                   DataAccessField* violation);
// The column's text without ';', ',' and blanks ("1, 2; 3" gives "123").
XString GetTermGroup(RowValues& row, ExportColumn& column);
XString GetDayGroup(RowValues& row, ExportColumn& column);            // "1"
XString GetDoctorRelationship(RowValues& row, ExportColumn& column);  // "Doctor"
XString GetSuspensionKey(RowValues& row, ExportColumn& column);       // "SUSP"
XString GetSuspensionType(RowValues& row, ExportColumn& column);      // "Suspension"
