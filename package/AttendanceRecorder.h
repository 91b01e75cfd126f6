// The attendance part of a run: recording the attendance rows that the extracts read into the
// change store (AttendanceStore), and writing into the package only the rows whose code
// differs from the code last sent. It owns the store and the run's attendance state: the kind
// being recorded, the update date, the reference time and overlap of the last export, and
// the header lists of the export.
//
// Every statement runs in its own error handler: a failing statement is logged and the run
// goes on. What does end the run is a failure of the update file itself; the rows marked as
// sent in that run are then rolled back, so that the next run sends them again.
//
// A failing statement still fails the run's attendance (Failed): the first failure is written
// at Error into both logs, naming the store file and SQLite's message, the school
// configuration keeps the previous update date so that the next run reads those days again,
// and the caller ends the run as failed once everything else is written.
#pragma once

#include <functional>
#include <vector>

#include "foundation/XDateTime.h"
#include "foundation/XEngineLog.h"
#include "foundation/XFileSpec.h"
#include "foundation/XString.h"
#include "package/AttendanceComparison.h"
#include "package/AttendanceRow.h"
#include "package/AttendanceStore.h"

class XFile;
struct AttendanceStatements;
namespace sqlite {
class Query;
}

class AttendanceRecorder {
 public:
  static constexpr const char* kDefaultOverlap = "14";
  static constexpr int kMaxOverlap = 365;

  explicit AttendanceRecorder(XEngineLog& log);

  AttendanceStore& Store() { return m_store; }
  // Opens the store in `folder` (see AttendanceStore::Open) unless it is open; a failure is
  // logged ("Attendance: Set Database: ...") and answers false. A store that could not be
  // read is reported in both logs: at Warning when it was rebuilt from its copy, at Error when
  // it had to be made anew (Store().StartedAnew(): the caller cleans the import folder).
  bool OpenStore(const XFileSpec& folder, const XFileSpec& importFolder);

  // ---- Failures of the run ----
  // True when a statement of the store failed since the last ResetFailure: its opening, the
  // creation of a table, the blanking, the recording of a row, the reading or marking of the
  // rows to send, a transaction's begin or commit, or the deleting of a changed folder's store.
  bool Failed() const { return !m_failure.IsEmpty(); }
  // The first failure: the store file, the step and SQLite's message.
  const XString& Failure() const { return m_failure; }
  void ResetFailure() { m_failure = XString(); }

  // ---- Recording ----
  // The store's side of starting a kind's extract: opens the store in the import folder if
  // needed, creates the kind's table, sets the update date from the import folder's
  // "SchoolConfig.xml" less the overlap, and blanks the new codes from that date on (in the
  // recording transaction). `dateFormat` is the package's, for the log.
  //
  // Only the codes of days the extract can read again are blanked: from the update date, not
  // before `firstReadable` and not after `lastReadable` (XDate::kNone: that end is open). A
  // blanked code the SIS does not give back is sent as deleted, so a day the extract's
  // queries cannot return (another school year, after its last window) must keep its code.
  void Start(const XString& kind, const XFileSpec& importFolder, const XString& dateFormat,
             int firstReadable = XDate::kNone, int lastReadable = XDate::kNone);
  // The package table an extract of the kind reads into.
  static const char* TableDescription(const XString& kind);
  static const char* TableFileName(const XString& kind);
  // Records one row: afterwards the store holds it as an upsert of the row would leave it.
  // Single quotes are removed from every text; a failure is logged and the next row follows.
  // A row of neither code, or of another kind, is not kept.
  //
  // The rows of an extract started with Start are compared in memory with the store's rows
  // of the blanked days, read once by Start; only what differs is written, when the
  // recording ends (CommitRecording, or the start of the export): new rows in the order they were first
  // recorded, changed codes, and the blanked rows the SIS no longer gave. Other rows (with a
  // code last sent, flags, another kind, or without Start) are written at once.
  void Record(const AttendanceRow& row);
  // "begin transaction" / "commit transaction" of an extract's recording; failures are logged.
  // A recording in which a statement failed is rolled back instead of committed: with rows
  // missing it would make them look removed in the SIS.
  void BeginRecording();
  void CommitRecording();

  // ---- Export into the package (driven by AttendanceExport) ----
  // What the export of a kind writes: one package table (description, file name) per header
  // value, and whether the rows written can be marked as sent.
  struct ExportPlan {
    XString description;
    XString fileName;
    std::vector<XString> headers;  // empty: the kind has no table in the store
    bool canMark = false;
  };
  // Starts the export of a kind (daily: DAILY_ATT, else PERIOD_ATT): commits what was
  // recorded and begins the marking of sent rows in a store transaction that CommitSentMarks
  // commits once the update file is complete.
  ExportPlan BeginExport(bool daily);
  // The query of a header's rows, into the extract log.
  void LogExportQuery(bool daily, const XString& header);
  // Writes the changed rows under `header` into `out` (student, day in `dateFormat`, key, new
  // code, the flags), calling `countRow` after each, and marks them as sent when it can (in
  // the marking transaction; `markedFile`, when given, is the update file the marks belong
  // to). A failed read or mark is logged and fails the run's attendance; `markFailed` tells the
  // latter. Answers the rows written.
  int64_t ExportRows(bool daily, const XString& header, bool canMark, const XFileSpec* markedFile, XFile& out,
                     const XString& dateFormat, const std::function<void()>& countRow, bool& markFailed);
  // After a header's table is written: the reference time and the update date become now.
  void NoteExported();
  void EndExport(bool daily, bool anyMarkFailed);
  // Commits the marks once their update file is complete on the disk, then keeps the store's
  // copy (KeepStoreCopy). A failed commit leaves the rows unmarked: they go out again.
  void CommitSentMarks();
  // Rolls back the marks of this run (their output did not reach the disk).
  void RollbackMarks() { m_store.Rollback(); }
  // Commits the marks of a table file, which is complete once closed.
  void CommitMarks() { m_store.CommitMarking(); }
  // Keeps a copy of the store as committed (AttendanceStore::KeepCopy); a failure is a Warning
  // in both logs, and leaves no copy.
  void KeepStoreCopy();
  bool MarksPending() const { return m_store.MarksPending(); }

