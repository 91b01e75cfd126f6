#include "package/AttendanceStore.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "foundation/XDate.h"
#include "foundation/XDateTime.h"
#include "foundation/XException.h"
#include "foundation/XTime.h"
#include "os/OsExclusiveFiles.h"
#include "os/OsFiles.h"
#include "os/OsSystem.h"

AttendanceStore::AttendanceStore() = default;

AttendanceStore::~AttendanceStore() {
  // Marks of an update file that was never completed must not survive: rolled back, the
  // rows are still unsent and the next run sends them.
  Rollback();
}

sqlite::KeyRecord AttendanceStore::MakeKey() {
  // A small generator stirred with the store's names: the same 16 bytes on every run and
  // build, without the key standing in the program as one piece of text.
  sqlite::KeyRecord key;
  key.length = sizeof key.bytes;
  uint32_t state = 0x6A09E667u;
  const char* salt[] = {kFolderName, kFileName, kDaily, kPeriod};
  for (const char* text : salt) {
    for (const char* p = text; *p != 0; ++p) state = (state ^ static_cast<unsigned char>(*p)) * 16777619u;
  }
  for (uint32_t i = 0; i < key.length; ++i) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    key.bytes[i] = static_cast<unsigned char>(state >> 24);
  }
  return key;
}

XFileSpec AttendanceStore::StoreFile(const XFileSpec& folder) {
  XFileSpec spec = XFileSpec::Folder(folder.c_str());
  spec.AppendFolder(kFolderName);
  spec.AppendName(kFileName);
  return spec;
}

void AttendanceStore::Open(const XFileSpec& folder, const XFileSpec& importFolder) {
  if (m_db.IsOpen()) return;
  XFileSpec base = !folder.IsEmpty() && folder.Exists() ? folder : importFolder;
  XFileSpec file = StoreFile(base);
  m_openFile = file;
  m_keptAside = XFileSpec();
  m_keptAsideReason = XString();
  m_restoredFrom = XFileSpec();
  m_copyReason = XString();
  file.CreateFolder();
  // Only a cleaning deletes the store, and it deletes the copy with it: a store gone while its
  // copy is there was lost, as a damaged one is.
  const bool lost = !os::PathExists(file.Path().ToStd()) && os::PathExists(CopyFile(file).Path().ToStd());
  try {
    OpenReadable(file);
    if (lost) {
      m_keptAsideReason = "the file is missing";
      RestoreFromCopy(file);
    }
  } catch (const sqlite::SqlError& e) {
    if (!e.IsUnreadableFile()) throw;
    // Kept for whoever wants to look at it.
    m_keptAsideReason = e.what();
    KeepAside(file);
    OpenReadable(file);
    RestoreFromCopy(file);
  }
  // Every page read from the disk is decrypted, so the cache is 8 MB, four times SQLite's
  // default; but it is a fixed budget, not the whole store, so that a run's peak memory does
  // not grow with the school. Rows are recorded, read and marked mostly in the order of the pages that
  // hold them, so few pages are read twice. A recording larger than the budget writes pages
  // into the file before its commit (a few more journal syncs).
  try {
    m_db.Execute("PRAGMA cache_size = -8192");
  } catch (const XException&) {
    // Only slower without it; a key that does not fit the file fails at the first statement.
  }
  m_transaction = kNone;
}

void AttendanceStore::OpenReadable(const XFileSpec& file) {
  m_db.Open(MakeKey(), file.Path());
  try {
    m_db.SetBusyTimeout(kBusyTimeoutMs);
    m_db.CheckReadable();
  } catch (const XException&) {
    try {
      m_db.Close();
    } catch (const XException&) {
      // Nothing was written through this connection.
    }
    throw;
  }
}

void AttendanceStore::KeepAside(const XFileSpec& file) {
  const XDateTime now = XDateTime::Now();
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, ms = 0;
  XDate::ToYMD(now.Date(), year, month, day);
  XTime::ToHMS(now.Time() < 0 ? 0 : now.Time(), hour, minute, second, ms);
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%04d%02d%02d%02d%02d%02d", year, month, day, hour, minute, second);
  const std::string from = file.Path().ToStd();
  std::string to = from + ".unreadable-" + stamp;
  for (int n = 2; !os::MoveFileNoReplace(from, to); ++n) {
    int error = os::LastError();
    if (!os::IsAlreadyExists(error) || n > 100) {
      throw XException::Format(error, "Could not move the unreadable store aside ( %d ): %s", error, file.c_str());
    }
    to = from + ".unreadable-" + stamp + "-" + std::to_string(n);
  }
  m_keptAside = XFileSpec(to.c_str());
  // A journal left beside the old file would be played back into the new one.
  for (const char* suffix : {"-journal", "-wal", "-shm"}) {
    const std::string companion = from + suffix;
    if (!os::PathExists(companion)) continue;
    if (!os::MoveFileNoReplace(companion, to + suffix) && !os::DeleteFilePath(companion)) {
      int error = os::LastError();
      throw XException::Format(error, "Could not move the unreadable store aside ( %d ): %s", error,
                               companion.c_str());
    }
  }
}

XFileSpec AttendanceStore::CopyFile(const XFileSpec& storeFile) {
  return XFileSpec((storeFile.Path() + kCopySuffix).c_str());
}

