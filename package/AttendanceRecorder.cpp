#include "package/AttendanceRecorder.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <functional>
#include <string_view>
#include <utility>

#include "sqlite/Query.h"
#include "foundation/XDate.h"
#include "foundation/XDigits.h"
#include "foundation/XException.h"
#include "foundation/XFile.h"
#include "foundation/XTime.h"
#include "package/AttendanceStatements.h"
#include "package/SchoolConfig.h"
#include "os/OsFiles.h"
#include "os/OsSystem.h"

namespace {

constexpr const char* kStoreDate = "yyyy-mm-dd";

// Single quotes would end the text of a statement early; they are dropped from every value.
// A value without one (nearly all) is used as it is; `copy` holds the one made otherwise.
const XString& Unquoted(const XString& text, XString& copy) {
  if (text.Find('\'') == text.Length()) return text;
  copy = text;
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

// A statement with "?" parameters as it reads with its values put in as SQL string literals,
// for the log of a failed statement and of the export's queries.
XString WithValues(const char* sql, const std::vector<const XString*>& values) {
  XString text;
  size_t next = 0;
  for (const char* p = sql; *p != 0; ++p) {
    if (*p == '?' && next < values.size()) {
      text += sqlite::FormatSql("'%q'", values[next++]->c_str());
    } else {
      text += XString(p, 1);
    }
  }
  return text;
}

// The package side of a kind.
struct KindNames {
  const AttendanceStatements& sql;
  const char* description;
  const char* cachedDescription;
  const char* fileName;
  const char* missingMessage;
  const char* exportingMessage;
  const char* operation;      // prefix of the failed-mark message
  const char* specialHeader;  // rows with an empty header are exported under this one
};

const KindNames kDailyNames = {
    AttendanceStatements::kDaily, "Student Daily Attendance", "Cached Daily Attendance",
    "StudentDailyAtt.qef", "Daily Attendance Table does not exist, skipping",
    "Exporting Daily Attendance from DB", "CreateStudentDailyAttendanceFromDB Error: ",
    "AttTimeFrameRef"};
const KindNames kPeriodNames = {
    AttendanceStatements::kPeriod, "Student Period Attendance", "Cached Period Attendance",
    "StudentPeriodAtt.qef", "Period Attendance Table does not exist, skipping",
    "Exporting Period Attendance from DB", "CreateStudentPeriodAttendanceFromDB Warning: ",
    "AttPerRef"};

// An error that the operator must see: into the extract log and, when that is a file of its
// own, into the run log too.
void WriteBothLogs(XEngineLog& log, int32_t level, const XString& text) {
  log.ExtractLogWrite(level, text.c_str());
  if (log.ExtractLog() != nullptr && log.RunLog() != nullptr) log.RunLogWrite(level, text.c_str());
}

const KindNames& NamesOf(const XString& kind) {
  return kind == AttendanceStore::kPeriod ? kPeriodNames : kDailyNames;
}

// The statements of a kind; a kind without a table of its own fails like a missing table.
const AttendanceStatements& StatementsOf(const XString& kind) {
  const AttendanceStatements* sql = AttendanceStatements::Of(kind);
  if (sql == nullptr) throw XException(XString("no such table: ") + kind);
  return *sql;
}

// The days the blanking covers, as the store's texts ("yyyy-mm-dd"; `from` empty: from the
// first day on, `to` empty: open): from the update date, within the readable days; false when
// there is none.
bool BlankedDays(int updateDate, int firstReadable, int lastReadable, XString& from, XString& to) {
  // Unset, the update date blanks from the first day on: the empty text sorts before any day.
  int first = updateDate;
  if (firstReadable != XDate::kNone && (first == XDate::kNone || first < firstReadable)) first = firstReadable;
  from = XDate::FormatDate(first, kStoreDate);
  to = XString();
  if (lastReadable == XDate::kNone) return true;
  // No day the extract reads: every code stays as it is, none is sent as deleted.
  if (first != XDate::kNone && first > lastReadable) return false;
  to = XDate::FormatDate(lastReadable, kStoreDate);
  return true;
}

}  // namespace

AttendanceRecorder::AttendanceRecorder(XEngineLog& log) : m_log(log) {}

bool AttendanceRecorder::OpenStore(const XFileSpec& folder, const XFileSpec& importFolder) {
  if (m_store.IsOpen()) return true;
  try {
    m_store.Open(folder, importFolder);
  } catch (const XException& e) {
    m_log.ExtractLogWrite(kLogDebug, WithText("Attendance: Set Database: ", e.what()));
    Fail("opening it", e.what());
    return false;
  }
  if (m_store.KeptAsideReason().IsEmpty()) return true;
  XString text = XString("The attendance change store ") + m_store.OpenFile().Path() + " could not be read (" +
                 m_store.KeptAsideReason() + ")";
  if (!m_store.KeptAside().IsEmpty()) text += XString("; it was kept as ") + m_store.KeptAside().Path();
  if (!m_store.StartedAnew()) {
    // Nothing is lost: the copy knows what the last completed run sent.
    WriteBothLogs(m_log, kLogWarning,
                  text + ". It was rebuilt from its copy " + m_store.RestoredFrom().Path() +
                      " of the last completed run: the attendance changed since then is sent.");
  } else {
    WriteBothLogs(m_log, kLogError,
                  text + ". No copy of it could be used (" + m_store.CopyReason() +
                      "): a new store was made, and the import folder is cleaned so that the import tool "
                      "loads all attendance anew.");
  }
  return true;
}

void AttendanceRecorder::Fail(const char* step, const char* message, const XFileSpec* storeFile) {
  if (m_store.IsRecording()) m_recordingFailed = true;
  if (Failed()) return;
  if (storeFile == nullptr && !m_store.OpenFile().IsEmpty()) storeFile = &m_store.OpenFile();
  XString file = storeFile != nullptr ? storeFile->Path() : XString(AttendanceStore::kFileName);
  m_failure = XString("The attendance change store ") + file + " failed " + step + ": " + message;
  WriteBothLogs(m_log, kLogError,
                m_failure + ". The attendance update date stays as it was, so that the next run reads these "
                            "days again.");
}

const char* AttendanceRecorder::TableDescription(const XString& kind) { return NamesOf(kind).description; }

const char* AttendanceRecorder::TableFileName(const XString& kind) { return NamesOf(kind).fileName; }

void AttendanceRecorder::Start(const XString& kind, const XFileSpec& importFolder, const XString& dateFormat,
                               int firstReadable, int lastReadable) {
  // The rows of the kind recorded before belong to the same transaction as this kind's.
  WriteComparison();
  m_kind = kind;
  m_log.ExtractLogWrite(kLogInfo, WithText("Start Attendance Table at: ", XEngineLog::TimePrefix()));
  if (!m_store.IsOpen()) OpenStore(importFolder, importFolder);

  try {
    m_store.Db().Execute(StatementsOf(kind).create);
  } catch (const XException& e) {
    // The table of an earlier run is still there: the usual case, not a fault.
    m_log.ExtractLogWrite(kLogDebug, XString("Attendance: Create Table Failed: ") + kind + ": " + e.what());
    try {
      if (!HasTable(StatementsOf(kind))) Fail((XString("creating the table ") + kind).c_str(), e.what());
    } catch (const XException& check) {
      Fail((XString("creating the table ") + kind).c_str(), check.what());
    }
  }

  XFileSpec storedFile = importFolder;
  storedFile.AppendName(SchoolConfig::kFileName);
  SchoolConfig stored;
  stored.Load(storedFile);
  int updateDate = XDate::kNone;
  XString storedDate = stored.Value("UpdateDate");
  if (storedDate.IsEmpty() || !XDate::ParseDate(storedDate.c_str(), "dd-mmm-yyyy", updateDate)) {
    updateDate = XDate::kNone;
  }
  m_log.ExtractLogWrite(kLogDebug, WithText("StartAttTable: After: Update Date is: ",
                                            XDate::FormatDate(updateDate, dateFormat.c_str())));
  m_overlap = CheckedOverlap(stored.Value("OverlapInDays"));
  if (updateDate != XDate::kNone && updateDate != 0) {
    updateDate = XDate::AddDays(updateDate, -std::atoi(m_overlap.c_str()));
  }
  m_updateDate = updateDate;

  // The blanking and the rows recorded after it go into one transaction: a run that fails
  // half-way leaves the codes as they were, not blanked.
  try {
    m_store.BeginRecording();
    BeginComparison(StatementsOf(kind), firstReadable, lastReadable);
  } catch (const XException& e) {
    DropComparison();
    m_log.ExtractLogWrite(kLogDebug, WithText("Attendance::BlankNewCodeInSQLiteDB: ", e.what()));
    Fail("blanking the new codes", e.what());
  }

  m_log.ExtractLogWrite(kLogDebug, WithText("StartAttTable: Before StartTable: Update Date is: ",
                                            XDate::FormatDate(updateDate, dateFormat.c_str())));
}

void AttendanceRecorder::BlankNewCodes(const AttendanceStatements& sql, int firstReadable, int lastReadable) {
  XString from, to;
  if (!BlankedDays(m_updateDate, firstReadable, lastReadable, from, to)) {
    m_log.ExtractLogWrite(kLogDebug, XString("Attendance: no readable day from ") + from + " on, nothing blanked");
    return;
  }
  if (to.IsEmpty()) {
    m_store.Db().Execute(sqlite::FormatSql(sql.blankNewCodes, from.c_str()));
  } else {
    m_store.Db().Execute(sqlite::FormatSql(sql.blankNewCodesBetween, from.c_str(), to.c_str()));
  }
}

void AttendanceRecorder::BeginComparison(const AttendanceStatements& sql, int firstReadable, int lastReadable) {
  DropComparison();
  // New rows are written with the insert-or-update on the table's key; a table without that
  // key (made some other way) may hold a row twice, which a comparison by key cannot follow.
  bool keyed = true;
  try {
    Kept(sql.insertRecorded);
  } catch (const XException&) {
    keyed = false;
  }
  if (!keyed) {
    BlankNewCodes(sql, firstReadable, lastReadable);
    return;
  }
  m_comparison.blankAny = BlankedDays(m_updateDate, firstReadable, lastReadable, m_comparison.blankFrom, m_comparison.blankTo);
  if (!m_comparison.blankAny) {
    m_log.ExtractLogWrite(kLogDebug,
                          XString("Attendance: no readable day from ") + m_comparison.blankFrom + " on, nothing blanked");
  } else {
    // Every row of the blanked days, read once: those the SIS gives again keep their code,
    // the others are blanked when the recording ends.
    sqlite::Query rows(m_store.Db());
    rows.Prepare(m_comparison.blankTo.IsEmpty() ? sql.readBlanked : sql.readBlankedBetween);
    rows.BindText(1, m_comparison.blankFrom);
    if (!m_comparison.blankTo.IsEmpty()) rows.BindText(2, m_comparison.blankTo);
    while (rows.Step()) {
      // A key that is not four texts (NULL, a number) matches no recorded row, as in the
      // table's key; such a row is only blanked.
      const bool keyed = rows.TextColumn(8)[0] == '1';
      if (keyed && m_comparison.rows.Find(rows.TextColumn(1), rows.TextColumn(2), rows.TextColumn(3), rows.TextColumn(4))) {
        continue;  // not twice: the table's key holds it once
      }
      AttendanceComparison::Row& row = keyed ? m_comparison.rows.AddKeyed(false) : m_comparison.rows.AddUnkeyed();
      row.stored = true;
      row.rowid = std::strtoll(rows.TextColumn(0), nullptr, 10);
      row.blanked = true;
      row.storedCode = rows.TextColumn(5);
      row.storedNull = rows.TextColumn(6)[0] == '1';
      row.storedPlain = rows.TextColumn(7)[0] == '1';
    }
    // Nothing stored in those days (a first night, a cleaned folder): every row the SIS gives
    // is new, and goes in as it comes, as many as there are, without being held in memory.
    if (m_comparison.rows.Rows().empty()) return;
  }
  m_comparison.sql = &sql;
  m_comparison.on = true;
}

namespace {

std::string_view View(const XString& text) { return std::string_view(text.c_str(), text.Length()); }

XString Text(std::string_view text) { return XString(text.data(), static_cast<uint32_t>(text.size())); }

}  // namespace

void AttendanceRecorder::Compare(const XString& student, const XString& day, const XString& key,
                                 const XString& header, const XString& code) {
  if (AttendanceComparison::Row* found = m_comparison.rows.Find(View(student), View(day), View(key), View(header))) {
    found->seen = true;
    found->code.assign(code.c_str(), code.Length());
    return;
  }
  const std::string_view dayText = View(day);
  const bool blanked = m_comparison.blankAny && dayText.compare(View(m_comparison.blankFrom)) >= 0 &&
                       (m_comparison.blankTo.IsEmpty() || dayText.compare(View(m_comparison.blankTo)) <= 0);
  int64_t rowid = 0;
  bool stored = false, storedNull = false, storedPlain = false;
  std::string storedCode;
  // A day outside the blanked ones was not read by Start: the store is asked for the row.
  if (!blanked) {
    try {
      sqlite::Query& lookUp = Kept(m_comparison.sql->readRow);
      const Values values = {&student, &day, &key, &header};
      for (size_t i = 0; i < values.size(); ++i) lookUp.BindText(static_cast<int>(i + 1), *values[i]);
      if (lookUp.Step()) {
        stored = true;
        rowid = std::strtoll(lookUp.TextColumn(0), nullptr, 10);
        storedCode = lookUp.TextColumn(1);
        storedNull = lookUp.TextColumn(2)[0] == '1';
        storedPlain = lookUp.TextColumn(3)[0] == '1';
      }
      lookUp.Reset();
    } catch (const XException& e) {
      const XString empty;
      m_log.ExtractLogWrite(kLogDebug, WithText("Attendance: Insert Row: ",
                                                WithValues(m_comparison.sql->upsertNewCode,
                                                           {&student, &day, &empty, &empty, &empty, &empty, &empty,
                                                            &key, &header, &code})));
      Fail("recording a row", e.what());
      return;
    }
  }
  // Unchanged, it needs no writing; a second recording of it looks it up again.
  if (stored && !storedNull && storedPlain && storedCode.size() == code.Length() &&
      storedCode.compare(0, storedCode.size(), code.c_str(), code.Length()) == 0) {
    return;
  }
  AttendanceComparison::Row& row = m_comparison.rows.AddKeyed(!stored);
  row.stored = stored;
  row.rowid = rowid;
  row.blanked = blanked;
  row.storedCode = std::move(storedCode);
  row.storedNull = storedNull;
  row.storedPlain = storedPlain;
  row.seen = true;
  row.code.assign(code.c_str(), code.Length());
}

void AttendanceRecorder::WriteComparison() {
  if (!m_comparison.on) return;
  // A recording that failed, or whose transaction is gone (the store closed or rolled back),
  // keeps nothing: its rows are recorded again by the next run.
  if (m_recordingFailed || !m_store.IsRecording()) {
    DropComparison();
    return;
  }
  const AttendanceStatements& sql = *m_comparison.sql;
  // After the first failure nothing more is written: SQLite may have ended the transaction
  // with it, and a later statement would then stand on its own.
  auto write = [this](const char* text, const Values& values, const char* prefix) {
    try {
      Run(Kept(text), values);
      return true;
    } catch (const XException& e) {
      m_log.ExtractLogWrite(kLogDebug, WithText(prefix, WithValues(text, values)));
      Fail("recording a row", e.what());
      return false;
    }
  };
  bool written = true;
  XString rowid, code;
  const std::vector<AttendanceComparison::Row>& rows = m_comparison.rows.Rows();
  // The rows the SIS no longer gives first: a row taken for new by mistake (a key the store
  // holds in another form) is then still recorded by its insert-or-update below.
  for (const AttendanceComparison::Row& row : rows) {
    if (!written) break;
    if (row.seen || !row.blanked || (!row.storedNull && row.storedCode.empty())) continue;
    rowid.Format(24, "%lld", static_cast<long long>(row.rowid));
    written = write(sql.blankRow, {&rowid}, "Attendance: Update Row: ");
  }
  for (const AttendanceComparison::Row& row : rows) {
    if (!written) break;
    if (!row.seen || !row.stored) continue;
    if (!row.storedNull && row.storedPlain && row.storedCode == row.code) continue;
    rowid.Format(24, "%lld", static_cast<long long>(row.rowid));
    code = Text(row.code);
    written = write(sql.recordRow, {&code, &rowid}, "Attendance: Update Row: ");
  }
  // The new rows are sent in the order recorded, which is the order of their rowids. Up to
  // AttendanceComparison::kKeyOrderRows they go in in that order, taking the next rowid each. More of them (a first
  // run late in the school year) go in in the order of the table's key, where each lands
  // beside the one before, with the rowids they would have had one by one: in the order
  // recorded they would outgrow the store's cache and be read and written again and again.
  const std::vector<uint32_t>& added = m_comparison.rows.NewRows();
  const bool keyOrder = added.size() >= AttendanceComparison::kKeyOrderRows;
  std::vector<std::pair<std::array<std::string_view, 4>, uint32_t>> byKey;
  byKey.reserve(added.size());
  for (uint32_t ordinal = 0; written && ordinal < added.size(); ++ordinal) {
    byKey.emplace_back();
    AttendanceComparison::KeyParts(rows[added[ordinal]].key, byKey.back().first.data());
    byKey.back().second = ordinal;
  }
  int64_t lastRowid = 0;
  if (keyOrder && written) {
    std::sort(byKey.begin(), byKey.end());
    try {
      sqlite::Query& last = Kept(sql.lastRowid);
      if (last.Step()) lastRowid = std::strtoll(last.TextColumn(0), nullptr, 10);
      last.Reset();
    } catch (const XException& e) {
      m_log.ExtractLogWrite(kLogDebug, WithText("Attendance: Insert Row: ", sql.lastRowid));
      Fail("recording a row", e.what());
      written = false;
    }
  }
  XString student, day, key, header;
  for (const auto& [parts, ordinal] : byKey) {
    if (!written) break;
    student = Text(parts[0]);
    day = Text(parts[1]);
    key = Text(parts[2]);
    header = Text(parts[3]);
    code = Text(rows[added[ordinal]].code);
    if (keyOrder) {
      rowid.Format(24, "%lld", static_cast<long long>(lastRowid + 1 + ordinal));
      written = write(sql.insertRecordedAt, {&rowid, &student, &day, &key, &header, &code}, "Attendance: Insert Row: ");
    } else {
      written = write(sql.insertRecorded, {&student, &day, &key, &header, &code}, "Attendance: Insert Row: ");
    }
  }
  DropComparison();
}

void AttendanceRecorder::DropComparison() {
  m_comparison.on = false;
  m_comparison.sql = nullptr;
  m_comparison.rows.Clear();
}

void AttendanceRecorder::Record(const AttendanceRow& row) {
  XString copies[11];
  const XString &kind = Unquoted(row.kind, copies[0]), &student = Unquoted(row.stdkey, copies[1]),
                &key = Unquoted(row.key, copies[2]), &header = Unquoted(row.header, copies[3]),
                &oldCode = Unquoted(row.oldcode, copies[4]), &newCode = Unquoted(row.newcode, copies[5]),
                &excused = Unquoted(row.excused, copies[6]), &absent = Unquoted(row.absent, copies[7]),
                &tardy = Unquoted(row.tardy, copies[8]), &truant = Unquoted(row.truant, copies[9]),
                &discipline = Unquoted(row.discipline, copies[10]);
  const XString day = StoreDateText(row.attdate);
  if (oldCode.IsEmpty() && newCode.IsEmpty()) return;  // neither code: nothing to remember
  const AttendanceStatements* sql = AttendanceStatements::Of(kind);
  if (sql == nullptr) {
    m_log.ExtractLogWrite(kLogDebug, WithText("Attendance: Update Row: no such table: ", kind));
    return;
  }
  if (m_comparison.on) {
    // The extracts' rows: a new code, nothing else.
    if (sql == m_comparison.sql && m_store.IsRecording() && oldCode.IsEmpty() && excused.IsEmpty() &&
        absent.IsEmpty() && tardy.IsEmpty() && truant.IsEmpty() && discipline.IsEmpty()) {
      Compare(student, day, key, header, newCode);
      return;
    }
    // Any other row is written at once, after what the comparison holds so far.
    WriteComparison();
  }

  // The statements run once per attendance row: each is prepared once and the values are
  // bound. The text with the values is made only for the log of a failure.
  const bool oneCode = oldCode.IsEmpty() || newCode.IsEmpty();
  const XString& code = newCode.IsEmpty() ? oldCode : newCode;
  const Values rowValues = {&student, &day, &excused, &absent, &tardy, &truant, &discipline, &key, &header, &code};
  if (oneCode) {
    // One statement instead of an update that usually misses and then an insert: the same
    // row results, as the update's condition is the table's primary key.
    const char* upsertSql = newCode.IsEmpty() ? sql->upsertOldCode : sql->upsertNewCode;
    sqlite::Query* upsert = nullptr;
    try {
      if (m_store.IsOpen()) m_store.BeginRecording();
      upsert = &Kept(upsertSql);
    } catch (const XException&) {
      // A store table without that key (or no store): the update and the insert below.
    }
    if (upsert != nullptr) {
      try {
        Run(*upsert, rowValues);
      } catch (const XException& e) {
        m_log.ExtractLogWrite(kLogDebug, WithText("Attendance: Insert Row: ", WithValues(upsertSql, rowValues)));
        Fail("recording a row", e.what());
      }
      return;
    }
  }

  const bool recorded =
      oneCode ? RecordWith(newCode.IsEmpty() ? sql->updateOldCode : sql->updateNewCode,
                           {&code, &excused, &absent, &tardy, &truant, &discipline, &student, &day, &key, &header},
                           "Attendance: Update Row: ")
              : RecordWith(sql->updateBothCodes,
                           {&newCode, &oldCode, &excused, &absent, &tardy, &discipline, &truant, &student, &day, &key},
                           "Attendance: Update Row: ");
  if (!recorded || m_store.Db().Changes() > 0) return;

  if (oneCode) {
    RecordWith(newCode.IsEmpty() ? sql->insertOldCode : sql->insertNewCode, rowValues, "Attendance: Insert Row: ");
  } else {
    RecordWith(sql->insertBothCodes,
               {&student, &day, &excused, &absent, &tardy, &truant, &discipline, &key, &header, &oldCode, &newCode},
               "Attendance: Insert Row: ");
  }
}

bool AttendanceRecorder::RecordWith(const char* sql, const Values& values, const char* prefix) {
  try {
    if (m_store.IsOpen()) m_store.BeginRecording();
    Run(Kept(sql), values);
    return true;
  } catch (const XException& e) {
    m_log.ExtractLogWrite(kLogDebug, WithText(prefix, WithValues(sql, values)));
    Fail("recording a row", e.what());
    return false;
  }
}

sqlite::Query& AttendanceRecorder::Kept(const char* sql) {
  return m_store.Statement(XString(), sql, [sql] { return XString(sql); });
}

void AttendanceRecorder::Run(sqlite::Query& statement, const Values& values) {
  for (size_t i = 0; i < values.size(); ++i) statement.BindText(static_cast<int>(i + 1), *values[i]);
  statement.Step();
  statement.Reset();
}

void AttendanceRecorder::BeginRecording() {
  try {
    m_store.BeginRecording();
  } catch (const XException& e) {
    m_log.ExtractLogWrite(kLogDebug, WithText("Attendance: Begin Transaction: ", e.what()));
    Fail("beginning the recording", e.what());
  }
}

void AttendanceRecorder::CommitRecording() {
  WriteComparison();
  if (m_recordingFailed) {
    m_recordingFailed = false;
    if (m_store.IsRecording()) {
      // With rows missing, the recording would send them as removed: none of it counts, and
      // the next run, reading the same days, records them all again.
      m_store.Rollback();
      m_log.ExtractLogWrite(kLogError, "Attendance: the rows of this recording were rolled back after the failure.");
      return;
    }
  }
  try {
    m_store.CommitRecording();
  } catch (const XException& e) {
    m_log.ExtractLogWrite(kLogDebug, WithText("Attendance: Commit Transaction: ", e.what()));
    Fail("committing the recorded rows", e.what());
  }
}

bool AttendanceRecorder::HasTable(const AttendanceStatements& sql) {
  sqlite::Query check(m_store.Db());
  check.Prepare(sql.tableExists);
  return check.Step();
}

bool AttendanceRecorder::TableExists(const AttendanceStatements& sql) {
  try {
    return HasTable(sql);
  } catch (const XException& e) {
    m_log.ExtractLogWrite(kLogDebug, XString("SQLite: Create Table Failed: ") + sql.table + ": " + e.what());
    Fail("reading its tables", e.what());
    return false;
  }
}

AttendanceRecorder::ExportPlan AttendanceRecorder::BeginExport(bool daily) {
  const KindNames& names = daily ? kDailyNames : kPeriodNames;
  ExportPlan plan;
  plan.description = names.cachedDescription;
  plan.fileName = names.fileName;
  std::vector<XString>& headers = daily ? m_dailyHeaders : m_periodHeaders;
  if (!daily && headers.empty()) {
    headers.emplace_back("AttPerRef");
    m_log.ExtractLogWrite(kLogDebug,
                          "CreateStudentPeriodAttendanceFromDB: Either no data returned or No "
                          "Period Timeframe header set, assuming AttPerRef");
  }
  if (!TableExists(names.sql)) {
    m_log.ExtractLogWrite(kLogDebug, names.missingMessage);
    return plan;
  }
  m_log.ExtractLogWrite(kLogInfo, names.exportingMessage);

  // What was recorded stands on its own before any mark (or goes, after a failure).
  CommitRecording();
  // The marks of this export stay uncommitted until the update file is complete on the disk.
  plan.canMark = true;
  try {
    m_store.BeginMarking();
  } catch (const XException& e) {
    // Without a transaction the rows stay unmarked: sent again next time rather than lost.
    plan.canMark = false;
    m_log.ExtractLogWrite(kLogDebug, WithText(names.operation, e.what()));
    Fail("beginning the marking of sent rows", e.what());
  }
  plan.headers = headers;
  return plan;
}

void AttendanceRecorder::EndExport(bool daily, bool anyMarkFailed) {
  if (!daily && anyMarkFailed) {
    m_log.ExtractLogWrite(kLogInfo, "CreateStudentPeriodAttendanceFromDB At least 1 update failed.");
  }
}

void AttendanceRecorder::LogExportQuery(bool daily, const XString& header) {
  const KindNames& names = daily ? kDailyNames : kPeriodNames;
  const char* select = header == names.specialHeader ? names.sql.selectChangedWithEmptyHeader : names.sql.selectChanged;
  m_log.ExtractLogWrite(kLogProprietary, WithText("Attendance Query: ", WithValues(select, {&header})));
}

int64_t AttendanceRecorder::ExportRows(bool daily, const XString& header, bool canMark, const XFileSpec* markedFile,
                                       XFile& out, const XString& dateFormat, const std::function<void()>& countRow,
                                       bool& markFailed) {
  const KindNames& names = daily ? kDailyNames : kPeriodNames;
  const AttendanceStatements& sql = names.sql;
  const bool special = header == names.specialHeader;
  const char* select = special ? sql.selectChangedWithEmptyHeader : sql.selectChanged;
  const char* mark = special ? sql.markSentWithEmptyHeader : sql.markSent;
  markFailed = false;
  if (markedFile != nullptr && canMark) m_store.SetMarkedFile(*markedFile);
  XString lastRowid;
  int64_t written = 0;
  try {
    sqlite::Query rows(m_store.Db());
    rows.Prepare(select);
    rows.BindText(1, header);
    written = WriteChangedRows(rows, out, dateFormat, countRow, lastRowid);
  } catch (const sqlite::SqlError& e) {
    // The store could not be read: the rows not yet written stay as they are for the next run.
    m_log.ExtractLogWrite(daily ? kLogDebug : kLogWarning, WithText(names.operation, e.what()));
    Fail("reading the rows to send", e.what());
  }
  // The rows written are marked in one statement, with the same condition as the query and
  // no row beyond the last one written: one update per row would cost as much as the rest
  // of the export.
  if (canMark && !lastRowid.IsEmpty()) markFailed = MarkSent(daily, mark, header, lastRowid);
  return written;
}

void AttendanceRecorder::NoteExported() {
  m_referenceTime = XDateTime::Now();
  m_updateDate = XDate::Today();
}

int64_t AttendanceRecorder::WriteChangedRows(sqlite::Query& rows, XFile& out, const XString& dateFormat,
                                             const std::function<void()>& countRow, XString& lastRowid) {
  int64_t written = 0;
  while (rows.Step()) {
    // Student, the day in the package's format, timeframe or period, new code, then excused,
    // absent, tardy, truant and discipline, straight from the store's row.
    out.WriteField(rows.TextColumn(0));
    int day = XDate::kNone;
    if (!XDate::ParseDate(rows.TextColumn(1), kStoreDate, day)) day = XDate::kNone;
    out.WriteField(XDate::FormatDate(day, dateFormat.c_str()));
    for (int column : {7, 9, 2, 3, 4, 5, 6}) out.WriteField(rows.TextColumn(column));
    out.EndLine();
    countRow();
    lastRowid = rows.StringColumn(10);
    ++written;
  }
  return written;
}

bool AttendanceRecorder::MarkSent(bool daily, const char* mark, const XString& header, const XString& lastRowid) {
  const KindNames& names = daily ? kDailyNames : kPeriodNames;
  const Values values = {&header, &lastRowid};
  try {
    Run(Kept(mark), values);
    return false;
  } catch (const sqlite::SqlError& e) {
    m_log.ExtractLogWrite(daily ? kLogDebug : kLogWarning, WithText(names.operation, e.what()));
    Fail("marking the sent rows", e.what());
    m_log.ExtractLogWrite(kLogProprietary, WithText("Update Query: ", WithValues(mark, values)));
    return true;
  }
}

void AttendanceRecorder::CommitSentMarks() {
  try {
    m_store.CommitMarking();
  } catch (const XException& e) {
    // The rows stay unmarked and go out once more with the next update.
    m_log.ExtractLogWrite(kLogDebug, WithText("Attendance: Commit Sent Rows: ", e.what()));
    Fail("committing the marks of the sent rows", e.what());
  }
  KeepStoreCopy();
}

void AttendanceRecorder::KeepStoreCopy() {
  // The copy follows the store as committed, also after a failed statement: what was rolled
  // back is unsent in both, and the next run sends it.
  if (!m_store.IsOpen() || m_store.IsRecording() || m_store.MarksPending()) return;
  try {
    m_store.KeepCopy();
  } catch (const XException& e) {
    WriteBothLogs(m_log, kLogWarning,
                  XString("The copy of the attendance change store ") + m_store.OpenFile().Path() +
                      " could not be kept: " + e.what() +
                      ". The store itself is whole; should it become unreadable before the next copy, the import "
                      "tool loads all attendance anew.");
  }
}

bool AttendanceRecorder::CheckUpdateTime(const XString& table) {
  static const char* const kSelect = "SELECT UPDATED FROM UPDATECONFIG WHERE ELEMENT=?";
  m_log.ExtractLogWrite(kLogProprietary, WithText("UpdateConfig Query: ", WithValues(kSelect, {&table})));
  try {
    sqlite::Query query(m_store.Db());
    query.Prepare(kSelect);
    query.BindText(1, table);
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
    m_log.ExtractLogWrite(kLogDebug, WithText("Check SQLite Update Date: ", e.what()));
    return true;
  }
}

void AttendanceRecorder::DropTableWhenDue(const XString& table) {
  WriteComparison();
  if (!CheckUpdateTime(table)) return;
  try {
    m_store.Db().Execute(StatementsOf(table).dropTable);
  } catch (const XException& e) {
    m_log.ExtractLogWrite(kLogError, XString("Failed to Drop table: ") + table + ": " + e.what());
  }
}

bool AttendanceRecorder::CloseAndDelete(const XFileSpec& importFolder) {
  DropComparison();
  m_store.Close();
  XFileSpec file = AttendanceStore::StoreFile(importFolder);
  bool deleted = true;
  // The copy first: a copy without its store would be taken for a lost store and restored.
  for (const char* copySuffix : {AttendanceStore::kCopySuffix, AttendanceStore::kNewCopySuffix}) {
    for (const char* suffix : {"", "-journal"}) {
      XFileSpec copy(file.Path() + copySuffix + suffix);
      if (!os::PathExists(copy.Path().ToStd()) && !os::IsLink(copy.Path().ToStd())) continue;
      if (!os::DeleteFilePath(copy.Path().ToStd())) {
        const int error = os::LastError();
        m_log.ExtractLogWrite(kLogDebug, "Attendance: Database could not be deleted");
        deleted = false;
        Fail("being deleted for the changed configuration",
             XException::Format(error, "Could not delete ( %d )", error).what(), &copy);
      }
    }
  }
  if (file.Exists()) {
    try {
      file.Delete();
    } catch (const XException& e) {
      m_log.ExtractLogWrite(kLogDebug, "Attendance: Database could not be deleted");
      deleted = false;
      Fail("being deleted for the changed configuration", e.what(), &file);
    }
  }
  // A journal left by a crash must go with its database: SQLite would otherwise play it back
  // into the new, empty store of the next run.
  for (const char* suffix : {"-journal", "-wal", "-shm"}) {
    XFileSpec companion(file.Path() + suffix);
    if (!companion.Exists()) continue;
    try {
      companion.Delete();
    } catch (const XException& e) {
      m_log.ExtractLogWrite(kLogDebug, "Attendance: Database could not be deleted");
      deleted = false;
      Fail("being deleted for the changed configuration", e.what(), &companion);
    }
  }
  return deleted;
}

void AttendanceRecorder::Restore(int updateDate, const XDateTime& referenceTime, const XString& overlap) {
  m_updateDate = updateDate;
  m_referenceTime = referenceTime;
  m_overlap = CheckedOverlap(overlap);
}

void AttendanceRecorder::ForgetUpdateDate() {
  m_updateDate = XDate::kNone;
  m_referenceTime = XDateTime();
}

XString AttendanceRecorder::CheckedOverlap(const XString& text) {
  if (text.IsEmpty()) return XString(kDefaultOverlap);
  if (text.IsDigits() && text.Length() <= 3 && std::atoi(text.c_str()) <= kMaxOverlap) return text;
  // The file lies in a folder others may write to; a count of days far out would move the
  // window to no date at all. Negative counts become 0, large ones the most, others the default.
  XString used;
  if (text.IsDigits()) {
    used.Format(16, "%d", kMaxOverlap);
  } else if (text[0] == '-' && text.Mid(1).IsDigits() && text.Length() > 1) {
    used = "0";
  } else {
    used = kDefaultOverlap;
  }
  m_log.ExtractLogWrite(kLogWarning, (XString("OverlapInDays \"") + text +
                                      "\" in SchoolConfig.xml is not a number of days from 0 to 365; " + used +
                                      " is used.").c_str());
  return used;
}
