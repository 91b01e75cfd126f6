// Shared pieces of the engine tests: a log that keeps its lines, and the tiny demo SIS with a
// few variants, each a real SQLite file registered as a user data source of the SQLite ODBC
// driver.
#pragma once

#include <string>
#include <vector>

#include "foundation/XLog.h"

namespace enginetest {

// Keeps every line written to it, at every level, and never raises.
class CaptureLog : public XLog {
 public:
  CaptureLog() : XLog(kLogProprietary) { SetThrowLevel(kLogNone + 1); }
  void Emit(int32_t level, const char* message) override { lines.emplace_back(message); }
  bool Contains(const std::string& text) const;
  // Index of the first line at or after `from` that contains the text; -1 when none.
  int Find(const std::string& text, int from = 0) const;
  int Count(const std::string& text) const;
  std::vector<std::string> lines;
};

// The data sources, created together once per test process (the driver manager may cache its
// ini file, so every name is written before the first connection).
struct DemoSources {
  static constexpr const char* kTiny = "QvEngineTiny";  // the tiny demo SIS as generated
  // The tiny SIS plus a second "101" profile row with another name, after the first one, and
  // a school whose number holds a single quote: "3'0" "Quote School".
  static constexpr const char* kSchools = "QvEngineSchools";
  // The tiny SIS whose profiles have no term with both ends filled in.
  static constexpr const char* kNoTerms = "QvEngineNoTerms";
  // No "System_Profile" table, but a SQL Server catalogue that lists one.
  static constexpr const char* kServerCatalogue = "QvEngineServer";
  // Registered without a database: the "DSN;Database" form names it after the semicolon, as
  // a SQL Server data source names its database. serverDb is the tiny SIS plus a SQL Server
  // catalogue that lists "System_Profile".
  static constexpr const char* kNoDatabase = "QvEngineNoDatabase";
  // Neither the table nor a catalogue.
  static constexpr const char* kNoProfile = "QvEngineNoProfile";
  // The tiny SIS whose "Student" table lacks the optional columns "Pager" and "SpEdCode".
  static constexpr const char* kStudentNoPagerSpEd = "QvEngineStudentNoPagerSpEd";
  // The tiny SIS whose "Student" table lacks the optional column "SpEdCode2".
  static constexpr const char* kStudentNoSpEd2 = "QvEngineStudentNoSpEd2";
  // The tiny SIS with awkward student text: 1004's address holds a TAB and a CR LF, its
  // medical note three CR LF lines (the middle one blank, the last with a TAB in the comment)
  // and a physician's name over two lines; 1005's memo is blanks only.
  static constexpr const char* kStudentOddText = "QvEngineStudentOddText";
  // The tiny SIS without the optional column "Count" of "Event".
  static constexpr const char* kNoEventCount = "QvEngineNoEventCount";
  // A tiny SIS of the attendance tests' own, which they change between runs (attendanceDb).
  static constexpr const char* kAttendance = "QvEngineAttendance";
  // The tiny SIS plus two more days out: one before the first school day (2008-08-15), and a
  // morning and an afternoon out on the same day (2008-09-10, "Count" 0.5 each).
  static constexpr const char* kCalendarEdges = "QvEngineCalendarEdges";
  // Class variants: "StudentClass" without "ClassNum" (classes named by "SubjectName"); without
  // both class columns; without "Days"; without "GradePct", "GradeLetter_1" and
  // "GradePointsEarned_Test".
  static constexpr const char* kClassNoClassNum = "QvEngineClassNoClassNum";
  static constexpr const char* kClassNoClassColumns = "QvEngineClassNoClassColumns";
  static constexpr const char* kClassNoDays = "QvEngineClassNoDays";
  static constexpr const char* kClassFewGrades = "QvEngineClassFewGrades";
  // Conduct variants: "Discipline_Record" without "Violation"; and the tiny SIS plus two
  // 2008-2009 records: 1004's with empty infraction and violation (notified "YES"), and
  // 1005's "LATE" with a suspension start but no end, notified " yes " without a date, letter
  // "Y".
  static constexpr const char* kConductNoViolation = "QvEngineConductNoViolation";
  static constexpr const char* kConductEdges = "QvEngineConductEdges";
  // The demo SIS as the demo script generates it (seed 2026, 300 students), with the school
  // year 2026-2027 from 20 August: one staff address of two lines ("4779 Main St", CR LF,
  // "Unit 17").
  static constexpr const char* kGenerated = "QvEngineGenerated";

  // Null (and a reason) when the databases or the data sources cannot be set up.
  static const DemoSources* Get(std::string* whyNot);
  // True when the data sources load the extension that makes double-quoted names strict.
  bool strictQuotes = false;
  std::string folder;
  // The database file behind kAttendance, as this build's file functions name it.
  std::string attendanceDb;
  // The database for kNoDatabase, as the driver names it (the path after the semicolon).
  std::string serverDb;
};

}  // namespace enginetest

namespace enginetest {

// Runs SQL statements on a demo database file directly (not through the data source); false
// with the reason when one fails.
bool ExecuteSql(const std::string& path, const std::vector<const char*>& statements,
                std::string* whyNot);

}  // namespace enginetest

// Fails the test when the demo data sources cannot be set up: a missing driver or extension
// must show as a failure, never as a quietly skipped test.
#define REQUIRE_DEMO_SOURCES()                                                   \
  do {                                                                           \
    std::string whyNot;                                                          \
    if (!enginetest::DemoSources::Get(&whyNot)) GTEST_FAIL() << whyNot;          \
  } while (0)
