#include "tools/demosis/PostgresScript.h"

#include <cstdio>
#include <memory>
#include <set>
#include <vector>

#include "foundation/XException.h"
#include "sqlite3.h"

namespace demosis {
namespace {

// Text columns that hold short codes and keys, and those that hold names: the SIS declares
// them with a length.
const std::set<std::string>& CodeColumns() {
  static const std::set<std::string> names = {"ID", "BuildingNum", "SchoolYear", "Inactive", "Sex",
                                              "Grade", "State", "Zip", "PersonnelDisplay"};
  return names;
}
const std::set<std::string>& NameColumns() {
  static const std::set<std::string> names = {"FN", "MI", "LN", "NickName", "SchoolName", "Address", "City"};
  return names;
}

struct Closer {
  void operator()(sqlite3* db) const { sqlite3_close(db); }
  void operator()(sqlite3_stmt* stmt) const { sqlite3_finalize(stmt); }
  void operator()(FILE* file) const { std::fclose(file); }
};

[[noreturn]] void Fail(const std::string& what) { throw XException(("postgres script: " + what).c_str()); }

std::unique_ptr<sqlite3_stmt, Closer> Prepare(sqlite3* db, const std::string& sql) {
  sqlite3_stmt* stmt = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) {
    Fail(std::string(sqlite3_errmsg(db)) + " in " + sql);
  }
  return std::unique_ptr<sqlite3_stmt, Closer>(stmt);
}

std::string ColumnText(sqlite3_stmt* stmt, int index) {
  const unsigned char* text = sqlite3_column_text(stmt, index);
  return text ? std::string(reinterpret_cast<const char*>(text), sqlite3_column_bytes(stmt, index)) : std::string();
}

// A stored value in the COPY form of its column's type; \N for NULL.
std::string CopyValue(sqlite3_stmt* stmt, int index) {
  switch (sqlite3_column_type(stmt, index)) {
    case SQLITE_NULL:
      return "\\N";
    case SQLITE_FLOAT: {
      // All 17 digits: the server's double must be the very value SQLite holds.
      char buffer[40];
      std::snprintf(buffer, sizeof buffer, "%.17g", sqlite3_column_double(stmt, index));
      return buffer;
    }
    case SQLITE_INTEGER:
      return std::to_string(static_cast<long long>(sqlite3_column_int64(stmt, index)));
    default:
      break;
  }
  return CopyText(ColumnText(stmt, index));
}

}  // namespace

std::string PostgresType(const std::string& table, const ColumnDef& column) {
  (void)table;
  switch (column.type) {
    case ColumnType::DateTime: return "timestamp";
    case ColumnType::Real: return "double precision";
    case ColumnType::Integer: return "integer";
    case ColumnType::Text: break;
  }
  if (CodeColumns().count(column.name)) return "varchar(64)";
  if (NameColumns().count(column.name)) return "varchar(255)";
  return "text";
}

std::string PostgresIdentifier(const std::string& name) {
  std::string quoted = "\"";
  for (char c : name) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

std::string CopyText(const std::string& value) {
  std::string text;
  text.reserve(value.size());
  for (char c : value) {
    switch (c) {
      case '\\': text += "\\\\"; break;
      case '\t': text += "\\t"; break;
      case '\n': text += "\\n"; break;
      case '\r': text += "\\r"; break;
      default: text += c; break;
    }
  }
  return text;
}

void WritePostgresScript(const std::string& sqlitePath, const std::string& scriptPath) {
  sqlite3* raw = nullptr;
  if (sqlite3_open_v2(sqlitePath.c_str(), &raw, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
    std::string why = raw ? sqlite3_errmsg(raw) : "out of memory";
    sqlite3_close(raw);
    Fail("cannot open " + sqlitePath + ": " + why);
  }
  std::unique_ptr<sqlite3, Closer> db(raw);
  std::unique_ptr<FILE, Closer> out(std::fopen(scriptPath.c_str(), "wb"));
  if (!out) Fail("cannot write " + scriptPath);
  FILE* f = out.get();

  std::fputs("\\set ON_ERROR_STOP on\nSET client_encoding = 'UTF8';\nSET client_min_messages = warning;\nBEGIN;\n", f);
  std::vector<std::string> tables;
  {
    auto list = Prepare(db.get(), "SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY rowid");
    while (sqlite3_step(list.get()) == SQLITE_ROW) tables.push_back(ColumnText(list.get(), 0));
  }
  for (const std::string& name : tables) {
    const TableDef* def = FindTable(name);
    std::vector<ColumnDef> columns;
    {
      auto info = Prepare(db.get(), "SELECT name FROM pragma_table_info(?1) ORDER BY cid");
      sqlite3_bind_text(info.get(), 1, name.c_str(), -1, SQLITE_TRANSIENT);
      while (sqlite3_step(info.get()) == SQLITE_ROW) {
        const std::string column = ColumnText(info.get(), 0);
        const ColumnDef* known = def ? def->Find(column) : nullptr;
        columns.push_back(known ? *known : ColumnDef{column, ColumnType::Text});
      }
    }
    const std::string table = PostgresIdentifier(name);
    std::string create = "DROP TABLE IF EXISTS " + table + ";\nCREATE TABLE " + table + " (";
    std::string list;
    for (size_t i = 0; i < columns.size(); ++i) {
      const std::string separator = i ? ", " : "";
      create += separator + "\n  " + PostgresIdentifier(columns[i].name) + " " + PostgresType(name, columns[i]);
      list += separator + PostgresIdentifier(columns[i].name);
    }
    create += "\n);\n";
    std::fputs(create.c_str(), f);
    std::fprintf(f, "COPY %s (%s) FROM stdin;\n", table.c_str(), list.c_str());
    auto rows = Prepare(db.get(), "SELECT " + list + " FROM " + table + " ORDER BY rowid");
    std::string line;
    while (sqlite3_step(rows.get()) == SQLITE_ROW) {
      line.clear();
      for (size_t i = 0; i < columns.size(); ++i) {
        if (i) line += '\t';
        line += CopyValue(rows.get(), static_cast<int>(i));
      }
      line += '\n';
      std::fputs(line.c_str(), f);
    }
    std::fputs("\\.\n", f);
  }
  std::fputs("COMMIT;\n", f);
  if (std::fflush(f) != 0 || std::ferror(f)) Fail("cannot write " + scriptPath);
}

}  // namespace demosis