void AttendanceStore::RestoreFromCopy(const XFileSpec& file) {
  const XFileSpec copy = CopyFile(file);
  const std::string path = copy.Path().ToStd();
  if (os::IsLink(path)) {
    m_copyReason = "the copy is a link, which is not followed";
    return;
  }
  if (!os::PathExists(path)) {
    m_copyReason = "there is no copy";
    return;
  }
  try {
    sqlite::Database source;
    source.Open(MakeKey(), copy.Path());
    source.SetBusyTimeout(kBusyTimeoutMs);
    source.CheckWhole();
    m_db.CopyFrom(source);
    source.Close();
  } catch (const XException& e) {
    // The new store stays empty: a failed copy is rolled back whole.
    m_copyReason = e.what();
    return;
  }
  m_restoredFrom = copy;
}

namespace {

// A database file and the journal SQLite may have left beside it; true when none is left.
bool DeleteWithJournal(const std::string& path) {
  bool deleted = true;
  for (const char* suffix : {"", "-journal", "-wal", "-shm"}) {
    const std::string file = path + suffix;
    if ((os::PathExists(file) || os::IsLink(file)) && !os::DeleteFilePath(file)) deleted = false;
  }
  return deleted;
}

}  // namespace

void AttendanceStore::KeepCopy() {
  if (!m_db.IsOpen() || m_transaction != kNone) {
    throw XException(XString("The attendance change store is not open between transactions: ") + m_openFile.Path());
  }
  const std::string copy = CopyFile(m_openFile).Path().ToStd();
  const std::string fresh = m_openFile.Path().ToStd() + kNewCopySuffix;
  try {
    // What a run that died while copying left; SQLite would play its journal back.
    if (!DeleteWithJournal(fresh)) {
      const int error = os::LastError();
      throw XException::Format(error, "Could not delete the unfinished copy ( %d ): %s", error, fresh.c_str());
    }
    sqlite::Database target;
    // With the store's salt the copy has the store's key, which this run derived already.
    target.Open(MakeKey(), XString(fresh.c_str()), &m_db);
    target.SetBusyTimeout(kBusyTimeoutMs);
    target.CopyFrom(m_db);
    target.Close();
    // Read back as the restore will read it, before it replaces the copy that stands.
    sqlite::Database check;
    check.Open(MakeKey(), XString(fresh.c_str()));
    check.CheckWhole();
    check.Close();
    if (!os::ReplaceFilePath(fresh, copy)) {
      const int error = os::LastError();
      throw XException::Format(error, "Could not replace the copy of the attendance change store ( %d ): %s", error,
                               copy.c_str());
    }
  } catch (const XException&) {
    // A copy older than the store would send again what this run sent, or miss what it
    // deleted: none is better. Both deletes are best efforts; the error says what failed.
    DeleteWithJournal(fresh);
    DeleteWithJournal(copy);
    throw;
  }
}

void AttendanceStore::Close() {
  Rollback();
  // A connection with statements still prepared refuses to close.
  m_statements.clear();
  m_db.Close();
}

sqlite::Query* AttendanceStore::FindStatement(const XString& key, const char* shape) {
  for (KeptStatement& kept : m_statements) {
    // A shape is usually the same literal: its address matches before any comparison of text.
    if ((kept.shape == shape || std::strcmp(kept.shape, shape) == 0) && kept.key == key) {
      // A statement that failed to prepare fails again at once rather than being parsed anew.
      if (!kept.query) throw XException("The statement could not be prepared.", 0);
      kept.query->Reset();
      return kept.query.get();
    }
  }
  return nullptr;
}

sqlite::Query& AttendanceStore::AddStatement(const XString& key, const char* shape, const XString& sql) {
  auto query = std::make_unique<sqlite::Query>(m_db);
  try {
    query->Prepare(sql);
  } catch (const XException&) {
    m_statements.push_back(KeptStatement{key, shape, nullptr});
    throw;
  }
  m_statements.push_back(KeptStatement{key, shape, std::move(query)});
  return *m_statements.back().query;
}

void AttendanceStore::Begin(Transaction kind) {
  m_db.Execute("BEGIN");
  m_transaction = kind;
}

void AttendanceStore::BeginRecording() {
  if (m_transaction != kNone) return;  // rows recorded during marking join its transaction
  Begin(kRecording);
}

// Commits the open transaction when it is of the given kind; a failed commit rolls it back.
bool AttendanceStore::Commit(Transaction kind) {
  if (m_transaction != kind) return false;
  try {
    m_db.Execute("COMMIT");
  } catch (const XException&) {
    Rollback();
    throw;
  }
  m_transaction = kNone;
  return true;
}

void AttendanceStore::CommitRecording() { Commit(kRecording); }

void AttendanceStore::BeginMarking() {
  if (m_transaction == kMarking) return;
  // The recorded codes stand on their own: they are committed before any row is marked.
  CommitRecording();
  Begin(kMarking);
}

void AttendanceStore::CommitMarking() {
  if (Commit(kMarking)) m_markedFile = XFileSpec();
}

void AttendanceStore::Rollback() {
  Transaction was = m_transaction;
  m_transaction = kNone;
  m_markedFile = XFileSpec();
  if (was == kNone || !m_db.IsOpen()) return;
  try {
    m_db.Execute("ROLLBACK");
  } catch (const XException&) {
    // SQLite may already have rolled back after the failure that brought us here.
  }
}
