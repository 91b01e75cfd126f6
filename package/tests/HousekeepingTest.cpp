// The import folder's housekeeping on real folders: the school configuration file, the
// decision whether the bridge configuration changed, and the cleaning.
#include <algorithm>

#include "sqlite/Query.h"
#include "package/tests/WriterFixture.h"

namespace attstoretest {
namespace {

std::string Sep() { return std::string(1, os::kPathSeparator); }

void MakeFolderWithContent(const std::string& folder) {
  XFileSpec::Folder(folder.c_str()).CreateFolder();
  testsupport::WriteAll(folder + Sep() + "inside.txt", "content");
}

class HousekeepingTest : public WriterFixture {
 protected:
  // A finished run: Begin's decision, then Finish's school configuration.
  bool BeginAndFinish() {
    ExtractContext writerContext;
  QDEWriter writer{writerContext};
    Prepare(writerContext);
    bool changed = writer.Folder().CheckBridgeConfiguration(m_config, writerContext.Application().m_version);
    writer.SaveSchoolConfig();
    return changed;
  }
  bool Changed() {
    ExtractContext writerContext;
  QDEWriter writer{writerContext};
    Prepare(writerContext);
    return writer.Folder().BridgeConfigurationChanged(m_config, writerContext.Application().m_version);
  }
  std::string SchoolConfigText() const { return testsupport::ReadAll(ImportFile("SchoolConfig.xml")); }
  void ReplaceInSchoolConfig(const std::string& from, const std::string& to) {
    std::string text = SchoolConfigText();
    size_t at = text.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    text.replace(at, from.size(), to);
    testsupport::WriteAll(ImportFile("SchoolConfig.xml"), text);
  }
};

TEST_F(HousekeepingTest, SchoolConfigHoldsTheThirteenKeysInOrderOneElementPerLine) {
  m_config.m_masterFile = "C:\\SIS\\master & co.dat";
  Run({{"S1", Day(2009, 2, 26), "AM", "A", ""}}, {});
  std::string expected =
      "<?xml version=\"1.0\"?>\n"
      "<SchoolConfig>\n"
      "\t<LastBridgeVersion LastBridgeVersionValue=\"1.1.2.1\" />\n"
      "\t<LastSchoolNumber LastSchoolNumberValue=\"101\" />\n"
      "\t<LastDistrict LastDistrictValue=\"North\" />\n"
      "\t<LastSchoolYear LastSchoolYearValue=\"2009\" />\n"
      "\t<LastDSN LastDSNValue=\"Meridane\" />\n"
      "\t<LastMasterFile LastMasterFileValue=\"C:\\SIS\\master &amp; co.dat\" />\n"
      "\t<LastMasterFolder LastMasterFolderValue=\"\" />\n"
      "\t<LastSecurityFile LastSecurityFileValue=\"\" />\n"
      "\t<GlobalFolder GlobalFolderValue=\"\" />\n"
      "\t<UpdateDate UpdateDateValue=\"01-" + XDate::FormatDate(Day(2009, 3, 1), "mmm").ToStd() + "-2009\" />\n"
      "\t<UpdateDateTime UpdateDateTimeValue=\"01-" + XDate::FormatDate(Day(2009, 3, 1), "mmm").ToStd() + "-2009 20:15:00\" />\n"
      "\t<OverlapInDays OverlapValue=\"14\" />\n"
      "\t<LastBridgeLogLevel LastBridgeLogLevelValue=\"3\" />\n"
      "</SchoolConfig>\n";
  EXPECT_EQ(SchoolConfigText(), expected);

  SchoolConfig config;
  ASSERT_TRUE(config.Load(XFileSpec(ImportFile("SchoolConfig.xml").c_str())));
  EXPECT_EQ(config.EntryCount(), 13);
  EXPECT_EQ(config.Value("LastMasterFile"), XString("C:\\SIS\\master & co.dat"));
}

TEST_F(HousekeepingTest, OnlyTheBridgeSettingsAndAFullFileDecideAChange) {
  // No school configuration: a first run counts as changed and finds nothing to clean.
  EXPECT_TRUE(BeginAndFinish());
  EXPECT_NE(RunLogText().find("Bridge Configuration Changed."), std::string::npos);
  EXPECT_FALSE(BeginAndFinish());
  EXPECT_NE(RunLogText().find("Bridge Configuration Did Not Change."), std::string::npos);

  // The attendance keys are not compared.
  ReplaceInSchoolConfig("OverlapValue=\"14\"", "OverlapValue=\"30\"");
  ReplaceInSchoolConfig("UpdateDateValue=\"", "UpdateDateValue=\"1");
  EXPECT_FALSE(Changed());

  // A fourteenth element.
  BeginAndFinish();
  ReplaceInSchoolConfig("</SchoolConfig>", "\t<Extra ExtraValue=\"x\" />\n</SchoolConfig>");
  EXPECT_TRUE(Changed());

  // A twelfth-element file, and a changed school year, DSN or version.
  BeginAndFinish();
  ReplaceInSchoolConfig("\t<LastBridgeLogLevel LastBridgeLogLevelValue=\"3\" />\n", "");
  EXPECT_TRUE(Changed());
  BeginAndFinish();
  m_config.m_schoolYear = "2010";
  EXPECT_TRUE(Changed());
  BeginAndFinish();
  EXPECT_FALSE(Changed());
  m_config.m_dsn = "Meridane2";
  EXPECT_TRUE(Changed());
  BeginAndFinish();
  ReplaceInSchoolConfig("1.1.2.1", "1.1.2.0");
  EXPECT_TRUE(Changed());
}

TEST_F(HousekeepingTest, CleaningRemovesThePackageStateAndKeepsEverythingElse) {
  Run({{"S1", Day(2009, 2, 26), "AM", "A", ""}}, {});
  ASSERT_TRUE(os::PathExists(ImportFile("Attendance") + Sep() + "Attendance.db"));
  testsupport::WriteAll(ImportFile("Update 20090101010101.QDU"), "old");
  testsupport::WriteAll(ImportFile("other.qdu"), "old");
  testsupport::WriteAll(ImportFile("Students.qef"), "kept");
  testsupport::WriteAll(ImportFile("notes.txt"), "kept");
  MakeFolderWithContent(m_dir.File("School") + Sep() + "PAT");
  MakeFolderWithContent(ImportFile("DAT"));
  MakeFolderWithContent(ImportFile("AATP1"));
  testsupport::WriteAll(ImportFile("AATPX"), "x");
  MakeFolderWithContent(ImportFile("AATD2"));
  testsupport::WriteAll(ImportFile("AATDfile"), "x");
  // A journal that a crash left beside the store goes with it.
  testsupport::WriteAll(ImportFile("Attendance") + Sep() + "Attendance.db-journal", "stale journal");

  m_config.m_schoolYear = "2010";
  EXPECT_TRUE(BeginAndFinish());

  std::vector<std::string> names;
  os::ListDirectory(m_import, names);
  std::sort(names.begin(), names.end());
  // SchoolConfig.xml is the new run's; the store folder stays, its database is gone.
  EXPECT_EQ(names, (std::vector<std::string>{"Attendance", "SchoolConfig.xml", "Students.qef", "notes.txt"}));
  EXPECT_FALSE(os::PathExists(ImportFile("Attendance") + Sep() + "Attendance.db"));
  EXPECT_FALSE(os::PathExists(ImportFile("Attendance") + Sep() + "Attendance.db-journal"));
  EXPECT_FALSE(os::PathExists(m_dir.File("School") + Sep() + "PAT"));
  EXPECT_NE(SchoolConfigText().find("LastSchoolYearValue=\"2010\""), std::string::npos);

  // Each step is logged at Error, in order, into the run log (no extract log yet).
  std::string log = RunLogText();
  size_t at = 0;
  for (const char* step :
       {"Assigned import folder", "Deleted qdu files", "Changed FileName to SchoolConfig",
        "Deleted SchoolConfig", "Got Parent Folder", "Appended PAT", "Found PAT Folder",
        "Deleted PAT Folder", "Reset QDE Folder", "Appended DAT Folder", "Found DAT Folder",
        "Deleted DAT Folder", "Assigned AATP Iterator", "Iterating AATP Folder",
        "Deleted AATP Folder", "Iterating AATP Folder", "Deleted AATP Folder",
        "Assigned AATD Iterator"}) {
    size_t found = log.find(std::string(step), at);
    ASSERT_NE(found, std::string::npos) << step;
    at = found + 1;
  }
}

TEST_F(HousekeepingTest, AnUpdateFileThatCannotBeDeletedFailsTheRun) {
  BeginAndFinish();
  // An entry named like an update file that is a folder: deleting it as a file fails on
  // every system and for every user, as an update file held open by the import tool does.
  MakeFolderWithContent(ImportFile("Update 20090101010101.qdu"));
  m_config.m_schoolNumber = "102";
  ExtractContext writerContext;
  QDEWriter writer{writerContext};
  Prepare(writerContext);
  try {
    writer.Folder().CheckBridgeConfiguration(m_config, writerContext.Application().m_version);
    FAIL() << "the cleaning went on";
  } catch (const XException& e) {
    std::string text = e.what();
    EXPECT_EQ(text.rfind("Error: Failed while trying to remove QDU Files.\n Please manually remove "
                         "all .qdu files from the Import Directory, and try extracting again.\n",
                         0),
              0u)
        << text;
    EXPECT_NE(text.find("Could not delete spec: "), std::string::npos) << text;
    EXPECT_EQ(text.substr(text.size() - 19), "\nExiting Extractor.");
  }
  EXPECT_TRUE(os::PathExists(ImportFile("SchoolConfig.xml")));  // the cleaning stopped there
}

// Every entry moves aside before any is deleted: one that cannot move (a store held open by
// another program refuses it, as the fault does here) leaves the folder as it was.
TEST_F(HousekeepingTest, ACleaningThatCannotRemoveEverythingRemovesNothing) {
  Run({{"S1", Day(2009, 2, 26), "AM", "A", ""}}, {});
  const std::string store = ImportFile("Attendance") + Sep() + "Attendance.db";
  const std::vector<std::string> files = {ImportFile("Update 20090101010101.QDU"), ImportFile("SchoolConfig.xml"),
                                          ImportFile("AATDfile"), ImportFile("DAT") + Sep() + "inside.txt",
                                          m_dir.File("School") + Sep() + "PAT" + Sep() + "inside.txt", store};
  testsupport::WriteAll(files[0], "old");
  testsupport::WriteAll(files[2], "x");
  MakeFolderWithContent(ImportFile("DAT"));
  MakeFolderWithContent(m_dir.File("School") + Sep() + "PAT");
  std::vector<std::string> before;
  for (const std::string& file : files) before.push_back(testsupport::ReadAll(file));
  std::vector<std::string> names, storeNames;
  os::ListDirectory(m_import, names);
  os::ListDirectory(ImportFile("Attendance"), storeNames);
  ASSERT_NE(std::find(storeNames.begin(), storeNames.end(), "Attendance.db.copy"), storeNames.end());

  m_config.m_schoolYear = "2010";
  {
    os::FaultPlan plan;
    plan.FailPath(os::FaultKind::kRename, "Attendance.db-journal");
    testsupport::WriteAll(store + "-journal", "");
    try {
      Run({}, {});
      ADD_FAILURE() << "the cleaning went on";
    } catch (const XException& e) {
      EXPECT_NE(std::string(e.what()).find("Could not remove " + store + "-journal"), std::string::npos) << e.what();
      EXPECT_NE(std::string(e.what()).find("; nothing was removed"), std::string::npos) << e.what();
    }
  }
  for (size_t i = 0; i < files.size(); ++i) EXPECT_EQ(testsupport::ReadAll(files[i]), before[i]) << files[i];
  std::vector<std::string> after, storeAfter;
  os::ListDirectory(m_import, after);
  os::ListDirectory(ImportFile("Attendance"), storeAfter);
  EXPECT_EQ(after, names);
  storeNames.push_back("Attendance.db-journal");
  std::sort(storeNames.begin(), storeNames.end());
  std::sort(storeAfter.begin(), storeAfter.end());
  EXPECT_EQ(storeAfter, storeNames);  // the store, its copy and the journal, all still there
  os::DeleteFilePath(store + "-journal");

  // A deletion that fails once all has moved costs nothing but a leftover, which the next
  // run's start removes.
  {
    os::FaultPlan plan;
    plan.FailPath(os::FaultKind::kDelete, "AATDfile.deleting");
    Run({}, {});
  }
  EXPECT_NE(RunLogText().find("Could not delete " + ImportFile("AATDfile.deleting") + "; the next run removes it."),
            std::string::npos);
  // All gone but the new run's own school configuration and store.
  for (size_t i = 0; i + 1 < files.size(); ++i) {
    if (files[i] != ImportFile("SchoolConfig.xml")) {
      EXPECT_FALSE(os::PathExists(files[i])) << files[i];
    }
  }
  ExtractContext writerContext;
  QDEWriter writer{writerContext};
  Prepare(writerContext);
  writer.Begin(m_config, m_runLog.get());
  writer.AbandonRun();
  EXPECT_FALSE(os::PathExists(ImportFile("AATDfile.deleting")));
  EXPECT_NE(RunLogText().find("Removed what an interrupted cleaning left: " + ImportFile("AATDfile.deleting")),
            std::string::npos);
}

TEST_F(HousekeepingTest, TheGlobalStoreDropsOnlyTablesWhoseUpdateTimeHasPassed) {
  std::string global = m_dir.File("Global");
  XFileSpec::Folder((global + Sep() + "Attendance").c_str()).CreateFolder();
  {
    sqlite::Database db;
    db.Open(AttendanceStore::MakeKey(), (global + Sep() + "Attendance" + Sep() + "Attendance.db").c_str());
    db.Execute("CREATE TABLE DAILY_ATT (x); CREATE TABLE PERIOD_ATT (x);"
               "CREATE TABLE UPDATECONFIG (ELEMENT, UPDATED);"
               "INSERT INTO UPDATECONFIG VALUES ('DAILY_ATT', '2009-03-02 20:15:01.000');"
               "INSERT INTO UPDATECONFIG VALUES ('PERIOD_ATT', '2009-03-02 20:14:59.999');");
  }
  BeginAndFinish();
  ReplaceInSchoolConfig("GlobalFolderValue=\"\"", "GlobalFolderValue=\"" + global + "\"");
  m_config.m_district = "South";

  ExtractContext writerContext;
  QDEWriter writer{writerContext};
  Prepare(writerContext);
  ASSERT_TRUE(writer.Folder().CheckBridgeConfiguration(m_config, writerContext.Application().m_version));
  EXPECT_TRUE(writer.Attendance().CheckUpdateTime("PERIOD_ATT"));
  EXPECT_FALSE(writer.Attendance().CheckUpdateTime("DAILY_ATT"));
  EXPECT_TRUE(writer.Attendance().CheckUpdateTime("NO_SUCH_ELEMENT"));
  // The global store stays the run's store.
  sqlite::Query tables(writer.Attendance().Store().Db());
  tables.Prepare("SELECT name FROM sqlite_master WHERE type='table' ORDER BY name");
  std::vector<std::string> names;
  while (tables.Step()) names.push_back(tables.StringColumn(0).ToStd());
  EXPECT_EQ(names, (std::vector<std::string>{"DAILY_ATT", "UPDATECONFIG"}));
  writer.SaveSchoolConfig();
  EXPECT_NE(SchoolConfigText().find("GlobalFolderValue=\"" + global + "\""), std::string::npos);
}

TEST_F(HousekeepingTest, ValidatingCreatesAMissingImportFolder) {
  ExtractContext writerContext;
  QDEWriter writer{writerContext};
  Prepare(writerContext);
  std::string folder = m_dir.File("New") + Sep() + "Import";
  EXPECT_TRUE(writer.Folder().Validate(folder.c_str()));
  EXPECT_TRUE(os::IsDirectory(folder));
  EXPECT_EQ(writer.Folder().Spec().Path(), XString((folder + Sep()).c_str()));
  EXPECT_NE(RunLogText().find("Folder doesnt exist so lets create it"), std::string::npos);
  testsupport::WriteAll(m_dir.File("plain"), "a file, not a folder");
  EXPECT_FALSE(writer.Folder().Validate((m_dir.File("plain") + Sep() + "Import").c_str()));
}

}  // namespace
}  // namespace attstoretest
