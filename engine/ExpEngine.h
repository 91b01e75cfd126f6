// The Meridane extraction engine: the one object that knows the Meridane database. It decides
// how the SIS is reached (a Lotus Notes data source or SQL Server), validates the school, lists
// the schools, builds the list of students a run includes, and performs one extraction: the
// demographic extracts in their fixed order, then the attendance extracts into an update file.
//
// The engine is at once the connection and query builder, the table-to-file layer and the
// package writer (its base classes). One engine exists per process; Current() reaches it.
#pragma once

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "engine/ExtractSettings.h"
#include "engine/ODBCExpEngineBase.h"
#include "foundation/XString.h"
#include "foundation/XOwnedVector.h"
#include "package/ExportColumn.h"

class XFile;
class XProgress;

class ExpEngine : public ODBCExpEngineBase {
 public:
  // The table every Meridane database has; its presence identifies the connection type.
  static constexpr const char* kProbeTable = "System_Profile";
  // Refused before any connection is tried: with no name, a driver may take the rest of the
  // connection string (password included) for a file to create.
  static constexpr const char* kNoDataSourceMessage =
      "No data source name is set: name the SIS's ODBC data source with the option -d, or in the "
      "\"DSN\" preference.";
  // Likewise for a "DSN;Database" data source with nothing before its semicolon.
  static constexpr const char* kNoDataSourceBeforeDatabaseMessage =
      "The data source names a database but no data source before its ';': name the SIS's ODBC "
      "data source with the option -d as DSN or DSN;Database.";
  // A value that only a connection string could carry, and that a driver may misread there
  // (%s: "The data source (option -d)", "The user name (option -u)", "The password (option -w)").
  static constexpr const char* kUnsafeConnectionValueMessage =
      "%s holds ';', '{' or '}', which a driver may read as the end of the value: a data source "
      "that names a database (DSN;Database), or one reached without a user name, is reached "
      "through a connection string. Use a value without these characters.";
  // The largest day number (31 December 3999): the start date before any term is seen.
  static constexpr int32_t kLastDay = 876581;
  // Each profile row defines up to six terms ("FirstDay_1".."FirstDay_6", "LastDay_1"..).
  static constexpr int kTermsPerProfile = 6;

  // (school number, school name) pairs for the school picker.
  using SchoolList = std::vector<std::pair<XString, XString>>;

  explicit ExpEngine(IValidateErrorDisplay* owner = nullptr);
  ~ExpEngine() override;

  // The engine of the process (the last one constructed and not yet destroyed), or null.
  static ExpEngine* Current();

  // ---- Services used before an extraction (ExpEngineValidate.cpp) -----------------------
  // They log and answer false, never throw.
  // Finds the database type (Lotus Notes, else MSSQL) under which kProbeTable is visible. A
  // data source that no Lotus Notes connection string can hold ("DSN;Database") is tried as
  // MSSQL only.
  virtual bool ValidateConnection(const char* dataSource, const char* userName, const char* password);
  // True when kProbeTable has a row whose "BuildingNum" is the school number. Leaves the
  // connection open.
  virtual bool ValidateSchoolNumber(const char* dataSource, const char* userName,
                                    const char* password, const char* schoolNumber);
  // Why the last of the two validations above answered false: the driver's diagnostic, or what
  // was not found, as one line. Empty after a success.
  const XString& ValidationFailure() const { return m_validationFailure; }
  // Fills the list with the schools of kProbeTable; a number listed twice keeps its first name.
  virtual bool LoadSchoolList(SchoolList& list, const char* dataSource, const char* userName,
                              const char* password);

  // ---- The extraction -------------------------------------------------------------------
  // One complete extraction for the school of `settings`. Every failure is an XException that
  // passes to the caller.
  void PerformExtract(XProgress* progress, const char* dataSource, const char* userName,
                      const char* password, const ExtractSettings& settings,
                      bool gatherDemographic, bool gatherAttendance);

  // A dry run of PerformExtract for the school (ExpEngineDryRun.cpp): connects, then performs
  // the included-students list, the demographic and the attendance extracts with every probe
  // they make, counting the rows of each query instead of reading them, and writing nothing
  // into any import folder or change store. A step that would end a real run is recorded with
  // its message and the next step follows, so the report covers every table. Throws when the
  // connection cannot be made.
  void DryRunExtract(DryRunReport& report, const char* dataSource, const char* userName,
                     const char* password, const XString& schoolNumber, int32_t inactiveCutoff);

