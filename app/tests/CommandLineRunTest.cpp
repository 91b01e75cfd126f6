// The command-line run end to end in process: a real run log, preferences in a throwaway hive,
// a site configuration on disk and the tiny demo SIS behind a real ODBC data source.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

#include "app/BridgeFolders.h"
#include "app/MainWindow.h"
#include "app/PasswordCodec.h"
#include "app/QvSchoolConf.h"
#include "app/JsonText.h"
#include "app/RunHistory.h"
#include "app/RunStatus.h"
#include "foundation/XCLIProgress.h"
#include "foundation/XDate.h"
#include "foundation/XDateTime.h"
#include "foundation/XTime.h"
#include "os/Os.h"
#include "os/OsFaults.h"
#include "package/QDEApplication.h"
#include "testsupport/BridgeIdentity.h"
#include "testsupport/ChildProcess.h"
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
    os::SetEnv("XDG_DATA_HOME", m_dir.File("data"));
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

  // Rewrites the site configuration with these entries (school number, district, name).
  void WriteSchools(const std::vector<std::vector<std::string>>& schools) {
    QvFramework site;
    for (const auto& fields : schools) {
      auto school = std::make_unique<QvSchoolConf>();
      school->m_schoolNumber = fields[0].c_str();
      school->m_district = fields[1].c_str();
      school->m_schoolName = fields[2].c_str();
      school->m_importFolder = m_importFolder.c_str();
      site.Schools().Add(std::move(school));
    }
    site.SaveSiteConfiguration(m_bridgeFolder.c_str());
  }
  // One in-process run; returns its standard-error line (empty after success).
  std::string Run(const std::string& line) {
    TestApp app(m_runLog.c_str());
    app.ProcessCommandLine(CommandLine(XString(line)));
    return app.FailureLine().ToStd();
  }
  // The line of the run log that follows `line`, or "" when `line` is not there.
  std::string LineAfter(const std::string& line) const {
    const std::string log = RunLogText();
    size_t at = log.find(line + "\r\n");
    if (at == std::string::npos) return "";
    at += line.size() + 2;
    return log.substr(at, log.find("\r\n", at) - at);
  }
  // The real program as a child process, in this fixture's environment.
  testsupport::ProgramResult Program(const std::vector<std::string>& arguments, const std::string& input = "") {
    testsupport::ProgramResult result =
        testsupport::RunProgram(testsupport::BuildProgram("app/QvMeridane"), arguments, input);
    // The Windows program writes its text streams with CR LF line ends.
    for (std::string* text : {&result.out, &result.err}) {
      text->erase(std::remove(text->begin(), text->end(), '\r'), text->end());
    }
    return result;
  }
  // The path after `label` in a standard-error line, up to `end`.
  static std::string PathIn(const std::string& line, const std::string& label, const std::string& end) {
    size_t at = line.find(label);
    if (at == std::string::npos) return "";
    at += label.size();
    return line.substr(at, line.find(end, at) - at);
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
    EXPECT_FALSE(app.Engine().Writer().Folder().IsLocked());
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

// A run leaves no school's change store open: the window lives on after a run, and a
// command-line run must be able to clean that folder; a failed run closes it too.
TEST_F(CommandLineRunTest, EveryRunEndsWithTheChangeStoreClosed) {
  TestApp app(m_runLog.c_str());
  ASSERT_TRUE(app.ProcessCommandLine(CommandLine(XString(std::string("-d") + kDsn + " -n101"))));
  EXPECT_TRUE(os::PathExists(m_importFolder + "Attendance" + os::kPathSeparator + "Attendance.db"));
  EXPECT_FALSE(app.Engine().Writer().Attendance().Store().IsOpen());
  EXPECT_FALSE(app.ProcessCommandLine(CommandLine(XString(std::string("-d") + kDsn + " -n555"))));
  EXPECT_FALSE(app.Engine().Writer().Attendance().Store().IsOpen());
}

// The package and engine tests give their writers the identity of testsupport/BridgeIdentity.h;
// it must be the one the application gives its engine, or they check another program's files.
TEST_F(CommandLineRunTest, TheEngineWritesUnderTheIdentityTheOtherTestsUse) {
  TestApp app(m_runLog.c_str());
  QDEApplication expected;
  testsupport::SetBridgeIdentity(expected);
  const QDEApplication& identity = app.Engine().Context().Application();
  EXPECT_EQ(identity.m_fullName.ToStd(), expected.m_fullName.ToStd());
  EXPECT_EQ(identity.m_version.ToStd(), expected.m_version.ToStd());
  EXPECT_EQ(identity.m_creatorId.ToStd(), expected.m_creatorId.ToStd());
  EXPECT_EQ(identity.m_fileBaseName.ToStd(), expected.m_fileBaseName.ToStd());
  EXPECT_EQ(identity.m_maker.ToStd(), expected.m_maker.ToStd());
}

// ---- What a failed night tells the administrator ------------------------------------------

TEST_F(CommandLineRunTest, TheReasonFollowsThePartsErrorLineAtTheDefaultLevel) {
  // A data source that does not exist: the driver manager's diagnostic is the reason.
  std::string line = Run("-dQvNoSuchDsn -n101");
  const std::string connecting =
      "Error: Error connecting to Velkstrom Data Extractor for Meridane Database, please check your information.";
  std::string reason = LineAfter(connecting);
  EXPECT_NE(reason.find("IM002"), std::string::npos) << RunLogText();
  EXPECT_NE(line.find(reason), std::string::npos) << line;

  // A relative import folder: the folder's own reason.
  Run(std::string("-d") + kDsn + " -n101 -prelative" + os::kPathSeparator + "import");
  EXPECT_EQ(LineAfter(std::string("Error: Import Folder does not exist: relative") + os::kPathSeparator + "import" +
                      os::kPathSeparator),
            std::string("No support for relative paths: relative") + os::kPathSeparator + "import" + os::kPathSeparator)
      << RunLogText();

  // A school number that the SIS does not have: what was looked for.
  WriteSchools({{"404", "", "Nowhere"}});
  Run(std::string("-d") + kDsn + " -n404");
  EXPECT_EQ(LineAfter("Error: Invalid School Number '404', See log for details."),
            "No System_Profile row of the SIS has the BuildingNum '404'.")
      << RunLogText();
}

TEST_F(CommandLineRunTest, ASchoolUnderADistrictAndSharedNumbersAreNamed) {
  WriteSchools({{"101", "North", "Lakeside"}});
  std::string line = Run(std::string("-d") + kDsn + " -n101");
  const std::string reason =
      "The School Number \"101\" is there under the District \"North\"; name that district with -t.";
  EXPECT_EQ(LineAfter("Error: No school in the site configuration has the School Number \"101\" and the District "
                      "\"\"."),
            reason)
      << RunLogText();
  EXPECT_NE(line.find(reason), std::string::npos);

  // -t names the district, compared exactly; the entry under it then runs to a package.
  line = Run(std::string("-d") + kDsn + " -n101 -tnorth");
  EXPECT_NE(line.find("has the School Number \"101\" and the District \"north\"."), std::string::npos) << line;
  EXPECT_EQ(Run(std::string("-d") + kDsn + " -n101 -tNorth -ad"), "") << RunLogText();
  EXPECT_NE(RunLogText().find("District: \"North\"\r\n"), std::string::npos) << RunLogText();
  EXPECT_TRUE(os::PathExists(m_importFolder + "SchoolConfig.xml"));

  // Two entries with the number and no district (and one under a district): the first by the
  // list's order is taken, and the log says which. The SIS has no school 555, so the run stops
  // after the choice.
  WriteSchools({{"555", "", "Brookside"}, {"555", "East", "Eastside"}, {"555", "", "Alder"}});
  Run(std::string("-d") + kDsn + " -n555");
  EXPECT_NE(RunLogText().find("2 entries of the site configuration have the School Number \"555\" and an empty "
                              "District; the run takes the first: \"Alder\" (import folder \"" +
                              m_importFolder + "\")."),
            std::string::npos)
      << RunLogText();
  WriteSchools({{"555", "East", "Eastside"}, {"555", "", "Brookside"}, {"555", "East", "Alder"}});
  Run(std::string("-d") + kDsn + " -n555 -tEast");
  EXPECT_NE(RunLogText().find("2 entries of the site configuration have the School Number \"555\" and the "
                              "District \"East\"; the run takes the first: \"Alder\""),
            std::string::npos)
      << RunLogText();
}

// The window stores the year and rule it shows; the scheduled line carries neither. A run
// without -y and -i keeps them, so the package's configuration is unchanged and the folder is
// not cleaned; -y and -i still replace them.
TEST_F(CommandLineRunTest, WithoutYAndIARunKeepsTheStoredYearAndRuleAndDoesNotClean) {
  const std::string base = std::string("-d") + kDsn + " -n101 -ad";
  ASSERT_EQ(Run(base + " -y2026 -iyes"), "") << RunLogText();
  testsupport::WriteAll(m_importFolder + "kept.txt", "not the run's");
  ASSERT_EQ(Run(base), "") << RunLogText();
  const std::string log = RunLogText();
  EXPECT_NE(log.find("School Year: \"2026\" (the school's stored year)\r\n"), std::string::npos) << log;
  EXPECT_NE(log.find("Include Inactive Students: yes (the school's stored rule)\r\n"), std::string::npos) << log;
  EXPECT_NE(log.find("Bridge Configuration Did Not Change."), std::string::npos) << log;
  EXPECT_TRUE(os::PathExists(m_importFolder + "kept.txt"));
  {
    QvFramework site;
    site.LoadSchools((m_bridgeFolder + "QvConfig.xml").c_str());
    ASSERT_EQ(site.Schools().Count(), 1u);
    EXPECT_EQ(site.Schools().At(0)->m_schoolYear.ToStd(), "2026");
    EXPECT_NE(site.Schools().At(0)->m_inactiveCutoff, -1);
  }
  ASSERT_EQ(Run(base + " -y2027 -ino"), "") << RunLogText();
  EXPECT_NE(RunLogText().find("Bridge Configuration Changed."), std::string::npos) << RunLogText();
  QvFramework site;
  site.LoadSchools((m_bridgeFolder + "QvConfig.xml").c_str());
  EXPECT_EQ(site.Schools().At(0)->m_schoolYear.ToStd(), "2027");
  EXPECT_EQ(site.Schools().At(0)->m_inactiveCutoff, -1);
}

TEST_F(CommandLineRunTest, AnUnreadableSiteConfigurationFailsTheRunAndIsLeftAsItWas) {
  const std::string config = m_bridgeFolder + "QvConfig.xml";
  const std::string broken =
      "<?xml version=\"1.0\"?>\n<QvSchoolConfFile>\n<QvSchoolConf SchoolNumber=\"101\"></QvSchool>\n"
      "</QvSchoolConfFile>\n";
  testsupport::WriteAll(config, broken);
  std::string line;
  {
    TestApp app(m_runLog.c_str());
    EXPECT_FALSE(app.ProcessCommandLine(CommandLine(XString(std::string("-d") + kDsn + " -n101"))));
    line = app.FailureLine().ToStd();
  }
  EXPECT_EQ(testsupport::ReadAll(config), broken) << "the exit save must not empty the site's schools";
  std::string reason = LineAfter("Error: The site configuration could not be read.");
  EXPECT_EQ(reason.rfind("Could not load file: " + config + " (line 3, offset ", 0), 0u) << RunLogText();
  EXPECT_NE(line.find(reason), std::string::npos);
  EXPECT_NE(RunLogText().find("Site configuration not saved: it could not be read at start."), std::string::npos);
}

TEST_F(CommandLineRunTest, AFailedRunCopiesItsLogIntoThePFolderGiven) {
  // The current school's folder is another: the copy goes where -p says.
  const std::string given = m_dir.File("given");
  os::CreateOneDirectory(given);
  os::CreateOneDirectory(m_dir.File("import"));
  std::string line = Run("-dQvNoSuchDsn -n101 -p\"" + given + "\"");
  const std::string copy = given + os::kPathSeparator + "QvMeridaneRunLog.txt";
  EXPECT_NE(testsupport::ReadAll(copy).find("Error: Error connecting"), std::string::npos);
  EXPECT_FALSE(os::PathExists(m_importFolder + "QvMeridaneRunLog.txt"));
  EXPECT_NE(line.find("Run log: " + m_runLog + " (copy: " + copy + ")"), std::string::npos) << line;
}

TEST_F(CommandLineRunTest, WithoutAMarkerFileTheLevelIsInfoAndWrittenBack) {
  // A start with "quiet.txt" left level 9 in the preferences; once the file is gone the run
  // writes again.
  { Prefs().WriteInt("Log Level", 9); }
  { TestApp app(m_runLog.c_str()); }
  EXPECT_NE(RunLogText().find("Set Log LevelFromFile: Info\r\n"), std::string::npos) << RunLogText();
  Prefs prefs;
  prefs.Load();
  EXPECT_EQ(prefs.LogLevel(), 3);
}

// ---- The program as a scheduler runs it -----------------------------------------------------

TEST_F(CommandLineRunTest, FailingProgramRunsExitOneWithOneLineOnStandardError) {
  os::CreateOneDirectory(m_dir.File("import"));
  struct Case {
    std::vector<std::string> arguments;
    std::string error;
    bool copied;  // only a school found, with a folder that passed its check, takes the copy
  };
  const std::string dsn = std::string("-d") + kDsn;
  const std::vector<Case> cases = {
      {{"-dQvNoSuchDsn", "-n101", "-p" + m_importFolder},
       "QvMeridane: Error connecting to Velkstrom Data Extractor for Meridane Database, please check your "
       "information.",
       true},
      {{dsn, "-n999"}, "QvMeridane: No school in the site configuration has the School Number \"999\"", false},
      {{dsn, "-n101", "-prelative"}, "QvMeridane: Import Folder does not exist: relative", false},
  };
  for (const Case& c : cases) {
    testsupport::ProgramResult result = Program(c.arguments);
    EXPECT_EQ(result.exitCode, 1) << c.error;
    // One line, and it is the error, its reason and the run log's place.
    ASSERT_FALSE(result.err.empty()) << c.error;
    EXPECT_EQ(result.err.find('\n'), result.err.size() - 1) << result.err;
    EXPECT_EQ(result.err.rfind(c.error, 0), 0u) << result.err;
    const std::string runLog = PathIn(result.err, "Run log: ", c.copied ? " (copy: " : "\n");
    EXPECT_NE(testsupport::ReadAll(runLog).find("Error: " + c.error.substr(12)), std::string::npos) << result.err;
    if (c.copied) {
      EXPECT_EQ(PathIn(result.err, "(copy: ", ")\n"), m_importFolder + "QvMeridaneRunLog.txt");
    }
  }
  // The relative folder's reason is on the line too.
  EXPECT_NE(Program({dsn, "-n101", "-prelative"}).err.find("No support for relative paths"), std::string::npos);
}

TEST_F(CommandLineRunTest, StrayArgumentsAndUnknownLettersAreWarnedAboutOnStandardError) {
  testsupport::ProgramResult result = Program({"-d", kDsn, "--dsn=x", "help", "-n101", "-adx", "-wsecret", "-wother"});
  // The DSN was not taken (-d with a blank): the run fails to connect, as before.
  EXPECT_EQ(result.exitCode, 1);
  for (const std::string& warning :
       {std::string("QvMeridane: warning: \"") + kDsn + "\" has no switch character; it is read as the option -v",
        std::string("QvMeridane: warning: \"--dsn=x\": unknown option letter '-'; it is ignored."),
        std::string("QvMeridane: warning: \"help\" is not an option; it is ignored."),
        std::string("QvMeridane: warning: \"-adx\": the letters \"x\" are ignored; -a knows d and a."),
        std::string("QvMeridane: warning: \"-w******\": the option -w was given before; the first one counts.")}) {
    EXPECT_NE(result.err.find(warning), std::string::npos) << warning << "\n" << result.err;
  }
  EXPECT_EQ(result.err.find("secret"), std::string::npos) << "a password is never shown";
  EXPECT_EQ(result.err.find("other"), std::string::npos);
}

TEST_F(CommandLineRunTest, AnEncodedPasswordFromTheProgramDecodesThroughZ) {
  const std::string password = "Tr0ub4dor&3 x";
  testsupport::ProgramResult result = Program({"--encode-password"}, password + "\n");
  ASSERT_EQ(result.exitCode, 0) << result.err;
  ASSERT_GE(result.out.size(), 2 * password.size());
  std::string code = result.out.substr(0, result.out.find_first_of("\r\n"));
  EXPECT_EQ(code.size(), 2 * password.size());
  CommandLineOptions options(CommandLine(XString("-z\"" + code + "\" -wplain")));
  EXPECT_EQ(options.Password(XString("stored")).ToStd(), password);
  // No input at all is an error, not an empty password.
  EXPECT_EQ(Program({"--encode-password"}, "").exitCode, 1);
}

TEST_F(CommandLineRunTest, TheHelpSaysWhereThingsAreAndWhatTheExitCodesMean) {
  testsupport::ProgramResult result = Program({"--help"});
  EXPECT_EQ(result.exitCode, 0);
  for (const char* text : {"QvConfig.xml", "SISSchoolDistrict is the -t value", "-t<district>",
                           "default: the school's stored year", "default: the school's stored rule",
                           "QvMeridaneRunLog.txt", "Exit codes",
                           "--encode-password", "does not use them",
                           "Without arguments the Windows build (QvMeridane.exe) opens its window; the Linux build\nhas no window"}) {
    EXPECT_NE(result.out.find(text), std::string::npos) << text;
  }
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

// ---- One run's log, and its copy only where that run's school is ------------------------------

namespace {

int Occurrences(const std::string& text, const std::string& part) {
  int n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

}  // namespace

// The test process holds a run, as the window or a long extraction does, while the real program
// starts another: that one writes its own file of the series, and the first run's log keeps its
// one header and its lines in order. Once the first run has ended its file is taken again.
TEST_F(CommandLineRunTest, ARunStartedWhileAnotherWritesTheRunLogNeverEmptiesOrJoinsIt) {
  os::CreateOneDirectory(m_dir.File("import"));
  const std::string folder = BridgeFolders::RunLogFolder().ToStd();
  const std::string first = folder + "QvMeridaneRunLog.txt";
  const std::string second = folder + "QvMeridaneRunLog 2.txt";
  {
    TestApp holder{XString()};
    ASSERT_EQ(holder.RunLog().Path().Path().ToStd(), first);
    holder.RunLog().Write(kLogInfo, "Holder: before the other run");
    testsupport::ProgramResult other = Program({"-dQvNoSuchDsn", "-n101"});
    holder.RunLog().Write(kLogInfo, "Holder: after the other run");
    EXPECT_EQ(other.exitCode, 1);
    EXPECT_EQ(PathIn(other.err, "Run log: ", " (copy: "), second) << other.err;

    const std::string held = testsupport::ReadAll(first);
    EXPECT_EQ(Occurrences(held, "Last Run Log\r\n"), 1) << held;
    EXPECT_NE(held.find("Holder: before the other run\r\nHolder: after the other run\r\n"), std::string::npos)
        << held;
    EXPECT_EQ(held.find("Running via the command line."), std::string::npos) << held;

    const std::string own = testsupport::ReadAll(second);
    EXPECT_NE(own.find("The run log " + first + " is in use by another run; this run writes " + second + "."),
              std::string::npos)
        << own;
    EXPECT_NE(own.find("Error: Error connecting to"), std::string::npos) << own;
    EXPECT_EQ(own.find("Holder:"), std::string::npos);
    // The copy in the import folder is the other run's own log, as far as it went then.
    EXPECT_EQ(own.rfind(CopyText(), 0), 0u) << CopyText();
    EXPECT_NE(CopyText().find("Running via the command line."), std::string::npos);
  }
  testsupport::ProgramResult later = Program({"-dQvNoSuchDsn", "-n101"});
  EXPECT_EQ(PathIn(later.err, "Run log: ", " (copy: "), first) << later.err;
  EXPECT_EQ(testsupport::ReadAll(first).find("Holder:"), std::string::npos);
}

// A run that stops before its school's folder has passed its check leaves no copy anywhere: not
// in the folder of the school the preferences point at (that school's own copy stays), not at
// the top of the volume for a school without a folder; the standard-error line claims none.
TEST_F(CommandLineRunTest, ARunCopiesItsLogOnlyIntoItsOwnSchoolsCheckedFolder) {
  os::CreateOneDirectory(m_dir.File("import"));
  const std::string current = m_importFolder + "QvMeridaneRunLog.txt";
  testsupport::WriteAll(current, "school 101's own copy");
  const std::string other = m_dir.File("other") + os::kPathSeparator;
  {
    QvFramework site;
    for (const char* number : {"101", "202", "303"}) {
      auto school = std::make_unique<QvSchoolConf>();
      school->m_schoolNumber = number;
      school->m_importFolder = std::string(number) == "101" ? m_importFolder.c_str()
                               : std::string(number) == "202" ? other.c_str()
                                                              : "";
      site.Schools().Add(std::move(school));
    }
    site.SaveSiteConfiguration(m_bridgeFolder.c_str());
  }
  const std::string top = std::string(1, os::kPathSeparator) + "QvMeridaneRunLog.txt";
  const bool topExisted = os::PathExists(top);

  // No data source stored or given: the run stops before it has a school.
  testsupport::ProgramResult noDsn = Program({"-n202"});
  EXPECT_EQ(noDsn.exitCode, 1);
  EXPECT_NE(noDsn.err.find("No data source name is set"), std::string::npos) << noDsn.err;
  // A school without an import folder.
  testsupport::ProgramResult noFolder = Program({std::string("-d") + kDsn, "-n303"});
  EXPECT_EQ(noFolder.exitCode, 1);
  EXPECT_NE(noFolder.err.find("Import Folder is not set for school 303"), std::string::npos) << noFolder.err;
  for (const testsupport::ProgramResult* result : {&noDsn, &noFolder}) {
    EXPECT_EQ(result->err.find("(copy: "), std::string::npos) << result->err;
    const std::string log = testsupport::ReadAll(PathIn(result->err, "Run log: ", "\n"));
    EXPECT_NE(log.find("Run log not copied: no import folder of this run has passed its check."), std::string::npos)
        << log;
  }
  EXPECT_EQ(testsupport::ReadAll(current), "school 101's own copy");
  EXPECT_FALSE(os::PathExists(other + "QvMeridaneRunLog.txt"));
  if (!topExisted) {
    EXPECT_FALSE(os::PathExists(top));
  }

  // School 202's run that fails at the connection has checked its folder: the copy goes there.
  testsupport::ProgramResult failed = Program({"-dQvNoSuchDsn", "-n202"});
  EXPECT_EQ(PathIn(failed.err, "(copy: ", ")\n"), other + "QvMeridaneRunLog.txt") << failed.err;
  EXPECT_EQ(testsupport::ReadAll(current), "school 101's own copy");
}

// A stored data folder whose name the code page cannot hold stops the start with its name,
// instead of making and using the folder with '?' (or a look-alike letter) in its place.
TEST_F(CommandLineRunTest, ADataFolderTheCodePageCannotHoldStopsTheStartNamingIt) {
  if (os::CodePageName() != "CP1252") GTEST_SKIP() << "written for the code page CP1252";
  const std::string parent = m_dir.Path() + os::kPathSeparator;
#ifdef _WIN32
  const std::u16string folder = os::NarrowToWide(parent) + u"\u03A9data\\";
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, reinterpret_cast<const wchar_t*>(os::NarrowToWide(bridge::kPrefsKey).c_str()),
                            0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExW(key, L"Database Folder", 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                           static_cast<DWORD>((folder.size() + 1) * sizeof(char16_t))),
            ERROR_SUCCESS);
  RegCloseKey(key);
#else
  { Prefs().WriteText("Database Folder", (parent + "OMEGAdata/").c_str()); }
  const std::string hive = m_dir.File("config") + "/QvRegistry/user.reg";
  std::string text = testsupport::ReadAll(hive);
  text.replace(text.find("OMEGA"), 5, "\xCE\xA9");
  testsupport::WriteAll(hive, text);
#endif
  testsupport::ProgramResult result = Program({std::string("-d") + kDsn, "-n101"});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_NE(result.err.find("The preference \"Database Folder\" in "), std::string::npos) << result.err;
  EXPECT_NE(result.err.find(" holds the path " + parent + "<U+03A9>data" + os::kPathSeparator +
                            ", which has characters that the code page CP1252 cannot represent"),
            std::string::npos)
      << result.err;
  std::vector<std::string> names;
  os::ListDirectory(m_dir.Path(), names);
  for (const std::string& name : names) {
    EXPECT_TRUE(name == "data" || name.find("data") == std::string::npos) << name;  // "data": the fixture's
  }
}

#ifndef _WIN32
// The machine's settings file refuses the exit save: the save fails naming the file and the
// reason, and "Saved prefs." is not written (the program then ends with exit code 1).
TEST_F(CommandLineRunTest, ASettingsSaveThatFailsIsReportedWithTheFile) {
  TestApp app(m_runLog.c_str());
  os::FaultPlan plan;
  plan.FailPath(os::FaultKind::kRename, "machine.reg", EIO);
  EXPECT_FALSE(app.SaveConfiguration());
  const std::string expected =
      "Could not save the settings to " + m_dir.File("machine") + "/machine.reg: Input/output error";
  EXPECT_EQ(app.SaveFailure().ToStd(), expected);
  EXPECT_NE(RunLogText().find("Error: " + expected + "\r\n"), std::string::npos) << RunLogText();
  EXPECT_EQ(RunLogText().find("Saved prefs."), std::string::npos);
}
#endif

// ---- The run history ----------------------------------------------------------------------

namespace {

// The Cancel button pressed while the third table is read: the progress finds the request at
// its next repaint, as the window's does.
class CancelledProgress : public XCLIDualProgress {
 public:
  void ShowStepText(const char* text) override {
    XCLIDualProgress::ShowStepText(text);
    if (++m_steps != 3) return;
    RequestStop();
    CheckForStop();
  }

 private:
  int m_steps = 0;
};

}  // namespace

TEST_F(CommandLineRunTest, SucceededWarnedFailedAndCancelledRunsEachLeaveTheirRecord) {
  os::CreateOneDirectory(m_dir.File("import"));
  const std::string dsn = std::string("-d") + kDsn;
  // A night of the tiny SIS's school year, which has attendance to send.
  XDateTime::SetFixedNow(XDateTime(XDate::FromYMD(2009, 3, 18), XTime::FromHMS(1, 0, 0)));
  EXPECT_EQ(Run(dsn + " -n101"), "");
  EXPECT_EQ(Run(dsn + " -n101 -x"), "");  // an unknown letter: a Warning line, nothing else
  EXPECT_NE(Run("-dQvNoSuchDsn -n101"), "");
  {
    TestApp app(m_runLog.c_str());
    CancelledProgress stopped;
    app.SetProgress(&stopped);
    EXPECT_FALSE(app.ProcessCommandLine(CommandLine(XString(dsn + " -n101"))));
  }
  {
    // A full disk under the first table file.
    TestApp app(m_runLog.c_str());
    os::FaultPlan plan;
    plan.FailPath(os::FaultKind::kWrite, ".qef", os::DefaultFaultError(os::FaultKind::kWrite));
    EXPECT_FALSE(app.ProcessCommandLine(CommandLine(XString(dsn + " -n101"))));
  }
  XDateTime::ClearFixedNow();

  std::vector<XString> damaged;
  const std::vector<RunRecord> records = RunHistory(m_bridgeFolder.c_str()).Read(&damaged);
  EXPECT_TRUE(damaged.empty());
  ASSERT_EQ(records.size(), 5u);
  const RunRecord& good = records[0];
  EXPECT_EQ(good.outcome.ToStd(), RunRecord::kSucceeded);
  EXPECT_EQ(good.exitCode, 0);
  EXPECT_EQ(good.schoolName.ToStd(), "Lakeside");
  EXPECT_EQ(good.importFolder.ToStd(), m_importFolder);
  EXPECT_TRUE(good.firstError.IsEmpty());
  EXPECT_EQ(good.start.ToStd().substr(0, 19), "2009-03-18T01:00:00");
  int day = 0, ms = 0;
  EXPECT_TRUE(RunHistory::ParseIso(good.start, day, ms)) << good.start.c_str();
  EXPECT_TRUE(RunHistory::ParseIso(good.end, day, ms)) << good.end.c_str();
  EXPECT_GT(good.durationSeconds, 0);
  // The rows of each table are those of its file (less the header line).
  bool sawStudents = false;
  for (const auto& [file, rows] : good.tables) {
    const std::string text = testsupport::ReadAll(m_importFolder + file.ToStd());
    EXPECT_EQ(rows, static_cast<int64_t>(std::count(text.begin(), text.end(), '\n'))) << file.c_str();
    sawStudents = sawStudents || (file == "Students.qef" && rows > 0);
  }
  EXPECT_TRUE(sawStudents);
  ASSERT_FALSE(good.updateFile.IsEmpty());
  EXPECT_TRUE(os::PathExists(m_importFolder + good.updateFile.ToStd()));
  EXPECT_GT(good.attendanceRowsSent, 0);

  EXPECT_EQ(records[1].outcome.ToStd(), RunRecord::kWarnings);
  EXPECT_EQ(records[1].exitCode, 0);
  EXPECT_EQ(records[1].attendanceRowsSent, 0);  // the second run has no changes to send

  const RunRecord& noSource = records[2];
  EXPECT_EQ(noSource.outcome.ToStd(), RunRecord::kFailed);
  EXPECT_EQ(noSource.exitCode, 1);
  EXPECT_EQ(noSource.schoolName.ToStd(), "Lakeside");  // found by -n, though the run never got there
  EXPECT_EQ(noSource.firstError.ToStd().rfind("Error: Error connecting to Velkstrom Data Extractor", 0), 0u)
      << noSource.firstError.c_str();
  EXPECT_TRUE(noSource.tables.empty());

  EXPECT_EQ(records[3].outcome.ToStd(), RunRecord::kCancelled);
  EXPECT_EQ(records[3].firstError.ToStd(), "Error: Extraction was cancelled.");

  const RunRecord& fullDisk = records[4];
  EXPECT_EQ(fullDisk.outcome.ToStd(), RunRecord::kFailed);
  EXPECT_NE(fullDisk.firstError.ToStd().find(".qef"), std::string::npos) << fullDisk.firstError.c_str();
  EXPECT_TRUE(fullDisk.updateFile.IsEmpty());
}

TEST_F(CommandLineRunTest, AFailingFlushOfTheProcessAndAnUnwritableHistoryAreToldApart) {
  os::CreateOneDirectory(m_dir.File("import"));
  const std::string dsn = std::string("-d") + kDsn;
  // The whole process's first flush to the disk fails: the run fails and its record says so.
  os::SetEnv("QV_FAULT", "sync:1");
  testsupport::ProgramResult failed = Program({dsn, "-n101"});
  os::SetEnv("QV_FAULT", "");
  EXPECT_EQ(failed.exitCode, 1) << failed.err;
  std::vector<RunRecord> records = RunHistory(m_bridgeFolder.c_str()).Read(nullptr);
  ASSERT_EQ(records.size(), 1u) << failed.err;
  EXPECT_EQ(records[0].outcome.ToStd(), RunRecord::kFailed);
  EXPECT_EQ(records[0].exitCode, 1);
  EXPECT_EQ(records[0].firstError.ToStd().rfind("Error: ", 0), 0u);

  // A history that cannot be written is a Warning in the run log; the run succeeded.
  const std::string history = m_bridgeFolder + RunHistory::kFileName;
  os::DeleteFilePath(history);
  os::CreateOneDirectory(history);
  testsupport::ProgramResult good = Program({dsn, "-n101"});
  EXPECT_EQ(good.exitCode, 0) << good.err;
  EXPECT_NE(CopyText().find("Run history: this run's record was not kept: "), std::string::npos)
      << CopyText();
}

TEST_F(CommandLineRunTest, StatusExitCodesForMonitoringAndItsJsonReadBack) {
  WriteSchools({{"101", "", "Lakeside"}, {"102", "North", "Hillcrest"}});
  os::SetEnv("QV_FIXED_NOW", "2009-03-20 07:30:00");
  RunHistory history(m_bridgeFolder.c_str());
  const auto append = [&](const char* number, const char* district, const char* start, const char* outcome) {
    RunRecord record;
    record.schoolNumber = number;
    record.district = district;
    record.start = start;
    record.outcome = outcome;
    record.durationSeconds = 61;
    record.attendanceRowsSent = 12;
    record.firstError = std::string(outcome) == RunRecord::kFailed ? "Error: the disk is full" : "";
    history.Append(record, nullptr);
  };
  const auto status = [&](std::vector<std::string> arguments) {
    testsupport::ProgramResult result = Program(arguments);
    return result;
  };
  append("101", "", "2009-03-19T01:00:00+01:00", RunRecord::kSucceeded);
  append("102", "North", "2009-03-18T01:00:00+01:00", RunRecord::kSucceeded);
  // All good but one school last ran 54 hours ago: overdue.
  testsupport::ProgramResult overdue = status({"--status"});
  EXPECT_EQ(overdue.exitCode, RunStatus::kAttention) << overdue.out << overdue.err;
  EXPECT_NE(overdue.out.find("102\tHillcrest\tNorth\t2009-03-18T01:00:00+01:00\tsucceeded, overdue\t1 min 1 s\t12\t2\t\n"),
            std::string::npos)
      << overdue.out;
  append("102", "North", "2009-03-20T01:00:00+01:00", RunRecord::kSucceeded);
  EXPECT_EQ(status({"--status"}).exitCode, RunStatus::kAllGood);
  append("101", "", "2009-03-20T01:00:00+01:00", RunRecord::kFailed);
  // A damaged line is skipped with a warning; the rest still counts.
  testsupport::WriteAll(history.Path().ToStd(), testsupport::ReadAll(history.Path().ToStd()) + "{torn\n");
  testsupport::ProgramResult failed = status({"--status", "--json"});
  os::SetEnv("QV_FIXED_NOW", "");
  EXPECT_EQ(failed.exitCode, RunStatus::kFailed) << failed.err;
  EXPECT_NE(failed.err.find("warning: line 5 of " + history.Path().ToStd() + " is damaged"), std::string::npos)
      << failed.err;
  JsonValue json;
  ASSERT_TRUE(JsonValue::Parse(failed.out, json)) << failed.out;
  EXPECT_EQ(json.Member("exitCode")->Number(-1), RunStatus::kFailed);
  const std::vector<JsonValue>& schools = json.Member("schools")->Items();
  ASSERT_EQ(schools.size(), 2u);
  const JsonValue* lakeside = &schools[0];
  if (lakeside->Member("school")->Text() != "101") lakeside = &schools[1];
  EXPECT_EQ(lakeside->Member("outcome")->Text().ToStd(), "failed");
  EXPECT_EQ(lakeside->Member("firstError")->Text().ToStd(), "Error: the disk is full");
  EXPECT_EQ(lakeside->Member("nightsSinceSuccess")->Number(-1), 1);
  EXPECT_EQ(lakeside->Member("lastRun")->Text().ToStd(), "2009-03-20T01:00:00+01:00");
  EXPECT_EQ(json.Member("damagedLines")->Items().size(), 1u);
}