  // ---- The store's life ----
  // True when the table's time in "UPDATECONFIG" is missing, unset or past, or the query fails.
  bool CheckUpdateTime(const XString& table);
  // "DROP TABLE" when CheckUpdateTime answers true; a failure is logged at Error.
  void DropTableWhenDue(const XString& table);
  // Closes the store and deletes "Attendance.db" of the import folder (and the files SQLite
  // keeps beside it). A failed delete is logged and fails the run's attendance; answers
  // whether everything went.
  bool CloseAndDelete(const XFileSpec& importFolder);

  // ---- The run's state ----
  // What "SchoolConfig.xml" kept of the last run. An overlap that is not a number of days from
  // 0 to kMaxOverlap is clamped to that range (a text that is no number: the default), with a
  // Warning naming it.
  void Restore(int updateDate, const XDateTime& referenceTime, const XString& overlap);
  const XString& Kind() const { return m_kind; }
  int UpdateDate() const { return m_updateDate; }
  void SetUpdateDate(int day) { m_updateDate = day; }
  // A cleaned import folder starts without update date and without reference time, so that
  // the school configuration saved at the end of the run names no date.
  void ForgetUpdateDate();
  const XDateTime& ReferenceTime() const { return m_referenceTime; }
  const XString& Overlap() const { return m_overlap; }

 private:
  using Values = std::vector<const XString*>;
  // Records a failure of the store (see Failed); the first one goes into both logs at Error,
  // naming `storeFile` (default: the store's file).
  void Fail(const char* step, const char* message, const XFileSpec* storeFile = nullptr);
  XString CheckedOverlap(const XString& text);
  // The kept statement of a whole SQL text (see AttendanceStore::Statement).
  sqlite::Query& Kept(const char* sql);
  // Runs a kept statement once with its "?" values (texts, in order); throws on failure.
  static void Run(sqlite::Query& statement, const Values& values);
  // Runs `sql` in the recording transaction; a failure is logged as `prefix` and the text
  // with its values, and answers false.
  bool RecordWith(const char* sql, const Values& values, const char* prefix);
  bool TableExists(const AttendanceStatements& sql);
  // The blanking of Start: the new codes from the update date within the readable days.
  void BlankNewCodes(const AttendanceStatements& sql, int firstReadable, int lastReadable);

  // ---- The comparison of a recording ----
  // Starts comparing the kind's recorded rows with the store: reads the rows of the blanked
  // days. A table without its key records through the blanking and the per-row statements.
  void BeginComparison(const AttendanceStatements& sql, int firstReadable, int lastReadable);
  // Records a row of the extracts' shape (only a new code) into the comparison.
  void Compare(const XString& student, const XString& day, const XString& key, const XString& header,
               const XString& code);
  // Writes what the comparison found different, in the recording transaction, and ends it.
  // The first failing statement is logged and fails the recording; nothing more is written.
  void WriteComparison();
  // Ends the comparison without writing (the store was closed or rolled back).
  void DropComparison();
  // The same without its error handler.
  bool HasTable(const AttendanceStatements& sql);
  // Writes the selected rows and answers how many; `lastRowid` follows the rowid of the last
  // row written.
  static int64_t WriteChangedRows(sqlite::Query& rows, XFile& out, const XString& dateFormat,
                                  const std::function<void()>& countRow, XString& lastRowid);
  // Marks the rows written under `header` (those up to `lastRowid`) as sent; true when it failed.
  bool MarkSent(bool daily, const char* mark, const XString& header, const XString& lastRowid);

  XEngineLog& m_log;
  AttendanceStore m_store;
  XString m_failure;
  bool m_recordingFailed = false;  // in the open recording transaction
  XString m_kind;                       // "DAILY_ATT" or "PERIOD_ATT"
  int m_updateDate = XDate::kNone;      // day number
  XDateTime m_referenceTime;            // of the last export
  XString m_overlap = kDefaultOverlap;  // days, as text
  std::vector<XString> m_dailyHeaders{"AttTimeFrameRef"};
  std::vector<XString> m_periodHeaders;  // "AttPerRef" is added by the period export

  // The comparison of the open recording (on): of the kind `sql`, the rows of the blanked
  // days blankFrom to blankTo (texts; empty: open), and those recorded.
  struct Comparing {
    bool on = false;
    const AttendanceStatements* sql = nullptr;
    XString blankFrom, blankTo;
    bool blankAny = false;  // false: no day is blanked
    AttendanceComparison rows;
  };
  Comparing m_comparison;
};