  // The text as an SQL string literal: between single quotes, each single quote doubled.
  static XString SqlStringLiteral(const XString& text);

  // "YYYY-YYYY" of the school year the date falls in: a year turns on the 1st of July.
  static XString SchoolYearOf(int32_t day);

  // The next date window of the attendance extracts, seven days at most, from the update date
  // (-1 or before the school year: the first school day) up to today within the school year.
  // Sets the window and moves the update date to its end; true for the last window.
  // Consecutive windows share their boundary day. The school start and end are days.
  static bool NextAttendanceWindow(int32_t today, int32_t schoolStartDate, int32_t schoolEndDate,
                                   int32_t& updateDate, int32_t& windowStart, int32_t& windowEnd);
  // The days whose attendance the extracts can read back: from the first school day to the
  // windows' last day (today within the school days), within the school year `schoolYear`
  // ("YYYY-YYYY", 1 July to 30 June) that their queries ask for; terms of that year that start
  // before 1 July are read from their first day. First after last: none.
  static void ReadableAttendanceDays(int32_t today, int32_t schoolStartDate, int32_t schoolEndDate,
                                     const XString& schoolYear, int32_t& first, int32_t& last);

  // Widest span of the term pairs (FirstDay_n, LastDay_n) of every school profile. Needs an
  // open connection.
  void DetermineSchoolStartAndEndDates();
  // Rebuilds the included-students list: active students, or all when the inactive cutoff
  // allows. Needs an open connection.
  void LoadIncludedStudents();
  // Row filter of the student extracts: the current row's key is in the included list.
  bool IsIncludedStudent();
  // The list itself, sorted byte-wise.
  bool IsIncludedKey(const XString& key) const;
  uint32_t IncludedStudentCount() const { return m_includedStudents.Count(); }

  // ---- Value functions of the Meridane fields (ExpEngineValues.cpp) ---------------------
  // Called with the current output column.
  // "True" when "SpEdCode" (remembered by the student extract) or the column's field has text.
  XString GetIsESE(ExportColumn& column);
  // The column's text without ';', ',' and blanks ("1, 2; 3" gives "123").
  XString GetTermGroup(ExportColumn& column);
  XString GetDayGroup(ExportColumn& column);            // "1"
  XString GetDoctorRelationship(ExportColumn& column);  // "Doctor"
  // Key, "Date", "Infraction" and "Violation" of the discipline record joined by '-'; every
  // part is present even when empty, so the key always has three dashes.
  XString GetConductKey(ExportColumn& column);
  XString GetSuspensionKey(ExportColumn& column);   // "SUSP"
  XString GetSuspensionType(ExportColumn& column);  // "Suspension"

  // ---- Run state ----------------------------------------------------------------------
  const XString& GetSchoolNumber() const { return m_schoolNumber; }
  const XString& GetSchoolYear() const { return m_schoolYear; }
  int32_t GetInactiveCutoff() const { return m_inactiveCutoff; }
  int32_t GetSchoolStartDate() const { return m_schoolStartDate; }
  int32_t GetSchoolEndDate() const { return m_schoolEndDate; }
  void SetSchoolStartDate(int32_t day) { m_schoolStartDate = day; }
  void SetSchoolEndDate(int32_t day) { m_schoolEndDate = day; }

 protected:
  // Run start and run end around the extracts: the writer, the connection and the opening
  // and closing lines of the extract log.
  void StartRun(const ExtractSettings& settings);
  void EndRun();
  // Writes the attendance rows of the change store that are new or changed into the update
  // file: daily, then period attendance.
  void WriteAttendanceFromStore();
  // Name of the level the run's logs write at.
  XString CurrentLogLevelName() const;
  // Remembers the data source and the credentials (null: absent) of the connection.
  void StoreConnectionSettings(const char* dataSource, const char* userName, const char* password);
  // The connection string of the stored settings for the current database type. Throws,
  // before any connection is tried, for a data source with no name before its ';' and for a
  // value that the string cannot carry safely (kUnsafeConnectionValueMessage).
  XString BuildStoredConnectionString();
  // Connects with the stored data source and credentials for the current database type.
  void ConnectToSIS();
  // Clears the query and selects the terms of every profile row: "FirstDay_1" to "FirstDay_6",
  // then "LastDay_1" to "LastDay_6", all required.
  void QuerySchoolTerms(ODBCField* firstDays[kTermsPerProfile], ODBCField* lastDays[kTermsPerProfile]);
  // Folds one term pair of the current record into the school start and end dates.
  void WidenSchoolDates(ODBCField* firstDay, ODBCField* lastDay);

