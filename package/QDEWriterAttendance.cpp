// The attendance change store's operations of the package writer: recording the attendance
// rows that the extracts read, and writing into the update file only the rows whose code
// differs from the code last sent.
//
// Every statement runs in its own error handler: a failing statement is logged and the run
// goes on. What does end the run is a failure of the update file itself; the rows marked as
// sent in that run are then rolled back, so that the next run sends them again.
#include <cstdlib>
#include <vector>

#include "sqlite/Query.h"
#include "foundation/XDate.h"
#include "foundation/XDigits.h"
#include "foundation/XException.h"
#include "foundation/XFile.h"
#include "foundation/XTime.h"
#include "package/QDEWriter.h"

namespace {

constexpr const char* kStoreDate = "yyyy-mm-dd";
constexpr int kExportValueCount = 9;

// Single quotes would end the text of a statement early; they are dropped from every value.
XString Unquoted(const XString& text) {
  XString copy = text;
  copy.RemoveChars("'");
  return copy;
}

XString WithText(const char* prefix, const XString& text) { return XString(prefix) + text; }

// The day as the store keeps it, "yyyy-mm-dd": what XDate::FormatDate gives for kStoreDate,
// written directly because every recorded row needs it.
XString StoreDateText(int date) {
  int year = 0, month = 0, day = 0;
  if (date >= 0) XDate::ToYMD(date, year, month, day);
  if (date < 0 || year < 1000 || year > 9999) return XDate::FormatDate(date, kStoreDate);
  char text[16];
  const char* p = xdigits::PutDate(text, year, month, day, '-', 4);
  return XString(text, static_cast<uint32_t>(p - text));
}

// Whether the kind's table holds rows with an empty header; true when that cannot be read,
// so that the caller does not leave such rows unmarked.
bool HasRowsWithoutHeader(AttendanceStore& store, const char* table) {
  try {
    sqlite::Query query(store.Db());
    query.PrepareFormat("SELECT 1 FROM %s WHERE %s = '' LIMIT 1", table, "header");
    return query.Step();
  } catch (const XException&) {
    return true;
  }
}

// A statement with "?" parameters as it reads with its values put in as SQL string literals,
// for the log of a failed statement.
XString WithValues(const XString& sql, const std::vector<const XString*>& values) {
  XString text;
  size_t next = 0;
  for (const char* p = sql.c_str(); *p != 0; ++p) {
    if (*p == '?' && next < values.size()) {
      text += sqlite::FormatSql("'%q'", values[next++]->c_str());
    } else {
      text += XString(p, 1);
    }
  }
  return text;
}

struct KindNames {
  const char* table;
  const char* description;
  const char* cachedDescription;
  const char* fileName;
  const char* missingMessage;
  const char* exportingMessage;
  const char* operation;     // prefix of the failed-mark message
  const char* specialHeader; // rows with an empty header are exported under this one
};

const KindNames kDailyNames = {
    AttendanceStore::kDaily, "Student Daily Attendance", "Cached Daily Attendance",
    "StudentDailyAtt.qef", "Daily Attendance Table does not exist, skipping",
    "Exporting Daily Attendance from DB", "CreateStudentDailyAttendanceFromDB Error: ",
    "AttTimeFrameRef"};
const KindNames kPeriodNames = {
    AttendanceStore::kPeriod, "Student Period Attendance", "Cached Period Attendance",
    "StudentPeriodAtt.qef", "Period Attendance Table does not exist, skipping",
    "Exporting Period Attendance from DB", "CreateStudentPeriodAttendanceFromDB Warning: ",
    "AttPerRef"};

}  // namespace

void QDEWriter::WriteAttendanceLine(XFile& out, const XString* values, int count) {
  for (int i = 0; i < count; ++i) out.WriteField(values[i]);
  out.EndLine();
}

