// Shared pieces of the data access tests: a log that keeps its lines, an engine-shaped data
// access object wired to it, and the real SQLite database behind a user data source.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "data/ODBCDataAccess.h"
#include "foundation/XEngineLog.h"
#include "foundation/XLog.h"

namespace datatest {

// Keeps every line written to it, at every level, and never raises.
class CaptureLog : public XLog {
 public:
  CaptureLog() : XLog(kLogProprietary) { SetThrowLevel(kLogNone + 1); }
  void Emit(int32_t level, const char* message) override { lines.emplace_back(message); }
  // True when some line contains the text.
  bool Contains(const std::string& text) const;
  std::vector<std::string> lines;
};

// A data access object logging into one capture log (run log and extract log alike), with
// the options the extraction engine uses unless told otherwise.
struct Access {
  explicit Access(uint32_t options = 0x01 | kVerifySchema);
  CaptureLog log;
  XEngineLog engineLog;
  std::unique_ptr<ODBCDataAccess> db;
  ODBCDataAccess* operator->() { return db.get(); }
};

// The test database: a SQLite file made with the SQLite library itself, registered as the user
// data source kDsn for the SQLite ODBC driver in the ODBC ini file that the test run names
// (ODBCINI). Created once per test process.
class TestDatabase {
 public:
  static constexpr const char* kDsn = "QvDataTestDsn";
  // Null (and a reason) when the database or the data source cannot be set up.
  static TestDatabase* Get(std::string* whyNot);
  const std::string& Path() const { return m_path; }
  // True when the data source loads the extension that makes SQLite reject double-quoted
  // names of missing columns instead of reading them as strings.
  bool StrictQuotes() const { return m_strictQuotes; }

 private:
  static TestDatabase* Create(std::string* whyNot);
  std::string m_path;
  bool m_strictQuotes = false;
};

// The same tables in the PostgreSQL server of scripts/pg-server.sh, with server types and the
// mixed-case names quoted, plus a table "ServerVals" of values that only a server gives
// (numeric beyond a double, money-like decimals, uuid, bytea, boolean, 70,000-character and
// non-Windows-1252 text, NULL of every type). Written once per test process through the
// Unicode data source. False (and why) when the server does not run or refuses.
bool LoadPostgresFixture(std::string* whyNot);

}  // namespace datatest
