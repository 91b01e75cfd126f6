// The district schedule: the file's bytes, the refusal of schools a night run could not serve,
// and the file run as the scheduler runs it, each line a real extraction of a three-school
// demo SIS. On Windows (under Wine) the task itself is registered by the program and read back
// through the Task Scheduler; the crontab side is tested by scripts/schedule-test.sh with a
// throwaway user.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/DistrictScheduler.h"
#include "app/PasswordCodec.h"
#include "app/Prefs.h"
#include "app/QvFramework.h"
#include "app/QvSchoolConf.h"
#include "app/QvSchoolConfDS.h"
#include "foundation/XException.h"
#include "os/Os.h"
#include "os/OsScheduler.h"
#include "testsupport/ChildProcess.h"
#include "testsupport/TempDir.h"
#include "testsupport/TestDataSources.h"
#include "tools/demosis/DemoGenerator.h"

namespace {

constexpr const char* kDistrictDsn = "Qv Sched District";  // blanks: one argument all the same
constexpr const char* kStoredDsn = "QvSchedStored";
constexpr const char* kStoredUser = "stored user";
constexpr const char* kStoredPassword = "st0red$";
// Every character sh or cmd could take for its own.
constexpr const char* kOddPassword = "p$`\\ w'x\"%";

bool DemoSourcesReady(std::string* whyNot) {
  static testsupport::TempDir folder;
  static bool ready = [&] {
    demosis::DemoOptions options;
    options.out = folder.File("district.db");
    options.schools = 3;
    options.students = 24;
    options.yearStart = "2008-08-20";
    demosis::GenerateDemoDatabase(options);
    return testsupport::RegisterDataSources({{kDistrictDsn, options.out}, {kStoredDsn, options.out}},
                                            whyNot);
  }();
  return ready;
}

// Three schools in the order the list keeps them (by name): the first and third with their own
// connection values, the second with none, so the stored ones stand in.
void AddSchools(QvSchoolConfDS& schools, const std::vector<std::string>& folders) {
  const char* names[] = {"Lakeside High", "Maple Middle", "O'Brien Elementary"};
  const char* numbers[] = {"101", "202", "303"};
  for (int i = 0; i < 3; ++i) {
    auto school = std::make_unique<QvSchoolConf>();
    school->m_schoolName = names[i];
    school->m_schoolNumber = numbers[i];
    school->m_importFolder = folders[i].c_str();
    if (i != 1) {
      school->m_dsn = kDistrictDsn;
      school->m_userName = i == 0 ? "sis admin" : "u3";
      school->m_password = i == 0 ? kOddPassword : "pw3";
    }
    schools.Add(std::move(school));
  }
}

// The text with each encoded password replaced by <Z>, and the passwords decoded in order. The
// batch form holds it between double quotes; the sh form as one sh word.
std::string WithoutPasswords(const std::string& text, bool shell, std::vector<std::string>& passwords) {
  std::string result;
  size_t at = 0;
  for (size_t z; (z = text.find(shell ? " -z'" : " -z\"", at)) != std::string::npos;) {
    result += text.substr(at, z - at) + (shell ? " -z'<Z>'" : " -z\"<Z>\"");
    size_t i = z + 3;
    std::string encoded;
    if (shell) {
      while (i < text.size() && text[i] != ' ') {
        if (text[i] == '\'') {
          const size_t close = text.find('\'', i + 1);
          encoded += text.substr(i + 1, close - i - 1);
          i = close + 1;
        } else if (text[i] == '\\') {
          encoded += text[i + 1];
          i += 2;
        } else {
          encoded += text[i++];
        }
      }
    } else {
      const size_t close = text.find('"', i + 1);
      encoded = text.substr(i + 1, close - i - 1);
      i = close + 1;
    }
    passwords.push_back(PasswordCodec::Decode(XString(encoded)).ToStd());
    at = i;
  }
  return result + text.substr(at);
}

// The batch file (false) or the sh script (true) of these schools, passwords replaced.
std::string FileTextOf(QvFramework& site, bool shell, const std::string& program) {
  DistrictScheduler scheduler(site.Schools(), kStoredDsn, kStoredUser, kStoredPassword, program.c_str());
  std::vector<std::string> passwords;
  return WithoutPasswords(shell ? scheduler.ShellScriptText("/x/summary.txt").ToStd() : scheduler.BatchFileText().ToStd(),
                          shell, passwords);
}

class DistrictSchedulerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string whyNot;
    ASSERT_TRUE(DemoSourcesReady(&whyNot)) << whyNot;
    m_program = testsupport::BuildProgram("app/QvMeridane");
    ASSERT_FALSE(m_program.empty()) << "QV_BINARY_DIR is not set";
    os::SetEnv("XDG_CONFIG_HOME", m_dir.File("config"));
    os::SetEnv("XDG_DATA_HOME", m_dir.File("data"));
    os::SetEnv("QV_MACHINE_HIVE_DIR", m_dir.File("machine"));
    os::SetEnv("QV_FIXED_NOW", "2009-03-18 10:00:00");
    m_bridgeFolder = m_dir.File("bridge") + os::kPathSeparator;
    os::CreateOneDirectory(m_dir.File("bridge"));
    Prefs prefs;
    prefs.WriteText("Database Folder", m_bridgeFolder.c_str());
    prefs.WriteInt("SchoolNth", 0);
    prefs.SetDsn(kStoredDsn);
    prefs.SetUserName(kStoredUser);
    prefs.SetPassword(kStoredPassword);
    prefs.Save();
    for (const char* number : {"101", "202", "303"}) {
      os::CreateOneDirectory(m_dir.File(std::string("import ") + number));
      m_folders.push_back(m_dir.File(std::string("import ") + number) + os::kPathSeparator);
    }
  }

  void TearDown() override {
    os::SetEnv("QV_FIXED_NOW", "");
    // Under Wine the preferences live in the prefix's registry, which the other suites share.
    Prefs prefs;
    prefs.SetDsn("");
    prefs.SetUserName("");
    prefs.SetPassword("");
    prefs.Save();
  }

  void WriteSiteConfiguration(const std::vector<std::string>& folders) {
    QvFramework site;
    AddSchools(site.Schools(), folders);
    site.SaveSiteConfiguration(m_bridgeFolder.c_str());
  }

  // Each school's run log copy shows a finished run of that school with the connection values
  // its line carried: the DSN with blanks read back whole, the stored DSN where the entry has
  // none.
  void ExpectExtracted() {
    const char* numbers[] = {"101", "202", "303"};
    const char* dsns[] = {kDistrictDsn, kStoredDsn, kDistrictDsn};
    for (int i = 0; i < 3; ++i) {
      SCOPED_TRACE(numbers[i]);
      const std::string log = testsupport::ReadAll(m_folders[i] + "QvMeridaneRunLog.txt");
      EXPECT_NE(std::string::npos, log.find(std::string("DSN:\"") + dsns[i] + "\"")) << log;
      EXPECT_NE(std::string::npos, log.find(std::string("School Number: \"") + numbers[i] + "\""));
      EXPECT_NE(std::string::npos, log.find("Returned from Execute."));
      EXPECT_EQ(std::string::npos, log.find("Error: ")) << log;
      EXPECT_TRUE(os::PathExists(m_folders[i] + "QvMeridaneExtractLog.txt"));
    }
  }

  testsupport::TempDir m_dir;
  std::string m_program;
  std::string m_bridgeFolder;
  std::vector<std::string> m_folders;
};