void QDEWriter::StartAttTable(const XString& kind) {
  XEngineLog& log = EngineLog();
  AttendanceStore& store = m_attStore;
  store.m_kind = kind;
  log.ExtractLogWrite(kLogInfo, WithText("Start Attendance Table at: ", XEngineLog::TimePrefix()));

  if (!store.IsOpen()) {
    try {
      store.Open(ImportFolder(), ImportFolder());
    } catch (const XException& e) {
      log.ExtractLogWrite(kLogDebug, WithText("Attendance: Set Database: ", e.what()));
    }
  }

  const char* key = AttendanceStore::KeyColumn(kind);
  try {
    store.Db().ExecuteFormat(
        "CREATE TABLE %s (%s VARCHAR(100), %s DATETIME, %s VARCHAR(100), %s VARCHAR(100), %s "
        "VARCHAR(100), %s VARCHAR(100), %s VARCHAR(100), %s VARCHAR(100), %s VARCHAR(10), %s "
        "VARCHAR(100), %s VARCHAR(100), PRIMARY KEY (%s, %s, %s, %s))",
        kind.c_str(), "stdkey", "attdate", key, "excused", "absent", "tardy", "truant",
        "discipline", "header", "oldcode", "newcode", "stdkey", "attdate", key, "header");
  } catch (const XException& e) {
    // The table of an earlier run is still there: the usual case, not a fault.
    log.ExtractLogWrite(kLogDebug, XString("Attendance: Create Table Failed: ") + kind + ": " + e.what());
  }

  const KindNames& names = kind == AttendanceStore::kPeriod ? kPeriodNames : kDailyNames;
  const XString& dateFormat = HeaderSettings().m_dateFormat;

  int updateDate = XDate::kNone;
  XString stored = ReadSchoolConfigValue("UpdateDate");
  if (stored.IsEmpty() || !XDate::ParseDate(stored.c_str(), "dd-mmm-yyyy", updateDate)) {
    updateDate = XDate::kNone;
  }
  log.ExtractLogWrite(kLogDebug, WithText("StartAttTable: After: Update Date is: ",
                                          XDate::FormatDate(updateDate, dateFormat.c_str())));
  store.m_overlap = ReadSchoolConfigValue("OverlapInDays");
  if (store.m_overlap.IsEmpty()) store.m_overlap = AttendanceStore::kDefaultOverlap;
  if (updateDate != XDate::kNone && updateDate != 0) {
    updateDate = XDate::AddDays(updateDate, -std::atoi(store.m_overlap.c_str()));
  }
  store.m_updateDate = updateDate;

  // The blanking and the rows recorded after it go into one transaction: a run that fails
  // half-way leaves the codes as they were, not blanked.
  try {
    store.BeginRecording();
    store.Db().ExecuteFormat("UPDATE %s SET %s='' WHERE %s >= '%s'", kind.c_str(), "newcode",
                             "attdate", XDate::FormatDate(updateDate, kStoreDate).c_str());
  } catch (const XException& e) {
    log.ExtractLogWrite(kLogDebug, WithText("Attendance::BlankNewCodeInSQLiteDB: ", e.what()));
  }

  log.ExtractLogWrite(kLogDebug, WithText("StartAttTable: Before StartTable: Update Date is: ",
                                          XDate::FormatDate(updateDate, dateFormat.c_str())));
  StartTable(names.description, names.fileName);
}

