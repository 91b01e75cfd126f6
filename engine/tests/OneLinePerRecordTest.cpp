// The import tool reads the package line by line: every record of every table file and update
// file is one line with as many fields as its header entry names, whatever line breaks the SIS
// text holds. Checked on the demo SIS as the demo script generates it (a staff address of two
// lines), and on an absence whose period list holds line breaks.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "EngineTestSupport.h"
#include "TinyExpectations.h"
#include "package/PackageFormat.h"
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

size_t FieldCount(const std::string& line) { return std::count(line.begin(), line.end(), '\t') + 1; }

// Each line after a header entry ("// <description>", then the field names) up to the table's
// end has the entry's number of fields and no CR or LF of its own: the data lines of an update
// file's inline tables (the end is "*"), or of a table file named by the "#include" line after
// the entry in the package header file.
void ExpectWholeRecords(const std::string& name, const Lines& lines, size_t fields) {
  for (const std::string& line : lines) {
    EXPECT_EQ(fields, FieldCount(line)) << name << ": " << line;
    EXPECT_EQ(std::string::npos, line.find_first_of("\r\n")) << name << ": " << line;
  }
}

class OneLinePerRecord : public ::testing::Test {
 protected:
  void SetUp() override { REQUIRE_DEMO_SOURCES(); }
  void TearDown() override {
    XDateTime::ClearFixedNow();
    if (!undo.empty()) {
      std::string whyNot;
      EXPECT_TRUE(enginetest::ExecuteSql(DemoSources::Get(nullptr)->attendanceDb, undo, &whyNot)) << whyNot;
    }
  }

  void Run(const char* dsn, const char* schoolYear, const XDateTime& now, bool gatherDemographic) {
    XDateTime::SetFixedNow(now);
    ExpEngine engine;
    testsupport::SetBridgeIdentity(engine.Context().Application());
    engine.Context().SetRunLog(&log);
    ExtractSettings settings;
    settings.m_importFolder = importFolder.Path().c_str();
    settings.m_district = "Springfield";
    settings.m_schoolNumber = "101";
    settings.m_schoolYear = schoolYear;
    settings.m_dsn = dsn;
    settings.m_inactiveCutoff = -1;
    ASSERT_TRUE(engine.ValidateConnection(dsn, "", ""));
    engine.PerformExtract(nullptr, dsn, "", "", settings, gatherDemographic, true);
    updateFile = PackageFormat::UpdateFileName(now).ToStd();
  }

  std::string Bytes(const std::string& name) const { return testsupport::ReadAll(importFolder.File(name)); }

  // Checks every inline table of the update file; returns the data lines of the one described.
  Lines CheckUpdateFile(const std::string& description) const {
    const Lines lines = SplitLines(Bytes(updateFile), true);
    Lines wanted;
    int tables = 0;
    for (size_t i = 0; i + 1 < lines.size(); ++i) {
      if (lines[i].rfind("// Cached ", 0) != 0) continue;
      ++tables;
      const auto end = std::find(lines.begin() + i + 2, lines.end(), "*");
      const Lines rows(lines.begin() + i + 2, end);
      ExpectWholeRecords(updateFile + ", " + lines[i], rows, FieldCount(lines[i + 1]));
      if (lines[i] == "// " + description) wanted = rows;
    }
    EXPECT_EQ(2, tables) << updateFile;
    return wanted;
  }

  CaptureLog log;
  testsupport::TempDir importFolder;
  std::string updateFile;
  std::vector<const char*> undo;
};

TEST_F(OneLinePerRecord, TheGeneratedDemoSisGivesOneLinePerRecordInEveryFile) {
  ASSERT_NO_FATAL_FAILURE(
      Run(DemoSources::kGenerated, "2026-2027", XDateTime(XDate::FromYMD(2026, 10, 15), XTime::FromHMS(21, 30, 0)), true));

  const Lines header = SplitLines(Bytes("QvMeridane.QDE"), true);
  int tables = 0;
  for (size_t i = 0; i + 2 < header.size(); ++i) {
    if (header[i + 2].rfind("#include \"", 0) != 0) continue;
    const std::string file = header[i + 2].substr(10, header[i + 2].size() - 11);
    ++tables;
    ExpectWholeRecords(file, SplitLines(Bytes(file), true), FieldCount(header[i + 1]));
  }
  EXPECT_EQ(21, tables);

  // The address of two lines is one field, its line end two blanks, as the one-line value
  // function writes it.
  const std::string staff = Bytes("Staff.qef");
  EXPECT_NE(std::string::npos, staff.find("\t4779 Main St  Unit 17\tLakeside\t")) << staff;

  EXPECT_LT(100u, CheckUpdateFile("Cached Daily Attendance").size());
}

TEST_F(OneLinePerRecord, AnAbsenceWhosePeriodListHoldsLineBreaksIsSentOnOneLine) {
  // "1", then "AM" and "PM" on two lines: period 1, and the time frame "AM<CR LF>PM".
  std::vector<const char*> change = {
      "INSERT INTO Absence (ID, SchoolYear, Date, Absence, Period) VALUES"
      " ('1001', '2008-2009', '2008-09-01', 'A', '1,' || char(10) || 'AM' || char(13) || char(10) || 'PM')"};
  undo = {"DELETE FROM Absence WHERE ID = '1001' AND Date = '2008-09-01'"};
  std::string whyNot;
  ASSERT_TRUE(enginetest::ExecuteSql(DemoSources::Get(nullptr)->attendanceDb, change, &whyNot)) << whyNot;

  ASSERT_NO_FATAL_FAILURE(
      Run(DemoSources::kAttendance, "2008-2009", XDateTime(XDate::FromYMD(2008, 9, 2), XTime::FromHMS(9, 30, 0)), false));
  const Lines daily = CheckUpdateFile("Cached Daily Attendance");
  EXPECT_NE(daily.end(), std::find(daily.begin(), daily.end(), "1001\t09/01/2008\tAM  PM\tA\t\t\t\t\t"));
  const Lines period = CheckUpdateFile("Cached Period Attendance");
  EXPECT_NE(period.end(), std::find(period.begin(), period.end(), "1001\t09/01/2008\t1\tA\t\t\t\t\t"));
}

}  // namespace