TEST_F(DistrictSchedulerTest, BatchFileHoldsOneBlockPerSchoolAndTheUpdaterLineWhenItExists) {
  QvSchoolConfDS schools;
  AddSchools(schools, {"C:\\imp\\101\\", "C:\\imp 202\\", "C:\\100%\\"});
  DistrictScheduler scheduler(schools, kStoredDsn, kStoredUser, kStoredPassword,
                              "C:\\Bridge\\QvMeridane.exe");
  scheduler.SetUpdaterPath(m_dir.File("no-updater.exe").c_str());
  std::vector<std::string> passwords;
  const std::string text = WithoutPasswords(scheduler.BatchFileText().ToStd(), false, passwords);
  const std::string expected =
      "REM District Scheduling\r\n"
      "REM Each line below is the command needed to extract the data from your SIS for each of the "
      "listed schools.\r\n"
      "\r\n\r\n"
      "REM Extract Data for: Lakeside High\r\n\r\n"
      "\"C:\\Bridge\\QvMeridane.exe\" -d\"Qv Sched District\" -u\"sis admin\" -z\"<Z>\" "
      "-p\"C:\\imp\\101\\\" -n\"101\" -a\"ad\"\r\n\r\n"
      "REM Information about this extract can be found in C:\\imp\\101\\QvMeridaneExtractLog.txt\r\n"
      "\r\n\r\n\r\n"
      "REM Extract Data for: Maple Middle\r\n\r\n"
      "\"C:\\Bridge\\QvMeridane.exe\" -d\"QvSchedStored\" -u\"stored user\" -z\"<Z>\" "
      "-p\"C:\\imp 202\\\" -n\"202\" -a\"ad\"\r\n\r\n"
      "REM Information about this extract can be found in C:\\imp 202\\QvMeridaneExtractLog.txt\r\n"
      "\r\n\r\n\r\n"
      "REM Extract Data for: O'Brien Elementary\r\n\r\n"
      // cmd turns a doubled percent sign into one.
      "\"C:\\Bridge\\QvMeridane.exe\" -d\"Qv Sched District\" -u\"u3\" -z\"<Z>\" "
      "-p\"C:\\100%%\\\" -n\"303\" -a\"ad\"\r\n\r\n"
      // In a comment too: cmd expands percent signs before it sees REM.
      "REM Information about this extract can be found in C:\\100%%\\QvMeridaneExtractLog.txt\r\n"
      "\r\n\r\n\r\n";
  EXPECT_EQ(expected, text);
  EXPECT_EQ((std::vector<std::string>{kOddPassword, kStoredPassword, "pw3"}), passwords);
  EXPECT_EQ("Export for District has been scheduled for 1:00 AM every school day.",
            DistrictScheduler::ScheduledMessage(false).ToStd());

  // A caret closing a REM line would join the school's command line to the comment.
  {
    QvSchoolConfDS careted;
    AddSchools(careted, {"C:\\imp\\101\\", "C:\\imp 202\\", "C:\\imp 303\\"});
    careted.At(0)->m_schoolName = "Lakeside^";
    DistrictScheduler other(careted, kStoredDsn, kStoredUser, kStoredPassword, "C:\\Bridge\\QvMeridane.exe");
    other.SetUpdaterPath(m_dir.File("no-updater.exe").c_str());
    const std::string careful = other.BatchFileText().ToStd();
    EXPECT_NE(std::string::npos, careful.find("REM Extract Data for: Lakeside^ \r\n\r\n\"C:\\Bridge")) << careful;
  }

  const std::string updater = m_dir.File("tvc_update.exe");
  testsupport::WriteAll(updater, "");
  scheduler.SetUpdaterPath(updater.c_str());
  passwords.clear();
  EXPECT_EQ(expected + "REM Auto Schedule TVC Update Command\r\n" + updater + "\r\n",
            WithoutPasswords(scheduler.BatchFileText().ToStd(), false, passwords));
  EXPECT_EQ("Export for District has been scheduled for 1:00 AM every school day. Your Tallyvox "
            "Connect Update has also been scheduled to occur immediately following the extracts.",
            DistrictScheduler::ScheduledMessage(true).ToStd());
}

