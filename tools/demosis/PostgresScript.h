// Turns a demo SIS database into a psql script that writes the same SIS into a PostgreSQL
// database: one table per table, the Meridane names in their mixed case (quoted identifiers),
// server column types, and every row through COPY. The script replaces tables of the same
// names and runs in one transaction.
#pragma once

#include <string>

#include "tools/demosis/DemoSchema.h"

namespace demosis {

// The server type a column of the demo SIS is created with: timestamp for dates, double
// precision for reals, integer, and varchar(n) or text for text by what the column holds.
std::string PostgresType(const std::string& table, const ColumnDef& column);

// An identifier in double quotes, inner double quotes doubled.
std::string PostgresIdentifier(const std::string& name);

// One value in COPY's text format: backslash, tab, newline and carriage return escaped.
std::string CopyText(const std::string& value);

// Reads the SQLite demo database at sqlitePath and writes the script to scriptPath. Throws
// XException when either file cannot be used.
void WritePostgresScript(const std::string& sqlitePath, const std::string& scriptPath);

}  // namespace demosis
