// Writes the demo SIS database: creates the tables of the schema (less the tables and columns a
// variant leaves out) and inserts rows through one prepared statement per table, all inside one
// transaction.
#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "tools/demosis/DemoSchema.h"

struct sqlite3;
struct sqlite3_stmt;

namespace demosis {

class DemoDatabase;

// Fills one row of one table. Values for columns the variant left out are ignored, so the
// content code never needs to know which variant it writes.
class RowWriter {
 public:
  RowWriter(DemoDatabase& db, const TableDef& table, const std::set<std::string>& without);
  ~RowWriter();
  RowWriter(const RowWriter&) = delete;
  RowWriter& operator=(const RowWriter&) = delete;

  // Text, converted to the column's declared type (REAL and INTEGER columns parse the text).
  RowWriter& Text(std::string_view column, std::string_view value);
  RowWriter& Real(std::string_view column, double value);
  RowWriter& Integer(std::string_view column, int64_t value);
  // A date-only value, stored as YYYY-MM-DD so that text comparisons with date literals hold.
  RowWriter& Date(std::string_view column, int32_t civilDay);
  RowWriter& Null(std::string_view column);

  // Inserts the row; every column not set since the last insert is NULL.
  void Insert();
  int64_t RowCount() const { return m_rows; }
  bool Exists() const { return m_stmt != nullptr; }

 private:
  int Index(std::string_view column);  // 1-based parameter, 0 when left out

  DemoDatabase& m_db;
  const TableDef& m_table;
  sqlite3_stmt* m_stmt = nullptr;
  std::unordered_map<std::string, int> m_params;
  std::vector<ColumnType> m_types;  // by parameter - 1
  int64_t m_rows = 0;
};

class DemoDatabase {
 public:
  // Creates the file anew (an existing file is replaced) and begins the one transaction.
  // without: "Table" or "Table.Column" entries to leave out.
  DemoDatabase(const std::string& path, const std::vector<std::string>& without);
  ~DemoDatabase();
  DemoDatabase(const DemoDatabase&) = delete;
  DemoDatabase& operator=(const DemoDatabase&) = delete;

  RowWriter& Table(const std::string& name);
  // Commits and closes; without it the destructor rolls back and removes the file.
  void Commit();

  sqlite3* Handle() { return m_db; }
  void Exec(const char* sql);
  [[noreturn]] void Fail(const char* what);

 private:
  std::string m_path;
  sqlite3* m_db = nullptr;
  bool m_committed = false;
  std::set<std::string> m_without;
  std::unordered_map<std::string, std::unique_ptr<RowWriter>> m_writers;
};

// Checks a --without entry against the schema; returns an error text, or "" when it names a
// table or a column of the schema.
std::string CheckWithout(const std::string& entry);

}  // namespace demosis