TEST_F(DistrictSchedulerTest, ShellScriptQuotesEveryArgumentAndAddsEachExitCodeToTheSummary) {
  QvSchoolConfDS schools;
  AddSchools(schools, {"/srv/imp/101/", "/srv/imp 202/", "/srv/it's/"});
  DistrictScheduler scheduler(schools, kStoredDsn, kStoredUser, kStoredPassword,
                              "/opt/bridge/QvMeridane");
  std::vector<std::string> passwords;
  const std::string text =
      WithoutPasswords(scheduler.ShellScriptText("/srv/bridge/DistrictSchedulingSummary.txt").ToStd(),
                       true, passwords);
  const std::string expected =
      "#!/bin/sh\n"
      "# District Scheduling\n"
      "# Each line below is the command needed to extract the data from your SIS for each of the "
      "listed schools.\n"
      "# After each extract its exit code (0: it succeeded) and the copy of its run log are\n"
      "# added to the summary file.\n\n"
      "summary='/srv/bridge/DistrictSchedulingSummary.txt'\n"
      "printf 'District extract of %s\\n' \"$(date '+%Y-%m-%d %H:%M:%S')\" >> \"$summary\"\n\n"
      "# Extract Data for: Lakeside High\n\n"
      "'/opt/bridge/QvMeridane' -d'Qv Sched District' -u'sis admin' -z'<Z>' -p'/srv/imp/101/' "
      "-n'101' -a'ad'\n"
      "printf '%s: exit %s, run log %s\\n' '101 Lakeside High' \"$?\" "
      "'/srv/imp/101/QvMeridaneRunLog.txt' >> \"$summary\"\n\n"
      "# Information about this extract can be found in /srv/imp/101/QvMeridaneExtractLog.txt\n\n\n"
      "# Extract Data for: Maple Middle\n\n"
      "'/opt/bridge/QvMeridane' -d'QvSchedStored' -u'stored user' -z'<Z>' -p'/srv/imp 202/' "
      "-n'202' -a'ad'\n"
      "printf '%s: exit %s, run log %s\\n' '202 Maple Middle' \"$?\" "
      "'/srv/imp 202/QvMeridaneRunLog.txt' >> \"$summary\"\n\n"
      "# Information about this extract can be found in /srv/imp 202/QvMeridaneExtractLog.txt\n\n\n"
      "# Extract Data for: O'Brien Elementary\n\n"
      "'/opt/bridge/QvMeridane' -d'Qv Sched District' -u'u3' -z'<Z>' -p'/srv/it'\\''s/' "
      "-n'303' -a'ad'\n"
      "printf '%s: exit %s, run log %s\\n' '303 O'\\''Brien Elementary' \"$?\" "
      "'/srv/it'\\''s/QvMeridaneRunLog.txt' >> \"$summary\"\n\n"
      "# Information about this extract can be found in /srv/it's/QvMeridaneExtractLog.txt\n\n\n";
  EXPECT_EQ(expected, text);
  EXPECT_EQ((std::vector<std::string>{kOddPassword, kStoredPassword, "pw3"}), passwords);
}