void QDEWriter::UpsertAttendance(const XString& kind, int date, const XString& stdKey,
                                 const XString& keyValue, const XString& header,
                                 const XString& oldCode, const XString& newCode,
                                 const XString& excused, const XString& absent,
                                 const XString& tardy, const XString& truant,
                                 const XString& discipline) {
  XString table = Unquoted(kind), student = Unquoted(stdKey), keyText = Unquoted(keyValue),
          head = Unquoted(header), oldText = Unquoted(oldCode), newText = Unquoted(newCode),
          exc = Unquoted(excused), abs = Unquoted(absent), tar = Unquoted(tardy),
          tru = Unquoted(truant), dis = Unquoted(discipline);
  XString day = StoreDateText(date);
  const char* key = AttendanceStore::KeyColumn(table);

  // The statements run once per attendance row: each form is prepared once per table and the
  // values are bound. The text with the values is made only for the log of a failure.
  const bool oneCode = oldText.IsEmpty() != newText.IsEmpty();
  const char* codeColumn = newText.IsEmpty() ? "oldcode" : "newcode";
  const XString& code = newText.IsEmpty() ? oldText : newText;
  AttendanceStore& store = m_attStore;
  if (oneCode) {
    // One statement instead of an update that usually misses and then an insert: the same
    // row results, as the update's condition is the table's primary key.
    const std::vector<const XString*> rowValues = {&student, &day, &exc, &abs, &tar, &tru, &dis, &keyText, &head, &code};
    auto makeUpsert = [&] {
      return sqlite::FormatSql(
          "INSERT INTO %s (%s, %s, %s, %s, %s, %s, %s, %s, %s, %s) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?) "
          "ON CONFLICT (%s, %s, %s, %s) DO UPDATE SET %s=excluded.%s, %s=excluded.%s, %s=excluded.%s, "
          "%s=excluded.%s, %s=excluded.%s, %s=excluded.%s",
          table.c_str(), "stdkey", "attdate", "excused", "absent", "tardy", "truant", "discipline", key, "header",
          codeColumn, "stdkey", "attdate", key, "header", codeColumn, codeColumn, "excused", "excused", "absent",
          "absent", "tardy", "tardy", "truant", "truant", "discipline", "discipline");
    };
    sqlite::Query* upsert = nullptr;
    try {
      if (store.IsOpen()) store.BeginRecording();
      upsert = &store.Statement(table, newText.IsEmpty() ? "upsert oldcode" : "upsert newcode", makeUpsert);
    } catch (const XException&) {
      // A store table without that key (or no store): the update and the insert below.
    }
    if (upsert != nullptr) {
      try {
        RunStoreStatement(*upsert, rowValues);
      } catch (const XException&) {
        EngineLog().ExtractLogWrite(kLogDebug, WithText("Attendance: Insert Row: ", WithValues(makeUpsert(), rowValues)));
      }
      return;
    }
  }
  const char* updateShape;
  XString (*makeUpdate)(const XString&, const char*, const char*);
  std::vector<const XString*> updateValues;
  if (oneCode) {
    updateShape = newText.IsEmpty() ? "update oldcode" : "update newcode";
    makeUpdate = [](const XString& t, const char* k, const char* c) {
      return sqlite::FormatSql("UPDATE %s SET %s=?, %s=?, %s=?, %s=?, %s=?, %s=? WHERE %s=? AND %s=? AND %s=? AND %s=?",
                               t.c_str(), c, "excused", "absent", "tardy", "truant", "discipline", "stdkey",
                               "attdate", k, "header");
    };
    updateValues = {&code, &exc, &abs, &tar, &tru, &dis, &student, &day, &keyText, &head};
  } else if (!oldText.IsEmpty()) {
    updateShape = "update both codes";
    makeUpdate = [](const XString& t, const char* k, const char*) {
      return sqlite::FormatSql("UPDATE %s SET %s=?, %s=?, %s=?, %s=?, %s=?, %s=?, %s=? WHERE %s=? AND %s=? AND %s=?",
                               t.c_str(), "newcode", "oldcode", "excused", "absent", "tardy", "discipline",
                               "truant", "stdkey", "attdate", k);
    };
    updateValues = {&newText, &oldText, &exc, &abs, &tar, &dis, &tru, &student, &day, &keyText};
  } else {
    return;  // neither code: nothing to remember
  }

  sqlite::Query* update = nullptr;
  try {
    if (store.IsOpen()) store.BeginRecording();
    update = &store.Statement(table, updateShape, [&] { return makeUpdate(table, key, codeColumn); });
    RunStoreStatement(*update, updateValues);
  } catch (const XException&) {
    EngineLog().ExtractLogWrite(kLogDebug, WithText("Attendance: Update Row: ",
                                                    WithValues(makeUpdate(table, key, codeColumn), updateValues)));
    return;
  }
  if (store.Db().Changes() > 0) return;

  const char* insertShape;
  XString (*makeInsert)(const XString&, const char*, const char*);
  std::vector<const XString*> insertValues;
  if (oneCode) {
    insertShape = newText.IsEmpty() ? "insert oldcode" : "insert newcode";
    makeInsert = [](const XString& t, const char* k, const char* c) {
      return sqlite::FormatSql(
          "INSERT INTO %s (%s, %s, %s, %s, %s, %s, %s, %s, %s, %s) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)", t.c_str(),
          "stdkey", "attdate", "excused", "absent", "tardy", "truant", "discipline", k, "header", c);
    };
    insertValues = {&student, &day, &exc, &abs, &tar, &tru, &dis, &keyText, &head, &code};
  } else {
    insertShape = "insert both codes";
    makeInsert = [](const XString& t, const char* k, const char*) {
      return sqlite::FormatSql(
          "INSERT INTO %s (%s, %s, %s, %s, %s, %s, %s, %s, %s, %s, %s) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
          t.c_str(), "stdkey", "attdate", "excused", "absent", "tardy", "truant", "discipline", k, "header",
          "oldcode", "newcode");
    };
    insertValues = {&student, &day, &exc, &abs, &tar, &tru, &dis, &keyText, &head, &oldText, &newText};
  }
  try {
    RunStoreStatement(store.Statement(table, insertShape, [&] { return makeInsert(table, key, codeColumn); }),
                      insertValues);
  } catch (const XException&) {
    EngineLog().ExtractLogWrite(kLogDebug, WithText("Attendance: Insert Row: ",
                                                    WithValues(makeInsert(table, key, codeColumn), insertValues)));
  }
}