  // ---- The extract pattern (ExpEngineExtractPattern.cpp) --------------------------------
  using ValueFunction = DataAccessBase::ValueFunction;
  // Declares the next output field of the current table. With a table: adds the source column
  // to the query (a missing required column ends the run; a missing optional one drops the
  // field from the select list, the lines, the package field list and the custom fields
  // alike) and registers the column. Without a table the value function alone makes the
  // value. Returns the query field (null without a table or when dropped).
  ODBCField* AddExportField(bool required, ODBCTable* table, const XString& sourceColumn,
                            ValueFunction valueFunction, const XString& packageField,
                            const SISExpCustomField* customField = nullptr);
  // The standard conditions of the student extracts:
  // S."ID" = <alias>."ID", the first condition.
  void AddStudentJoin(ODBCField* studentId, ODBCField* ownId);
  // <alias>."SchoolYear" = '<school year of the run>', after the join.
  void AddSchoolYearCondition(ODBCTable* table);
  // With the inactive cutoff -1: S."Inactive" = 'No' OR S."Inactive" IS NULL, in parentheses
  // after other conditions, bare when it opens the WHERE clause. Nothing otherwise.
  void AddActiveStudentConditions(ODBCTable* student, bool firstCondition);

  // ---- Class and conduct extracts (ExtractSchedules.cpp, ExtractConduct.cpp) -------------
  // True when "StudentClass" has a column that identifies a class: "ClassNum" or
  // "SubjectName".
  bool HasSectionReferenceColumn();
  // Declares the section reference of a class row: "ClassNum" (optional) or, in a SIS
  // without it, "SubjectName" (then required). Without a package field name it is a field of
  // the query only.
  ODBCField* AddSectionReference(ODBCTable* classes, ValueFunction valueFunction,
                                 const XString& packageField);
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

  // ---- The extracts, in the order of a full export ---------------------------------------
  // One demographic extract: its operation, and the package table it writes (named here for
  // a report on an extract that skipped itself).
  struct DemographicExtract {
    void (ExpEngine::*run)();
    const char* description;
    const char* fileName;
  };
  static const DemographicExtract kDemographicExtracts[];
  static const size_t kDemographicExtractCount;

  // By source file: ExtractCalendar.cpp (terms, tumbles, periods, calendar, grading periods),
  // ExtractSchedules.cpp (sections, student schedules, grades), ExtractStudents.cpp,
  // ExtractStudentDetails.cpp (notes, contacts, doctors, medical alerts, treatments,
  // immunizations), ExtractConduct.cpp, ExtractStaff.cpp (staff, attendance codes).
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
  // The attendance extracts read the window between the school start and end dates.
  void ExtractDailyAttendance(int32_t schoolStartDate, int32_t schoolEndDate);
  void ExtractPeriodAttendance(int32_t schoolStartDate, int32_t schoolEndDate);
  // Both attendance extracts: daily (time frames) or period attendance (ExtractAttendance.cpp).
  void ExtractAttendance(bool daily, int32_t schoolStartDate, int32_t schoolEndDate);
  // The attendance part of a run: the school dates, the update file with the changes of both
  // extracts. Without a known first school day it logs a Warning and sends nothing.
  void ExtractAttendanceUpdate();

  // The data source and credentials of the current connection.
  XString m_dataSourceName;
  XString m_userName;
  XString m_password;
  bool m_hasUserName = false;
  bool m_hasPassword = false;

  XString m_schoolNumber;
  XString m_schoolYear;
  int32_t m_inactiveCutoff = -1;
  int32_t m_schoolStartDate = -1;
  int32_t m_schoolEndDate = -1;

  // Trimmed student keys (tabs removed) that the run includes; owns its strings.
  XOwnedVector<XString> m_includedStudents;

  // Field handles of the extract in hand, read by the row filter and the value functions.
  ODBCField* m_keyField = nullptr;          // "ID" of the student, or the staff key
  ODBCField* m_spEdCodeField = nullptr;     // "SpEdCode" of the student extract
  ODBCField* m_conductDateField = nullptr;  // "Date", "Infraction", "Violation" of a
  ODBCField* m_conductInfractionField = nullptr;  // discipline record
  ODBCField* m_conductViolationField = nullptr;

 private:
  void ClearIncludedStudents();
  // Records the reason of a failed validation on one line.
  void SetValidationFailure(const XString& reason);

  XString m_validationFailure;
};
