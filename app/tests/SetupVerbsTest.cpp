// The setup verbs as an administrator's script uses them: the real program started as a
// process, against the tiny demo SIS and variants of it that lack columns, with preferences,
// site configuration and import folders in throwaway folders. A check's report is held
// against the package header that a real run of the same SIS then writes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "app/Prefs.h"
#include "os/Os.h"
#include "os/OsScheduler.h"
#include "testsupport/ChildProcess.h"
#include "testsupport/TempDir.h"
#include "testsupport/TestDataSources.h"
#include "tools/demosis/DemoGenerator.h"

namespace {

constexpr const char* kFull = "QvSetupTiny";
// Optional columns missing: two student fields (one with a custom field no other table
// offers), a staff field and a doctor field whose custom fields other tables still offer, and
// the class number, which the class name stands in for.
constexpr const char* kLean = "QvSetupLean";
// A required column of the calendar missing: a run ends there.
constexpr const char* kNoReason = "QvSetupNoReason";

bool DemoSourcesReady(std::string* whyNot) {
  static testsupport::TempDir folder;
  static bool ready = [&] {
    auto generate = [&](const char* name, std::vector<std::string> without) {
      demosis::DemoOptions options;
      options.out = folder.File(std::string(name) + ".db");
      options.tiny = true;
      options.without = std::move(without);
      demosis::GenerateDemoDatabase(options);
      return std::make_pair(std::string(name), options.out);
    };
    return testsupport::RegisterDataSources(
        {generate(kFull, {}),
         generate(kLean, {"Student.NickName", "Student.BirthPlace", "Personnel.CellPhone",
                          "Medical_Note.PhysPhone", "StudentClass.ClassNum"}),
         generate(kNoReason, {"Event.Reason"})},
        whyNot);
  }();
  return ready;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (size_t at; (at = text.find(separator, start)) != std::string::npos; start = at + 1) {
    parts.push_back(text.substr(start, at - start));
  }
  parts.push_back(text.substr(start));
  return parts;
}

// What a package header file announces: per table file its header fields, and the custom
// field keys.
struct PackageHeader {
  std::map<std::string, std::vector<std::string>> fields;
  std::set<std::string> customKeys;
};

PackageHeader ReadPackageHeader(const std::string& path) {
  PackageHeader header;
  const std::vector<std::string> lines = Lines(testsupport::ReadAll(path));
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    if (line.rfind("#include \"", 0) == 0 && i > 0) {
      const std::string file = line.substr(10, line.size() - 11);
      header.fields[file] = Split(lines[i - 1], '\t');
    } else if (line.rfind("#custom", 0) == 0) {
      const size_t open = line.find('"');
      header.customKeys.insert(line.substr(open + 1, line.find('"', open + 1) - open - 1));
    }
  }
  return header;
}

// The report's JSON as the tests read it: the fixed key order of the report lets each value
// be found after its key. Names in these lists carry no escapes.
struct ReportTable {
  std::vector<std::string> fields, missingColumns, absentFields, absentCustomFields;
  long long rows = -1;
  std::string failure;
};

std::vector<std::string> ListAfter(const std::string& json, size_t from, const std::string& key) {
  std::vector<std::string> items;
  size_t at = json.find("\"" + key + "\":[", from);
  if (at == std::string::npos) return items;
  at += key.size() + 4;
  while (json[at] == '"') {
    const size_t end = json.find('"', at + 1);
    items.push_back(json.substr(at + 1, end - at - 1));
    at = end + 1;
    if (json[at] == ',') ++at;
  }
  return items;
}

std::string TextAfter(const std::string& json, size_t from, const std::string& key) {
  size_t at = json.find("\"" + key + "\":", from);
  if (at == std::string::npos) return std::string();
  at += key.size() + 3;
  if (json[at] != '"') return std::string();
  return json.substr(at + 1, json.find('"', at + 1) - at - 1);
}

std::map<std::string, ReportTable> ReportTables(const std::string& json) {
  std::map<std::string, ReportTable> tables;
  for (size_t at = json.find("{\"file\":\""); at != std::string::npos;
       at = json.find("{\"file\":\"", at + 1)) {
    ReportTable table;
    table.fields = ListAfter(json, at, "fields");
    table.missingColumns = ListAfter(json, at, "missingColumns");
    table.absentFields = ListAfter(json, at, "absentFields");
    table.absentCustomFields = ListAfter(json, at, "absentCustomFields");
    table.failure = TextAfter(json, at, "failure");
    const size_t rows = json.find("\"rows\":", at) + 7;
    if (json.compare(rows, 4, "null") != 0) table.rows = std::stoll(json.substr(rows));
    tables[TextAfter(json, at, "file")] = table;
  }
  return tables;
}

class SetupVerbsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string whyNot;
    ASSERT_TRUE(DemoSourcesReady(&whyNot)) << whyNot;
    m_program = testsupport::BuildProgram("app/QvMeridane");
    ASSERT_FALSE(m_program.empty()) << "QV_BINARY_DIR is not set";
    // The child processes inherit these: their preferences, data folders and "now".
    os::SetEnv("XDG_CONFIG_HOME", m_dir.File("config"));
    os::SetEnv("XDG_DATA_HOME", m_dir.File("data"));
    os::SetEnv("QV_MACHINE_HIVE_DIR", m_dir.File("machine"));
    os::SetEnv("QV_FIXED_NOW", "2009-03-18 10:00:00");
    m_bridgeFolder = m_dir.File("bridge") + os::kPathSeparator;
    Prefs prefs;
    prefs.WriteText("Database Folder", m_bridgeFolder.c_str());
    prefs.WriteInt("SchoolNth", 0);
  }

  void TearDown() override { os::SetEnv("QV_FIXED_NOW", ""); }

  testsupport::ProgramResult Run(const std::vector<std::string>& arguments) {
    return testsupport::RunProgram(m_program, arguments);
  }
  std::string Folder(const std::string& name) { return m_dir.File(name) + os::kPathSeparator; }
  std::string SiteConfiguration() { return testsupport::ReadAll(m_bridgeFolder + "QvConfig.xml"); }

  // The "QvSchoolConf" element of a school, byte for byte.
  std::string Entry(const std::string& number) {
    const std::string config = SiteConfiguration();
    const size_t at = config.find("SchoolNumber=\"" + number + "\"");
    if (at == std::string::npos) return std::string();
    const size_t start = config.rfind("<QvSchoolConf ", at);
    const size_t end = config.find("</QvSchoolConf>", at) + 15;
    return config.substr(start, end - start);
  }

  // A real run of the school into its import folder, as the nightly batch file starts it.
  testsupport::ProgramResult Extract(const char* dsn, const std::string& folder) {
    EXPECT_EQ(0, Run({"--add-school", std::string("-d") + dsn, "-n101", "-p" + folder}).exitCode);
    return Run({std::string("-d") + dsn, "-n101"});
  }

  testsupport::TempDir m_dir;
  std::string m_program;
  std::string m_bridgeFolder;
};

TEST_F(SetupVerbsTest, SchoolsListsTheSisSchoolsAndAnUnreachableSisFailsOnStandardError) {
  testsupport::ProgramResult schools = Run({"--schools", std::string("-d") + kFull});
  EXPECT_EQ(0, schools.exitCode) << schools.err;
  const std::vector<std::string> lines = Lines(schools.out);
  ASSERT_EQ(2u, lines.size()) << schools.out;
  EXPECT_EQ("101\tLakeside High School", lines[0]);
  EXPECT_EQ(0u, lines[1].rfind("202\tSaint-", 0)) << lines[1];
  EXPECT_EQ("", schools.err);

  testsupport::ProgramResult unreachable = Run({"--schools", "-dQvNoSuchDsn"});
  EXPECT_EQ(1, unreachable.exitCode);
  EXPECT_EQ("", unreachable.out);
  EXPECT_NE(std::string::npos, unreachable.err.find("Error connecting to")) << unreachable.err;

  testsupport::ProgramResult unknown = Run({"--school"});
  EXPECT_EQ(64, unknown.exitCode);
  EXPECT_NE("", unknown.err);

  testsupport::ProgramResult help = Run({"--help"});
  EXPECT_EQ(0, help.exitCode);
  for (const char* verb : {"--schools", "--add-school", "--remove-school", "--list", "--check"}) {
    EXPECT_NE(std::string::npos, help.out.find(verb)) << verb;
  }
}

