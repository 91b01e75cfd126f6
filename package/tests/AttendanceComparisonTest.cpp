// A night's recording compared with the store: only what differs is written, and the update
// file gets exactly the rows an insert-or-update of every row would have left changed, in the
// order they first reached the store.
#include "sqlite/Query.h"
#include "os/OsSystem.h"
#include "package/tests/WriterFixture.h"

namespace attstoretest {
namespace {

const char* const kDaily = "Cached Daily Attendance";

std::string Line(const std::string& student, int day, const std::string& key, const std::string& code) {
  return student + "\t" + XDate::FormatDate(day, "mm/dd/yyyy").ToStd() + "\t" + key + "\t" + code + "\t\t\t\t\t";
}

// The data lines of the daily table, in the order of the file.
std::vector<std::string> DailyLines(const UpdateTables& tables) {
  auto it = tables.find(kDaily);
  if (it == tables.end() || it->second.empty()) return {};
  return std::vector<std::string>(it->second.begin() + 1, it->second.end());
}

class ComparisonTest : public WriterFixture {
 protected:
  std::string StoreFile() const {
    return m_import + os::kPathSeparator + "Attendance" + os::kPathSeparator + "Attendance.db";
  }
  void Execute(const char* sql) {
    sqlite::Database db;
    db.Open(AttendanceStore::MakeKey(), StoreFile().c_str());
    db.Execute(sql);
  }
  // Every row of the daily table, every column, in rowid order ("<NULL>" for NULL).
  std::vector<std::string> StoredRows() {
    sqlite::Database db;
    db.Open(AttendanceStore::MakeKey(), StoreFile().c_str());
    sqlite::Query rows(db);
    rows.Prepare("SELECT rowid, * FROM DAILY_ATT ORDER BY rowid");
    std::vector<std::string> out;
    while (rows.Step()) {
      std::string row;
      for (int i = 0; i < rows.ColumnCount(); ++i) {
        row += rows.IsNullColumn(i) ? std::string("<NULL>") : rows.StringColumn(i).ToStd();
        row += "|";
      }
      out.push_back(row);
    }
    return out;
  }
};

// Night by night: a code changed, rows deleted, new rows (recorded out of key order), a row
// recorded twice in one night, deleted rows given back (one with the code it had), and a row
// of the window whose code was blanked given back.
TEST_F(ComparisonTest, ChangedDeletedNewAndGivenBackRowsAreSentOnceInTheOrderFirstRecorded) {
  SisRow same = {"S1", Day(2009, 2, 20), "AM", "A", ""};
  SisRow changed = {"S2", Day(2009, 2, 21), "AM", "A", ""};
  SisRow deleted = {"S3", Day(2009, 2, 22), "AM", "A", ""};
  SisRow givenBack = {"S4", Day(2009, 2, 23), "PM", "T", ""};
  Run({same, changed, deleted, givenBack}, {});

  SetToday(Day(2009, 3, 3));
  SisRow later = {"S5", Day(2009, 3, 2), "PM", "A", ""};
  SisRow earlier = {"S0", Day(2009, 3, 1), "AM", "A", ""};
  SisRow first = changed;
  first.code = "X";  // the same row twice in a night: the last code counts
  changed.code = "T";
  EXPECT_EQ(DailyLines(Run({later, first, same, changed, earlier}, {})),
            (std::vector<std::string>{Line("S2", Day(2009, 2, 21), "AM", "T"), Line("S3", Day(2009, 2, 22), "AM", ""),
                                      Line("S4", Day(2009, 2, 23), "PM", ""), Line("S5", Day(2009, 3, 2), "PM", "A"),
                                      Line("S0", Day(2009, 3, 1), "AM", "A")}));

  // Given back: S3 with the code it had before, S4 with another; the rest as it was.
  SetToday(Day(2009, 3, 4));
  givenBack.code = "EA";
  EXPECT_EQ(DailyLines(Run({same, changed, deleted, givenBack, later, earlier}, {})),
            (std::vector<std::string>{Line("S3", Day(2009, 2, 22), "AM", "A"),
                                      Line("S4", Day(2009, 2, 23), "PM", "EA")}));
  SetToday(Day(2009, 3, 5));
  EXPECT_TRUE(DailyLines(Run({same, changed, deleted, givenBack, later, earlier}, {})).empty());
  // Deleted and at once given back with its code, in the SIS between two nights: unchanged.
  SetToday(Day(2009, 3, 6));
  EXPECT_TRUE(DailyLines(Run({earlier, later, givenBack, deleted, changed, same}, {})).empty());
  EXPECT_TRUE(m_lastFailure.empty()) << m_lastFailure;
}

// A statement that fails when the recording is written, after the blanked and changed rows
// were: nothing of the recording stays, and the next run sends all of it.
TEST_F(ComparisonTest, ARecordingThatFailsHalfWayLeavesTheStoreAsItWas) {
  SisRow changed = {"S1", Day(2009, 2, 24), "AM", "A", ""};
  SisRow deleted = {"S2", Day(2009, 2, 25), "AM", "T", ""};
  Run({changed, deleted}, {});
  Execute("CREATE TRIGGER refuse BEFORE INSERT ON DAILY_ATT WHEN NEW.stdkey = 'S9' "
          "BEGIN SELECT RAISE(ABORT, 'database or disk is full'); END");
  const std::vector<std::string> before = StoredRows();
  ASSERT_EQ(before.size(), 2u);

  SetToday(Day(2009, 3, 3));
  changed.code = "T";
  const SisRow added = {"S9", Day(2009, 3, 2), "AM", "A", ""};
  EXPECT_TRUE(DailyLines(Run({changed, added}, {})).empty());
  EXPECT_NE(m_lastFailure.find(" failed recording a row: "), std::string::npos) << m_lastFailure;
  EXPECT_NE(m_lastFailure.find("database or disk is full"), std::string::npos) << m_lastFailure;
  EXPECT_EQ(StoredRows(), before);
  EXPECT_FALSE(os::PathExists(StoreFile() + "-journal"));

  Execute("DROP TRIGGER refuse");
  SetToday(Day(2009, 3, 4));
  EXPECT_EQ(DailyLines(Run({changed, added}, {})),
            (std::vector<std::string>{Line("S1", Day(2009, 2, 24), "AM", "T"), Line("S2", Day(2009, 2, 25), "AM", ""),
                                      Line("S9", Day(2009, 3, 2), "AM", "A")}));
  EXPECT_TRUE(m_lastFailure.empty()) << m_lastFailure;
}

// Rows the extract hands over beyond the blanked days are compared with the store row by
// row; a row of another shape (with the code last sent) is written at once, after what was
// compared before it, and the comparison's later rows of the same key follow it.
TEST_F(ComparisonTest, RowsBeyondTheBlankedDaysAndRowsOfAnotherShapeAreRecordedAsAnUpsertWould) {
  Run({{"S1", Day(2009, 2, 1), "AM", "A", ""}, {"S2", Day(2009, 2, 25), "AM", "A", ""}}, {});
  SetToday(Day(2009, 3, 3));
  std::string updateFile;
  {
    ExtractContext writerContext;
    QDEWriter writer{writerContext};
    Prepare(writerContext);
    writer.Folder().CheckBridgeConfiguration(m_config, writerContext.Application().m_version);
    updateFile = writer.BeginUpdateFile().Path().ToStd();
    writer.StartAttTable(AttendanceStore::kDaily);
    writer.Attendance().BeginRecording();
    auto record = [&writer](const char* student, int day, const char* oldCode, const char* newCode) {
      AttendanceRow row;
      row.kind = AttendanceStore::kDaily;
      row.attdate = day;
      row.stdkey = student;
      row.key = "AM";
      row.header = "AttTimeFrameRef";
      row.oldcode = oldCode;
      row.newcode = newCode;
      writer.Attendance().Record(row);
    };
    record("S1", Day(2009, 2, 1), "", "A");   // before the window, unchanged
    record("S1", Day(2009, 2, 1), "", "T");   // and again, changed
    record("S0", Day(2009, 2, 2), "", "A");   // before the window, new
    record("S2", Day(2009, 2, 25), "", "A");  // unchanged
    record("S3", Day(2009, 2, 26), "", "A");  // new
    record("S3", Day(2009, 2, 26), "A", "");  // the code last sent: written at once
    record("S3", Day(2009, 2, 26), "", "T");
    writer.Attendance().CommitRecording();
    AttendanceExport(writer).WriteChanges(true);
    writer.CompleteUpdateFile();
    EXPECT_TRUE(writer.Attendance().Failure().IsEmpty()) << writer.Attendance().Failure().ToStd();
  }
  EXPECT_EQ(DailyLines(ReadUpdateFile(updateFile)),
            (std::vector<std::string>{Line("S1", Day(2009, 2, 1), "AM", "T"), Line("S0", Day(2009, 2, 2), "AM", "A"),
                                      Line("S3", Day(2009, 2, 26), "AM", "T")}));
  const std::vector<std::string> stored = StoredRows();
  ASSERT_EQ(stored.size(), 4u);
  EXPECT_EQ(stored[3], "4|S3|2009-02-26|AM||||||AttTimeFrameRef|T|T|");
}

// Enough new rows to be written in the order of the table's key (here its reverse is the order
// recorded): they are still sent in the order recorded, and known to the next night.
TEST_F(ComparisonTest, ManyNewRowsWrittenInKeyOrderAreSentInTheOrderRecorded) {
  std::vector<SisRow> daily;
  const int students = static_cast<int>((AttendanceComparison::kKeyOrderRows + 1) / 2);
  for (int student = students; student > 0; --student) {
    const std::string name = std::to_string(100000 + student).insert(0, 1, 'S');
    for (const char* key : {"PM", "AM"}) daily.push_back({name, Day(2009, 2, 27), key, "A", ""});
  }
  ASSERT_GE(daily.size(), AttendanceComparison::kKeyOrderRows);
  std::vector<std::string> lines = DailyLines(Run(daily, {}));
  ASSERT_EQ(lines.size(), daily.size());
  for (size_t i : {size_t(0), size_t(1), size_t(2), daily.size() / 2, daily.size() - 1}) {
    EXPECT_EQ(lines[i], Line(daily[i].student, daily[i].day, daily[i].key, "A")) << i;
  }
  SetToday(Day(2009, 3, 3));
  daily[7].code = "T";
  EXPECT_EQ(DailyLines(Run(daily, {})), std::vector<std::string>{Line(daily[7].student, daily[7].day, daily[7].key, "T")});
}

}  // namespace
}  // namespace attstoretest
