#include "sqlite/SqlError.h"

#include "sqlite3.h"

namespace sqlite {

SqlError::SqlError(const XString& message, int code, const char* operation,
                   const char* dbMessage, const char* shortMessage)
    : XException(message, code),
      m_operation(operation),
      m_dbMessage(dbMessage),
      m_shortMessage(shortMessage) {}

bool SqlError::IsUnreadableFile() const {
  int code = Code() & 0xFF;
  return code == SQLITE_NOTADB || code == SQLITE_CORRUPT;
}

void ThrowSqlError(int code, const char* operation, const char* dbMessage,
                   const char* shortMessage) {
  if (dbMessage == nullptr) dbMessage = "";
  if (shortMessage == nullptr) shortMessage = "";
  XString message = XString(XException::Format(code, "Sql Error: %s (%s)", dbMessage,
                                               shortMessage).Text());
  switch (code & 0xFF) {
    case SQLITE_PERM:
      throw PermError(message, code, operation, dbMessage, shortMessage);
    case SQLITE_ABORT:
      throw AbortError(message, code, operation, dbMessage, shortMessage);
    case SQLITE_BUSY:
      throw BusyError(message, code, operation, dbMessage, shortMessage);
    case SQLITE_IOERR:
      throw IOError(message, code, operation, dbMessage, shortMessage);
    case SQLITE_MISMATCH:
      throw DataTypeMismatchError(message, code, operation, dbMessage, shortMessage);
    default:
      // -1 (the wrapper's own checks) has low byte 0xFF and lands here too.
      throw SqlError(message, code, operation, dbMessage, shortMessage);
  }
}

void CheckSql(bool condition, int code, sqlite3* db, const char* operation,
              const char* shortMessage) {
  if (condition) return;
  ThrowSqlError(code, operation, db != nullptr ? sqlite3_errmsg(db) : "", shortMessage);
}

}  // namespace sqlite
