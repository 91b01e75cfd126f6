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

}  // namespace adotest
