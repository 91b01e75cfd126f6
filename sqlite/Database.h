// One connection to a local SQLite database file, opened read-write (created when missing)
// and encrypted page by page with the caller's key: without the key the file reads as
// "file is not a database".
#pragma once

#include <cstdarg>
#include <cstdint>

#include "sqlite/SqlError.h"
#include "foundation/XString.h"

struct sqlite3;

namespace sqlite {

// The key as the caller builds it at run time: a length and up to 16 key bytes.
struct KeyRecord {
  uint32_t length = 0;
  unsigned char bytes[16] = {};
};

class Database {
 public:
  // SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE
  static constexpr int kOpenFlags = 6;

  Database();
  // Closes the connection; a failing close is swallowed.
  virtual ~Database();
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  // Opens `fileName` (narrow code-page path) and installs the page codec with the key.
  // When a connection is already open only the stored name and key change. A new file takes
  // a new random salt, or, with `saltOf`, the salt of that open database: a copy of it then
  // has its key without a second derivation of the key (which costs as much as reading a
  // school's attendance).
  void Open(const KeyRecord& key, const XString& fileName, const Database* saltOf = nullptr);
  void Close();
  bool IsOpen() const { return m_db != nullptr; }

  // Runs SQL text (all its statements) in one step.
  void Execute(const XString& sql);
  // SQLite printf rules: "%q" doubles single quotes, "%Q" also adds them (NULL for none).
  void ExecuteFormat(const char* format, ...);
  void ExecuteFormatList(const char* format, va_list args);

  sqlite3* Handle() const { return m_db; }
  const XString& FileName() const { return m_fileName; }
  // Rows changed by the last INSERT, UPDATE or DELETE (0 without connection).
  int Changes() const;
  // How long a statement waits for another connection's lock on the file before it fails
  // with "database is locked".
  void SetBusyTimeout(int milliseconds);
  // Reads the schema: throws when the file is not a database of this key or is damaged
  // (see SqlError::IsUnreadableFile).
  void CheckReadable();
  // Reads every page and checks how they fit together ("PRAGMA quick_check"): throws, as an
  // unreadable file does, when the database is damaged anywhere, not only in its schema.
  void CheckWhole();
  // Replaces the whole content of this database with that of `source`, page by page through
  // SQLite's backup, in one transaction of this database: a consistent picture of the source
  // even while another connection writes it. Neither connection may be in a transaction.
  void CopyFrom(Database& source);

 private:
  sqlite3* m_db;
  XString m_fileName;
  KeyRecord m_key;
  int m_flags;
  unsigned char m_salt[16] = {};  // the codec's salt of the open file
};

// SQLite's printf formatting into an XString ("%q", "%Q", "%w" available).
XString FormatSql(const char* format, ...);
XString FormatSqlList(const char* format, va_list args);

}  // namespace sqlite