TEST_F(SetupVerbsTest, AddReplaceAndRemoveLeaveTheOtherEntriesByteIdentical) {
  const std::string lakeside = Folder("lakeside"), eloi = Folder("eloi");
  ASSERT_EQ(0, Run({"--add-school", std::string("-d") + kFull, "-n202", "-p" + eloi, "-uclerk",
                    "-w33secret3", "-y2008"}).exitCode);
  testsupport::ProgramResult added = Run({"--add-school", std::string("-d") + kFull, "-n101",
                                          "-p" + lakeside, "-iyes"});
  ASSERT_EQ(0, added.exitCode) << added.err;
  EXPECT_NE(std::string::npos, added.out.find("Added school 101")) << added.out;
  const std::string other = Entry("202");
  ASSERT_NE("", other);
  EXPECT_NE(std::string::npos, Entry("101").find("SISInactiveCutoff=\"16000102\""));

  // A second add of the same number replaces its entry; the other one keeps every byte,
  // its randomly encoded password included.
  const std::string moved = Folder("lakeside2");
  testsupport::ProgramResult replaced =
      Run({"--add-school", std::string("-d") + kFull, "-n101", "-p" + moved});
  ASSERT_EQ(0, replaced.exitCode) << replaced.err;
  EXPECT_NE(std::string::npos, replaced.out.find("Replaced school 101"));
  EXPECT_EQ(other, Entry("202"));
  EXPECT_NE(std::string::npos, Entry("101").find("SISImportFolder=\"" + moved + "\""));
  EXPECT_NE(std::string::npos, Entry("101").find("SISInactiveCutoff=\"\""));
  const std::vector<std::string> listed = Lines(Run({"--list"}).out);
  ASSERT_EQ(2u, listed.size());
  EXPECT_EQ("101\tLakeside High School\t\t" + std::string(kFull) + "\t" + moved, listed[0]);

  // What the SIS or the folder refuses changes nothing.
  const std::string before = SiteConfiguration();
  testsupport::ProgramResult unknown =
      Run({"--add-school", std::string("-d") + kFull, "-n999", "-p" + lakeside});
  EXPECT_EQ(1, unknown.exitCode);
  EXPECT_NE(std::string::npos, unknown.err.find("Invalid School Number '999', See log for details."));
  EXPECT_EQ(64, Run({"--add-school", std::string("-d") + kFull, "-n101"}).exitCode);
  EXPECT_EQ(before, SiteConfiguration());

  testsupport::ProgramResult removed = Run({"--remove-school", "-n101"});
  ASSERT_EQ(0, removed.exitCode) << removed.err;
  EXPECT_EQ("", Entry("101"));
  EXPECT_EQ(other, Entry("202"));
  EXPECT_EQ(1u, Lines(Run({"--list"}).out).size());

  testsupport::ProgramResult again = Run({"--remove-school", "-n101"});
  EXPECT_EQ(1, again.exitCode);
  EXPECT_NE(std::string::npos,
            again.err.find("No school in the site configuration has the School Number \"101\""));
  EXPECT_EQ(other, Entry("202"));
}

