// The extraction driver's frame against the demo SIS: the school year, run start and run end
// with their log lines, the included-students list and the school's first and last days.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "EngineTestSupport.h"
#include "ExtractFixture.h"
#include "engine/SchoolYear.h"
#include "engine/ExpEngine.h"
#include "foundation/XDate.h"
#include "foundation/XDateTime.h"
#include "foundation/XTime.h"
#include "os/Os.h"
#include "testsupport/BridgeIdentity.h"
#include "testsupport/TempDir.h"
#include "tools/demosis/DemoContent.h"

namespace {

using enginetest::CaptureLog;
using enginetest::DemoSources;
using enginetest::TestEngine;

std::vector<std::string> Lines(const std::string& bytes) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < bytes.size()) {
    size_t end = bytes.find("\r\n", start);
    if (end == std::string::npos) end = bytes.size();
    lines.push_back(bytes.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

// Index of the first line at or after `from` that contains the text; -1 when none.
int FindLine(const std::vector<std::string>& lines, const std::string& text, int from = 0) {
  for (size_t i = from < 0 ? 0 : static_cast<size_t>(from); i < lines.size(); ++i) {
    if (lines[i].find(text) != std::string::npos) return static_cast<int>(i);
  }
  return -1;
}

// The texts occur in this order, each after the one before.
::testing::AssertionResult InOrder(const std::vector<std::string>& lines,
                                   const std::vector<std::string>& texts) {
  int at = 0;
  for (const std::string& text : texts) {
    int found = FindLine(lines, text, at);
    if (found < 0) return ::testing::AssertionFailure() << "\"" << text << "\" missing after line " << at;
    at = found + 1;
  }
  return ::testing::AssertionSuccess();
}

XDateTime On(int year, int month, int day) { return XDateTime(XDate::FromYMD(year, month, day), XTime::FromHMS(9, 30, 0)); }

class EngineRun : public ::testing::Test {
 protected:
  void SetUp() override {
    REQUIRE_DEMO_SOURCES();
    XDateTime::SetFixedNow(On(2009, 3, 2));
    testsupport::SetBridgeIdentity(engine.Context().Application());
    engine.Context().SetRunLog(&log);
    engine.Context().SetExtractLog(&log);
    settings.m_importFolder = importFolder.Path().c_str();
    settings.m_schoolNumber = "101";
    settings.m_district = "Springfield";
    settings.m_schoolYear = "2008-2009";
    settings.m_dsn = DemoSources::kTiny;
  }
  void TearDown() override { XDateTime::ClearFixedNow(); }

  // A run with both gather flags off: the frame alone.
  void RunNothing() {
    ASSERT_TRUE(engine.ValidateConnection(DemoSources::kTiny, "", ""));
    log.lines.clear();
    engine.PerformExtract(nullptr, DemoSources::kTiny, "", "", settings, false, false);
  }
  std::vector<std::string> ExtractLog() const {
    return Lines(testsupport::ReadAll(importFolder.File("QvMeridaneExtractLog.txt")));
  }

  CaptureLog log;
  TestEngine engine;
  testsupport::TempDir importFolder;
  ExtractSettings settings;
};

TEST(SchoolYear, TurnsOnTheFirstOfJuly) {
  EXPECT_STREQ("2008-2009", SchoolYearOf(XDate::FromYMD(2009, 6, 30)).c_str());
  EXPECT_STREQ("2009-2010", SchoolYearOf(XDate::FromYMD(2009, 7, 1)).c_str());
  EXPECT_STREQ("2008-2009", SchoolYearOf(XDate::FromYMD(2009, 1, 1)).c_str());
  EXPECT_STREQ("1999-2000", SchoolYearOf(XDate::FromYMD(1999, 12, 31)).c_str());
}

TEST_F(EngineRun, SchoolYearComesFromTodayNotFromTheConfiguration) {
  settings.m_schoolYear = "1990-1991";
  XDateTime::SetFixedNow(On(2009, 6, 30));
  RunNothing();
  EXPECT_STREQ("2008-2009", engine.Run().schoolYear.c_str());
  XDateTime::SetFixedNow(On(2009, 7, 1));
  RunNothing();
  EXPECT_STREQ("2009-2010", engine.Run().schoolYear.c_str());
}

TEST_F(EngineRun, NothingGatheredStillOpensAndClosesTheRun) {
  RunNothing();
  const std::vector<std::string> extract = ExtractLog();
  EXPECT_TRUE(InOrder(extract, {"Import Folder: ", "Update Date is: ", "Connected to data source.",
                                "Current Log Level: ", "Database backend: Lotus Notes",
                                "App Directory: ", "School Number: 101", "Inactive: Active Only",
                                "Finished Included Students LUT table/query.", "Finishing Import",
                                "Disconnecting", "Saving Bridge Config", "Clearing Run Data",
                                "Export complete.", "Extraction Completed at: ",
                                "EndProgress TimeStamp: ", "End Extract Log"}));
  // The extract log is closed: what follows goes to the run log only.
  EXPECT_NE(std::string::npos, extract.back().find("End Extract Log"));
  EXPECT_TRUE(InOrder(log.lines, {"Starting QDE Writer", "Bridge Configuration Changed.",
                                  "Finished Extraction", "EndProgress TimeStamp: ",
                                  "Extract Log Ended"}));
  EXPECT_EQ("Extract Log Ended", log.lines.back());
  // Without Info-level time prefix, with one for Debug.
  const int level = FindLine(extract, "Current Log Level: ");
  EXPECT_EQ(0u, extract[level].find("Current Log Level: "));
  const std::string app = extract[FindLine(extract, "App Directory: ")];
  EXPECT_GT(app.size(), std::string("App Directory: ").size());

  EXPECT_FALSE(engine.Data().IsConnected());
  EXPECT_NE("", testsupport::ReadAll(importFolder.File("SchoolConfig.xml")));
  EXPECT_EQ(-1, FindLine(extract, "Students.qef"));
  EXPECT_EQ("", testsupport::ReadAll(importFolder.File("QvMeridane.QDE")));
}

TEST_F(EngineRun, ActiveOnlyRunIncludesActiveAndUnsetStudents) {
  RunNothing();
  // "No" and NULL count as active; "Yes" does not.
  EXPECT_EQ(6u, engine.Pattern().IncludedStudentCount());
  for (const char* key : {"1001", "1002", "1004", "1005", "1007", "123"}) EXPECT_TRUE(engine.Pattern().IsIncludedKey(key)) << key;
  for (const char* key : {"1003", "1006", "100", "10011", " 1001"}) EXPECT_FALSE(engine.Pattern().IsIncludedKey(key)) << key;
}

TEST_F(EngineRun, AnyOtherCutoffIncludesEveryStudent) {
  for (int32_t cutoff : {1, XDate::FromYMD(2009, 1, 15)}) {
    settings.m_inactiveCutoff = cutoff;
    RunNothing();
    EXPECT_LE(0, FindLine(ExtractLog(), "Inactive: Active and Inactive")) << cutoff;
    EXPECT_EQ(8u, engine.Pattern().IncludedStudentCount()) << cutoff;
    EXPECT_TRUE(engine.Pattern().IsIncludedKey("1003"));
    EXPECT_TRUE(engine.Pattern().IsIncludedKey("1006"));
  }
  // The list is rebuilt for every run, not added to.
  settings.m_inactiveCutoff = -1;
  RunNothing();
  EXPECT_EQ(6u, engine.Pattern().IncludedStudentCount());
}

TEST_F(EngineRun, RunOnAnUnreachableSourceFailsWithTheConnectionError) {
  ASSERT_TRUE(engine.ValidateConnection(DemoSources::kTiny, "", ""));
  try {
    engine.PerformExtract(nullptr, "QvEngineNoSuchDsn", "", "", settings, false, false);
    FAIL() << "the run went on without a connection";
  } catch (const XException& error) {
    EXPECT_NE(std::string::npos, std::string(error.Text()).find("Failed to connect to data source"));
  }
}

TEST_F(EngineRun, SchoolDatesSpanEveryTermOfEveryProfile) {
  ASSERT_TRUE(engine.ValidateConnection(DemoSources::kTiny, "", ""));
  engine.ConnectToSIS();
  engine.Steps().DetermineSchoolStartAndEndDates();
  EXPECT_EQ(XDate::FromYMD(2008, 8, 20), engine.Run().startDate);
  EXPECT_EQ(XDate::FromYMD(2009, 6, 5), engine.Run().endDate);
  EXPECT_TRUE(log.Contains("DetermineSchoolStartAndEndDates : Start Date 08/20/2008"));
  EXPECT_TRUE(log.Contains("DetermineSchoolStartAndEndDates : End Date 06/05/2009"));
}

TEST_F(EngineRun, SchoolDatesWithoutACompleteTermStayAtTheirBounds) {
  ASSERT_TRUE(engine.ValidateConnection(DemoSources::kNoTerms, "", ""));
  engine.ConnectToSIS();
  engine.Run().startDate = XDate::FromYMD(2008, 9, 1);
  engine.Run().endDate = XDate::FromYMD(2009, 5, 1);
  engine.Steps().DetermineSchoolStartAndEndDates();
  EXPECT_EQ(ExtractSteps::kLastDay, engine.Run().startDate);
  EXPECT_EQ(XDate::FromYMD(3999, 12, 31), engine.Run().startDate);
  EXPECT_EQ(0, engine.Run().endDate);
  EXPECT_TRUE(log.Contains("DetermineSchoolStartAndEndDates : Start Date 12/31/3999"));
  EXPECT_TRUE(log.Contains("DetermineSchoolStartAndEndDates : End Date 01/01/1600"));
}

}  // namespace
