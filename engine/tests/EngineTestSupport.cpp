#include "EngineTestSupport.h"

#include <sqlite3.h>

#include "foundation/XException.h"
#include "testsupport/TempDir.h"
#include "testsupport/TestDataSources.h"
#include "tools/demosis/DemoGenerator.h"

namespace enginetest {

bool CaptureLog::Contains(const std::string& text) const { return Find(text) >= 0; }

int CaptureLog::Find(const std::string& text, int from) const {
  for (size_t i = from < 0 ? 0 : static_cast<size_t>(from); i < lines.size(); ++i) {
    if (lines[i].find(text) != std::string::npos) return static_cast<int>(i);
  }
  return -1;
}

int CaptureLog::Count(const std::string& text) const {
  int count = 0;
  for (const std::string& line : lines) count += line.find(text) != std::string::npos;
  return count;
}

namespace {

bool Execute(const std::string& path, const std::vector<const char*>& statements, std::string* whyNot) {
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
    *whyNot = "cannot open " + path;
    sqlite3_close(db);
    return false;
  }
  for (const char* statement : statements) {
    char* error = nullptr;
    if (sqlite3_exec(db, statement, nullptr, nullptr, &error) != SQLITE_OK) {
      *whyNot = std::string("statement failed: ") + (error ? error : "") + ": " + statement;
      sqlite3_free(error);
      sqlite3_close(db);
      return false;
    }
  }
  sqlite3_close(db);
  return true;
}

std::string Generate(const std::string& path, const std::vector<std::string>& without = {}) {
  demosis::DemoOptions options;
  options.out = path;
  options.tiny = true;
  options.without = without;
  demosis::GenerateDemoDatabase(options);
  return path;
}

DemoSources* Create(std::string* whyNot) {
  static testsupport::TempDir folder;
  auto* sources = new DemoSources;
  sources->folder = folder.Path();

  std::vector<std::pair<std::string, std::string>> databases;
  try {
    databases.emplace_back(DemoSources::kTiny, Generate(folder.File("tiny.db")));

    std::string schools = Generate(folder.File("schools.db"));
    if (!Execute(schools,
                 {"INSERT INTO System_Profile (BuildingNum, SchoolName) VALUES ('101', 'Lakeside Annex')",
                  "INSERT INTO System_Profile (BuildingNum, SchoolName) VALUES ('3''0', 'Quote School')"},
                 whyNot)) {
      return nullptr;
    }
    databases.emplace_back(DemoSources::kSchools, schools);

    // Terms with one end only, blank ends, and nothing at all.
    std::string noTerms = Generate(folder.File("noterms.db"));
    if (!Execute(noTerms,
                 {"UPDATE System_Profile SET FirstDay_1 = NULL, LastDay_2 = NULL, FirstDay_3 = '',"
                  " LastDay_4 = NULL, FirstDay_5 = '2008-08-20', LastDay_6 = '2009-06-05'"},
                 whyNot)) {
      return nullptr;
    }
    databases.emplace_back(DemoSources::kNoTerms, noTerms);

    std::string server = Generate(folder.File("server.db"), {"System_Profile"});
    if (!Execute(server,
                 {"CREATE TABLE sysobjects (name TEXT, xtype TEXT, type TEXT, id INTEGER)",
                  "INSERT INTO sysobjects VALUES ('System_Profile', 'U', 'U', 1)"},
                 whyNot)) {
      return nullptr;
    }
    databases.emplace_back(DemoSources::kServerCatalogue, server);

    std::string serverDb = Generate(folder.File("sqlserver.db"));
    if (!Execute(serverDb,
                 {"CREATE TABLE sysobjects (name TEXT, xtype TEXT, type TEXT, id INTEGER)",
                  "INSERT INTO sysobjects VALUES ('System_Profile', 'U', 'U', 1)"},
                 whyNot)) {
      return nullptr;
    }
    sources->serverDb = testsupport::DriverPath(serverDb);
    databases.emplace_back(DemoSources::kNoDatabase, std::string());

    databases.emplace_back(DemoSources::kNoProfile,
                           Generate(folder.File("noprofile.db"), {"System_Profile"}));
    databases.emplace_back(DemoSources::kStudentNoPagerSpEd,
                           Generate(folder.File("nopagerspedcode.db"),
                                    {"Student.Pager", "Student.SpEdCode"}));
    databases.emplace_back(DemoSources::kStudentNoSpEd2,
                           Generate(folder.File("nospedcode2.db"), {"Student.SpEdCode2"}));
    std::string oddText = Generate(folder.File("oddtext.db"));
    if (!Execute(oddText,
                 {"UPDATE Student SET Address = '1 Rue' || char(9) || 'du Lac' || char(13, 10) ||"
                  " 'BP 7' WHERE ID = '1004'",
                  "UPDATE Student SET Memo = '   ' WHERE ID = '1005'",
                  "UPDATE Medical_Note SET"
                  " Allergy = 'Bee stings' || char(13, 10, 13, 10, 9) || 'Wasps' || char(13, 10),"
                  " ADate = '2007-06-12' || char(13, 10) || ' ' || char(13, 10) || '2008-01-02',"
                  " AComment = 'Carries an EpiPen' || char(13, 10) || 'unused' || char(13, 10) ||"
                  " 'See' || char(9) || 'nurse',"
                  " Physician = 'Dr. Ana Ruiz' || char(10) || 'Pediatrics' WHERE ID = '1004'"},
                 whyNot)) {
      return nullptr;
    }
    databases.emplace_back(DemoSources::kStudentOddText, oddText);
    databases.emplace_back(DemoSources::kNoEventCount,
                           Generate(folder.File("noeventcount.db"), {"Event.Count"}));
    sources->attendanceDb = Generate(folder.File("attendance.db"));
    databases.emplace_back(DemoSources::kAttendance, sources->attendanceDb);

    std::string calendar = Generate(folder.File("calendaredges.db"));
    if (!Execute(calendar,
                 {"INSERT INTO Event (Status, AMPMAllDay, DateOut, Reason, Count) VALUES"
                  " ('Day Out', 'All Day', '2008-08-15', 'Orientation', 1),"
                  " ('Day Out', 'AM', '2008-09-10', 'Assembly', 0.5),"
                  " ('Day Out', 'PM', '2008-09-10', 'Science Fair', 0.5)"},
                 whyNot)) {
      return nullptr;
    }
    databases.emplace_back(DemoSources::kCalendarEdges, calendar);

    databases.emplace_back(DemoSources::kClassNoClassNum,
                           Generate(folder.File("classnoclassnum.db"), {"StudentClass.ClassNum"}));
    databases.emplace_back(DemoSources::kClassNoClassColumns,
                           Generate(folder.File("classnocolumns.db"),
                                    {"StudentClass.ClassNum", "StudentClass.SubjectName"}));
    databases.emplace_back(DemoSources::kClassNoDays,
                           Generate(folder.File("classnodays.db"), {"StudentClass.Days"}));
    databases.emplace_back(DemoSources::kClassFewGrades,
                           Generate(folder.File("classfewgrades.db"),
                                    {"StudentClass.GradePct", "StudentClass.GradeLetter_1",
                                     "StudentClass.GradePointsEarned_Test"}));
    databases.emplace_back(DemoSources::kConductNoViolation,
                           Generate(folder.File("conductnoviolation.db"),
                                    {"Discipline_Record.Violation"}));
    std::string conduct = Generate(folder.File("conductedges.db"));
    if (!Execute(conduct,
                 {"INSERT INTO Discipline_Record (ID, SchoolYear, Date, Infraction, Violation,"
                  " Action, Notified, NotDate, LetterSent) VALUES"
                  " ('1004', '2008-2009', '2008-12-10', '', '', 'Warning', 'YES', '2008-12-10', 'Yes')",
                  "INSERT INTO Discipline_Record (ID, SchoolYear, Date, Infraction, Action,"
                  " FromSuspension, Notified, LetterSent) VALUES"
                  " ('1005', '2008-2009', '2009-02-03', 'LATE', 'Detention', '2009-02-04', ' yes ', 'Y')"},
                 whyNot)) {
      return nullptr;
    }
    databases.emplace_back(DemoSources::kConductEdges, conduct);

    demosis::DemoOptions generated;
    generated.out = folder.File("generated.db");
    generated.seed = 2026;
    generated.students = 300;
    generated.yearStart = "2026-08-20";
    demosis::GenerateDemoDatabase(generated);
    databases.emplace_back(DemoSources::kGenerated, generated.out);
  } catch (const XException& error) {
    *whyNot = std::string("demo SIS generation failed: ") + error.Text();
    return nullptr;
  }

  if (!testsupport::RegisterDataSources(databases, whyNot)) return nullptr;
  sources->strictQuotes = !testsupport::StrictQuotesExtension().empty();
  return sources;
}

}  // namespace

bool ExecuteSql(const std::string& path, const std::vector<const char*>& statements,
                std::string* whyNot) {
  return Execute(path, statements, whyNot);
}

const DemoSources* DemoSources::Get(std::string* whyNot) {
  static std::string reason;
  static DemoSources* sources = Create(&reason);
  if (!sources && whyNot) *whyNot = reason;
  return sources;
}

}  // namespace enginetest
