#include "AdoTestDatabase.h"

#include <stdexcept>

#include "sqlite3.h"

namespace adotest {

TestDatabase::TestDatabase(const std::string& script) : m_path(m_dir.File("test.db")) {
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(m_path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
    std::string message = db ? sqlite3_errmsg(db) : "out of memory";
    sqlite3_close(db);
    throw std::runtime_error("cannot create " + m_path + ": " + message);
  }
  char* error = nullptr;
  if (sqlite3_exec(db, script.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
    std::string message = error ? error : "unknown error";
    sqlite3_free(error);
    sqlite3_close(db);
    throw std::runtime_error("cannot fill " + m_path + ": " + message);
  }
  sqlite3_close(db);
}

std::string TestDatabase::ConnectionString() const {
  return "Driver=SQLite3;Database=" + DriverPath() + ";StepAPI=1";
}

std::string ManyRowsScript(int rows, int longLabelBase) {
  return "CREATE TABLE many(n INTEGER, label TEXT);"
         "WITH RECURSIVE c(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM c WHERE n < " +
         std::to_string(rows) + ") INSERT INTO many SELECT n, CASE WHEN n % 100 = 0 THEN printf('%.*c', " +
         std::to_string(longLabelBase) +
         " + n, 'x') ELSE 'row ' || n END FROM c;"
         "CREATE TABLE nums(n INTEGER, half REAL, day DATE);"
         "INSERT INTO nums SELECT n, n * 0.5, date('2009-01-01', '+' || n || ' days') FROM many;";
}

}  // namespace adotest
