#include "tools/demosis/DemoDatabase.h"

#include <cstdio>
#include <cstdlib>

#include "foundation/XException.h"
#include "sqlite3.h"
#include "tools/demosis/DemoCalendar.h"

namespace demosis {

std::string CheckWithout(const std::string& entry) {
  const size_t dot = entry.find('.');
  const TableDef* table = FindTable(entry.substr(0, dot));
  if (!table) return "no table \"" + entry.substr(0, dot) + "\" in the demo database";
  if (dot != std::string::npos && !table->Find(entry.substr(dot + 1)))
    return "no column \"" + entry.substr(dot + 1) + "\" in table \"" + table->name + "\"";
  return "";
}

// ---- RowWriter

RowWriter::RowWriter(DemoDatabase& db, const TableDef& table, const std::set<std::string>& without)
    : m_db(db), m_table(table) {
  if (without.count(table.name)) return;  // the whole table is left out
  std::string columns, params;
  for (const ColumnDef& c : table.columns) {
    if (without.count(table.name + "." + c.name)) continue;
    if (!columns.empty()) {
      columns += ", ";
      params += ", ";
    }
    columns += "\"" + c.name + "\"";
    params += "?";
    m_types.push_back(c.type);
    m_params.emplace(c.name, static_cast<int>(m_types.size()));
  }
  const std::string sql =
      "INSERT INTO \"" + table.name + "\" (" + columns + ") VALUES (" + params + ")";
  if (sqlite3_prepare_v2(db.Handle(), sql.c_str(), -1, &m_stmt, nullptr) != SQLITE_OK)
    db.Fail(sql.c_str());
}

RowWriter::~RowWriter() { sqlite3_finalize(m_stmt); }

int RowWriter::Index(std::string_view column) {
  if (!m_stmt) return 0;
  const auto it = m_params.find(std::string(column));
  if (it != m_params.end()) return it->second;
  // A column that is neither in the schema nor left out is a fault of the content code.
  if (!m_table.Find(std::string(column)))
    throw XException::Format(0, "demo content names unknown column %s.%.*s", m_table.name.c_str(),
                             static_cast<int>(column.size()), column.data());
  return 0;
}

RowWriter& RowWriter::Text(std::string_view column, std::string_view value) {
  const int i = Index(column);
  if (i == 0) return *this;
  switch (m_types[i - 1]) {
    case ColumnType::Real:
      sqlite3_bind_double(m_stmt, i, std::strtod(std::string(value).c_str(), nullptr));
      break;
    case ColumnType::Integer:
      sqlite3_bind_int64(m_stmt, i, std::strtoll(std::string(value).c_str(), nullptr, 10));
      break;
    default:
      sqlite3_bind_text(m_stmt, i, value.data(), static_cast<int>(value.size()), SQLITE_TRANSIENT);
  }
  return *this;
}

RowWriter& RowWriter::Real(std::string_view column, double value) {
  if (const int i = Index(column)) sqlite3_bind_double(m_stmt, i, value);
  return *this;
}

RowWriter& RowWriter::Integer(std::string_view column, int64_t value) {
  if (const int i = Index(column)) sqlite3_bind_int64(m_stmt, i, value);
  return *this;
}

RowWriter& RowWriter::Date(std::string_view column, int32_t civilDay) {
  return Text(column, FormatDay(civilDay));
}

RowWriter& RowWriter::Null(std::string_view column) {
  if (const int i = Index(column)) sqlite3_bind_null(m_stmt, i);
  return *this;
}

void RowWriter::Insert() {
  if (!m_stmt) return;
  if (sqlite3_step(m_stmt) != SQLITE_DONE) m_db.Fail(m_table.name.c_str());
  sqlite3_reset(m_stmt);
  sqlite3_clear_bindings(m_stmt);
  ++m_rows;
}

// ---- DemoDatabase

DemoDatabase::DemoDatabase(const std::string& path, const std::vector<std::string>& without)
    : m_path(path), m_without(without.begin(), without.end()) {
  for (const std::string& entry : without) {
    const std::string error = CheckWithout(entry);
    if (!error.empty()) throw XException(error.c_str());
  }
  std::remove(path.c_str());
  if (sqlite3_open_v2(path.c_str(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
      SQLITE_OK)
    Fail(path.c_str());
  // The file is written once and read afterwards: no journal is needed while it is built, and a
  // failed run removes the file.
  Exec("PRAGMA journal_mode=OFF");
  Exec("PRAGMA synchronous=OFF");
  Exec("BEGIN");
  for (const TableDef& table : DemoSchema()) {
    if (m_without.count(table.name)) continue;
    std::string sql = "CREATE TABLE \"" + table.name + "\" (";
    bool first = true;
    for (const ColumnDef& c : table.columns) {
      if (m_without.count(table.name + "." + c.name)) continue;
      sql += (first ? "" : ", ") + ("\"" + c.name + "\" ") + DeclaredType(c.type);
      first = false;
    }
    Exec((sql + ")").c_str());
  }
}

DemoDatabase::~DemoDatabase() {
  m_writers.clear();
  if (m_db) {
    if (!m_committed) sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(m_db);
  }
  if (!m_committed) std::remove(m_path.c_str());
}

RowWriter& DemoDatabase::Table(const std::string& name) {
  auto it = m_writers.find(name);
  if (it == m_writers.end()) {
    const TableDef* table = FindTable(name);
    if (!table) throw XException::Format(0, "demo content names unknown table %s", name.c_str());
    it = m_writers.emplace(name, std::make_unique<RowWriter>(*this, *table, m_without)).first;
  }
  return *it->second;
}

void DemoDatabase::Commit() {
  // Indexes on the keys the extracts join on keep a large demo school quick to query.
  if (!m_without.count("Student") && !m_without.count("Student.ID"))
    Exec("CREATE INDEX \"Student_ID\" ON \"Student\" (\"ID\")");
  if (!m_without.count("Absence") && !m_without.count("Absence.Date"))
    Exec("CREATE INDEX \"Absence_Date\" ON \"Absence\" (\"Date\")");
  m_writers.clear();
  Exec("COMMIT");
  if (sqlite3_close(m_db) != SQLITE_OK) Fail(m_path.c_str());
  m_db = nullptr;
  m_committed = true;
}

void DemoDatabase::Exec(const char* sql) {
  if (sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) != SQLITE_OK) Fail(sql);
}

void DemoDatabase::Fail(const char* what) {
  throw XException::Format(m_db ? sqlite3_errcode(m_db) : 0, "demo database %s: %s: %s",
                           m_path.c_str(), what, m_db ? sqlite3_errmsg(m_db) : "cannot open");
}

}  // namespace demosis
