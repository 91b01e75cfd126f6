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

namespace {

// "Ünïcødé" as the code page holds it, and the same name with two characters that no
// single-byte code page has ("学校").
const std::string kAccented = "\xDCn\xEF" "c\xF8" "d\xE9";
const std::u16string kAccentedWide = u"\u00DCn\u00EFc\u00F8d\u00E9";
const std::u16string kForeignWide = u" \u5B66\u6821";

std::u16string Wide(const std::string& narrow) { return os::NarrowToWide(narrow); }

}  // namespace

TEST_F(CommandLineRunTest, AFolderTheCodePageCannotHoldStopsTheRunNamingIt) {
  if (os::CodePageName() != "CP1252") GTEST_SKIP() << "written for the code page CP1252";
  const std::u16string sep(1, static_cast<char16_t>(os::kPathSeparator));
  const std::u16string folder = Wide(m_dir.Path()) + sep + kAccentedWide + kForeignWide + sep;
  // The same folder as the shell hands it over on POSIX (UTF-8 arguments) and as Windows does
  // (the raw wide text): both refuse it, naming it.
  std::vector<CommandLine> lines = {
      CommandLine::FromWideText(u"-d" + Wide(kDsn) + u" -n101 -p\"" + folder + u"\""),
      CommandLine::FromUtf8Arguments({std::string("-d") + kDsn, "-n101",
                                      "-p" + m_dir.Path() + os::kPathSeparator +
                                          "\xC3\x9Cn\xC3\xAF" "c\xC3\xB8" "d\xC3\xA9 \xE5\xAD\xA6\xE6\xA0\xA1" +
                                          os::kPathSeparator}),
      CommandLine::FromUtf8Arguments({std::string("-d") + kDsn, "-n101", "-w\xE5\xAD\xA6secret"}),
  };
  const std::string named = "-p" + m_dir.Path() + os::kPathSeparator + kAccented + " <U+5B66><U+6821>" +
                            os::kPathSeparator + " holds characters that the code page CP1252 cannot represent";
  for (size_t i = 0; i < lines.size(); ++i) {
    {
      TestApp app(m_runLog.c_str());
      EXPECT_FALSE(app.ProcessCommandLine(lines[i])) << i;
    }
    // Each start writes the run log anew.
    std::string log = RunLogText();
    std::string expected = i < 2 ? "Error: The argument " + named : "Error: The argument -w****** holds characters";
    EXPECT_NE(log.find(expected), std::string::npos) << log;
    EXPECT_EQ(log.find("secret"), std::string::npos);
  }
  std::vector<std::string> names;
  os::ListDirectory(m_dir.Path(), names);
  for (const std::string& name : names) {
    EXPECT_EQ(name.find_first_of("?<"), std::string::npos) << name;
    EXPECT_EQ(name.find(kAccented), std::string::npos) << name;
  }
}

TEST_F(CommandLineRunTest, AFolderWithCharactersOfTheCodePageIsUsedAsItIs) {
  if (os::CodePageName() != "CP1252") GTEST_SKIP() << "written for the code page CP1252";
  const std::string folder = m_dir.Path() + os::kPathSeparator + kAccented + os::kPathSeparator;
  bool ok = false;
  {
    TestApp app(m_runLog.c_str());
    ok = app.ProcessCommandLine(
        CommandLine::FromWideText(u"-d" + Wide(kDsn) + u" -n101 -ad -p\"" + Wide(folder) + u"\""));
  }
  EXPECT_TRUE(ok) << RunLogText();
  EXPECT_TRUE(os::PathExists(folder + "SchoolConfig.xml"));
  EXPECT_TRUE(os::PathExists(folder + "QvMeridaneRunLog.txt"));
}

TEST_F(CommandLineRunTest, AnEmptyDataSourceNameIsRefusedBeforeConnecting) {
  bool ok = true;
  {
    TestApp app(m_runLog.c_str());
    ok = app.ProcessCommandLine(CommandLine(XString("-n101 -wsecret")));
  }
  EXPECT_FALSE(ok);
  std::string log = RunLogText();
  EXPECT_NE(log.find("Error: No data source name is set: name the SIS's ODBC data source with the option -d, "
                     "or in the \"DSN\" preference.\r\n"),
            std::string::npos)
      << log;
  EXPECT_EQ(log.find("ODBC::Connect"), std::string::npos);
}

TEST_F(CommandLineRunTest, ARunWithoutAnImportFolderStopsAndABadOneIsNotSaved) {
  {
    QvFramework site;
    site.LoadSchools((m_bridgeFolder + "QvConfig.xml").c_str());
    site.Schools().At(0)->m_importFolder = "";
    site.SaveSiteConfiguration(m_bridgeFolder.c_str());
  }
  bool ok = true;
  {
    TestApp app(m_runLog.c_str());
    ok = app.ProcessCommandLine(CommandLine(XString(std::string("-d") + kDsn + " -n101")));
  }
  EXPECT_FALSE(ok);
  EXPECT_NE(RunLogText().find("Error: Import Folder is not set for school 101\r\n"), std::string::npos)
      << RunLogText();

  // A -p that fails validation (a folder under a plain file) stays out of the site configuration.
  testsupport::WriteAll(m_dir.File("plain"), "a file");
  const std::string bad = m_dir.File("plain") + os::kPathSeparator + "Import";
  {
    TestApp app(m_runLog.c_str());
    ok = app.ProcessCommandLine(CommandLine(XString(std::string("-d") + kDsn + " -n101 -p\"" + bad + "\"")));
  }
  EXPECT_FALSE(ok);
  EXPECT_NE(RunLogText().find("Error: Import Folder does not exist: " + bad), std::string::npos);
  QvFramework site;
  site.LoadSchools((m_bridgeFolder + "QvConfig.xml").c_str());
  EXPECT_EQ(site.Schools().At(0)->m_importFolder.ToStd(), "");
}