TEST_F(SetupVerbsTest, CheckReportsWhatARealRunOfTheSameSisThenWrites) {
  const std::string leanFolder = Folder("lean"), fullFolder = Folder("full");
  testsupport::ProgramResult check = Run({"--check", std::string("-d") + kLean, "-n101", "--json"});
  ASSERT_EQ(0, check.exitCode) << check.err;
  EXPECT_NE(std::string::npos, check.out.find("\"endsEarly\":false"));
  EXPECT_NE(std::string::npos, check.out.find("\"inSiteConfiguration\":false"));
  // With the school's entry in place the check still writes nothing into its folder.
  ASSERT_EQ(0, Run({"--add-school", std::string("-d") + kLean, "-n101", "-p" + leanFolder}).exitCode);
  EXPECT_EQ(check.out.substr(check.out.find("\"tables\"")),
            [&] {
              const std::string again = Run({"--check", std::string("-d") + kLean, "-n101", "--json"}).out;
              return again.substr(again.find("\"tables\""));
            }());
  for (const char* file : {"QvMeridaneExtractLog.txt", "SchoolConfig.xml", "Terms.qef", "AttCodes.qef",
                           "Attendance.db", "QvMeridane.QDE", "QvMeridaneRunLog.txt"}) {
    EXPECT_FALSE(os::PathExists(leanFolder + file)) << file;
  }
  EXPECT_EQ("", check.err);
  const std::map<std::string, ReportTable> report = ReportTables(check.out);
  EXPECT_EQ(23u, report.size());

  ASSERT_EQ(0, Extract(kLean, leanFolder).exitCode);
  ASSERT_EQ(0, Extract(kFull, fullFolder).exitCode);
  const PackageHeader lean = ReadPackageHeader(leanFolder + "QvMeridane.QDE");
  const PackageHeader full = ReadPackageHeader(fullFolder + "QvMeridane.QDE");
  ASSERT_EQ(21u, full.fields.size());
  ASSERT_EQ(full.fields.size(), lean.fields.size());

  std::set<std::string> absentCustom;
  for (const auto& [file, fields] : full.fields) {
    SCOPED_TRACE(file);
    ASSERT_EQ(1u, report.count(file));
    const ReportTable& table = report.at(file);
    EXPECT_EQ(lean.fields.at(file), table.fields);
    // The full SIS's fields less the ones the report calls absent are the lean run's.
    std::vector<std::string> kept;
    for (const std::string& field : fields) {
      if (std::find(table.absentFields.begin(), table.absentFields.end(), field) == table.absentFields.end()) {
        kept.push_back(field);
      }
    }
    EXPECT_EQ(lean.fields.at(file), kept);
    absentCustom.insert(table.absentCustomFields.begin(), table.absentCustomFields.end());
  }
  std::set<std::string> lostCustom;
  for (const std::string& key : full.customKeys) {
    if (!lean.customKeys.count(key)) lostCustom.insert(key);
  }
  EXPECT_EQ(lostCustom, absentCustom);
  EXPECT_EQ(std::set<std::string>{"BirthPlace"}, absentCustom);

  const ReportTable& students = report.at("Students.qef");
  EXPECT_EQ((std::vector<std::string>{"Student.NickName", "Student.BirthPlace"}), students.missingColumns);
  EXPECT_EQ((std::vector<std::string>{"StdNickName", "StdBirthPlace"}), students.absentFields);
  EXPECT_EQ(Lines(testsupport::ReadAll(leanFolder + "Students.qef")).size(),
            static_cast<size_t>(students.rows));
  // The class name stands in for the missing class number: the section key stays.
  EXPECT_EQ(std::vector<std::string>{"StudentClass.ClassNum"}, report.at("Sections.qef").missingColumns);
  EXPECT_TRUE(report.at("Sections.qef").absentFields.empty());
  EXPECT_EQ(std::vector<std::string>{"StaffCellPhone"}, report.at("Staff.qef").absentFields);
  EXPECT_EQ(-1, report.at("AttCodes.qef").rows);
  // Both attendance extracts read the same absences, each over the whole school year so far,
  // as a first run does.
  EXPECT_GT(report.at("StudentDailyAtt.qef").rows, 0);
  EXPECT_EQ(report.at("StudentDailyAtt.qef").rows, report.at("StudentPeriodAtt.qef").rows);
}

TEST_F(SetupVerbsTest, CheckOfAMissingRequiredColumnGivesTheRunsMessageAndExitTwo) {
  const std::string message = "Required Field does not exist : Reason in table Event";
  testsupport::ProgramResult check = Run({"--check", std::string("-d") + kNoReason, "-n101", "--json"});
  EXPECT_EQ(2, check.exitCode);
  EXPECT_NE(std::string::npos, check.out.find("\"message\":\"" + message + "\"")) << check.out;
  EXPECT_EQ(message, ReportTables(check.out).at("Calendar.qef").failure);
  EXPECT_NE(std::string::npos, check.err.find(message)) << check.err;

  testsupport::ProgramResult text = Run({"--check", std::string("-d") + kNoReason, "-n101"});
  EXPECT_EQ(2, text.exitCode);
  EXPECT_NE(std::string::npos, text.out.find("A run would end early: " + message));

  // The run itself ends with the same message.
  const std::string folder = Folder("noreason");
  EXPECT_EQ(1, Extract(kNoReason, folder).exitCode);
  EXPECT_NE(std::string::npos,
            testsupport::ReadAll(folder + "QvMeridaneRunLog.txt").find("Error: " + message + "\r\n"));

  testsupport::ProgramResult unreachable = Run({"--check", "-dQvNoSuchDsn", "-n101"});
  EXPECT_EQ(1, unreachable.exitCode);
  EXPECT_EQ("", unreachable.out);
  testsupport::ProgramResult unknownSchool = Run({"--check", std::string("-d") + kFull, "-n999"});
  EXPECT_EQ(2, unknownSchool.exitCode);
  EXPECT_NE(std::string::npos, unknownSchool.err.find("Invalid School Number '999'"));
}

