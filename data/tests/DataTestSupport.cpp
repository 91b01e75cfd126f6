#include "DataTestSupport.h"

#include <sqlite3.h>

#include "testsupport/TempDir.h"
#include "testsupport/TestDataSources.h"

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

  if (!testsupport::RegisterDataSources({{TestDatabase::kDsn, path}}, whyNot)) return nullptr;
  database->m_strictQuotes = !testsupport::StrictQuotesExtension().empty();
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
