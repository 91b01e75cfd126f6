// The command-line run end to end in process: a real run log, preferences in a throwaway hive,
// a site configuration on disk and the tiny demo SIS behind a real ODBC data source.
#include <gtest/gtest.h>

#include <memory>

#include "app/MainWindow.h"
#include "app/QvSchoolConf.h"
#include "os/Os.h"
#include "package/QDEApplication.h"
#include "testsupport/BridgeIdentity.h"
#include "testsupport/TempDir.h"
#include "testsupport/TestDataSources.h"
#include "tools/demosis/DemoGenerator.h"

namespace {

constexpr const char* kDsn = "QvAppTiny";

// The tiny demo SIS, registered once per process before the first connection.
bool DemoSourceReady(std::string* whyNot) {
  static testsupport::TempDir folder;
  static bool ready = [&] {
    demosis::DemoOptions options;
    options.out = folder.File("tiny.db");
    options.tiny = true;
    demosis::GenerateDemoDatabase(options);
    return testsupport::RegisterDataSources({{kDsn, options.out}}, whyNot);
  }();
  return ready;
}

// The application object with the shell kept out of the way: a test records that the copy of
// the run log would have been shown instead of opening it.
class TestApp : public MainWindow {
 public:
  explicit TestApp(const XString& runLog) : MainWindow(runLog) {}
  bool shown = false;

 protected:
  void ShowRunLogCopy() override { shown = true; }
};

class CommandLineRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string whyNot;
    ASSERT_TRUE(DemoSourceReady(&whyNot)) << whyNot;
    os::SetEnv("XDG_CONFIG_HOME", m_dir.File("config"));
    os::SetEnv("QV_MACHINE_HIVE_DIR", m_dir.File("machine"));
    m_bridgeFolder = m_dir.File("bridge") + os::kPathSeparator;
    m_importFolder = m_dir.File("import") + os::kPathSeparator;
    {
      Prefs prefs;
      prefs.WriteText("Database Folder", m_bridgeFolder.c_str());
      prefs.WriteInt("SchoolNth", 0);
      prefs.WriteInt("Log Level", 3);
      for (const CommandLineFilter& filter : kCommandLineFilters) prefs.SetFlag(filter.prefName, false);
    }
    // One school with an empty district, as a command-line run can find it.
    os::CreateOneDirectory(m_dir.File("bridge"));
    QvFramework site;
    auto school = std::make_unique<QvSchoolConf>();
    school->m_schoolNumber = "101";
    school->m_schoolName = "Lakeside";
    school->m_importFolder = m_importFolder.c_str();
    site.Schools().Add(std::move(school));
    site.SaveSiteConfiguration(m_bridgeFolder.c_str());
    m_runLog = m_dir.File("QvMeridaneRunLog.txt");
  }

  std::string RunLogText() const { return testsupport::ReadAll(m_runLog); }
  std::string CopyText() const { return testsupport::ReadAll(m_importFolder + "QvMeridaneRunLog.txt"); }

  testsupport::TempDir m_dir;
  std::string m_bridgeFolder;
  std::string m_importFolder;
  std::string m_runLog;
};

}  // namespace

TEST_F(CommandLineRunTest, AFailedConnectionIsLoggedCopiedIntoTheImportFolderAndShown) {
  os::CreateOneDirectory(m_dir.File("import"));
  bool ok = true;
  bool shown = false;
  {
    TestApp app(m_runLog.c_str());
    ok = app.ProcessCommandLine(CommandLine(XString("-dQvNoSuchDsn -uadmin -wsecret -n101")));
    shown = app.shown;
  }
  EXPECT_FALSE(ok);
  EXPECT_TRUE(shown);
  const std::string expected =
      "Error: Error connecting to Velkstrom Data Extractor for Meridane Database, please check "
      "your information.\r\n";
  EXPECT_NE(RunLogText().find(expected), std::string::npos) << RunLogText();
  EXPECT_NE(CopyText().find(expected), std::string::npos);
  EXPECT_NE(RunLogText().find("Username: Not blank (not displayed here)\r\n"), std::string::npos);
  EXPECT_NE(RunLogText().find("DSN:\"QvNoSuchDsn\"\r\n"), std::string::npos);
  // The password never reaches the run log, not even inside the logged command line.
  EXPECT_EQ(RunLogText().find("secret"), std::string::npos);
  EXPECT_NE(RunLogText().find("Processing Command Line: -dQvNoSuchDsn -uadmin -w****** -n101\r\n"),
            std::string::npos);
}

TEST_F(CommandLineRunTest, ASchoolNumberThatMatchesNoEntryStopsTheRunNamingIt) {
  bool ok = true;
  {
    TestApp app(m_runLog.c_str());
    ok = app.ProcessCommandLine(CommandLine(XString(std::string("-d") + kDsn + " -n999")));
  }
  EXPECT_FALSE(ok);
  std::string log = RunLogText();
  EXPECT_NE(log.find("School Number: \"999\"\r\n"), std::string::npos);
  EXPECT_NE(log.find("Error: No school in the site configuration has the School Number \"999\""),
            std::string::npos)
      << log;
}

