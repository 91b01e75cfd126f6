// An attendance row through the store and back out into the update file: every column of the
// row must land in its own place, whichever statement (insert, update, upsert) recorded it.
#include "package/tests/WriterFixture.h"

namespace attstoretest {
namespace {

AttendanceRow Row(const char* student, const char* oldCode, const char* newCode, const char* flags) {
  AttendanceRow row;
  row.kind = AttendanceStore::kDaily;
  row.attdate = Day(2009, 3, 1);
  row.stdkey = student;
  row.key = "AM";
  row.header = "AttTimeFrameRef";
  row.oldcode = oldCode;
  row.newcode = newCode;
  row.excused = XString(flags) + "e";
  row.absent = XString(flags) + "a";
  row.tardy = XString(flags) + "t";
  row.truant = XString(flags) + "u";
  row.discipline = XString(flags) + "d";
  return row;
}

using RecorderTest = WriterFixture;

TEST_F(RecorderTest, EveryColumnOfARecordedRowReachesItsPlaceInTheUpdateFile) {
  std::string updateFile;
  {
    QDEWriter writer;
    Prepare(writer);
    writer.CheckBridgeConfiguration(m_config);
    updateFile = writer.BeginUpdateFile().Path().ToStd();
    writer.StartAttTable(AttendanceStore::kDaily);
    writer.BeginAttTransaction();
    writer.UpsertAttendance(Row("S1", "X", "A", "1"));  // both codes: inserted
    writer.UpsertAttendance(Row("S1", "Y", "B", "2"));  // both codes: updated
    writer.UpsertAttendance(Row("S2", "Q", "", "1"));   // the code last sent only
    writer.UpsertAttendance(Row("S2", "", "Q", "2"));   // now shown again: nothing to send
    writer.UpsertAttendance(Row("S3", "Q", "", "1"));
    writer.UpsertAttendance(Row("S3", "", "R", "2"));
    writer.UpsertAttendance(Row("S4", "", "", "1"));    // neither code: not kept
    writer.CommitAttTransaction();
    writer.CreateStudentDailyAttendanceFromDB();
    writer.CompleteUpdateFile();
  }
  std::vector<std::string> lines = ReadUpdateFile(updateFile)["Cached Daily Attendance"];
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "AttStdRef\tAttDate\tAttTimeFrameRef\tAttAttCodeRef\tAttExcused\tAttAbs\tAttTardy\t"
                       "AttTruant\tAttDiscipline",
                       "S1\t03/01/2009\tAM\tB\t2e\t2a\t2t\t2u\t2d", "S3\t03/01/2009\tAM\tR\t2e\t2a\t2t\t2u\t2d"}));
}

}  // namespace
}  // namespace attstoretest
