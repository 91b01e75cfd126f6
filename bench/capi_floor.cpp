// The C-API floor: an extraction's SELECT statements run directly through the SQLite C API on
// the same database file, stepping every row and reading every column as text. Nothing is
// written: this is what reading the data costs without any driver or client in between.
//
//   capi_floor DATABASE STATEMENTS
//
// STATEMENTS holds one statement per line. Prints the rows and the bytes of text it read;
// exits 1 with a message on standard error when SQLite reports an error.
#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/LineReader.h"

namespace {

[[noreturn]] void Fail(const std::string& message, sqlite3* db = nullptr) {
  std::fprintf(stderr, "capi_floor: %s%s%s\n", message.c_str(), db ? ": " : "", db ? sqlite3_errmsg(db) : "");
  std::exit(1);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: capi_floor DATABASE STATEMENTS\n");
    return 2;
  }
  std::vector<std::string> statements;
  if (!bench::ReadStatementLines(argv[2], statements)) Fail(std::string("cannot read ") + argv[2]);
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(argv[1], &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) Fail("cannot open the database", db);

  long long rows = 0, bytes = 0;
  for (const std::string& sql : statements) {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &stmt, nullptr) != SQLITE_OK) {
      Fail("cannot prepare " + sql.substr(0, 200), db);
    }
    const int columns = sqlite3_column_count(stmt);
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
      ++rows;
      for (int c = 0; c < columns; ++c) {
        if (sqlite3_column_text(stmt, c)) bytes += sqlite3_column_bytes(stmt, c);
      }
    }
    if (rc != SQLITE_DONE) Fail("cannot step " + sql.substr(0, 200), db);
    sqlite3_finalize(stmt);
  }
  sqlite3_close(db);
  std::printf("%lld rows %lld bytes\n", rows, bytes);
  return 0;
}
