#include "sqlite/Database.h"

#include <cstring>
#include <string>

#include "os/OsText.h"
#include "sqlite/FileCallsVfs.h"
#include "sqlite/KeyDerivation.h"
#include "sqlite3.h"

namespace sqlite {

namespace {

// Closes a connection that failed while being opened, keeping its error message for the
// exception that follows.
[[noreturn]] void AbandonOpen(sqlite3* db, int code, const char* shortMessage) {
  std::string dbMessage = db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(code);
  sqlite3_close(db);
  ThrowSqlError(code, "sqlite::Database::Open", dbMessage.c_str(), shortMessage);
}

// The salt at the start of the file, read as the codec reads it (through the connection's own
// file, before the codec is installed); false when the file is empty or shorter: the codec then
// makes a new database with a new salt.
bool ReadSalt(sqlite3* db, unsigned char salt[KeyDerivation::kSaltBytes]) {
  sqlite3_file* file = nullptr;
  if (sqlite3_file_control(db, "main", SQLITE_FCNTL_FILE_POINTER, &file) != SQLITE_OK || file == nullptr ||
      file->pMethods == nullptr) {
    return false;
  }
  return file->pMethods->xRead(file, salt, static_cast<int>(KeyDerivation::kSaltBytes), 0) == SQLITE_OK;
}

// Installs the page codec with the key derived from the passphrase and the file's salt, handed
// to the codec as a raw key ("raw:" and the key, and for a new file the salt too), so that the
// codec does not derive it again. The file is the one the codec would make from the passphrase.
// A new file takes `newFileSalt` when given, else a random one; `salt` receives the salt used.
int InstallKey(sqlite3* db, const unsigned char* passphrase, uint32_t passphraseBytes,
               const unsigned char* newFileSalt, unsigned char salt[KeyDerivation::kSaltBytes]) {
  const bool existing = ReadSalt(db, salt);
  if (!existing) {
    if (newFileSalt != nullptr) {
      std::memcpy(salt, newFileSalt, KeyDerivation::kSaltBytes);
    } else {
      sqlite3_randomness(static_cast<int>(KeyDerivation::kSaltBytes), salt);
    }
  }
  DerivedKey key = KeyDerivation::CodecKey(passphrase, passphraseBytes, salt);
  unsigned char raw[4 + sizeof key.bytes + KeyDerivation::kSaltBytes];
  std::memcpy(raw, "raw:", 4);
  std::memcpy(raw + 4, key.bytes, sizeof key.bytes);
  size_t rawBytes = 4 + sizeof key.bytes;
  if (!existing) {
    std::memcpy(raw + rawBytes, salt, KeyDerivation::kSaltBytes);
    rawBytes += KeyDerivation::kSaltBytes;
  }
  const int rc = sqlite3_key(db, raw, static_cast<int>(rawBytes));
  Wipe(raw, sizeof raw);
  Wipe(&key, sizeof key);
  return rc;
}

}  // namespace

Database::Database() : m_db(nullptr), m_flags(kOpenFlags) {}

Database::~Database() {
  if (m_db == nullptr) return;
  // A query still alive keeps a statement; close_v2 then defers the close to its finalize
  // instead of leaking the connection.
  sqlite3_close_v2(m_db);
  m_db = nullptr;
}

void Database::Open(const KeyRecord& key, const XString& fileName, const Database* saltOf) {
  m_fileName = fileName;
  m_key = key;
  if (m_db != nullptr) return;

  // A key of no bytes would make SQLite write the file in clear text; a length beyond the
  // record would read past it.
  uint32_t keyLength = m_key.length;
  if (keyLength == 0 || keyLength > sizeof(m_key.bytes)) {
    ThrowSqlError(SQLITE_MISUSE, "sqlite::Database::Open", "invalid key length",
                  "Unable to decrypt database.");
  }

  // SQLite takes UTF-8 file names on every platform.
  std::string utf8 = os::NarrowToUtf8(m_fileName.ToStd());
  sqlite3* db = nullptr;
  // A connection is used by one thread at a time (the program runs on one): without the
  // connection's own mutex every call of a row's values is a lock and an unlock fewer.
  int rc = sqlite3_open_v2(utf8.c_str(), &db, m_flags | SQLITE_OPEN_NOMUTEX, FileCallsVfsName());
  if (rc != SQLITE_OK) AbandonOpen(db, rc, "Unable to open database.");

  const bool copySalt = saltOf != nullptr && saltOf->m_db != nullptr;
  unsigned char salt[KeyDerivation::kSaltBytes];
  rc = InstallKey(db, m_key.bytes, keyLength, copySalt ? saltOf->m_salt : nullptr, salt);
  std::memcpy(m_salt, salt, sizeof m_salt);
  Wipe(salt, sizeof salt);
  if (rc != SQLITE_OK) AbandonOpen(db, rc, "Unable to decrypt database.");
  m_db = db;
}

void Database::Close() {
  if (m_db == nullptr) return;
  int rc = sqlite3_close(m_db);
  CheckSql(rc == SQLITE_OK, rc, m_db, "sqlite::Database::Close", "failed");
  m_db = nullptr;
}

void Database::Execute(const XString& sql) {
  CheckSql(m_db != nullptr, -1, nullptr, "sqlite::Database::Execute", "db not open");
  int rc = sqlite3_exec(m_db, sql.c_str(), nullptr, nullptr, nullptr);
  CheckSql(rc == SQLITE_OK, rc, m_db, "sqlite::Database::Execute", "failed");
}

void Database::ExecuteFormat(const char* format, ...) {
  va_list args;
  va_start(args, format);
  XString sql = FormatSqlList(format, args);
  va_end(args);
  Execute(sql);
}

void Database::ExecuteFormatList(const char* format, va_list args) {
  Execute(FormatSqlList(format, args));
}

int Database::Changes() const { return m_db != nullptr ? sqlite3_changes(m_db) : 0; }

void Database::SetBusyTimeout(int milliseconds) {
  CheckSql(m_db != nullptr, -1, nullptr, "sqlite::Database::SetBusyTimeout", "db not open");
  int rc = sqlite3_busy_timeout(m_db, milliseconds);
  CheckSql(rc == SQLITE_OK, rc, m_db, "sqlite::Database::SetBusyTimeout", "failed");
}

void Database::CheckReadable() {
  // Reading the schema decrypts the first page and compares the page count that the file
  // records with its size: garbage, a wrong key and a file cut short all fail here.
  Execute("SELECT count(*) FROM sqlite_master");
}

void Database::CheckWhole() {
  CheckReadable();
  sqlite3_stmt* check = nullptr;
  int rc = sqlite3_prepare_v2(m_db, "PRAGMA quick_check", -1, &check, nullptr);
  CheckSql(rc == SQLITE_OK, rc, m_db, "sqlite::Database::CheckWhole", "failed");
  rc = sqlite3_step(check);
  const unsigned char* answer = rc == SQLITE_ROW ? sqlite3_column_text(check, 0) : nullptr;
  const std::string first = answer != nullptr ? reinterpret_cast<const char*>(answer) : "";
  const int stepRc = rc;
  sqlite3_finalize(check);
  CheckSql(stepRc == SQLITE_ROW || stepRc == SQLITE_DONE, stepRc, m_db, "sqlite::Database::CheckWhole", "failed");
  // Anything but the one row "ok" lists what is damaged.
  if (first != "ok") ThrowSqlError(SQLITE_CORRUPT, "sqlite::Database::CheckWhole", first.c_str(), "damaged");
}

void Database::CopyFrom(Database& source) {
  CheckSql(m_db != nullptr && source.m_db != nullptr, -1, nullptr, "sqlite::Database::CopyFrom", "db not open");
  sqlite3_backup* backup = sqlite3_backup_init(m_db, "main", source.m_db, "main");
  CheckSql(backup != nullptr, sqlite3_errcode(m_db), m_db, "sqlite::Database::CopyFrom", "failed");
  // All pages in one step: the source stays read-locked for the whole copy, so no write of
  // another connection can slip in between two pages.
  int rc = sqlite3_backup_step(backup, -1);
  const int finished = sqlite3_backup_finish(backup);
  if (rc == SQLITE_DONE) rc = finished;
  CheckSql(rc == SQLITE_OK, rc, m_db, "sqlite::Database::CopyFrom", "failed");
}

XString FormatSql(const char* format, ...) {
  va_list args;
  va_start(args, format);
  XString text = FormatSqlList(format, args);
  va_end(args);
  return text;
}

XString FormatSqlList(const char* format, va_list args) {
  char* text = sqlite3_vmprintf(format, args);
  if (text == nullptr) throw XException("Failed to allocate memory.");
  XString result(text);
  sqlite3_free(text);
  return result;
}

}  // namespace sqlite
