#include "sqlite/Query.h"

#include "sqlite3.h"

namespace sqlite {

class QueryImp {
 public:
  explicit QueryImp(Database& database) : m_database(database) {}
  ~QueryImp() {
    if (m_statement != nullptr) sqlite3_finalize(m_statement);
  }

  void SetText(const XString& sql) {
    m_sql = sql;
    m_cursor = 0;
  }

  // Prepares the next statement of the text; false when the rest holds none (empty, blanks
  // or comments only).
  bool prepare() {
    if (m_statement != nullptr) {
      // The finalize result only repeats the failure of the last step, which that step has
      // already reported; it must not fail the preparing of a new statement.
      sqlite3_finalize(m_statement);
      m_statement = nullptr;
    }
    sqlite3* db = m_database.Handle();
    CheckSql(db != nullptr, -1, nullptr, "sqlite::QueryImp::prepare", "No database");
    while (m_cursor < m_sql.Length()) {
      const char* start = m_sql.c_str() + m_cursor;
      const char* tail = nullptr;
      int rc = sqlite3_prepare_v2(db, start, -1, &m_statement, &tail);
      CheckSql(rc == SQLITE_OK, rc, db, "sqlite::QueryImp::prepare", "failed");
      m_cursor = tail != nullptr ? static_cast<uint32_t>(tail - m_sql.c_str()) : m_sql.Length();
      if (m_statement != nullptr) return true;
      // A lone ";" yields no statement but more text may follow.
      if (tail == start) break;
    }
    return false;
  }

  void finalize() {
    sqlite3* db = m_database.Handle();
    int rc = sqlite3_finalize(m_statement);
    m_statement = nullptr;
    CheckSql(rc == SQLITE_OK, rc, db, "sqlite::QueryImp::finalize", "failed");
  }

  void RequireStatement(const char* operation) const {
    CheckSql(m_statement != nullptr, -1, m_database.Handle(), operation,
             "No prepared statement");
  }

  Database& m_database;
  sqlite3_stmt* m_statement = nullptr;
  XString m_columnMessage;
  XString m_sql;
  uint32_t m_cursor = 0;
};

Query::Query(Database& database) : m_imp(std::make_unique<QueryImp>(database)) {}

Query::~Query() = default;

void Query::Prepare(const XString& sql) {
  m_imp->SetText(sql);
  bool prepared = m_imp->prepare();
  CheckSql(prepared, SQLITE_DONE, m_imp->m_database.Handle(), "sqlite::Query::Prepare",
           "no statement to prepare");
}

void Query::PrepareFormat(const char* format, ...) {
  va_list args;
  va_start(args, format);
  XString sql = FormatSqlList(format, args);
  va_end(args);
  Prepare(sql);
}

bool Query::PrepareNext() { return m_imp->prepare(); }

bool Query::Step() {
  m_imp->RequireStatement("sqlite::Query::Step");
  int rc = sqlite3_step(m_imp->m_statement);
  CheckSql(rc == SQLITE_ROW || rc == SQLITE_DONE, rc, m_imp->m_database.Handle(),
           "sqlite::Query::Step", "failed");
  return rc == SQLITE_ROW;
}

void Query::BindText(int index, const XString& text) {
  m_imp->RequireStatement("sqlite::Query::BindText");
  int rc = sqlite3_bind_text(m_imp->m_statement, index, text.c_str(), static_cast<int>(text.Length()),
                             SQLITE_TRANSIENT);
  CheckSql(rc == SQLITE_OK, rc, m_imp->m_database.Handle(), "sqlite::Query::BindText", "failed");
}

void Query::Reset() {
  m_imp->RequireStatement("sqlite::Query::Reset");
  // The result of reset repeats the failure of the last step, which that step has reported.
  sqlite3_reset(m_imp->m_statement);
  sqlite3_clear_bindings(m_imp->m_statement);
}

void Query::Finalize() {
  m_imp->RequireStatement("sqlite::Query::Finalize");
  m_imp->finalize();
}

bool Query::HasStatement() const { return m_imp->m_statement != nullptr; }

int Query::FindColumn(const char* name) {
  m_imp->RequireStatement("sqlite::Query::FindColumn");
  int index = find_column(name);
  if (index < 0) {
    m_imp->m_columnMessage = XString(
        XException::Format(-1, "Request for non-existent column \"%s\"", name).Text());
    CheckSql(false, -1, m_imp->m_database.Handle(), "sqlite::Query::FindColumn",
             m_imp->m_columnMessage.c_str());
  }
  return index;
}

int Query::find_column(const char* name) const {
  if (m_imp->m_statement == nullptr || name == nullptr) return -1;
  int count = sqlite3_column_count(m_imp->m_statement);
  for (int i = 0; i < count; ++i) {
    const char* column = sqlite3_column_name(m_imp->m_statement, i);
    if (column != nullptr && sqlite3_stricmp(column, name) == 0) return i;
  }
  return -1;
}

int Query::ColumnCount() const {
  m_imp->RequireStatement("sqlite::Query::ColumnCount");
  return sqlite3_column_count(m_imp->m_statement);
}

XString Query::ColumnName(int index) const {
  m_imp->RequireStatement("sqlite::Query::ColumnName");
  return XString(sqlite3_column_name(m_imp->m_statement, index));
}

XString Query::StringColumn(int index) const {
  m_imp->RequireStatement("sqlite::Query::StringColumn");
  const unsigned char* text = sqlite3_column_text(m_imp->m_statement, index);
  if (text == nullptr) return XString();
  int bytes = sqlite3_column_bytes(m_imp->m_statement, index);
  return XString(reinterpret_cast<const char*>(text), static_cast<uint32_t>(bytes));
}

const char* Query::TextColumn(int index) const {
  m_imp->RequireStatement("sqlite::Query::TextColumn");
  const unsigned char* text = sqlite3_column_text(m_imp->m_statement, index);
  return text ? reinterpret_cast<const char*>(text) : "";
}

bool Query::IsNullColumn(int index) const {
  m_imp->RequireStatement("sqlite::Query::IsNullColumn");
  return sqlite3_column_type(m_imp->m_statement, index) == SQLITE_NULL;
}

}  // namespace sqlite
