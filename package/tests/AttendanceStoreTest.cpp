// The attendance change store through whole update runs: real store files, real update files,
// on a clock the tests set.
#include <algorithm>

#include "sqlite/Query.h"
#include "os/OsFaults.h"
#include "os/OsSystem.h"
#include "os/OsText.h"
#include "package/SchoolConfig.h"
#include "package/tests/WriterFixture.h"
#include "sqlite3.h"
#include "testsupport/TestDataSources.h"

namespace attstoretest {
namespace {

const char* const kDaily = "Cached Daily Attendance";
const char* const kPeriod = "Cached Period Attendance";

std::string Fields(const char* keyHeader) {
  return std::string("AttStdRef\tAttDate\t") + keyHeader +
         "\tAttAttCodeRef\tAttExcused\tAttAbs\tAttTardy\tAttTruant\tAttDiscipline";
}

// A data line: student, date in the package's date format, key, code, five empty flags.
std::string Line(const std::string& student, int day, const std::string& key, const std::string& code) {
  return student + "\t" + XDate::FormatDate(day, "mm/dd/yyyy").ToStd() + "\t" + key + "\t" + code +
         "\t\t\t\t\t";
}

// The data lines of a table, sorted; the field line must come first.
std::vector<std::string> DataLines(const UpdateTables& tables, const char* table, const char* keyHeader) {
  auto it = tables.find(table);
  EXPECT_NE(it, tables.end()) << "no table " << table;
  if (it == tables.end() || it->second.empty()) return {};
  EXPECT_EQ(it->second.front(), Fields(keyHeader));
  std::vector<std::string> lines(it->second.begin() + 1, it->second.end());
  std::sort(lines.begin(), lines.end());
  return lines;
}

std::vector<std::string> Sorted(std::vector<std::string> lines) {
  std::sort(lines.begin(), lines.end());
  return lines;
}

using StoreTest = WriterFixture;

TEST_F(StoreTest, FirstRunSendsEveryRowAndAnUnchangedSecondRunNone) {
  std::vector<SisRow> daily = {{"S1", Day(2009, 2, 10), "AM", "A", ""},
                               {"S1", Day(2009, 2, 10), "PM", "T", ""},
                               {"S2", Day(2009, 2, 27), "AM", "EA", ""},
                               {"S3", Day(2009, 3, 2), "AM", "A", ""}};
  std::vector<SisRow> period = {{"S1", Day(2009, 2, 11), "1", "A", ""},
                                {"S2", Day(2009, 3, 1), "3", "T", ""}};

  UpdateTables first = Run(daily, period);
  EXPECT_EQ(DataLines(first, kDaily, "AttTimeFrameRef"),
            Sorted({Line("S1", Day(2009, 2, 10), "AM", "A"), Line("S1", Day(2009, 2, 10), "PM", "T"),
                    Line("S2", Day(2009, 2, 27), "AM", "EA"), Line("S3", Day(2009, 3, 2), "AM", "A")}));
  EXPECT_EQ(DataLines(first, kPeriod, "AttPerRef"),
            Sorted({Line("S1", Day(2009, 2, 11), "1", "A"), Line("S2", Day(2009, 3, 1), "3", "T")}));

  SetToday(Day(2009, 3, 3));
  UpdateTables second = Run(daily, period);
  EXPECT_TRUE(DataLines(second, kDaily, "AttTimeFrameRef").empty());
  EXPECT_TRUE(DataLines(second, kPeriod, "AttPerRef").empty());
  // The daily table's entry is its header entry followed directly by the terminator.
  std::string bytes = testsupport::ReadAll(m_lastUpdateFile);
  EXPECT_NE(bytes.find("// Cached Daily Attendance\r\n" + Fields("AttTimeFrameRef") + "\r\n*\r\n\r\n"),
            std::string::npos);
}

TEST_F(StoreTest, ChangesWithinTheWindowAreSentOnceAndOlderOnesNever) {
  SisRow old = {"S1", Day(2009, 2, 5), "AM", "A", ""};
  SisRow changed = {"S2", Day(2009, 2, 27), "AM", "A", ""};
  SisRow removed = {"S3", Day(2009, 2, 25), "PM", "T", ""};
  SisRow same = {"S4", Day(2009, 2, 28), "AM", "A", ""};
  Run({old, changed, removed, same}, {});

  // Next day: the window reaches back to the saved update date (1 March) less 14 days.
  SetToday(Day(2009, 3, 3));
  old.code = "T";
  changed.code = "EA";
  UpdateTables second = Run({old, changed, same}, {});
  EXPECT_EQ(DataLines(second, kDaily, "AttTimeFrameRef"),
            Sorted({Line("S2", Day(2009, 2, 27), "AM", "EA"), Line("S3", Day(2009, 2, 25), "PM", "")}));

  SetToday(Day(2009, 3, 4));
  UpdateTables third = Run({old, changed, same}, {});
  EXPECT_TRUE(DataLines(third, kDaily, "AttTimeFrameRef").empty());
}

TEST_F(StoreTest, SingleQuotesDisappearFromStoredAndSentValues) {
  std::vector<SisRow> daily = {{"O'Brien", Day(2009, 2, 26), "A'M", "'A", ""}};
  UpdateTables first = Run(daily, {});
  EXPECT_EQ(DataLines(first, kDaily, "AttTimeFrameRef"),
            std::vector<std::string>{Line("OBrien", Day(2009, 2, 26), "AM", "A")});
  SetToday(Day(2009, 3, 3));
  EXPECT_TRUE(DataLines(Run(daily, {}), kDaily, "AttTimeFrameRef").empty());
}

TEST_F(StoreTest, PeriodRowsWithAnEmptyHeaderGoOutUnderAttPerRefAndAreMarked) {
  std::vector<SisRow> period = {{"S1", Day(2009, 2, 26), "2", "A", "-"},
                                {"S2", Day(2009, 2, 27), "4", "T", ""}};
  UpdateTables first = Run({}, period);
  EXPECT_EQ(DataLines(first, kPeriod, "AttPerRef"),
            Sorted({Line("S1", Day(2009, 2, 26), "2", "A"), Line("S2", Day(2009, 2, 27), "4", "T")}));
  SetToday(Day(2009, 3, 3));
  EXPECT_TRUE(DataLines(Run({}, period), kPeriod, "AttPerRef").empty());
}

TEST_F(StoreTest, AFailedOrUnfinishedUpdateFileLeavesItsRowsToBeSentAgain) {
  std::vector<SisRow> daily = {{"S1", Day(2009, 2, 26), "AM", "A", ""},
                               {"S2", Day(2009, 2, 27), "AM", "A", ""},
                               {"S3", Day(2009, 2, 28), "AM", "A", ""}};
  std::vector<SisRow> period = {{"S1", Day(2009, 2, 26), "1", "A", ""}};
  Run(daily, period);

  for (SisRow& row : daily) row.code = "T";
  period[0].code = "T";
  std::vector<std::string> expectedDaily = {Line("S1", Day(2009, 2, 26), "AM", "T"),
                                            Line("S2", Day(2009, 2, 27), "AM", "T"),
                                            Line("S3", Day(2009, 2, 28), "AM", "T")};

  // Every write of the update file fails: the run ends with the write error.
  SetToday(Day(2009, 3, 3));
  EXPECT_THROW(Run(daily, period, Ending::kFailedWrites), XException);
  // Neither the torn update file nor its temporary file is left for the import tool.
  std::vector<std::string> names;
  os::ListDirectory(m_import, names);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"Attendance", "SchoolConfig.xml", "Update 20090302201500.QDU"}));

  // The next run sends every changed row, the one already written included.
  SetToday(Day(2009, 3, 4));
  UpdateTables retried = Run(daily, period);
  EXPECT_EQ(DataLines(retried, kDaily, "AttTimeFrameRef"), expectedDaily);
  EXPECT_EQ(DataLines(retried, kPeriod, "AttPerRef"),
            std::vector<std::string>{Line("S1", Day(2009, 2, 26), "1", "T")});

  // A run that writes everything but ends before its update file is completed.
  for (SisRow& row : daily) row.code = "EA";
  SetToday(Day(2009, 3, 5));
  Run(daily, period, Ending::kUnfinished);
  SetToday(Day(2009, 3, 6));
  EXPECT_EQ(DataLines(Run(daily, period), kDaily, "AttTimeFrameRef").size(), 3u);
  SetToday(Day(2009, 3, 7));
  EXPECT_TRUE(DataLines(Run(daily, period), kDaily, "AttTimeFrameRef").empty());
}