TEST_F(DistrictSchedulerTest, SchoolWithoutAnImportFolderOrWithOneNoRunCouldMakeIsRefusedByName) {
  // Under a file: no run can make that folder.
  testsupport::WriteAll(m_dir.File("plain"), "");
  const std::string missing = m_dir.File("plain") + os::kPathSeparator + "gone" + os::kPathSeparator;
  const std::string file = m_dir.File("plain") + os::kPathSeparator;
  for (const std::string& folder : {std::string(), missing, file}) {
    SCOPED_TRACE(folder);
    QvSchoolConfDS schools;
    AddSchools(schools, {m_folders[0], folder, m_folders[2]});
    DistrictScheduler scheduler(schools, kStoredDsn, kStoredUser, kStoredPassword, m_program.c_str());
    const std::string scriptFolder = m_dir.File("scripts") + os::kPathSeparator;
    os::CreateOneDirectory(m_dir.File("scripts"));
    try {
      scheduler.Schedule(scriptFolder.c_str(), "nobody", "", nullptr);
      ADD_FAILURE() << "scheduled";
    } catch (const XException& error) {
      const std::string text = error.Text();
      EXPECT_NE(std::string::npos, text.find("\"Maple Middle\" (School Number 202)")) << text;
      if (!folder.empty()) {
        EXPECT_NE(std::string::npos, text.find("does not exist: " + folder)) << text;
      }
    }
    // Nothing written, nothing registered.
    EXPECT_FALSE(os::PathExists(DistrictScheduler::ScriptPath(scriptFolder.c_str()).ToStd()));
    if (os::kTasksRunBatchFiles) {
      os::WeeklyTask task;
      EXPECT_FALSE(os::ReadScheduledTask(DistrictScheduler::TaskName().ToStd(), task));
    }
  }
}

