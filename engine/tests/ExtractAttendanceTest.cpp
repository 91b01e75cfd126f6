// The attendance extracts: their weekly date windows, the split of an absence's segments into
// daily and period attendance, and update runs against a demo SIS that changes between them,
// which send each new or changed code exactly once.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "EngineTestSupport.h"
#include "TinyExpectations.h"
#include "engine/SchoolYear.h"
#include "package/PackageFormat.h"
#include "engine/ExpEngine.h"
#include "foundation/XDate.h"
#include "foundation/XDateTime.h"
#include "foundation/XTime.h"
#include "os/OsFiles.h"
#include "package/SchoolConfig.h"
#include "testsupport/BridgeIdentity.h"
#include "testsupport/TempDir.h"

namespace {

using enginetest::CaptureLog;
using enginetest::DemoSources;
using enginetest::Lines;
using enginetest::SplitLines;
namespace tiny = enginetest::tiny;

int Ymd(int year, int month, int day) { return XDate::FromYMD(year, month, day); }

struct Window {
  int start, end;
  bool operator==(const Window& other) const { return start == other.start && end == other.end; }
};

std::ostream& operator<<(std::ostream& os, const Window& w) {
  return os << XDate::FormatDate(w.start, "yyyy-mm-dd").c_str() << ".." << XDate::FormatDate(w.end, "yyyy-mm-dd").c_str();
}

// Every window of one extract, from the update date on.
std::vector<Window> Windows(int today, int schoolStart, int schoolEnd, int updateDate) {
  std::vector<Window> windows;
  for (bool last = false; !last && windows.size() < 100;) {
    Window w{};
    last = NextAttendanceWindow(today, schoolStart, schoolEnd, updateDate, w.start, w.end);
    EXPECT_EQ(w.end, updateDate) << "the update date moves to the window's end";
    windows.push_back(w);
  }
  return windows;
}

TEST(AttendanceWindows, FirstRunReadsTheSchoolYearAWeekAtATimeUpToToday) {
  // Consecutive windows share their boundary day; the last one is clipped to today.
  EXPECT_EQ((std::vector<Window>{{Ymd(2008, 8, 20), Ymd(2008, 8, 26)},
                                 {Ymd(2008, 8, 26), Ymd(2008, 9, 1)},
                                 {Ymd(2008, 9, 1), Ymd(2008, 9, 2)}}),
            Windows(Ymd(2008, 9, 2), Ymd(2008, 8, 20), Ymd(2009, 6, 5), XDate::kNone));
  // An update date before the school year starts with the year.
  EXPECT_EQ(Ymd(2008, 8, 20), Windows(Ymd(2008, 9, 2), Ymd(2008, 8, 20), Ymd(2009, 6, 5), Ymd(2008, 8, 4))[0].start);
}

TEST(AttendanceWindows, UpdateDateAfterTodayGivesOneEmptyWindow) {
  EXPECT_EQ((std::vector<Window>{{Ymd(2008, 9, 10), Ymd(2008, 9, 2)}}),
            Windows(Ymd(2008, 9, 2), Ymd(2008, 8, 20), Ymd(2009, 6, 5), Ymd(2008, 9, 10)));
}

TEST(AttendanceWindows, WindowsStayInsideTheSchoolYear) {
  // After the last school day the year's end is the limit.
  EXPECT_EQ((std::vector<Window>{{Ymd(2009, 6, 1), Ymd(2009, 6, 5)}}),
            Windows(Ymd(2009, 7, 15), Ymd(2008, 8, 20), Ymd(2009, 6, 5), Ymd(2009, 6, 1)));
  // Before the first school day the first day is the limit.
  EXPECT_EQ((std::vector<Window>{{Ymd(2008, 8, 20), Ymd(2008, 8, 20)}}),
            Windows(Ymd(2008, 8, 1), Ymd(2008, 8, 20), Ymd(2009, 6, 5), XDate::kNone));
}

// The days the extracts can read back: the windows' days within the school year asked for.
Window Readable(int today, int schoolStart, int schoolEnd, const char* schoolYear) {
  Window w{};
  ReadableAttendanceDays(today, schoolStart, schoolEnd, schoolYear, w.start, w.end);
  return w;
}

TEST(AttendanceWindows, ReadableDaysAreTheWindowsDaysWithinTheSchoolYearAskedFor) {
  // Within the year: the first school day up to today, or up to the last school day.
  EXPECT_EQ((Window{Ymd(2008, 8, 20), Ymd(2009, 6, 1)}),
            Readable(Ymd(2009, 6, 1), Ymd(2008, 8, 20), Ymd(2009, 6, 5), "2008-2009"));
  EXPECT_EQ((Window{Ymd(2008, 8, 20), Ymd(2009, 6, 5)}),
            Readable(Ymd(2009, 6, 30), Ymd(2008, 8, 20), Ymd(2009, 6, 5), "2008-2009"));
  // After 1 July the queries ask for 2009-2010 while the terms are still those of 2008-2009,
  // and a school that moved its terms to the next year before 1 July is asked for 2008-2009:
  // no day can be read back.
  const Window turned = Readable(Ymd(2009, 7, 2), Ymd(2008, 8, 20), Ymd(2009, 6, 5), "2009-2010");
  EXPECT_GT(turned.start, turned.end) << turned;
  const Window early = Readable(Ymd(2009, 6, 20), Ymd(2009, 8, 19), Ymd(2010, 6, 4), "2008-2009");
  EXPECT_GT(early.start, early.end) << early;
  // Terms reaching past 30 June are cut at the year's end.
  EXPECT_EQ((Window{Ymd(2008, 8, 20), Ymd(2009, 6, 30)}),
            Readable(Ymd(2009, 7, 1), Ymd(2008, 8, 20), Ymd(2009, 7, 15), "2008-2009"));
  // A school year whose terms start before 1 July is read from its first day.
  EXPECT_EQ((Window{Ymd(2009, 6, 29), Ymd(2009, 7, 2)}),
            Readable(Ymd(2009, 7, 2), Ymd(2009, 6, 29), Ymd(2010, 6, 4), "2009-2010"));
}

class AttendanceRun : public ::testing::Test {
 protected:
  void SetUp() override {
    REQUIRE_DEMO_SOURCES();
    sources = DemoSources::Get(nullptr);
    testsupport::SetBridgeIdentity(engine.Context().Application());
    engine.Context().SetRunLog(&log);
    engine.Context().SetExtractLog(&log);
    settings.m_importFolder = importFolder.Path().c_str();
    settings.m_schoolNumber = "101";
    settings.m_district = "Springfield";
    settings.m_schoolYear = "2008-2009";
    settings.m_dsn = DemoSources::kAttendance;
  }
  void TearDown() override {
    XDateTime::ClearFixedNow();
    // The next test finds the SIS as generated.
    if (!changes.empty()) Change(undo);
  }

