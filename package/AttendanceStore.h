// The attendance change store: the local, page-encrypted SQLite database
// "Attendance/Attendance.db" that remembers, per attendance row, the code last sent to the
// import tool ("oldcode") and the code the SIS shows now ("newcode").
//
// The attendance recorder (AttendanceRecorder) drives it; this class owns the connection, its
// kept statements and its transactions:
//  - recording: the rows of a run's attendance extracts are blanked and recorded in one
//    transaction, so a big school pays one disk sync, not one per row;
//  - marking: rows written into the update file are marked as sent (oldcode = newcode) in a
//    second transaction that commits only once the update file is complete and on the disk.
//    A run that fails or dies before that leaves the rows unsent in the store, so the next
//    run sends them again instead of losing them.
//
// After each run that completed, a checked copy of the store is kept beside it
// ("Attendance.db.copy"). A store that cannot be read is rebuilt from that copy, so that the
// next comparison still knows what was sent, and sends the attendance removed in the SIS since.
#pragma once

#include <memory>
#include <vector>

#include "sqlite/Database.h"
#include "sqlite/Query.h"
#include "foundation/XFileSpec.h"
#include "foundation/XString.h"

class AttendanceStore {
 public:
  static constexpr const char* kDaily = "DAILY_ATT";
  static constexpr const char* kPeriod = "PERIOD_ATT";
  static constexpr const char* kFolderName = "Attendance";
  static constexpr const char* kFileName = "Attendance.db";
  // Beside the store: the copy of its last completed run, and the copy being made.
  static constexpr const char* kCopySuffix = ".copy";
  static constexpr const char* kNewCopySuffix = ".copy-new";

  AttendanceStore();
  // Rolls back what was not committed and closes.
  ~AttendanceStore();
  AttendanceStore(const AttendanceStore&) = delete;
  AttendanceStore& operator=(const AttendanceStore&) = delete;

  // The key of the store. It is derived at run time rather than kept as text in the program,
  // and stays the same from run to run so that the store can be read again.
  static sqlite::KeyRecord MakeKey();
  // <folder>/Attendance/Attendance.db
  static XFileSpec StoreFile(const XFileSpec& folder);

  // How long a statement waits for another process's lock on the store (a global store may
  // serve several import folders) before it fails.
  static constexpr int kBusyTimeoutMs = 60000;

  bool IsOpen() const { return m_db.IsOpen(); }
  // Opens the store in `folder` (the import folder when `folder` does not exist), creating
  // its "Attendance" folder when missing. Throws XException / sqlite::SqlError.
  // A file that SQLite cannot read as the store (garbage, another key, cut short) is moved
  // aside as "Attendance.db.unreadable-<YYYYMMDDHHNNSS>": KeptAside() then names the moved file
  // and KeptAsideReason() SQLite's message. The store is then rebuilt from its copy
  // (RestoredFrom() names it); a missing store with a copy beside it is rebuilt the same way.
  // Without a readable copy a new, empty store is made (StartedAnew(); CopyReason() says why
  // the copy was not taken): it knows nothing that was sent.
  void Open(const XFileSpec& folder, const XFileSpec& importFolder);
  const XFileSpec& KeptAside() const { return m_keptAside; }
  const XString& KeptAsideReason() const { return m_keptAsideReason; }
  const XFileSpec& RestoredFrom() const { return m_restoredFrom; }
  bool StartedAnew() const { return !m_keptAside.IsEmpty() && m_restoredFrom.IsEmpty(); }
  const XString& CopyReason() const { return m_copyReason; }
  // Keeps a copy of the open store beside it, for Open to restore: made under a temporary name
  // through SQLite's backup (on the disk when it commits), read back whole, and only then moved
  // over the previous copy. Throws when any step fails; the previous copy is removed then, as
  // it no longer matches the store. Only between transactions.
  void KeepCopy();
  // <store>.copy
  static XFileSpec CopyFile(const XFileSpec& storeFile);
  // Rolls back an unfinished transaction and closes; the wrapper reports a failed close.
  void Close();
  sqlite::Database& Db() { return m_db; }
  // A statement of the store that runs once per attendance row, prepared at the first call
  // and only reset (parameters unbound) at the later ones: parsing the SQL of every row would
  // cost more than the row itself. It is kept under a key (a table name) and a shape (a
  // literal naming the statement's form), so that a caller makes the text (`makeSql`) only
  // once. A statement that does not prepare throws, then and at every later call.
  // All are finalized when the store closes.
  template <typename MakeSql>
  sqlite::Query& Statement(const XString& key, const char* shape, MakeSql makeSql) {
    if (sqlite::Query* kept = FindStatement(key, shape)) return *kept;
    return AddStatement(key, shape, makeSql());
  }
  // The same, kept under its own text.
  sqlite::Query& Statement(const XString& sql) {
    return Statement(sql, "", [&sql] { return sql; });
  }
  // The store file of the last Open, also when it failed (empty before the first).
  const XFileSpec& OpenFile() const { return m_openFile; }

  // Transactions. Recording: begun on demand, committed by CommitRecording or before marking
  // starts. Marking: begun by BeginMarking, committed only by CommitMarking.
  void BeginRecording();
  void CommitRecording();
  void BeginMarking();
  void CommitMarking();
  // Rolls back whatever transaction is open (quietly: the connection may be gone).
  void Rollback();
  bool IsRecording() const { return m_transaction == kRecording; }
  bool MarksPending() const { return m_transaction == kMarking; }
  // The file the pending marks were written into; forgotten when they are committed or
  // rolled back.
  const XFileSpec& MarkedFile() const { return m_markedFile; }
  void SetMarkedFile(const XFileSpec& file) { m_markedFile = file; }

 private:
  enum Transaction { kNone, kRecording, kMarking };
  // Opens the file and reads its schema; a failure closes it again and throws.
  void OpenReadable(const XFileSpec& file);
  // Moves an unreadable store, and the journal SQLite keeps beside it, to a free name.
  void KeepAside(const XFileSpec& file);
  // Fills the new, empty store at `file` from its copy when one is there and reads whole.
  void RestoreFromCopy(const XFileSpec& file);
  void Begin(Transaction kind);
  bool Commit(Transaction kind);

  sqlite::Database m_db;
  struct KeptStatement {
    XString key;
    const char* shape;
    std::unique_ptr<sqlite::Query> query;
  };
  // The kept statement, reset, or null.
  sqlite::Query* FindStatement(const XString& key, const char* shape);
  sqlite::Query& AddStatement(const XString& key, const char* shape, const XString& sql);
  // Declared after the connection: destroyed (finalized) before it closes.
  std::vector<KeptStatement> m_statements;
  XFileSpec m_openFile;
  XFileSpec m_keptAside;
  XString m_keptAsideReason;
  XFileSpec m_restoredFrom;
  XString m_copyReason;
  Transaction m_transaction = kNone;
  XFileSpec m_markedFile;
};