// The file as the scheduler runs it: the sh script (natively) or the batch file through cmd
// (Windows). Every line extracts its school; the script adds every exit code to the summary.
TEST_F(DistrictSchedulerTest, EachLineOfTheFileRunAsWrittenExtractsItsSchool) {
  WriteSiteConfiguration(m_folders);
  QvFramework site;
  AddSchools(site.Schools(), m_folders);
  DistrictScheduler scheduler(site.Schools(), kStoredDsn, kStoredUser, kStoredPassword,
                              m_program.c_str());
  const std::string folder = m_dir.File("run") + os::kPathSeparator;
  os::CreateOneDirectory(m_dir.File("run"));
  // After the last school the file writes the district's page of the nights just run.
  const XString report = (folder + "QvMeridaneReport.html").c_str();
  const std::string text = os::kTasksRunBatchFiles ? scheduler.BatchFileText(report).ToStd()
                                                   : scheduler.ShellScriptText((folder + "summary.txt").c_str(), report).ToStd();
  const std::string reportLine = std::string(" --report ") + (os::kTasksRunBatchFiles ? "\"" : "'") + report.ToStd();
  EXPECT_GT(text.find(reportLine), text.rfind("ExtractLog.txt")) << text;
  testsupport::ProgramResult ran;
  if constexpr (os::kTasksRunBatchFiles) {
    const std::string batch = folder + "DistrictScheduling.bat";
    testsupport::WriteAll(batch, text);
    ran = testsupport::RunProgram("C:\\windows\\system32\\cmd.exe", {"/c", batch});
  } else {
    const std::string script = folder + "DistrictScheduling.sh";
    testsupport::WriteAll(script, text);
    ran = testsupport::RunProgram("/bin/sh", {script});
    const std::string summary = testsupport::ReadAll(folder + "summary.txt");
    EXPECT_EQ(0u, summary.find("District extract of ")) << summary;
    for (int i = 0; i < 3; ++i) {
      const std::string line = std::string(i == 0 ? "101 Lakeside High" : i == 1 ? "202 Maple Middle"
                                                                                  : "303 O'Brien Elementary") +
                               ": exit 0, run log " + m_folders[i] + "QvMeridaneRunLog.txt\n";
      EXPECT_NE(std::string::npos, summary.find(line)) << summary;
    }
  }
  EXPECT_EQ(0, ran.exitCode) << ran.out << ran.err;
  ExpectExtracted();
  const std::string page = testsupport::ReadAll(report.ToStd());
  for (const char* school : {"Lakeside High", "Maple Middle", "O&#39;Brien Elementary"}) {
    EXPECT_NE(page.find(school), std::string::npos) << school;
  }
  EXPECT_EQ(page.find("never</td>"), std::string::npos) << "a school's run is missing from the page";
}

