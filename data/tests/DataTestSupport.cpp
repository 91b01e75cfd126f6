#include "DataTestSupport.h"

#include <sqlite3.h>

#include "os/Os.h"
#include "testsupport/TempDir.h"

namespace datatest {

bool CaptureLog::Contains(const std::string& text) const {
  for (const std::string& line : lines) {
    if (line.find(text) != std::string::npos) return true;
  }
  return false;
}

Access::Access(uint32_t options) : db(std::make_unique<ODBCDataAccess>(options)) {
  db->SetRunLog(&log);
  db->SetExtractLog(&log);
}

namespace {

// The SQLite ODBC driver runs on the Linux side also for the Windows build under Wine, where
// the test sees its folders through drive Z:.
std::string DriverPath(const std::string& path) {
  if (path.size() > 2 && path[1] == ':' && (path[0] == 'Z' || path[0] == 'z')) {
    std::string unix = path.substr(2);
    for (char& c : unix) {
      if (c == '\\') c = '/';
    }
    return unix;
  }
  return path;
}

// A Linux path as this build's file functions take it.
std::string LocalPath(const std::string& unixPath) {
  return os::kPathSeparator == '\\' ? "Z:" + unixPath : unixPath;
}

const char* const kSchema[] = {
    "CREATE TABLE Student (ID TEXT, FirstName TEXT, LastName TEXT, Inactive TEXT, BirthDate DATETIME)",
    "INSERT INTO Student VALUES ('S1', 'Ann', 'Arbor', 'No', '1995-04-01')",
    "INSERT INTO Student VALUES ('S2', 'Bob', 'Baker', 'Yes', '1996-05-02')",
    "INSERT INTO Student VALUES ('S3', 'Cid', 'Crane', NULL, NULL)",
    "CREATE TABLE EmptyTable (ID TEXT)",
    "CREATE TABLE Vals (K INTEGER, D DATETIME, R REAL, T TEXT)",
    "INSERT INTO Vals VALUES (1, '2009-03-05 10:11:12', 12.34, '  A\tB ')",
    "INSERT INTO Vals VALUES (2, '2009-03-05', 100.0, 'A' || char(13) || char(10) || 'B')",
    "INSERT INTO Vals VALUES (3, NULL, -0.5, NULL)",
    // Windows-1252 has all of these: e acute, en dash, curly double quotes.
    "INSERT INTO Vals VALUES (4, '1900-01-01', 0.0, 'caf\xC3\xA9 \xE2\x80\x93 \xE2\x80\x9Cq\xE2\x80\x9D')",
    "INSERT INTO Vals VALUES (5, NULL, NULL, '0')",
    "INSERT INTO Vals VALUES (6, NULL, 2.5, 'N/A')",
    "INSERT INTO Vals VALUES (7, NULL, NULL, '00')",
    // The catalogue tables of a SQL Server, so that its probes run for real.
    "CREATE TABLE sysobjects (name TEXT, xtype TEXT, type TEXT, id INTEGER)",
    "INSERT INTO sysobjects VALUES ('Student', 'U', 'U', 1)",
    "INSERT INTO sysobjects VALUES ('StudentView', 'V', 'V', 2)",
    "INSERT INTO sysobjects VALUES ('sp_Helper', 'P', 'P', 3)",
    "CREATE TABLE syscolumns (name TEXT, id INTEGER)",
    "INSERT INTO syscolumns VALUES ('ID', 1)",
    "INSERT INTO syscolumns VALUES ('FirstName', 1)",
    "INSERT INTO syscolumns VALUES ('ViewCol', 2)",
};

}  // namespace

TestDatabase* TestDatabase::Create(std::string* whyNot) {
  std::string ini = os::GetEnv("ODBCINI");
  if (ini.empty()) {
    *whyNot = "ODBCINI is not set: run the data tests through ctest, which names the ini file";
    return nullptr;
  }
  static testsupport::TempDir folder;
  auto* database = new TestDatabase;
  std::string path = folder.File("sis.db");
  sqlite3* handle = nullptr;
  if (sqlite3_open_v2(path.c_str(), &handle, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
    *whyNot = "cannot create " + path;
    sqlite3_close(handle);
    return nullptr;
  }
  for (const char* statement : kSchema) {
    char* error = nullptr;
    if (sqlite3_exec(handle, statement, nullptr, nullptr, &error) != SQLITE_OK) {
      *whyNot = std::string("schema statement failed: ") + (error ? error : "") + ": " + statement;
      sqlite3_free(error);
      sqlite3_close(handle);
      return nullptr;
    }
  }
  sqlite3_close(handle);

  std::string text = std::string("[") + TestDatabase::kDsn + "]\nDriver=SQLite3\nDatabase=" + DriverPath(path) + "\n";
#ifdef QV_SISDQS_PATH
  std::string extension = QV_SISDQS_PATH;
#else
  std::string extension = os::GetEnv("QV_SISDQS");
#endif
  if (!extension.empty() && os::PathExists(LocalPath(DriverPath(extension)))) {
    text += "LoadExt=" + DriverPath(extension) + "\n";
    database->m_strictQuotes = true;
  }
  testsupport::WriteAll(LocalPath(DriverPath(ini)), text);
  database->m_path = path;
  return database;
}

TestDatabase* TestDatabase::Get(std::string* whyNot) {
  static std::string reason;
  static TestDatabase* database = Create(&reason);
  if (!database && whyNot) *whyNot = reason;
  return database;
}

}  // namespace datatest
