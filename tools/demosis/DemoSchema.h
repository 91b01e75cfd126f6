// The shape of the demo SIS database: every table and column that the Meridane extracts read,
// with the declared types under which the SQLite ODBC driver reports them (DATETIME as a
// timestamp, REAL as a double, INTEGER as an integer, TEXT as long character data).
#pragma once

#include <string>
#include <vector>

namespace demosis {

enum class ColumnType { Text, DateTime, Real, Integer };

struct ColumnDef {
  std::string name;
  ColumnType type;
};

struct TableDef {
  std::string name;
  std::vector<ColumnDef> columns;

  const ColumnDef* Find(const std::string& column) const;
};

// The SQL type name a column is declared with.
const char* DeclaredType(ColumnType type);

// All tables of the demo database, in creation order.
const std::vector<TableDef>& DemoSchema();

// The table of that name, or nullptr.
const TableDef* FindTable(const std::string& table);

}  // namespace demosis
