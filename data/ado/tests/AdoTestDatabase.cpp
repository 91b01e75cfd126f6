#include "AdoTestDatabase.h"

#include <cctype>
#include <stdexcept>

#include "os/Os.h"
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

std::string DriverPath(const std::string& path) {
  const bool driveLetter = path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) &&
                           path[1] == ':' && (path[2] == '\\' || path[2] == '/');
  const std::string prefix = os::GetEnv("WINEPREFIX");
  if (!driveLetter || prefix.empty()) return path;
  std::string hostPath = prefix + "/dosdevices/" + static_cast<char>(std::tolower(static_cast<unsigned char>(path[0]))) + ":";
  for (size_t i = 2; i < path.size(); ++i) hostPath += path[i] == '\\' ? '/' : path[i];
  return hostPath;
}

std::string LocalPath(const std::string& hostPath) {
  if (hostPath.empty() || hostPath[0] != '/' || os::GetEnv("WINEPREFIX").empty()) return hostPath;
  return "Z:" + hostPath;
}

std::string TestDatabase::ConnectionString() const {
  return "Driver=SQLite3;Database=" + adotest::DriverPath(m_path) + ";StepAPI=1";
}

}  // namespace adotest