void QDEWriter::RunStoreStatement(sqlite::Query& statement, const std::vector<const XString*>& values) {
  for (size_t i = 0; i < values.size(); ++i) statement.BindText(static_cast<int>(i + 1), *values[i]);
  statement.Step();
  statement.Reset();
}

void QDEWriter::BeginAttTransaction() {
  try {
    m_attStore.BeginRecording();
  } catch (const XException& e) {
    EngineLog().ExtractLogWrite(kLogDebug, WithText("Attendance: Begin Transaction: ", e.what()));
  }
}

void QDEWriter::CommitAttTransaction() {
  try {
    m_attStore.CommitRecording();
  } catch (const XException& e) {
    EngineLog().ExtractLogWrite(kLogDebug, WithText("Attendance: Commit Transaction: ", e.what()));
  }
}

void QDEWriter::CreateStudentDailyAttendanceFromDB() { ExportAttendanceKind(true); }

void QDEWriter::CreateStudentPeriodAttendanceFromDB() { ExportAttendanceKind(false); }

void QDEWriter::ExportAttendanceKind(bool daily) {
  const KindNames& names = daily ? kDailyNames : kPeriodNames;
  AttendanceStore& store = m_attStore;
  XEngineLog& log = EngineLog();
  std::vector<XString>& headers = daily ? store.m_dailyHeaders : store.m_periodHeaders;
  if (!daily && headers.empty()) {
    headers.emplace_back("AttPerRef");
    log.ExtractLogWrite(kLogDebug,
                        "CreateStudentPeriodAttendanceFromDB: Either no data returned or No "
                        "Period Timeframe header set, assuming AttPerRef");
  }

  bool exists = false;
  try {
    sqlite::Query check(store.Db());
    check.PrepareFormat("SELECT * FROM sqlite_master WHERE type='table' AND name='%s'", names.table);
    exists = check.Step();
  } catch (const XException& e) {
    log.ExtractLogWrite(kLogDebug,
                        XString("SQLite: Create Table Failed: ") + names.table + ": " + e.what());
  }
  if (!exists) {
    log.ExtractLogWrite(kLogDebug, names.missingMessage);
    return;
  }
  log.ExtractLogWrite(kLogInfo, names.exportingMessage);

  // The marks of this export stay uncommitted until the update file is complete on the disk.
  bool canMark = true;
  try {
    store.BeginMarking();
  } catch (const XException& e) {
    // Without a transaction the rows stay unmarked: sent again next time rather than lost.
    canMark = false;
    log.ExtractLogWrite(kLogDebug, WithText(names.operation, e.what()));
  }

  const char* key = daily ? "timeframe" : "perkey";
  bool anyMarkFailed = false;
  for (const XString& h : headers) {
    StartTable(names.cachedDescription, names.fileName);
    ClearColumns();
    ResetProgressCount();
    for (const char* field : {"AttStdRef", "AttDate", h.c_str(), "AttAttCodeRef", "AttExcused",
                              "AttAbs", "AttTardy", "AttTruant", "AttDiscipline"}) {
      AddHeaderField(field);
    }
    const bool special = h == names.specialHeader;
    XString headerCondition =
        special ? sqlite::FormatSql("(%s = '%q' OR %s = '')", "header", h.c_str(), "header")
                : sqlite::FormatSql("%s = '%q'", "header", h.c_str());
    XString select = sqlite::FormatSql(
        "SELECT %s, %s, %s, %s, %s, %s, %s, %s, %s, %s FROM %s WHERE %s IS NOT NULL AND (%s <> "
        "%s OR %s IS NULL) AND ",
        "stdkey", "attdate", "excused", "absent", "tardy", "truant", "discipline", key,
        "oldcode", "newcode", names.table, "newcode", "newcode", "oldcode", "oldcode");
    select += headerCondition;
    log.ExtractLogWrite(kLogProprietary, WithText("Attendance Query: ", select));
    // Marks a written row as sent (the rows of its key and code under the header condition).
    // Prepared once for all rows of this header; the special header's condition is split
    // into one statement per header value, because SQLite runs "header = a OR header = b"
    // through a temporary table built anew for every row; the one for the empty header is
    // needed only when the table has such rows (marking never makes new ones).
    const XString markPrefix = sqlite::FormatSql("UPDATE %s SET %s=%s WHERE %s=? AND %s=? AND %s=? AND %s=? AND ",
                                                 names.table, "oldcode", "newcode", "stdkey", "attdate", key,
                                                 "newcode");
    std::vector<XString> marks = {markPrefix + sqlite::FormatSql("%s = '%q'", "header", h.c_str())};
    if (special && HasRowsWithoutHeader(store, names.table)) {
      marks.push_back(markPrefix + sqlite::FormatSql("%s = ''", "header"));
    }

    XFile* out = nullptr;
    try {
      out = &OpenTableOutput();
      if (IsUpdating() && canMark) store.m_markedFile = out->Spec();
      try {
        sqlite::Query rows(store.Db());
        rows.Prepare(select);
        XString values[kExportValueCount];
        while (rows.Step()) {
          XString stdKey = rows.StringColumn(0), attDate = rows.StringColumn(1),
                  keyValue = rows.StringColumn(7), newCode = rows.StringColumn(9);
          int day = XDate::kNone;
          if (!XDate::ParseDate(attDate.c_str(), "YYYY-MM-DD", day)) day = XDate::kNone;
          values[0] = stdKey;
          values[1] = XDate::FormatDate(day, HeaderSettings().m_dateFormat.c_str());
          values[2] = keyValue;
          values[3] = newCode;
          for (int i = 0; i < 5; ++i) values[4 + i] = rows.StringColumn(2 + i);
          WriteAttendanceLine(*out, values, kExportValueCount);
          CountProgressItem();
          if (!canMark) continue;

          const std::vector<const XString*> markValues = {&stdKey, &attDate, &keyValue, &newCode};
          try {
            for (const XString& markSql : marks) RunStoreStatement(store.Statement(markSql), markValues);
          } catch (const sqlite::SqlError& e) {
            anyMarkFailed = true;
            log.ExtractLogWrite(daily ? kLogDebug : kLogWarning, WithText(names.operation, e.what()));
            for (const XString& markSql : marks) {
              log.ExtractLogWrite(kLogProprietary, WithText("Update Query: ", WithValues(markSql, markValues)));
            }
          }
        }
      } catch (const sqlite::SqlError& e) {
        // The store could not be read: the rows stay as they are for the next run.
        log.ExtractLogWrite(daily ? kLogDebug : kLogWarning, WithText(names.operation, e.what()));
      }
      CloseTableOutput();
      // Without an update file the table file is complete and on the disk once closed.
      if (!IsUpdating()) store.CommitMarking();
    } catch (...) {
      // The update file did not get its rows: none of this run's marks may stand.
      store.Rollback();
      AbandonTableOutput();
      throw;
    }

    store.m_referenceTime = XDateTime::Now();
    store.m_updateDate = XDate::Today();
    ClearColumns();
    EndTable();
  }
  if (!daily && anyMarkFailed) {
    log.ExtractLogWrite(kLogInfo, "CreateStudentPeriodAttendanceFromDB At least 1 update failed.");
  }
}