TEST_F(CommandLineRunTest, ASchoolUnknownToTheSISIsRefusedAfterTheFolderIsPrepared) {
  // The entry exists in the site configuration, but the SIS has no such school.
  {
    QvFramework site;
    site.LoadSchools((m_bridgeFolder + "QvConfig.xml").c_str());
    site.Schools().At(0)->m_schoolNumber = "555";
    site.SaveSiteConfiguration(m_bridgeFolder.c_str());
  }
  bool ok = true;
  {
    TestApp app(m_runLog.c_str());
    ok = app.ProcessCommandLine(CommandLine(XString(std::string("-d") + kDsn + " -n555 -p\"" +
                                                    m_dir.File("other import") + "\"")));
  }
  EXPECT_FALSE(ok);
  std::string log = RunLogText();
  EXPECT_NE(log.find("Error: Invalid School Number '555', See log for details.\r\n"), std::string::npos) << log;
  // The folder from -p gained its separator, was created, and received the run log's copy.
  std::string folder = m_dir.File("other import") + os::kPathSeparator;
  EXPECT_NE(log.find("QDE Folder: \"" + folder + "\"\r\n"), std::string::npos) << log;
  EXPECT_TRUE(os::PathExists(folder + "QvMeridaneRunLog.txt"));
}

TEST_F(CommandLineRunTest, OptionsReachThePreferencesAndTheRunLog) {
  {
    TestApp app(m_runLog.c_str());
    // Every option step runs before the extraction; what the extraction does is not at stake.
    app.ProcessCommandLine(CommandLine(XString(std::string("-D") + kDsn + " /n101 -vsgo -qtrue -rTrue -y2008-2009 -iYES -aa")));
  }
  std::string log = RunLogText();
  EXPECT_NE(log.find("School Year: \"2008-2009\"\r\n"), std::string::npos) << log;
  EXPECT_NE(log.find("Include Inactive Students: YES\r\n"), std::string::npos);
  EXPECT_NE(log.find("Gathering: Attendance \r\n"), std::string::npos);
  EXPECT_NE(log.find("Filtering: Extra Student Demo\r\n"), std::string::npos);
  EXPECT_NE(log.find("Export Staff: \"No\"\r\n"), std::string::npos);
  EXPECT_NE(log.find("Link Staff To Tch: \"Yes\"\r\n"), std::string::npos);
  Prefs prefs;
  int trueFlags = 0;
  for (const CommandLineFilter& filter : kCommandLineFilters) trueFlags += prefs.Flag(filter.prefName);
  EXPECT_EQ(trueFlags, 3);
  EXPECT_TRUE(prefs.Flag("FilterExtraStudentDemo"));
  EXPECT_TRUE(prefs.Flag("FilterGrades"));
  EXPECT_TRUE(prefs.Flag("FilterConduct"));
  EXPECT_FALSE(prefs.ExportStaff());
  EXPECT_TRUE(prefs.LinkStaffToTch());
  EXPECT_NE(log.find("End Command Line Processing, ready to Execute.\r\n"), std::string::npos);
}

// A store that cannot be opened (an "Attendance" that is a file): the tables still go out,
// both logs name the store, and the run fails so that the scheduler reports it.
TEST_F(CommandLineRunTest, AnAttendanceStoreThatFailsFailsTheRunAfterTheTables) {
  os::CreateOneDirectory(m_dir.File("import"));
  testsupport::WriteAll(m_importFolder + "Attendance", "not a folder");
  bool ok = true;
  {
    TestApp app(m_runLog.c_str());
    ok = app.ProcessCommandLine(CommandLine(XString(std::string("-d") + kDsn + " -n101")));
    EXPECT_FALSE(app.Engine().ImportFolderLocked());
  }
  EXPECT_FALSE(ok);
  const std::string store = m_importFolder + "Attendance" + os::kPathSeparator + "Attendance.db";
  const std::string failure = "The attendance change store " + store + " failed opening it: ";
  EXPECT_NE(RunLogText().find("Error: " + failure), std::string::npos) << RunLogText();
  EXPECT_NE(testsupport::ReadAll(m_importFolder + "QvMeridaneExtractLog.txt").find(failure), std::string::npos);
  EXPECT_TRUE(os::PathExists(m_importFolder + "Students.qef"));
  EXPECT_TRUE(os::PathExists(m_importFolder + "QvMeridane.QDE"));
  EXPECT_FALSE(os::PathExists(m_importFolder + "QvMeridaneRun.lock"));
}

// The package and engine tests give their writers the identity of testsupport/BridgeIdentity.h;
// it must be the one the application gives its engine, or they check another program's files.
TEST_F(CommandLineRunTest, TheEngineWritesUnderTheIdentityTheOtherTestsUse) {
  TestApp app(m_runLog.c_str());
  QDEApplication expected;
  testsupport::SetBridgeIdentity(expected);
  const QDEApplication& identity = app.Engine().Application();
  EXPECT_EQ(identity.m_fullName.ToStd(), expected.m_fullName.ToStd());
  EXPECT_EQ(identity.m_version.ToStd(), expected.m_version.ToStd());
  EXPECT_EQ(identity.m_creatorId.ToStd(), expected.m_creatorId.ToStd());
  EXPECT_EQ(identity.m_fileBaseName.ToStd(), expected.m_fileBaseName.ToStd());
  EXPECT_EQ(identity.m_maker.ToStd(), expected.m_maker.ToStd());
}