TEST_F(DistrictSchedulerTest, SummaryShowsAFailedSchoolsExitCode) {
  if constexpr (os::kTasksRunBatchFiles) GTEST_SKIP() << "the summary belongs to the sh form";
  // The site configuration lacks school 303: its line runs and fails.
  {
    QvFramework site;
    AddSchools(site.Schools(), m_folders);
    site.Schools().Remove(2);
    site.SaveSiteConfiguration(m_bridgeFolder.c_str());
  }
  QvFramework site;
  AddSchools(site.Schools(), m_folders);
  DistrictScheduler scheduler(site.Schools(), kStoredDsn, kStoredUser, kStoredPassword,
                              m_program.c_str());
  const std::string script = m_dir.File("night.sh");
  testsupport::WriteAll(script, scheduler.ShellScriptText(m_dir.File("summary.txt").c_str()).ToStd());
  testsupport::RunProgram("/bin/sh", {script});
  const std::string summary = testsupport::ReadAll(m_dir.File("summary.txt"));
  EXPECT_NE(std::string::npos, summary.find("202 Maple Middle: exit 0,")) << summary;
  EXPECT_NE(std::string::npos, summary.find("303 O'Brien Elementary: exit 1,")) << summary;
}

// A school under a district gets -t in its line (quoted as the other values), the others keep
// their lines byte for byte; the file run as the scheduler runs it extracts the district school.
TEST_F(DistrictSchedulerTest, ADistrictSchoolsLineNamesItsDistrictAndRunsToAPackage) {
  // Characters that cmd (& and %) or sh (' and &) would take for their own.
  const char* district = "North & 100% O'Dell";
  QvFramework site;
  AddSchools(site.Schools(), m_folders);
  QvSchoolConf* under = site.Schools().Find("303", "");
  ASSERT_NE(nullptr, under);
  const std::string plainBatch = FileTextOf(site, false, m_program);
  const std::string plainShell = FileTextOf(site, true, m_program);
  under->m_district = district;
  site.SaveSiteConfiguration(m_bridgeFolder.c_str());
  DistrictScheduler scheduler(site.Schools(), kStoredDsn, kStoredUser, kStoredPassword, m_program.c_str());
  std::vector<std::string> passwords;
  const std::string batch = WithoutPasswords(scheduler.BatchFileText().ToStd(), false, passwords);
  const std::string shell =
      WithoutPasswords(scheduler.ShellScriptText("/x/summary.txt").ToStd(), true, passwords);
  EXPECT_NE(std::string::npos, batch.find(" -n\"303\" -t\"North & 100%% O'Dell\" -a\"ad\"\r\n")) << batch;
  EXPECT_NE(std::string::npos, shell.find(" -n'303' -t'North & 100% O'\\''Dell' -a'ad'\n")) << shell;
  // Everything before the district school's block is as it was without the district.
  const size_t batchBlock = batch.find("REM Extract Data for: O'Brien");
  const size_t shellBlock = shell.find("# Extract Data for: O'Brien");
  EXPECT_EQ(plainBatch.substr(0, batchBlock), batch.substr(0, batchBlock));
  EXPECT_EQ(plainShell.substr(0, shellBlock), shell.substr(0, shellBlock));

  const std::string folder = m_dir.File("run") + os::kPathSeparator;
  os::CreateOneDirectory(m_dir.File("run"));
  testsupport::ProgramResult ran;
  if constexpr (os::kTasksRunBatchFiles) {
    testsupport::WriteAll(folder + "DistrictScheduling.bat", scheduler.BatchFileText().ToStd());
    ran = testsupport::RunProgram("C:\\windows\\system32\\cmd.exe", {"/c", folder + "DistrictScheduling.bat"});
  } else {
    testsupport::WriteAll(folder + "night.sh", scheduler.ShellScriptText((folder + "summary.txt").c_str()).ToStd());
    ran = testsupport::RunProgram("/bin/sh", {folder + "night.sh"});
  }
  EXPECT_EQ(0, ran.exitCode) << ran.out << ran.err;
  ExpectExtracted();
  EXPECT_NE(std::string::npos, testsupport::ReadAll(m_folders[2] + "QvMeridaneRunLog.txt")
                                   .find(std::string("District: \"") + district + "\""));

  // A double quote or a line break cannot be carried inside a quoted value: refused by name.
  for (const char* bad : {"North \"East\"", "North\r\nEast"}) {
    under->m_district = bad;
    try {
      scheduler.CheckSchools();
      ADD_FAILURE() << "accepted " << bad;
    } catch (const XException& error) {
      EXPECT_NE(std::string::npos, std::string(error.Text()).find("\"O'Brien Elementary\" (School Number 303)"))
          << error.Text();
    }
  }
}