TEST_F(SetupVerbsTest, AMissingOptionOrAMixedCommandLineIsRefusedWithUsageAndChangesNothing) {
  const std::string folder = Folder("lakeside");
  ASSERT_EQ(0, Run({"--add-school", std::string("-d") + kFull, "-n101", "-p" + folder}).exitCode);
  const std::string before = SiteConfiguration();
  const std::vector<std::pair<std::vector<std::string>, std::string>> refused = {
      {{"--add-school", std::string("-d") + kFull, "-p" + folder}, "--add-school needs the school number: -n<number>"},
      {{"--remove-school"}, "--remove-school needs the school number: -n<number>"},
      {{"--check", std::string("-d") + kFull}, "--check needs the school number: -n<number>"},
      {{"--list", "--json"}, "--json goes with --check and --status only"},
      {{"--list", "--remove-school", "-n101"}, "one verb at a time"},
      {{"--report"}, "--report needs the file to write: --report FILE"},
      {{"--report", "-n101"}, "--report needs the file to write: --report FILE"},
  };
  for (const auto& [arguments, message] : refused) {
    SCOPED_TRACE(arguments.front());
    testsupport::ProgramResult result = Run(arguments);
    EXPECT_EQ(64, result.exitCode);
    EXPECT_EQ("", result.out);
    EXPECT_NE(std::string::npos, result.err.find(message)) << result.err;
  }
  EXPECT_EQ(before, SiteConfiguration());
}

TEST_F(SetupVerbsTest, AnImportFolderThatFailsItsCheckIsRefusedAndChangesNothing) {
  ASSERT_EQ(0, Run({"--add-school", std::string("-d") + kFull, "-n202", "-p" + Folder("eloi")}).exitCode);
  const std::string before = SiteConfiguration();
  const std::string plain = m_dir.File("plain");
  testsupport::WriteAll(plain, "not a folder");
  const std::string folder = plain + os::kPathSeparator + "Import" + os::kPathSeparator;
  testsupport::ProgramResult refused = Run({"--add-school", std::string("-d") + kFull, "-n101", "-p" + folder});
  EXPECT_EQ(1, refused.exitCode);
  EXPECT_NE(std::string::npos, refused.err.find("Import Folder does not exist: " + folder)) << refused.err;
  EXPECT_EQ(before, SiteConfiguration());
}

TEST_F(SetupVerbsTest, EntriesKeepTheirValuesTheWindowsSettingsAndTheCurrentSchool) {
  ASSERT_EQ(0, Run({"--add-school", std::string("-d") + kFull, "-n202", "-p" + Folder("eloi"), "-uclerk",
                    "-y2010"}).exitCode);
  EXPECT_NE(std::string::npos, Entry("202").find("SISUserName=\"clerk\""));
  EXPECT_NE(std::string::npos, Entry("202").find("SISSchoolYear=\"2010\""));
  EXPECT_EQ(0, Prefs().ReadInt("SchoolNth", -1));

  // Lakeside sorts in before the current school, which keeps its place by entry.
  ASSERT_EQ(0, Run({"--add-school", std::string("-d") + kFull, "-n101", "-p" + Folder("lakeside")}).exitCode);
  // Without -y the school year is the one under way on the fixed day (March 2009).
  EXPECT_NE(std::string::npos, Entry("101").find("SISSchoolYear=\"2008\""));
  EXPECT_EQ(1, Prefs().ReadInt("SchoolNth", -1));

  // A replaced entry keeps what only the window edits.
  std::string config = SiteConfiguration();
  const size_t at = config.find("StudPhotoImport=\"0\"", config.find("SchoolNumber=\"101\""));
  config.replace(at, 19, "StudPhotoImport=\"1\"");
  testsupport::WriteAll(m_bridgeFolder + "QvConfig.xml", config);
  ASSERT_EQ(0, Run({"--add-school", std::string("-d") + kFull, "-n101", "-p" + Folder("lakeside2")}).exitCode);
  EXPECT_NE(std::string::npos, Entry("101").find("StudPhotoImport=\"1\""));
  EXPECT_EQ(1, Prefs().ReadInt("SchoolNth", -1));

  ASSERT_EQ(0, Run({"--remove-school", "-n101"}).exitCode);
  EXPECT_EQ(0, Prefs().ReadInt("SchoolNth", -1));
}