  void Change(const std::vector<const char*>& statements) {
    std::string whyNot;
    ASSERT_TRUE(enginetest::ExecuteSql(sources->attendanceDb, statements, &whyNot)) << whyNot;
  }

  // An attendance-only run at 9:30 of the day; returns the lines of its update file.
  Lines Run(int day) {
    const XDateTime now(day, XTime::FromHMS(9, 30, 0));
    XDateTime::SetFixedNow(now);
    EXPECT_TRUE(engine.ValidateConnection(DemoSources::kAttendance, "", ""));
    engine.PerformExtract(nullptr, DemoSources::kAttendance, "", "", settings, false, true);
    return SplitLines(testsupport::ReadAll(importFolder.File(PackageFormat::UpdateFileName(now).ToStd())));
  }

  // The data lines of a table in an update file, sorted (the store sends them in no set order),
  // after checking its header entry.
  static Lines Rows(const Lines& update, const std::string& description, const std::string& keyField) {
    auto entry = std::find(update.begin(), update.end(), "// " + description);
    if (entry == update.end() || entry + 1 == update.end()) {
      ADD_FAILURE() << "no entry " << description;
      return {};
    }
    EXPECT_EQ(tiny::AttendanceFields(keyField == "AttTimeFrameRef"), *(entry + 1));
    auto end = std::find(entry + 2, update.end(), "*");
    EXPECT_NE(update.end(), end) << "no terminator after " << description;
    Lines rows(entry + 2, end);
    std::sort(rows.begin(), rows.end());
    return rows;
  }
  static Lines Daily(const Lines& update) { return Rows(update, "Cached Daily Attendance", "AttTimeFrameRef"); }
  static Lines Period(const Lines& update) { return Rows(update, "Cached Period Attendance", "AttPerRef"); }

