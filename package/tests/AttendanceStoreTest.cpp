// The attendance change store through whole update runs: real store files, real update files,
// on a clock the tests set.
#include <algorithm>

#include "sqlite/Query.h"
#include "os/OsText.h"
#include "package/tests/WriterFixture.h"
#include "sqlite3.h"

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

  // The update file fails after its first row: the run ends with the write error.
  SetToday(Day(2009, 3, 3));
  EXPECT_THROW(Run(daily, period, 1), XException);
  EXPECT_EQ(DataLines(ReadUpdateFile(m_lastUpdateFile), kDaily, "AttTimeFrameRef").size(), 1u);

  // The next run sends every changed row, the one already written included.
  SetToday(Day(2009, 3, 4));
  UpdateTables retried = Run(daily, period);
  EXPECT_EQ(DataLines(retried, kDaily, "AttTimeFrameRef"), expectedDaily);
  EXPECT_EQ(DataLines(retried, kPeriod, "AttPerRef"),
            std::vector<std::string>{Line("S1", Day(2009, 2, 26), "1", "T")});

  // A run that writes everything but ends before its update file is completed.
  for (SisRow& row : daily) row.code = "EA";
  SetToday(Day(2009, 3, 5));
  Run(daily, period, -1, false);
  SetToday(Day(2009, 3, 6));
  EXPECT_EQ(DataLines(Run(daily, period), kDaily, "AttTimeFrameRef").size(), 3u);
  SetToday(Day(2009, 3, 7));
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

}  // namespace
}  // namespace attstoretest