// A folder that does not exist yet is accepted when a run could make it; the check leaves
// nothing behind.
TEST_F(DistrictSchedulerTest, AMissingImportFolderARunCouldMakeIsAccepted) {
  const std::string deeper = m_dir.File("new") + os::kPathSeparator + "deeper" + os::kPathSeparator;
  QvSchoolConfDS schools;
  AddSchools(schools, {m_folders[0], deeper, m_folders[2]});
  DistrictScheduler scheduler(schools, kStoredDsn, kStoredUser, kStoredPassword, m_program.c_str());
  EXPECT_NO_THROW(scheduler.CheckSchools());
  EXPECT_FALSE(os::PathExists(m_dir.File("new")));
  std::vector<std::string> names;
  os::ListDirectory(m_dir.Path(), names);
  for (const std::string& name : names) EXPECT_EQ(std::string::npos, name.find("schedule check")) << name;
}

// cmd.exe reads a batch file in the console code page: the file is written in it, so that a
// folder with accented letters reaches the program as written, and a value that page lacks is
// refused naming the school.
TEST_F(DistrictSchedulerTest, BatchLinesReachTheProgramAsWrittenInTheConsoleCodePage) {
  if (os::CodePageName() != "CP1252" || os::ConsoleCodePageName() != "CP437") {
    GTEST_SKIP() << "written for the code pages CP1252 and CP437";
  }
  const std::string accented = m_dir.File("Donn\xE9" "es") + os::kPathSeparator + "Saint-\xC9loi" + os::kPathSeparator;
  QvFramework site;
  AddSchools(site.Schools(), {m_folders[0], m_folders[1], accented});
  site.SaveSiteConfiguration(m_bridgeFolder.c_str());
  DistrictScheduler scheduler(site.Schools(), kStoredDsn, kStoredUser, kStoredPassword, m_program.c_str());
  const std::string text = scheduler.BatchFileText().ToStd();
  // In CP437: é is 0x82, É is 0x90.
  EXPECT_NE(std::string::npos, text.find("Donn\x82" "es" + std::string(1, os::kPathSeparator) + "Saint-\x90loi")) << text;
  EXPECT_EQ(std::string::npos, text.find("\xE9"));
  if constexpr (os::kTasksRunBatchFiles) {
    const std::string batch = m_dir.File("night.bat");
    testsupport::WriteAll(batch, text);
    testsupport::ProgramResult ran = testsupport::RunProgram("C:\\windows\\system32\\cmd.exe", {"/c", batch});
    EXPECT_EQ(0, ran.exitCode) << ran.out << ran.err;
    m_folders[2] = accented;
    ExpectExtracted();
  }

  // "€" is in CP1252 but not in CP437.
  site.Schools().Find("202", "")->m_importFolder = (m_dir.File("100\x80") + os::kPathSeparator).c_str();
  try {
    scheduler.BatchFileText();
    ADD_FAILURE() << "written";
  } catch (const XException& error) {
    EXPECT_NE(std::string::npos, std::string(error.Text()).find("The import folder of the school \"Maple Middle\" "
                                                              "(School Number 202) has a character that the "
                                                              "console code page CP437 lacks")) << error.Text();
  }
}

