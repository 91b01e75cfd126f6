// Failures of the local SQLite database. Every failing SQLite call becomes one of these; the
// class tells the caller what kind of failure it was (a locked file is a BusyError), the
// XException code is SQLite's result code, or -1 for the wrapper's own checks.
#pragma once

#include "foundation/XException.h"
#include "foundation/XString.h"

struct sqlite3;

namespace sqlite {

class SqlError : public XException {
 public:
  SqlError(const XString& message, int code, const char* operation, const char* dbMessage,
           const char* shortMessage);

  // The operation that failed, e.g. "sqlite::Database::Open".
  const XString& Operation() const { return m_operation; }
  // The connection's own error message at the time of the failure (empty without connection).
  const XString& DbMessage() const { return m_dbMessage; }
  // The wrapper's short description, e.g. "Unable to open database.".
  const XString& ShortMessage() const { return m_shortMessage; }
  // True when SQLite cannot read the file as a database: not a database (or not with this
  // key), or damaged.
  bool IsUnreadableFile() const;

 private:
  XString m_operation;
  XString m_dbMessage;
  XString m_shortMessage;
};

class PermError : public SqlError {
 public:
  using SqlError::SqlError;
};
class AbortError : public SqlError {
 public:
  using SqlError::SqlError;
};
class BusyError : public SqlError {
 public:
  using SqlError::SqlError;
};
class IOError : public SqlError {
 public:
  using SqlError::SqlError;
};
class DataTypeMismatchError : public SqlError {
 public:
  using SqlError::SqlError;
};

// Throws the member of the family that matches the low 8 bits of `code`, with the message
// "Sql Error: <dbMessage> (<shortMessage>)".
[[noreturn]] void ThrowSqlError(int code, const char* operation, const char* dbMessage,
                                const char* shortMessage);

// The one error check of the wrapper: nothing when `condition` holds; otherwise throws with
// the connection's last error message (empty when there is no connection).
void CheckSql(bool condition, int code, sqlite3* db, const char* operation,
              const char* shortMessage);

}  // namespace sqlite