// The rows count as sent only once their update file is on the disk: a sync or a close of the
// update file that fails leaves every row to the next run, and no file for the import tool.
TEST_F(StoreTest, AFailingSyncOrCloseOfTheUpdateFileLeavesItsRowsUnsent) {
  std::vector<SisRow> daily = {{"S1", Day(2009, 2, 26), "AM", "A", ""}, {"S2", Day(2009, 2, 27), "AM", "T", ""}};
  std::vector<SisRow> period = {{"S1", Day(2009, 2, 27), "3", "A", ""}};
  int day = 2;
  for (Ending ending : {Ending::kFailedSync, Ending::kFailedClose}) {
    SCOPED_TRACE(ending == Ending::kFailedSync ? "sync" : "close");
    SetToday(Day(2009, 3, day++));
    EXPECT_THROW(Run(daily, period, ending), XException);
    std::vector<std::string> names;
    os::ListDirectory(m_import, names);
    for (const std::string& name : names) EXPECT_EQ(name.find(".QDU"), std::string::npos) << name;
  }
  SetToday(Day(2009, 3, day++));
  UpdateTables sent = Run(daily, period);
  EXPECT_EQ(DataLines(sent, kDaily, "AttTimeFrameRef"),
            Sorted({Line("S1", Day(2009, 2, 26), "AM", "A"), Line("S2", Day(2009, 2, 27), "AM", "T")}));
  EXPECT_EQ(DataLines(sent, kPeriod, "AttPerRef"), std::vector<std::string>{Line("S1", Day(2009, 2, 27), "3", "A")});
  SetToday(Day(2009, 3, day));
  EXPECT_TRUE(DataLines(Run(daily, period), kDaily, "AttTimeFrameRef").empty());
}

