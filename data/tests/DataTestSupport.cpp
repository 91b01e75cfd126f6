#include "DataTestSupport.h"

#include <sqlite3.h>

#include <iterator>
#include <string>

#include "testsupport/TempDir.h"
#include "testsupport/TestDataSources.h"

namespace datatest {

bool CaptureLog::Contains(const std::string& text) const {
  for (const std::string& line : lines) {
    if (line.find(text) != std::string::npos) return true;
  }
  return false;
}

Access::Access(uint32_t options) : engineLog(&log, &log), db(std::make_unique<ODBCDataAccess>(options, engineLog)) {}

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

namespace {

// The server's twin of kSchema; every name in double quotes keeps its case.
const char* const kPostgresSchema[] = {
    "DROP TABLE IF EXISTS \"Student\", \"EmptyTable\", \"Vals\", \"ServerVals\"",
    "CREATE TABLE \"Student\" (\"ID\" varchar(10), \"FirstName\" varchar(40), \"LastName\" text, "
    "\"Inactive\" varchar(3), \"BirthDate\" timestamp)",
    "INSERT INTO \"Student\" VALUES ('S1', 'Ann', 'Arbor', 'No', '1995-04-01'), "
    "('S2', 'Bob', 'Baker', 'Yes', '1996-05-02'), ('S3', 'Cid', 'Crane', NULL, NULL)",
    "CREATE TABLE \"EmptyTable\" (\"ID\" text)",
    "CREATE TABLE \"Vals\" (\"K\" integer, \"D\" timestamp, \"R\" double precision, \"T\" text)",
    "INSERT INTO \"Vals\" VALUES (1, '2009-03-05 10:11:12', 12.34, E'  A\\tB '), "
    "(2, '2009-03-05', 100.0, E'A\\r\\nB'), (3, NULL, -0.5, NULL), "
    "(4, '1900-01-01', 0.0, 'caf\\u00e9 \\u2013 \\u201cq\\u201d'), (5, NULL, NULL, '0'), (6, NULL, 2.5, 'N/A'), "
    "(7, NULL, NULL, '00')",
    "CREATE TABLE \"ServerVals\" (\"K\" integer, \"N\" numeric(28,4), \"M\" numeric(12,2), \"U\" uuid, "
    "\"B\" bytea, \"F\" boolean, \"L\" text, \"X\" varchar(40), \"S\" smallint, \"G\" bigint, \"D\" date)",
    "INSERT INTO \"ServerVals\" VALUES "
    "(1, 12345678901234567890.1234, 1234.50, 'a0eebc99-9c0b-4ef8-bb6d-6bb9bd380a11', '\\x00ff41', true, "
    "repeat('abcdefghij', 7000), '\\u03a9 \\u2713 caf\\u00e9', -32768, 9007199254740993, '2009-03-05'), "
    "(2, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL), "
    "(3, -0.5, 0.10, '00000000-0000-0000-0000-000000000000', '', false, repeat('\\u00e9', 70000), '', 0, 0, "
    "'1900-01-01')",
};

bool LoadFixture(std::string* whyNot) {
  if (!testsupport::FindPostgresServer(nullptr, whyNot)) return false;
  // The data sources are written with the SQLite one.
  if (!TestDatabase::Get(whyNot)) return false;
  return testsupport::ExecuteStatements(testsupport::kPostgresUnicodeDsn,
                                        std::vector<std::string>(std::begin(kPostgresSchema), std::end(kPostgresSchema)),
                                        whyNot);
}

}  // namespace

bool LoadPostgresFixture(std::string* whyNot) {
  static std::string reason;
  static const bool loaded = LoadFixture(&reason);
  if (!loaded && whyNot) *whyNot = reason;
  return loaded;
}

TestDatabase* TestDatabase::Get(std::string* whyNot) {
  static std::string reason;
  static TestDatabase* database = Create(&reason);
  if (!database && whyNot) *whyNot = reason;
  return database;
}

}  // namespace datatest
