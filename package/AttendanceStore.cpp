#include "package/AttendanceStore.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "foundation/XDate.h"
#include "foundation/XDateTime.h"
#include "foundation/XException.h"
#include "foundation/XTime.h"
#include "os/OsExclusiveFiles.h"
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
  file.CreateFolder();
  try {
    OpenReadable(file);
  } catch (const sqlite::SqlError& e) {
    if (!e.IsUnreadableFile()) throw;
    // Kept for whoever wants to look at it; the rows it knew are sent again from a new store.
    m_keptAsideReason = e.what();
    KeepAside(file);
    OpenReadable(file);
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