TEST_F(SetupVerbsTest, CheckSaysWhetherInactiveStudentsAreRead) {
  EXPECT_NE(std::string::npos,
            Run({"--check", std::string("-d") + kFull, "-n101", "--json"}).out.find("\"activeOnly\":true"));
  EXPECT_NE(std::string::npos,
            Run({"--check", std::string("-d") + kFull, "-n101", "-iyes", "--json"}).out.find("\"activeOnly\":false"));
}

// The refusals come before the crontab or the Task Scheduler is touched; on Linux the child
// finds no crontab program at all, so a refusal that let a school through fails otherwise.
TEST_F(SetupVerbsTest, ScheduleRefusesNoSchoolsAndAValueACommandLineCannotCarry) {
  struct KeptPath {
    std::string path = os::GetEnv("PATH");
    ~KeptPath() { os::SetEnv("PATH", path); }
  } kept;
  if constexpr (!os::kTasksRunBatchFiles) os::SetEnv("PATH", m_dir.File("nothing"));
  testsupport::ProgramResult none = Run({"--schedule"});
  EXPECT_EQ(1, none.exitCode);
  EXPECT_NE(std::string::npos, none.err.find("There are no schools to schedule; add a school first.")) << none.err;

  // Written into the site configuration itself: a Windows command line cannot carry a double
  // quote inside a value, so -u could not store one there.
  for (const char* user : {"cl&quot;erk", "cl&#10;erk"}) {
    SCOPED_TRACE(user);
    ASSERT_EQ(0, Run({"--add-school", std::string("-d") + kFull, "-n101", "-p" + Folder("lakeside"),
                      "-uclerk"}).exitCode);
    std::string config = SiteConfiguration();
    const size_t at = config.find("SISUserName=\"clerk\"");
    ASSERT_NE(std::string::npos, at) << config;
    config.replace(at, std::strlen("SISUserName=\"clerk\""), std::string("SISUserName=\"") + user + "\"");
    testsupport::WriteAll(m_bridgeFolder + "QvConfig.xml", config);
    testsupport::ProgramResult refused = Run({"--schedule"});
    EXPECT_EQ(1, refused.exitCode);
    EXPECT_EQ("", refused.out);
    EXPECT_NE(std::string::npos,
              refused.err.find("The school \"Lakeside High School\" (School Number 101) has a DSN, user name, "
                               "import folder, number or district with a double quote or a line break"))
        << refused.err;
  }
}

// The program saves once more as it ends, and keeps quiet there: the verb's own save is the one
// that can say the entry was not stored.
TEST_F(SetupVerbsTest, ASiteConfigurationThatCannotBeWrittenFailsTheAddAndTheRemove) {
  ASSERT_EQ(0, Run({"--add-school", std::string("-d") + kFull, "-n202", "-p" + Folder("eloi")}).exitCode);
  // Its first renames are the ones that try to put the new site configuration in place.
  os::SetEnv("QV_FAULT", "rename:1,rename:2,rename:3,rename:4,rename:5");
  testsupport::ProgramResult removed = Run({"--remove-school", "-n202"});
  os::SetEnv("QV_FAULT", "");
  EXPECT_EQ(1, removed.exitCode);
  EXPECT_EQ("", removed.out);
  EXPECT_NE(std::string::npos, removed.err.find("Error writing to file: " + m_bridgeFolder + "QvConfig.xml"))
      << removed.err;

  ASSERT_TRUE(os::DeleteFilePath(m_bridgeFolder + "QvConfig.xml"));
  ASSERT_TRUE(os::CreateOneDirectory(m_bridgeFolder + "QvConfig.xml"));
  testsupport::ProgramResult added =
      Run({"--add-school", std::string("-d") + kFull, "-n101", "-p" + Folder("lakeside")});
  EXPECT_EQ(1, added.exitCode);
  EXPECT_EQ("", added.out);
  EXPECT_NE(std::string::npos, added.err.find("Error writing to file: " + m_bridgeFolder + "QvConfig.xml"))
      << added.err;
}

}  // namespace
