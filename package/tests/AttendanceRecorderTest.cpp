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
    ExtractContext writerContext;
  QDEWriter writer{writerContext};
    Prepare(writerContext);
    writer.Folder().CheckBridgeConfiguration(m_config, writerContext.Application().m_version);
    updateFile = writer.BeginUpdateFile().Path().ToStd();
    writer.StartAttTable(AttendanceStore::kDaily);
    writer.Attendance().BeginRecording();
    writer.Attendance().Record(Row("S1", "X", "A", "1"));  // both codes: inserted
    writer.Attendance().Record(Row("S1", "Y", "B", "2"));  // both codes: updated
    writer.Attendance().Record(Row("S2", "Q", "", "1"));   // the code last sent only
    writer.Attendance().Record(Row("S2", "", "Q", "2"));   // now shown again: nothing to send
    writer.Attendance().Record(Row("S3", "Q", "", "1"));
    writer.Attendance().Record(Row("S3", "", "R", "2"));
    writer.Attendance().Record(Row("S4", "", "", "1"));    // neither code: not kept
    writer.Attendance().CommitRecording();
    AttendanceExport(writer).WriteChanges(true);
    writer.CompleteUpdateFile();
  }
  std::vector<std::string> lines = ReadUpdateFile(updateFile)["Cached Daily Attendance"];
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "AttStdRef\tAttDate\tAttTimeFrameRef\tAttAttCodeRef\tAttExcused\tAttAbs\tAttTardy\t"
                       "AttTruant\tAttDiscipline",
                       "S1\t03/01/2009\tAM\tB\t2e\t2a\t2t\t2u\t2d", "S3\t03/01/2009\tAM\tR\t2e\t2a\t2t\t2u\t2d"}));
}

// The days an extract can read bound what is blanked: a code outside them is neither blanked
// nor sent with an empty code.
TEST_F(RecorderTest, OnlyCodesOfTheReadableDaysAreBlanked) {
  SetToday(Day(2009, 3, 12));
  auto run = [this](int firstReadable, int lastReadable, bool record) {
    std::string updateFile;
    {
      ExtractContext writerContext;
  QDEWriter writer{writerContext};
      Prepare(writerContext);
      writer.Folder().CheckBridgeConfiguration(m_config, writerContext.Application().m_version);
      updateFile = writer.BeginUpdateFile().Path().ToStd();
      writer.StartAttTable(AttendanceStore::kDaily, firstReadable, lastReadable);
      writer.Attendance().BeginRecording();
      for (int day : {1, 5, 10}) {
        if (!record) break;
        AttendanceRow row = Row("S1", "", "A", "");
        row.attdate = Day(2009, 3, day);
        writer.Attendance().Record(row);
      }
      writer.Attendance().CommitRecording();
      AttendanceExport(writer).WriteChanges(true);
      writer.CompleteUpdateFile();
      writer.SaveSchoolConfig();
    }
    std::vector<std::string> lines = ReadUpdateFile(updateFile)["Cached Daily Attendance"];
    return std::vector<std::string>(lines.begin() + 1, lines.end());  // without the field line
  };
  EXPECT_EQ(3u, run(XDate::kNone, XDate::kNone, true).size());
  // The SIS no longer shows any of them; only 5 March can be read again.
  EXPECT_EQ(std::vector<std::string>{"S1\t03/05/2009\tAM\t\te\ta\tt\tu\td"},
            run(Day(2009, 3, 3), Day(2009, 3, 8), false));
  // No readable day at all (the first after the last): nothing is sent.
  EXPECT_EQ(std::vector<std::string>{}, run(Day(2009, 3, 9), Day(2009, 3, 4), false));
  // Unbounded, every code from the update date (11 March less 14 days) on is blanked.
  EXPECT_EQ((std::vector<std::string>{"S1\t03/01/2009\tAM\t\te\ta\tt\tu\td",
                                      "S1\t03/10/2009\tAM\t\te\ta\tt\tu\td"}),
            run(XDate::kNone, XDate::kNone, false));
}

}  // namespace
}  // namespace attstoretest