  Lines ExtractLog() const { return SplitLines(testsupport::ReadAll(importFolder.File("QvMeridaneExtractLog.txt"))); }

  // The extract log line that contains the text; empty when none.
  std::string ExtractLogLine(const std::string& text) const {
    for (const std::string& line : ExtractLog()) {
      if (line.find(text) != std::string::npos) return line;
    }
    return std::string();
  }
  XString SavedUpdateDate() const {
    SchoolConfig saved;
    saved.Load(XFileSpec(importFolder.File(SchoolConfig::kFileName).c_str()));
    return saved.Value("UpdateDate");
  }

  const DemoSources* sources = nullptr;
  CaptureLog log;
  ExpEngine engine;
  testsupport::TempDir importFolder;
  ExtractSettings settings;
  std::vector<const char*> changes, undo;
};

TEST_F(AttendanceRun, FirstRunSendsEverySegmentOfTheWindowsToItsTable) {
  const Lines update = Run(Ymd(2008, 9, 2));
  const Lines daily = tiny::FirstRunAttendance(true, Ymd(2008, 9, 2));
  const Lines period = tiny::FirstRunAttendance(false, Ymd(2008, 9, 2));
  EXPECT_EQ(daily, Daily(update));
  EXPECT_EQ(period, Period(update));
  // What the rows spell out: "1,2,AM" gives periods 1 and 2 and the time frame AM; "1 ,2"
  // keeps the blank of "1 ", which is therefore no period number; only "Excused" (not
  // "excused") prefixes the code with E. Not sent: the inactive 1003, the previous school
  // year, days after today.
  EXPECT_EQ((Lines{"1001\t08/21/2008\tAM\tEA\t\t\t\t\t", "1001\t08/27/2008\t1 \tT\t\t\t\t\t",
                   "1002\t08/25/2008\tAM\tA\t\t\t\t\t", "1002\t08/25/2008\tPM\tA\t\t\t\t\t"}),
            daily);
  EXPECT_EQ((Lines{"1001\t08/21/2008\t1\tEA\t\t\t\t\t", "1001\t08/21/2008\t2\tEA\t\t\t\t\t",
                   "1001\t08/27/2008\t2\tT\t\t\t\t\t", "1004\t09/02/2008\t3\tT\t\t\t\t\t"}),
            period);

  // Both extracts read the same three windows, each a SELECT DISTINCT bounded by its dates.
  const Lines extract = ExtractLog();
  Lines windows;
  for (const std::string& line : extract) {
    for (const char* label : {"startUpdateDate is: ", "endUpdateDate is: "}) {
      const size_t at = line.find(label);
      if (at != std::string::npos) windows.push_back(line.substr(at));
    }
  }
  Lines oneExtract = {"startUpdateDate is: 08/20/2008", "endUpdateDate is: 08/26/2008",
                      "startUpdateDate is: 08/26/2008", "endUpdateDate is: 09/01/2008",
                      "startUpdateDate is: 09/01/2008", "endUpdateDate is: 09/02/2008"};
  Lines both = oneExtract;
  both.insert(both.end(), oneExtract.begin(), oneExtract.end());
  EXPECT_EQ(both, windows);
  int queries = 0;
  for (const std::string& line : extract) {
    // The query as run: the SQL text alone after the time prefix "dd/mm/yyyy|hh:nn:ss ".
    if (line.size() < 20 || line.compare(20, 16, "SELECT DISTINCT ") != 0) continue;
    if (line.find("\"Absence\" A") == std::string::npos) continue;
    ++queries;
    if (queries == 2) {
      EXPECT_NE(std::string::npos, line.find("A.\"SchoolYear\" = '2008-2009'")) << line;
      EXPECT_NE(std::string::npos, line.find("A.\"Date\" >= '2008-08-26' AND A.\"Date\" <= '2008-09-01'")) << line;
    }
  }
  EXPECT_EQ(6, queries);
}

TEST_F(AttendanceRun, UnchangedDataIsNotSentAgainAndAChangedCodeIsSentOnce) {
  Run(Ymd(2008, 9, 2));
  // The next day, nothing changed: both tables are a header entry followed by the terminator.
  const Lines unchanged = Run(Ymd(2008, 9, 3));
  EXPECT_EQ(Lines{}, Daily(unchanged));
  EXPECT_EQ(Lines{}, Period(unchanged));
  const auto entry = std::find(unchanged.begin(), unchanged.end(), "// Cached Daily Attendance");
  ASSERT_LT(2, unchanged.end() - entry);
  EXPECT_EQ("*", *(entry + 2));

  // In the SIS: 1002's absence becomes a tardy, 1004's tardy is deleted.
  changes = {"UPDATE Absence SET Absence = 'T' WHERE ID = '1002' AND Date = '2008-08-25'",
             "DELETE FROM Absence WHERE ID = '1004' AND Date = '2008-09-02'"};
  undo = {"UPDATE Absence SET Absence = 'A' WHERE ID = '1002' AND Date = '2008-08-25'",
          "INSERT INTO Absence (ID, SchoolYear, Date, Absence, Period) VALUES ('1004', '2008-2009', '2008-09-02', 'T', '3')"};
  Change(changes);
  // Today 4 September also brings 1005's absence of the day.
  const Lines changed = Run(Ymd(2008, 9, 4));
  EXPECT_EQ((Lines{"1002\t08/25/2008\tAM\tT\t\t\t\t\t", "1002\t08/25/2008\tPM\tT\t\t\t\t\t",
                   "1005\t09/04/2008\tPM\tEA\t\t\t\t\t"}),
            Daily(changed));
  // A deleted absence is sent with an empty code.
  EXPECT_EQ(Lines{"1004\t09/02/2008\t3\t\t\t\t\t\t"}, Period(changed));

  const Lines again = Run(Ymd(2008, 9, 5));
  EXPECT_EQ(Lines{}, Daily(again));
  EXPECT_EQ(Lines{}, Period(again));
}

// Two absences of late May 2008-2009 for the year-end tests, the school profiles kept to be
// put back, and what undoes both.
const std::vector<const char*> kLateMay = {
    "INSERT INTO Absence (ID, SchoolYear, Date, Absence, Type, Period) VALUES"
    " ('1001', '2008-2009', '2009-05-28', 'A', 'Excused', 'AM'),"
    " ('1002', '2008-2009', '2009-05-29', 'T', NULL, '2')",
    "CREATE TABLE SavedProfile AS SELECT * FROM System_Profile"};
const std::vector<const char*> kUndoLateMay = {
    "DELETE FROM Absence WHERE Date IN ('2009-05-28', '2009-05-29')", "DELETE FROM System_Profile",
    "INSERT INTO System_Profile SELECT * FROM SavedProfile", "DROP TABLE SavedProfile"};

TEST_F(AttendanceRun, AfterTheTurnOfTheSchoolYearTheOldYearsRowsAreNotSentAsDeleted) {
  changes = kLateMay;
  undo = kUndoLateMay;
  Change(changes);
  const Lines june = Run(Ymd(2009, 6, 1));
  EXPECT_NE(Lines{}, Daily(june));
  const Lines sent = Period(june);
  EXPECT_NE(sent.end(), std::find(sent.begin(), sent.end(), "1002\t05/29/2009\t2\tT\t\t\t\t\t"));

  // A deletion within the school year is still sent, with an empty code.
  Change({"DELETE FROM Absence WHERE ID = '1002' AND Date = '2009-05-29'"});
  const Lines deleted = Run(Ymd(2009, 6, 2));
  EXPECT_EQ(Lines{}, Daily(deleted));
  EXPECT_EQ(Lines{"1002\t05/29/2009\t2\t\t\t\t\t\t"}, Period(deleted));

  // 2 July: the queries ask for 2009-2010 and find nothing in the windows of the 2008-2009
  // terms. 1001's absence of 28 May is still in the SIS and must stay as sent.
  const Lines july = Run(Ymd(2009, 7, 2));
  EXPECT_EQ(Lines{}, Daily(july));
  EXPECT_EQ(Lines{}, Period(july));
  EXPECT_NE(std::string::npos, ExtractLogLine("Attendance: no readable day").find("nothing blanked"));
  // Nor does a run once the school has entered the terms of the new year.
  Change({"UPDATE System_Profile SET FirstDay_1 = date(FirstDay_1, '+364 days'), LastDay_1 = date(LastDay_1, "
          "'+364 days'), FirstDay_2 = date(FirstDay_2, '+364 days'), LastDay_2 = date(LastDay_2, '+364 days'),"
          " FirstDay_3 = date(FirstDay_3, '+364 days'), LastDay_3 = date(LastDay_3, '+364 days'),"
          " FirstDay_4 = date(FirstDay_4, '+364 days'), LastDay_4 = date(LastDay_4, '+364 days')"});
  const Lines september = Run(Ymd(2009, 9, 2));
  EXPECT_EQ(Lines{}, Daily(september));
  EXPECT_EQ(Lines{}, Period(september));
}

TEST_F(AttendanceRun, TermsMovedToTheNextYearBeforeTheFirstOfJulyDeleteNothing) {
  changes = kLateMay;
  undo = kUndoLateMay;
  Change(changes);
  Run(Ymd(2009, 6, 1));
  // 2009-2010 starts on 19 August; the queries still ask for 2008-2009.
  Change({"UPDATE System_Profile SET FirstDay_1 = date(FirstDay_1, '+364 days'), LastDay_1 = date(LastDay_1, "
          "'+364 days'), FirstDay_2 = date(FirstDay_2, '+364 days'), LastDay_2 = date(LastDay_2, '+364 days'),"
          " FirstDay_3 = date(FirstDay_3, '+364 days'), LastDay_3 = date(LastDay_3, '+364 days'),"
          " FirstDay_4 = date(FirstDay_4, '+364 days'), LastDay_4 = date(LastDay_4, '+364 days')"});
  const Lines moved = Run(Ymd(2009, 6, 20));
  EXPECT_EQ(Lines{}, Daily(moved));
  EXPECT_EQ(Lines{}, Period(moved));
}

TEST_F(AttendanceRun, WithoutTermDatesNothingIsSentAndTheUpdateDateIsKept) {
  changes = kLateMay;
  undo = kUndoLateMay;
  Change(changes);
  Run(Ymd(2009, 6, 1));
  ASSERT_EQ(XString("31-May-2009"), SavedUpdateDate());

  // Every FirstDay_n emptied; 1002's absence of 29 May is deleted as well.
  Change({"UPDATE System_Profile SET FirstDay_1 = NULL, FirstDay_2 = NULL, FirstDay_3 = NULL,"
          " FirstDay_4 = NULL, FirstDay_5 = NULL, FirstDay_6 = NULL",
          "DELETE FROM Absence WHERE ID = '1002' AND Date = '2009-05-29'"});
  const XDateTime second(Ymd(2009, 6, 3), XTime::FromHMS(9, 30, 0));
  EXPECT_EQ(Lines{}, Run(Ymd(2009, 6, 3)));
  EXPECT_FALSE(os::PathExists(importFolder.File(PackageFormat::UpdateFileName(second).ToStd())));
  const std::string warning = ExtractLogLine("Attendance not extracted: no term of System_Profile has both "
                                             "FirstDay_n and LastDay_n (n = 1 to 6) filled in");
  EXPECT_NE(std::string::npos, warning.find("the update date is kept")) << warning;
  EXPECT_EQ(XString("31-May-2009"), SavedUpdateDate());

  // With the terms back, the next run reads from the kept date on: the deletion is sent now,
  // and 1001's absence of 28 May is not.
  Change({"DELETE FROM System_Profile", "INSERT INTO System_Profile SELECT * FROM SavedProfile"});
  const Lines back = Run(Ymd(2009, 6, 4));
  EXPECT_EQ(Lines{}, Daily(back));
  EXPECT_EQ(Lines{"1002\t05/29/2009\t2\t\t\t\t\t\t"}, Period(back));
}

// The terms moved so that 2009-2010 starts on Monday 29 June 2009, and absences of that
// school year on its first two days.
const std::vector<const char*> kEarlyStart = {
    "CREATE TABLE SavedProfile AS SELECT * FROM System_Profile",
    "UPDATE System_Profile SET FirstDay_1 = date(FirstDay_1, '+313 days'), LastDay_1 = date(LastDay_1, '+313 days'),"
    " FirstDay_2 = date(FirstDay_2, '+313 days'), LastDay_2 = date(LastDay_2, '+313 days'),"
    " FirstDay_3 = date(FirstDay_3, '+313 days'), LastDay_3 = date(LastDay_3, '+313 days'),"
    " FirstDay_4 = date(FirstDay_4, '+313 days'), LastDay_4 = date(LastDay_4, '+313 days'),"
    " FirstDay_5 = date(FirstDay_5, '+313 days'), LastDay_5 = date(LastDay_5, '+313 days'),"
    " FirstDay_6 = date(FirstDay_6, '+313 days'), LastDay_6 = date(LastDay_6, '+313 days')",
    "INSERT INTO Absence (ID, SchoolYear, Date, Absence, Type, Period) VALUES"
    " ('1001', '2009-2010', '2009-06-29', 'A', NULL, 'AM'),"
    " ('1002', '2009-2010', '2009-06-30', 'T', NULL, 'AM')"};
const std::vector<const char*> kUndoEarlyStart = {
    "DELETE FROM Absence WHERE SchoolYear = '2009-2010' AND Date IN ('2009-06-29', '2009-06-30')",
    "DELETE FROM System_Profile", "INSERT INTO System_Profile SELECT * FROM SavedProfile",
    "DROP TABLE SavedProfile"};

TEST_F(AttendanceRun, AYearStartingBeforeTheFirstOfJulySendsTheDeletionOfItsFirstDays) {
  changes = kEarlyStart;
  undo = kUndoEarlyStart;
  Change(changes);
  EXPECT_EQ((Lines{"1001\t06/29/2009\tAM\tA\t\t\t\t\t", "1002\t06/30/2009\tAM\tT\t\t\t\t\t"}),
            Daily(Run(Ymd(2009, 7, 2))));
  Change({"DELETE FROM Absence WHERE ID = '1002' AND Date = '2009-06-30'"});
  EXPECT_EQ(Lines{"1002\t06/30/2009\tAM\t\t\t\t\t\t"}, Daily(Run(Ymd(2009, 7, 3))));
  EXPECT_EQ(Lines{}, Daily(Run(Ymd(2009, 7, 4))));
}

// A configuration change cleans the folder: whatever the run then gathers, the school
// configuration it saves names no update date, so that the next run reads the whole year
// into the cleaned folder as into a new one.
TEST_F(AttendanceRun, ACleanedFolderStartsWithoutUpdateDate) {
  changes = kLateMay;
  undo = kUndoLateMay;
  Change(changes);
  const Lines fresh = Run(Ymd(2009, 6, 1));
  ASSERT_EQ(XString("31-May-2009"), SavedUpdateDate());
  const Lines all = Daily(fresh), allPeriods = Period(fresh);

  // Without term dates no attendance is read, but the changed school year cleans the folder.
  Change({"UPDATE System_Profile SET FirstDay_1 = NULL, FirstDay_2 = NULL, FirstDay_3 = NULL,"
          " FirstDay_4 = NULL, FirstDay_5 = NULL, FirstDay_6 = NULL"});
  settings.m_schoolYear = "2009-2010";
  Run(Ymd(2009, 6, 3));
  EXPECT_EQ(XString(), SavedUpdateDate());
  Change({"DELETE FROM System_Profile", "INSERT INTO System_Profile SELECT * FROM SavedProfile"});
  Lines back = Run(Ymd(2009, 6, 4));
  EXPECT_EQ(all, Daily(back));
  EXPECT_EQ(allPeriods, Period(back));

  // A demographic-only run of a changed configuration likewise.
  settings.m_schoolYear = "2008-2009";
  XDateTime::SetFixedNow(XDateTime(Ymd(2009, 6, 5), XTime::FromHMS(9, 30, 0)));
  engine.PerformExtract(nullptr, DemoSources::kAttendance, "", "", settings, true, false);
  EXPECT_EQ(XString(), SavedUpdateDate());
  back = Run(Ymd(2009, 6, 6));
  EXPECT_EQ(all, Daily(back));
  EXPECT_EQ(allPeriods, Period(back));
}

}  // namespace
