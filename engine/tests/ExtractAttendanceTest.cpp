// The attendance extracts: their weekly date windows, the split of an absence's segments into
// daily and period attendance, and update runs against a demo SIS that changes between them,
// which send each new or changed code exactly once.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "EngineTestSupport.h"
#include "TinyExpectations.h"
#include "engine/ExpEngine.h"
#include "foundation/XDate.h"
#include "foundation/XDateTime.h"
#include "foundation/XTime.h"
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
    last = ExpEngine::NextAttendanceWindow(today, schoolStart, schoolEnd, updateDate, w.start, w.end);
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

TEST(AttendanceWindows, WithoutAnyDateOneWindowReadsEverythingUpToToday) {
  EXPECT_EQ((std::vector<Window>{{XDate::kNone, Ymd(2008, 9, 2)}}),
            Windows(Ymd(2008, 9, 2), XDate::kNone, XDate::kNone, XDate::kNone));
}

class AttendanceRun : public ::testing::Test {
 protected:
  void SetUp() override {
    REQUIRE_DEMO_SOURCES();
    sources = DemoSources::Get(nullptr);
    testsupport::SetBridgeIdentity(engine.Application());
    engine.SetRunLog(&log);
    engine.SetExtractLog(&log);
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
    return SplitLines(testsupport::ReadAll(importFolder.File(QDEWriter::UpdateFileName(now).ToStd())));
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

}  // namespace