// The program registers the task itself (as the current user) and reads back as the Task
// Scheduler holds it; a second scheduling keeps one task with the new account and one trigger.
TEST_F(DistrictSchedulerTest, ScheduleVerbRegistersOneTaskAndSchedulingAgainReplacesIt) {
  if constexpr (!os::kTasksRunBatchFiles) {
    GTEST_SKIP() << "the crontab side runs in scripts/schedule-test.sh with a throwaway user";
  }
  WriteSiteConfiguration(m_folders);
  const std::string name = DistrictScheduler::TaskName().ToStd();
  os::DeleteScheduledTask(name);

  testsupport::ProgramResult scheduled = testsupport::RunProgram(m_program, {"--schedule"}, "secret\n");
  ASSERT_EQ(0, scheduled.exitCode) << scheduled.err;
  EXPECT_EQ(0u, scheduled.out.find("Export for District has been scheduled for 1:00 AM every school "
                                   "day.")) << scheduled.out;
  EXPECT_EQ(std::string::npos, scheduled.out.find("Tallyvox")) << scheduled.out;
  // Beside the site configuration, never in the program's folder (not the user's to write
  // once installed).
  const std::string programFolder = m_program.substr(0, m_program.rfind('\\') + 1);
  const std::string batch = m_bridgeFolder + "DistrictScheduling.bat";
  EXPECT_FALSE(os::PathExists(programFolder + "DistrictScheduling.bat"));
  EXPECT_NE(std::string::npos, scheduled.out.find("Scheduled file: " + batch)) << scheduled.out;
  os::WeeklyTask task;
  ASSERT_TRUE(os::ReadScheduledTask(name, task));
  EXPECT_EQ(batch, task.application);
  EXPECT_EQ("", task.parameters);
  EXPECT_EQ(m_bridgeFolder, task.workingDirectory);
  // Wine's scheduler does not report the account back; Windows does.
  if (task.accountReported) {
    EXPECT_EQ(os::UserName(), task.account);
  }
  EXPECT_EQ(os::kMondayToFriday, task.days);
  EXPECT_EQ(1, task.hour);
  EXPECT_EQ(0, task.minute);
  EXPECT_EQ(1, task.everyWeeks);
  EXPECT_EQ(1, task.triggers);
  EXPECT_EQ(10u, task.beginDate.size());

  // The batch file the task runs extracts every school.
  testsupport::ProgramResult ran = testsupport::RunProgram("C:\\windows\\system32\\cmd.exe", {"/c", batch});
  EXPECT_EQ(0, ran.exitCode) << ran.out << ran.err;
  ExpectExtracted();

  // Again, from another folder and under another account: one task, one trigger, the new
  // account, and the file of this scheduling.
  QvFramework site;
  AddSchools(site.Schools(), m_folders);
  DistrictScheduler scheduler(site.Schools(), kStoredDsn, kStoredUser, kStoredPassword, m_program.c_str());
  const std::string elsewhere = m_dir.File("elsewhere") + os::kPathSeparator;
  os::CreateOneDirectory(m_dir.File("elsewhere"));
  scheduler.Schedule(elsewhere.c_str(), "QvSchedOther", "other", nullptr);
  ASSERT_TRUE(os::ReadScheduledTask(name, task));
  if (task.accountReported) {
    EXPECT_EQ("QvSchedOther", task.account);
  }
  EXPECT_EQ(1, task.triggers);
  EXPECT_EQ(os::kMondayToFriday, task.days);
  EXPECT_EQ(elsewhere + "DistrictScheduling.bat", task.application);
  EXPECT_EQ(elsewhere, task.workingDirectory);

  testsupport::ProgramResult removed = testsupport::RunProgram(m_program, {"--unschedule"});
  EXPECT_EQ(0, removed.exitCode) << removed.err;
  EXPECT_FALSE(os::ReadScheduledTask(name, task));
  // Refused with a school that has no import folder: nothing registered.
  testsupport::WriteAll(m_dir.File("plain"), "");
  WriteSiteConfiguration({m_folders[0], m_dir.File("plain") + os::kPathSeparator + "gone" + os::kPathSeparator,
                          m_folders[2]});
  testsupport::ProgramResult refused = testsupport::RunProgram(m_program, {"--schedule"});
  EXPECT_EQ(1, refused.exitCode);
  EXPECT_NE(std::string::npos, refused.err.find("\"Maple Middle\" (School Number 202)")) << refused.err;
  EXPECT_FALSE(os::ReadScheduledTask(name, task));
}

}  // namespace