void QDEWriter::CompleteUpdateFile() {
  AttendanceStore& store = m_attStore;
  try {
    if (XFile* file = UpdateFile()) {
      file->Flush();
    } else if (store.MarksPending() && !store.m_markedFile.IsEmpty()) {
      // Closed already by EndUpdateFile: its bytes may still be only in the system's cache.
      XFile file;
      file.Open(store.m_markedFile, XFile::kWrite | XFile::kAppend);
      file.Flush();
      file.Close();
    }
    EndUpdateFile();
  } catch (...) {
    store.Rollback();
    throw;
  }
  try {
    store.CommitMarking();
  } catch (const XException& e) {
    // The rows stay unmarked and go out once more with the next update: harmless.
    EngineLog().ExtractLogWrite(kLogDebug, WithText("Attendance: Commit Sent Rows: ", e.what()));
  }
}

bool QDEWriter::CheckAttUpdateTime(const XString& table) {
  XString sql = sqlite::FormatSql("SELECT UPDATED FROM UPDATECONFIG WHERE ELEMENT='%q'", table.c_str());
  EngineLog().ExtractLogWrite(kLogProprietary, WithText("UpdateConfig Query: ", sql));
  try {
    sqlite::Query query(m_attStore.Db());
    query.Prepare(sql);
    bool found = false;
    XString updated;
    while (query.Step()) {
      found = true;
      updated = query.StringColumn(0);
    }
    if (!found) return true;
    // "YYYY-MM-DD", one separator, "HH:NN:SS.LLL"
    int day = XDate::kNone;
    if (updated.Length() < 10 || !XDate::ParseDate(updated.Left(10).c_str(), "YYYY-MM-DD", day)) {
      return true;
    }
    int ms = XTime::kNone;
    if (updated.Length() <= 11 || !XTime::ParseTime(updated.Mid(11).c_str(), "HH:NN:SS.LLL", ms)) {
      ms = 0;
    }
    return XDateTime(day, ms) < XDateTime::Now();
  } catch (const XException& e) {
    EngineLog().ExtractLogWrite(kLogDebug, WithText("Check SQLite Update Date: ", e.what()));
    return true;
  }
}

void QDEWriter::DropAttTableWhenDue(const XString& table) {
  if (!CheckAttUpdateTime(table)) return;
  try {
    m_attStore.Db().ExecuteFormat("DROP TABLE %s", table.c_str());
  } catch (const XException& e) {
    EngineLog().ExtractLogWrite(kLogError, XString("Failed to Drop table: ") + table + ": " + e.what());
  }
}

void QDEWriter::CloseAndDeleteAttStore() {
  m_attStore.Close();
  XFileSpec file = AttendanceStore::StoreFile(ImportFolder());
  if (file.Exists()) {
    try {
      file.Delete();
    } catch (const XException&) {
      EngineLog().ExtractLogWrite(kLogDebug, "Attendance: Database could not be deleted");
    }
  }
  // A journal left by a crash must go with its database: SQLite would otherwise play it back
  // into the new, empty store of the next run.
  for (const char* suffix : {"-journal", "-wal", "-shm"}) {
    XFileSpec companion(file.Path() + suffix);
    if (!companion.Exists()) continue;
    try {
      companion.Delete();
    } catch (const XException&) {
      EngineLog().ExtractLogWrite(kLogDebug, "Attendance: Database could not be deleted");
    }
  }
}
