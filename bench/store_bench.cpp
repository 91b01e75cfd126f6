// The attendance change store under a large school's year: 1,400 students, 180 school days,
// about 250,000 daily and period rows. Measures the rows per second of recording them and of
// sending the changes into an update file, on the first run (everything new) and on an
// unchanged second run (everything recorded again, nothing sent), against plain SQLite inserts
// of the same rows in one transaction without a key, measured in the same process. Then the
// nights as the extracts run them: only the rows of the window (from the update date less the
// overlap) are recorded, unchanged, then with one code in 50 changed and one row in 100 gone.
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "foundation/XDate.h"
#include "foundation/XDateTime.h"
#include "foundation/XLogFile.h"
#include "foundation/XTime.h"
#include "os/OsFiles.h"
#include "os/OsText.h"
#include "package/QDEWriter.h"
#include "package/AttendanceExport.h"
#include "sqlite3.h"
#include "testsupport/TempDir.h"

namespace {

struct Row {
  std::string student;
  int day;
  std::string key;
  const char* code;
  bool daily;
};

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

std::vector<Row> SchoolYear(int firstDay) {
  std::vector<Row> rows;
  const char* codes[] = {"A", "T", "EA", "ET"};
  int schoolDay = 0;
  for (int day = firstDay; schoolDay < 180; ++day) {
    if (XDate::Weekday(day) >= 5) continue;  // weekends
    ++schoolDay;
    for (int student = 0; student < 1400; ++student) {
      std::string key = "S" + std::to_string(100000 + student);
      // A daily row for every student and day, a period row for one day in four.
      rows.push_back({key, day, (student + day) % 2 ? "AM" : "PM", codes[(student + day) % 4], true});
      if ((student + day) % 4 == 0) {
        rows.push_back({key, day, std::to_string(1 + (student + day) % 7), codes[(student * 3 + day) % 4], false});
      }
    }
  }
  return rows;
}

double BaselineInsert(const std::vector<Row>& rows, const std::string& path) {
  sqlite3* db = nullptr;
  sqlite3_open_v2(os::NarrowToUtf8(path).c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
  sqlite3_exec(db,
               "CREATE TABLE DAILY_ATT (stdkey VARCHAR(100), attdate DATETIME, timeframe VARCHAR(100), "
               "excused VARCHAR(100), absent VARCHAR(100), tardy VARCHAR(100), truant VARCHAR(100), "
               "discipline VARCHAR(100), header VARCHAR(10), oldcode VARCHAR(100), newcode VARCHAR(100), "
               "PRIMARY KEY (stdkey, attdate, timeframe, header))",
               nullptr, nullptr, nullptr);
  Clock::time_point start = Clock::now();
  sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
  sqlite3_stmt* insert = nullptr;
  sqlite3_prepare_v2(db,
                     "INSERT INTO DAILY_ATT (stdkey, attdate, excused, absent, tardy, truant, discipline, "
                     "timeframe, header, newcode) VALUES (?, ?, '', '', '', '', '', ?, ?, ?)",
                     -1, &insert, nullptr);
  for (const Row& row : rows) {
    std::string day = XDate::FormatDate(row.day, "yyyy-mm-dd").ToStd();
    sqlite3_bind_text(insert, 1, row.student.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(insert, 2, day.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(insert, 3, row.key.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(insert, 4, row.daily ? "AttTimeFrameRef" : "AttPerRef", -1, SQLITE_STATIC);
    sqlite3_bind_text(insert, 5, row.code, -1, SQLITE_STATIC);
    sqlite3_step(insert);
    sqlite3_reset(insert);
  }
  sqlite3_finalize(insert);
  sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
  double seconds = Seconds(start);
  sqlite3_close(db);
  return seconds;
}

struct RunTimes {
  double record = 0;
  double send = 0;
  int64_t updateBytes = 0;
  size_t recorded = 0;
};

// `windowOnly`: only the rows from the store's update date on are recorded, as the extracts'
// windows read them.
RunTimes StoreRun(const std::vector<Row>& rows, const std::string& import, XLogFile& log, bool windowOnly = false) {
  RunTimes times;
  ExtractContext writerContext;
  QDEWriter writer{writerContext};
  QDEApplication& app = writerContext.Application();
  app.m_fullName = "Bench";
  app.m_version = "1.1.2.1";
  app.m_creatorId = "Meridane_DE";
  app.m_fileBaseName = "QvMeridane";
  writerContext.SetRunLog(&log);
  BridgeConfiguration config;
  config.m_importFolder = import;
  config.m_schoolNumber = "101";
  config.m_schoolYear = "2009";
  writer.Folder().CheckBridgeConfiguration(config, writerContext.Application().m_version);
  XFileSpec update = writer.BeginUpdateFile();

  Clock::time_point start = Clock::now();
  for (bool daily : {true, false}) {
    const char* kind = daily ? AttendanceStore::kDaily : AttendanceStore::kPeriod;
    writer.StartAttTable(kind);
    writer.Attendance().BeginRecording();
    const int from = windowOnly ? writer.Attendance().UpdateDate() : XDate::kNone;
    for (const Row& row : rows) {
      if (row.daily != daily) continue;
      if (from != XDate::kNone && from > 0 && row.day < from) continue;
      ++times.recorded;
      AttendanceRow recorded;
      recorded.kind = kind;
      recorded.attdate = row.day;
      recorded.stdkey = row.student.c_str();
      recorded.key = row.key.c_str();
      recorded.header = daily ? "AttTimeFrameRef" : "AttPerRef";
      recorded.newcode = row.code;
      writer.Attendance().Record(recorded);
    }
    writer.Attendance().CommitRecording();
  }
  times.record = Seconds(start);

  start = Clock::now();
  AttendanceExport(writer).WriteChanges(true);
  AttendanceExport(writer).WriteChanges(false);
  writer.CompleteUpdateFile();
  times.send = Seconds(start);
  writer.SaveSchoolConfig();
  times.updateBytes = static_cast<int64_t>(testsupport::ReadAll(update.Path().ToStd()).size());
  return times;
}

void Report(const char* what, size_t rows, double seconds, double baselineRate) {
  double rate = seconds > 0 ? rows / seconds : 0;
  std::printf("store_bench: %-34s %9zu rows %8.3f s %10.0f rows/s  ratio %.3f\n", what, rows, seconds,
              rate, baselineRate > 0 ? rate / baselineRate : 0);
}

}  // namespace

int main() {
  testsupport::TempDir dir;
  // The 180 school days end in the last week of June, where the nights below fall.
  int firstDay = XDate::FromYMD(2008, 10, 20);
  std::vector<Row> rows = SchoolYear(firstDay);
  std::string import = dir.File("Import");
  XFileSpec::Folder(import.c_str()).CreateFolder();
  XLogFile log("Bench Run Log", XFileSpec(dir.File("RunLog.txt").c_str()), kLogInfo);
  log.Begin();

  double baseline = BaselineInsert(rows, dir.File("baseline.db"));
  double baselineRate = rows.size() / baseline;
  Report("baseline: sqlite3 inserts, no key", rows.size(), baseline, baselineRate);

  XDateTime::SetFixedNow(XDateTime(XDate::FromYMD(2009, 6, 30), XTime::FromHMS(22, 0, 0)));
  RunTimes first = StoreRun(rows, import, log);
  Report("first run: record", rows.size(), first.record, baselineRate);
  Report("first run: send (all rows)", rows.size(), first.send, baselineRate);

  XDateTime::SetFixedNow(XDateTime(XDate::FromYMD(2009, 7, 1), XTime::FromHMS(22, 0, 0)));
  RunTimes second = StoreRun(rows, import, log);
  Report("unchanged second run: record", rows.size(), second.record, baselineRate);
  Report("unchanged second run: send (none)", rows.size(), second.send, baselineRate);
  std::printf("store_bench: update file bytes: first %lld, second %lld\n",
              static_cast<long long>(first.updateBytes), static_cast<long long>(second.updateBytes));

  XDateTime::SetFixedNow(XDateTime(XDate::FromYMD(2009, 7, 2), XTime::FromHMS(22, 0, 0)));
  RunTimes night = StoreRun(rows, import, log, true);
  Report("next night, window: record", night.recorded, night.record, baselineRate);
  Report("next night, window: send (none)", night.recorded, night.send, baselineRate);
  std::vector<Row> changed;
  changed.reserve(rows.size());
  for (size_t i = 0; i < rows.size(); ++i) {
    if (i % 100 == 7) continue;  // gone from the SIS
    changed.push_back(rows[i]);
    if (i % 50 == 3) changed.back().code = "ET";
  }
  XDateTime::SetFixedNow(XDateTime(XDate::FromYMD(2009, 7, 3), XTime::FromHMS(22, 0, 0)));
  RunTimes changedNight = StoreRun(changed, import, log, true);
  Report("changed night, window: record", changedNight.recorded, changedNight.record, baselineRate);
  Report("changed night, window: send", changedNight.recorded, changedNight.send, baselineRate);
  std::printf("store_bench: update file bytes: next night %lld, changed night %lld\n",
              static_cast<long long>(night.updateBytes), static_cast<long long>(changedNight.updateBytes));
  return 0;
}
