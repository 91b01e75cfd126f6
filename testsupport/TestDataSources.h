// ODBC data sources for tests: real SQLite databases registered as user data sources of the
// SQLite ODBC driver in a throwaway ini file.
//
// The ini file is the one ODBCINI names; the test's CTest properties set it (see
// qv_test_data_sources in cmake/QvProject.cmake), because under Wine the driver manager runs on
// the Linux side and reads the Linux environment, which the Windows process cannot change. The
// driver also opens the database files on the Linux side, so paths cross that boundary through
// DriverPath/LocalPath (Wine shows the Linux root as drive Z:).
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace testsupport {

// A path of this build ("Z:\tmp\x.db" under Wine) as the Linux-side driver must see it.
std::string DriverPath(const std::string& path);
// A Linux path as this build's file functions take it.
std::string LocalPath(const std::string& unixPath);

// The strict double-quote extension named by QV_SISDQS in the environment, as a Linux path;
// empty when there is none.
std::string StrictQuotesExtension();

// The PostgreSQL server that scripts/pg-server.sh runs for the tests, read from its settings
// file: the one QV_PG_ENV names, else build/pg/server.env in the source folder (QV_SOURCE_DIR).
struct PostgresServer {
  std::string host, port, database, user, password;
};
// False (and why) when no server runs; the PostgreSQL tests then skip.
bool FindPostgresServer(PostgresServer* server, std::string* whyNot);

// The two data sources of that server that RegisterDataSources adds when it runs: one through
// the Unicode driver, one through the ANSI driver.
inline constexpr const char* kPostgresUnicodeDsn = "QvPgUnicode";
inline constexpr const char* kPostgresAnsiDsn = "QvPgAnsi";

// Runs each statement on the data source (connection string "DSN=<name>;"), in autocommit
// mode, through the ODBC API itself: for writing a server's test tables, which the read-only
// data access cannot. The statements are ASCII; "\uXXXX" stands for that UTF-16 unit. False
// (and the driver's message) at the first statement that fails.
bool ExecuteStatements(const std::string& dsn, const std::vector<std::string>& statements, std::string* whyNot);

// Writes the ini file with one section per (name, database file), each loading the strict
// double-quote extension when there is one, and the two PostgreSQL data sources when the
// server runs. Call before the first connection of the process: the driver manager may cache
// the file. Returns false (and why) when it cannot be written.
bool RegisterDataSources(const std::vector<std::pair<std::string, std::string>>& sources,
                         std::string* whyNot);

}  // namespace testsupport