TEST_F(StoreTest, TheStoreFileShowsNoSchemaWithoutItsKey) {
  Run({{"S1", Day(2009, 2, 26), "AM", "A", ""}}, {{"S1", Day(2009, 2, 26), "1", "A", ""}});
  std::string path = m_import + os::kPathSeparator + "Attendance" + os::kPathSeparator + "Attendance.db";
  std::string bytes = testsupport::ReadAll(path);
  ASSERT_FALSE(bytes.empty());
  EXPECT_EQ(bytes.find("DAILY_ATT"), std::string::npos);
  EXPECT_EQ(bytes.find("SQLite format 3"), std::string::npos);

  sqlite3* raw = nullptr;
  ASSERT_EQ(sqlite3_open_v2(os::NarrowToUtf8(path).c_str(), &raw, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
  sqlite3_stmt* statement = nullptr;
  int rc = sqlite3_prepare_v2(raw, "SELECT name FROM sqlite_master", -1, &statement, nullptr);
  EXPECT_EQ(rc, SQLITE_NOTADB);
  sqlite3_finalize(statement);
  sqlite3_close(raw);

  sqlite::Database keyed;
  keyed.Open(AttendanceStore::MakeKey(), path.c_str());
  sqlite::Query tables(keyed);
  tables.Prepare("SELECT name FROM sqlite_master WHERE type='table' ORDER BY name");
  std::vector<std::string> names;
  while (tables.Step()) names.push_back(tables.StringColumn(0).ToStd());
  EXPECT_EQ(names, (std::vector<std::string>{"DAILY_ATT", "PERIOD_ATT"}));
}

// Rows are recorded with one insert-or-update on the table's key; a table without that key
// (made some other way) still records through an update and an insert.
TEST_F(StoreTest, ATableWithoutItsKeyStillRecordsAndSendsEachChangeOnce) {
  Run({}, {});
  {
    sqlite::Database store;
    store.Open(AttendanceStore::MakeKey(),
               (m_import + os::kPathSeparator + "Attendance" + os::kPathSeparator + "Attendance.db").c_str());
    store.Execute("DROP TABLE DAILY_ATT");
    store.Execute("CREATE TABLE DAILY_ATT (stdkey VARCHAR(100), attdate DATETIME, timeframe VARCHAR(100), "
                  "excused VARCHAR(100), absent VARCHAR(100), tardy VARCHAR(100), truant VARCHAR(100), "
                  "discipline VARCHAR(100), header VARCHAR(10), oldcode VARCHAR(100), newcode VARCHAR(100))");
  }
  std::vector<SisRow> daily = {{"S1", Day(2009, 2, 26), "AM", "A", ""}, {"S2", Day(2009, 2, 27), "PM", "T", ""}};
  SetToday(Day(2009, 3, 3));
  EXPECT_EQ(DataLines(Run(daily, {}), kDaily, "AttTimeFrameRef"),
            Sorted({Line("S1", Day(2009, 2, 26), "AM", "A"), Line("S2", Day(2009, 2, 27), "PM", "T")}));
  SetToday(Day(2009, 3, 4));
  daily[1].code = "EA";
  EXPECT_EQ(DataLines(Run(daily, {}), kDaily, "AttTimeFrameRef"),
            std::vector<std::string>{Line("S2", Day(2009, 2, 27), "PM", "EA")});
}

// The per-row statements are kept prepared: the same one comes back reset for the next row,
// and a store holding them still closes and opens again.
TEST(AttendanceStoreStatements, KeptStatementsAreReusedAndDoNotKeepTheStoreFromClosing) {
  testsupport::TempDir folder;
  XFileSpec spec = XFileSpec::Folder(folder.Path().c_str());
  AttendanceStore store;
  store.Open(spec, spec);
  store.Db().Execute("CREATE TABLE DAILY_ATT (stdkey VARCHAR(100), newcode VARCHAR(100))");
  int made = 0;
  auto makeInsert = [&made] {
    ++made;
    return XString("INSERT INTO DAILY_ATT VALUES (?, ?)");
  };
  sqlite::Query& first = store.Statement("DAILY_ATT", "insert", makeInsert);
  first.BindText(1, "S1");
  first.BindText(2, "A");
  first.Step();
  sqlite::Query& second = store.Statement("DAILY_ATT", "insert", makeInsert);
  EXPECT_EQ(&first, &second);
  EXPECT_EQ(made, 1);
  second.BindText(1, "S2");
  second.Step();  // the code was unbound by the reset: NULL
  EXPECT_NE(&store.Statement("PERIOD_ATT", "insert", [] { return XString("SELECT 1"); }), &first);

  store.Close();
  EXPECT_FALSE(store.IsOpen());
  store.Open(spec, spec);
  sqlite::Query rows(store.Db());
  rows.Prepare("SELECT stdkey, newcode IS NULL FROM DAILY_ATT ORDER BY stdkey");
  ASSERT_TRUE(rows.Step());
  EXPECT_EQ(rows.StringColumn(0), "S1");
  EXPECT_EQ(rows.StringColumn(1), "0");
  ASSERT_TRUE(rows.Step());
  EXPECT_EQ(rows.StringColumn(0), "S2");
  EXPECT_EQ(rows.StringColumn(1), "1");
  EXPECT_FALSE(rows.Step());
}


// ---- Failures of the store ----

std::string StoreValue(const std::string& import, const char* key) {
  SchoolConfig config;
  config.Load(XFileSpec((import + os::kPathSeparator + "SchoolConfig.xml").c_str()));
  return config.Value(key).ToStd();
}

// A statement that fails in the store fails the run's attendance: the update date stays as
// it was, and the next run reads those days again and sends what the failed run could not
// record. Here the failure is a trigger in the real store that refuses one code.
TEST_F(StoreTest, AFailedStatementKeepsTheUpdateDateSoTheNextRunSendsWhatItMissed) {
  std::vector<SisRow> daily = {{"S1", Day(2009, 2, 26), "AM", "A", ""}, {"S2", Day(2009, 2, 27), "AM", "A", ""}};
  Run(daily, {});
  EXPECT_TRUE(m_lastFailure.empty());
  const std::string updateDate = StoreValue(m_import, "UpdateDate");
  const std::string referenceTime = StoreValue(m_import, "UpdateDateTime");
  EXPECT_EQ(updateDate, "01-Mar-2009");
  const std::string store = m_import + os::kPathSeparator + "Attendance" + os::kPathSeparator + "Attendance.db";
  {
    sqlite::Database db;
    db.Open(AttendanceStore::MakeKey(), store.c_str());
    db.Execute("CREATE TRIGGER refuse BEFORE UPDATE ON DAILY_ATT WHEN NEW.newcode = 'T' "
               "BEGIN SELECT RAISE(ABORT, 'database or disk is full'); END");
  }

  // Weeks later: S1 changed (refused by the store), S3 is new.
  daily[0].code = "T";
  daily.push_back({"S3", Day(2009, 3, 10), "AM", "A", ""});
  SetToday(Day(2009, 3, 20));
  UpdateTables failed = Run(daily, {});
  EXPECT_NE(m_lastFailure.find("The attendance change store " + store + " failed recording a row: "),
            std::string::npos)
      << m_lastFailure;
  EXPECT_NE(m_lastFailure.find("database or disk is full"), std::string::npos);
  EXPECT_NE(RunLogText().find(m_lastFailure + ". The attendance update date stays as it was"), std::string::npos);
  EXPECT_EQ(StoreValue(m_import, "UpdateDate"), updateDate);
  EXPECT_EQ(StoreValue(m_import, "UpdateDateTime"), referenceTime);
  // The failed recording was rolled back whole: S1 is not sent as removed, S3 waits.
  EXPECT_TRUE(DataLines(failed, kDaily, "AttTimeFrameRef").empty());

  {
    sqlite::Database db;
    db.Open(AttendanceStore::MakeKey(), store.c_str());
    db.Execute("DROP TRIGGER refuse");
  }
  SetToday(Day(2009, 3, 21));
  EXPECT_EQ(DataLines(Run(daily, {}), kDaily, "AttTimeFrameRef"),
            Sorted({Line("S1", Day(2009, 2, 26), "AM", "T"), Line("S3", Day(2009, 3, 10), "AM", "A")}));
  EXPECT_TRUE(m_lastFailure.empty());
  EXPECT_EQ(StoreValue(m_import, "UpdateDate"), "20-Mar-2009");
}

// The rows written under a header are marked as sent by one statement: when it fails, none of
// them counts as sent, the update date stays, and the next run sends them all again (and
// only them), then marks them.
TEST_F(StoreTest, AFailedMarkingLeavesEveryWrittenRowToBeSentAgain) {
  std::vector<SisRow> daily = {{"S1", Day(2009, 2, 26), "AM", "A", ""}, {"S2", Day(2009, 2, 27), "AM", "A", ""}};
  Run(daily, {});
  const std::string updateDate = StoreValue(m_import, "UpdateDate");
  const std::string store = m_import + os::kPathSeparator + "Attendance" + os::kPathSeparator + "Attendance.db";
  {
    sqlite::Database db;
    db.Open(AttendanceStore::MakeKey(), store.c_str());
    db.Execute("CREATE TRIGGER refuse BEFORE UPDATE OF oldcode ON DAILY_ATT WHEN NEW.oldcode = 'T' "
               "BEGIN SELECT RAISE(ABORT, 'database or disk is full'); END");
  }

  daily[0].code = "T";
  daily.push_back({"S3", Day(2009, 3, 10), "AM", "A", ""});
  SetToday(Day(2009, 3, 20));
  const std::vector<std::string> changed = {Line("S1", Day(2009, 2, 26), "AM", "T"),
                                            Line("S3", Day(2009, 3, 10), "AM", "A")};
  EXPECT_EQ(DataLines(Run(daily, {}), kDaily, "AttTimeFrameRef"), changed);
  EXPECT_NE(m_lastFailure.find(store + " failed marking the sent rows: "), std::string::npos) << m_lastFailure;
  EXPECT_NE(m_lastFailure.find("database or disk is full"), std::string::npos);
  EXPECT_NE(RunLogText().find(m_lastFailure + ". The attendance update date stays as it was"), std::string::npos);
  EXPECT_EQ(StoreValue(m_import, "UpdateDate"), updateDate);

  {
    sqlite::Database db;
    db.Open(AttendanceStore::MakeKey(), store.c_str());
    db.Execute("DROP TRIGGER refuse");
  }
  SetToday(Day(2009, 3, 21));
  EXPECT_EQ(DataLines(Run(daily, {}), kDaily, "AttTimeFrameRef"), changed);
  EXPECT_TRUE(m_lastFailure.empty());
  SetToday(Day(2009, 3, 22));
  EXPECT_TRUE(DataLines(Run(daily, {}), kDaily, "AttTimeFrameRef").empty());
}

// The disk fills up under the store itself (its file and journal writes fail, as the file
// layer under every database lets a fault plan make them): the run's attendance fails, the
// recording is rolled back whole, the update date stays, and the next run sends it all.
TEST_F(StoreTest, AStoreWhoseWritesFailRollsBackAndKeepsTheUpdateDate) {
  std::vector<SisRow> daily = {{"S1", Day(2009, 2, 26), "AM", "A", ""}, {"S2", Day(2009, 2, 27), "AM", "A", ""}};
  Run(daily, {});
  const std::string updateDate = StoreValue(m_import, "UpdateDate");
  const std::string referenceTime = StoreValue(m_import, "UpdateDateTime");
  const std::string store = m_import + os::kPathSeparator + "Attendance" + os::kPathSeparator + "Attendance.db";

  daily[0].code = "T";
  daily.push_back({"S3", Day(2009, 3, 10), "AM", "A", ""});
  SetToday(Day(2009, 3, 20));
  {
    os::FaultPlan plan;
    plan.FailPath(os::FaultKind::kWrite, "Attendance.db");
    UpdateTables failed = Run(daily, {});
    EXPECT_GT(plan.Failures(), 0);
    EXPECT_NE(m_lastFailure.find("The attendance change store " + store), std::string::npos) << m_lastFailure;
    EXPECT_NE(m_lastFailure.find("disk is full"), std::string::npos) << m_lastFailure;
    EXPECT_TRUE(DataLines(failed, kDaily, "AttTimeFrameRef").empty());
  }
  EXPECT_NE(RunLogText().find(m_lastFailure + ". The attendance update date stays as it was"), std::string::npos);
  EXPECT_EQ(StoreValue(m_import, "UpdateDate"), updateDate);
  EXPECT_EQ(StoreValue(m_import, "UpdateDateTime"), referenceTime);
  EXPECT_FALSE(os::PathExists(store + "-journal"));

  SetToday(Day(2009, 3, 21));
  EXPECT_EQ(DataLines(Run(daily, {}), kDaily, "AttTimeFrameRef"),
            Sorted({Line("S1", Day(2009, 2, 26), "AM", "T"), Line("S3", Day(2009, 3, 10), "AM", "A")}));
  EXPECT_TRUE(m_lastFailure.empty());
  EXPECT_EQ(StoreValue(m_import, "UpdateDate"), "20-Mar-2009");
}

// An "Attendance" that cannot hold the store (here a file of that name): the store does not
// open, the update file still goes out, and the update date does not move.
TEST_F(StoreTest, AStoreThatCannotBeOpenedFailsTheRunsAttendance) {
  std::vector<SisRow> daily = {{"S1", Day(2009, 2, 26), "AM", "A", ""}};
  testsupport::WriteAll(m_import + os::kPathSeparator + "SchoolConfig.xml", "");
  testsupport::WriteAll(m_import + os::kPathSeparator + "Attendance", "not a folder");
  UpdateTables tables = Run(daily, daily);
  EXPECT_NE(m_lastFailure.find("The attendance change store " + m_import + os::kPathSeparator + "Attendance" +
                               os::kPathSeparator + "Attendance.db failed opening it: "),
            std::string::npos)
      << m_lastFailure;
  EXPECT_TRUE(os::PathExists(m_lastUpdateFile));
  EXPECT_EQ(StoreValue(m_import, "UpdateDate"), "");

  os::DeleteFilePath(m_import + os::kPathSeparator + "Attendance");
  SetToday(Day(2009, 3, 3));
  EXPECT_EQ(DataLines(Run(daily, {}), kDaily, "AttTimeFrameRef"),
            std::vector<std::string>{Line("S1", Day(2009, 2, 26), "AM", "A")});
  EXPECT_TRUE(m_lastFailure.empty());
}

std::string StoreFileOf(const std::string& import) {
  return import + os::kPathSeparator + "Attendance" + os::kPathSeparator + "Attendance.db";
}

size_t UpdateFileCount(const std::string& folder) {
  std::vector<std::string> names;
  os::ListDirectory(folder, names);
  return std::count_if(names.begin(), names.end(), [](const std::string& name) {
    return name.size() > 4 && name.compare(name.size() - 4, 4, ".QDU") == 0;
  });
}

// A store file that SQLite cannot read (garbage, cut short) without a copy that can be used
// is kept aside and made anew, and the folder is cleaned as after a change of configuration:
// the update files of the old history go, and the run sends every row again.
TEST_F(StoreTest, AnUnreadableStoreIsKeptAsideAndTheWindowIsSentAgain) {
  std::vector<SisRow> daily;
  for (int i = 0; i < 300; ++i) daily.push_back({"S" + std::to_string(i), Day(2009, 2, 20 + i % 9), "AM", "A", ""});
  Run(daily, {});
  const std::string store = StoreFileOf(m_import);
  const std::string whole = testsupport::ReadAll(store);
  ASSERT_GT(whole.size(), 8192u);
  ASSERT_EQ(testsupport::ReadAll(store + ".copy").size(), whole.size());
  const std::vector<std::pair<std::string, std::string>> damages = {
      {"garbage", std::string(whole.size(), '\x5A')}, {"cut short", whole.substr(0, whole.size() / 2 + 7)}};
  int today = Day(2009, 3, 3);
  for (const auto& [what, bytes] : damages) {
    SCOPED_TRACE(what);
    testsupport::WriteAll(store, bytes);
    // The copy damaged too, or gone.
    if (what == "garbage") {
      testsupport::WriteAll(store + ".copy", bytes);
    } else {
      os::DeleteFilePath(store + ".copy");
    }
    SetToday(today);
    UpdateTables tables = Run(daily, {});
    EXPECT_EQ(DataLines(tables, kDaily, "AttTimeFrameRef").size(), daily.size());
    EXPECT_TRUE(m_lastFailure.empty()) << m_lastFailure;
    EXPECT_EQ(UpdateFileCount(m_import), 1u);
    const std::string kept = store + ".unreadable-" + XDate::FormatDate(today, "yyyymmdd").ToStd() + "201500";
    EXPECT_EQ(testsupport::ReadAll(kept), bytes);
    EXPECT_NE(RunLogText().find("could not be read (Sql Error: "), std::string::npos);
    EXPECT_NE(RunLogText().find("it was kept as " + kept + ". No copy of it could be used ("), std::string::npos);
    EXPECT_NE(RunLogText().find("the import folder is cleaned"), std::string::npos);
    // The new store works as the old one did.
    SetToday(today + 1);
    EXPECT_TRUE(DataLines(Run(daily, {}), kDaily, "AttTimeFrameRef").empty());
    today += 2;
  }
}

// A store that cannot be read, or is gone, is rebuilt from the copy of the last completed
// run: the next run knows what was sent and sends the absences deleted in the SIS since.
TEST_F(StoreTest, AnUnreadableOrMissingStoreIsRebuiltFromItsCopyAndSendsTheDeletions) {
  std::vector<SisRow> daily;
  for (int i = 0; i < 40; ++i) daily.push_back({"S" + std::to_string(i), Day(2009, 2, 20 + i % 9), "AM", "A", ""});
  Run(daily, {});
  const std::string store = StoreFileOf(m_import);
  int today = Day(2009, 3, 3);
  for (const char* damage : {"garbage", "missing"}) {
    SCOPED_TRACE(damage);
    const SisRow deleted = daily.back();
    daily.pop_back();
    if (std::string(damage) == "garbage") {
      testsupport::WriteAll(store, std::string(testsupport::ReadAll(store).size(), '\x5A'));
    } else {
      ASSERT_TRUE(os::DeleteFilePath(store));
    }
    SetToday(today++);
    EXPECT_EQ(DataLines(Run(daily, {}), kDaily, "AttTimeFrameRef"),
              std::vector<std::string>{Line(deleted.student, deleted.day, "AM", "")});
    EXPECT_TRUE(m_lastFailure.empty()) << m_lastFailure;
    EXPECT_NE(RunLogText().find("rebuilt from its copy " + store + ".copy of the last completed run"),
              std::string::npos);
    // Rebuilt, it goes on as an undamaged store.
    SetToday(today++);
    EXPECT_TRUE(DataLines(Run(daily, {}), kDaily, "AttTimeFrameRef").empty());
  }
  EXPECT_EQ(UpdateFileCount(m_import), 5u) << "no update file of the history was cleaned away";
}

// The saved update date is read back in "dd-mmm-yyyy": on the 31st of a month and in November
// (a date that does not read would reopen the whole year, a month read wrongly another window).
TEST_F(StoreTest, UpdateDatesOnThe31stAndInNovemberOpenTheWindowTheySay) {
  SisRow first = {"S1", Day(2024, 10, 17), "AM", "A", ""};  // 31 October less 14 days
  SisRow before = {"S2", Day(2024, 10, 16), "AM", "A", ""};
  SetToday(Day(2024, 11, 1));
  Run({first, before}, {});
  EXPECT_EQ(StoreValue(m_import, "UpdateDate"), "31-Oct-2024");
  first.code = "T";
  before.code = "T";
  SetToday(Day(2024, 11, 2));
  EXPECT_EQ(DataLines(Run({first, before}, {}), kDaily, "AttTimeFrameRef"),
            std::vector<std::string>{Line("S1", Day(2024, 10, 17), "AM", "T")});

  SetToday(Day(2024, 12, 1));
  Run({first, before}, {});
  EXPECT_EQ(StoreValue(m_import, "UpdateDate"), "30-Nov-2024");
  SetToday(Day(2024, 12, 2));
  const SisRow inWindow = {"S3", Day(2024, 11, 16), "AM", "A", ""};
  const SisRow outside = {"S4", Day(2024, 11, 15), "AM", "A", ""};
  EXPECT_EQ(DataLines(Run({first, before, inWindow, outside}, {}), kDaily, "AttTimeFrameRef"),
            std::vector<std::string>{Line("S3", Day(2024, 11, 16), "AM", "A")});
}

// A row the SIS no longer has is sent with an empty code when its day is the window's first.
TEST_F(StoreTest, ARowDeletedOnTheFirstDayOfTheWindowIsSentAsRemoved) {
  const SisRow firstDay = {"S1", Day(2009, 2, 15), "AM", "A", ""};  // 1 March less 14 days
  const SisRow dayBefore = {"S2", Day(2009, 2, 14), "AM", "A", ""};
  const SisRow kept = {"S3", Day(2009, 2, 20), "AM", "A", ""};
  Run({firstDay, dayBefore, kept}, {});
  SetToday(Day(2009, 3, 3));
  EXPECT_EQ(DataLines(Run({kept}, {}), kDaily, "AttTimeFrameRef"),
            std::vector<std::string>{Line("S1", Day(2009, 2, 15), "AM", "")});
}

// A store and school configuration left by a first run of an earlier build (kept in the
// sources, made on 2 March 2009 from the rows below) go on as this build's own: the next run
// opens the store and sends only what changed since.
TEST_F(StoreTest, AStoreMadeByAnEarlierBuildOpensAndSendsOnlyWhatChanged) {
  const std::string source = os::GetEnv("QV_SOURCE_DIR");
  ASSERT_FALSE(source.empty()) << "QV_SOURCE_DIR names the source folder (ctest sets it)";
  const std::string kept = testsupport::LocalPath(testsupport::DriverPath(source) +
                                                  "/package/tests/data/store-made-2009-03-02/");
  const std::string storeBytes = testsupport::ReadAll(kept + "Attendance/Attendance.db");
  ASSERT_EQ(storeBytes.size(), 20480u);
  XFileSpec::Folder(ImportFile("Attendance").c_str()).CreateFolder();
  testsupport::WriteAll(ImportFile("Attendance") + os::kPathSeparator + "Attendance.db", storeBytes);
  testsupport::WriteAll(ImportFile("SchoolConfig.xml"), testsupport::ReadAll(kept + "SchoolConfig.xml"));

  std::vector<SisRow> daily = {{"S1", Day(2009, 2, 10), "AM", "A", ""},
                               {"S1", Day(2009, 2, 10), "PM", "T", ""},
                               {"S2", Day(2009, 2, 27), "AM", "EA", ""},
                               {"S3", Day(2009, 3, 2), "AM", "T", ""}};  // was "A"
  std::vector<SisRow> period = {{"S1", Day(2009, 2, 11), "1", "A", ""},
                                {"S2", Day(2009, 3, 1), "3", "T", ""}};
  SetToday(Day(2009, 3, 3));
  UpdateTables next = Run(daily, period);
  EXPECT_EQ(m_lastFailure, "");
  EXPECT_EQ(DataLines(next, kDaily, "AttTimeFrameRef"), Sorted({Line("S3", Day(2009, 3, 2), "AM", "T")}));
  EXPECT_TRUE(DataLines(next, kPeriod, "AttPerRef").empty());
  EXPECT_EQ(RunLogText().find("unreadable"), std::string::npos) << RunLogText();
}

}  // namespace
}  // namespace attstoretest
