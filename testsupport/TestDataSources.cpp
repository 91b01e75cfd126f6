#include "testsupport/TestDataSources.h"

#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>

#include "os/Os.h"
#include "testsupport/TempDir.h"

namespace testsupport {

std::string DriverPath(const std::string& path) {
  if (path.size() > 2 && path[1] == ':' && (path[0] == 'Z' || path[0] == 'z')) {
    std::string unixPath = path.substr(2);
    for (char& c : unixPath) {
      if (c == '\\') c = '/';
    }
    return unixPath;
  }
  return path;
}

std::string LocalPath(const std::string& unixPath) {
  return os::kPathSeparator == '\\' ? "Z:" + unixPath : unixPath;
}

std::string StrictQuotesExtension() {
  std::string extension = os::GetEnv("QV_SISDQS");
  if (extension.empty() || !os::PathExists(LocalPath(DriverPath(extension)))) return std::string();
  return DriverPath(extension);
}

bool FindPostgresServer(PostgresServer* server, std::string* whyNot) {
  std::string file = os::GetEnv("QV_PG_ENV");
  if (file.empty()) {
    std::string source = os::GetEnv("QV_SOURCE_DIR");
    if (source.empty()) {
      if (whyNot) *whyNot = "neither QV_PG_ENV nor QV_SOURCE_DIR is set";
      return false;
    }
    file = DriverPath(source) + "/build/pg/server.env";
  }
  const std::string text = ReadAll(LocalPath(DriverPath(file)));
  if (text.empty()) {
    if (whyNot) *whyNot = "no PostgreSQL server runs (no " + file + "; start one with scripts/pg-server.sh start)";
    return false;
  }
  PostgresServer found;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, end - start);
    start = end + 1;
    const size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    const std::string key = line.substr(0, equals);
    const std::string value = line.substr(equals + 1);
    if (key == "QV_PG_HOST") found.host = value;
    else if (key == "QV_PG_PORT") found.port = value;
    else if (key == "QV_PG_DATABASE") found.database = value;
    else if (key == "QV_PG_USER") found.user = value;
    else if (key == "QV_PG_PASSWORD") found.password = value;
  }
  if (found.host.empty() || found.port.empty() || found.database.empty()) {
    if (whyNot) *whyNot = file + " names no server";
    return false;
  }
  if (server) *server = found;
  return true;
}

namespace {

// A data source of the server through one of its two drivers. Booleans read as booleans, not
// as the characters '1' and '0'; rows come through a server cursor, some at a time. The ANSI
// driver hands over text in the connection's client encoding, which is the database's (UTF-8)
// unless set: the program reads 8-bit text as Windows-1252, so the session says so.
std::string PostgresSection(const char* name, const char* driver, const PostgresServer& server, bool ansi) {
  std::string section = std::string("[") + name + "]\nDriver=" + driver + "\nServername=" + server.host +
                        "\nPort=" + server.port + "\nDatabase=" + server.database + "\nUsername=" + server.user +
                        "\nPassword=" + server.password + "\nBoolsAsChar=0\nUseDeclareFetch=1\nFetch=100\n";
  if (ansi) section += "ConnSettings=SET client_encoding TO 'WIN1252'\n";
  return section + "\n";
}

}  // namespace

namespace {

std::u16string Utf16Statement(const std::string& text) {
  std::u16string wide;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 5 < text.size() && text[i + 1] == 'u') {
      wide += static_cast<char16_t>(std::stoi(text.substr(i + 2, 4), nullptr, 16));
      i += 5;
    } else {
      wide += static_cast<char16_t>(static_cast<unsigned char>(text[i]));
    }
  }
  return wide;
}

// The handle's diagnostics, each unit above ASCII as '?'.
std::string Diagnostics(SQLSMALLINT type, SQLHANDLE handle) {
  std::string text;
  SQLWCHAR state[6] = {};
  SQLWCHAR message[1024];
  SQLINTEGER native = 0;
  SQLSMALLINT length = 0;
  for (SQLSMALLINT record = 1; SQL_SUCCEEDED(SQLGetDiagRecW(type, handle, record, state, &native, message,
                                                            1024, &length));
       ++record) {
    text += " |";
    for (SQLSMALLINT i = 0; i < length && i < 1023; ++i) text += message[i] < 128 ? static_cast<char>(message[i]) : '?';
  }
  return text;
}

}  // namespace

bool ExecuteStatements(const std::string& dsn, const std::vector<std::string>& statements, std::string* whyNot) {
  SQLHENV env = SQL_NULL_HENV;
  SQLHDBC dbc = SQL_NULL_HDBC;
  SQLHSTMT stmt = SQL_NULL_HSTMT;
  SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
  SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
  SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc);
  std::u16string in = Utf16Statement("DSN=" + dsn + ";");
  bool ok = SQL_SUCCEEDED(SQLDriverConnectW(dbc, nullptr, reinterpret_cast<SQLWCHAR*>(in.data()), SQL_NTS, nullptr,
                                            0, nullptr, SQL_DRIVER_NOPROMPT));
  if (!ok) {
    if (whyNot) *whyNot = "cannot connect to the data source " + dsn + Diagnostics(SQL_HANDLE_DBC, dbc);
  } else {
    SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt);
    for (const std::string& statement : statements) {
      std::u16string text = Utf16Statement(statement);
      const SQLRETURN rc = SQLExecDirectW(stmt, reinterpret_cast<SQLWCHAR*>(text.data()), SQL_NTS);
      if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA) {
        if (whyNot) *whyNot = "statement failed: " + statement + Diagnostics(SQL_HANDLE_STMT, stmt);
        ok = false;
        break;
      }
      SQLFreeStmt(stmt, SQL_CLOSE);
    }
    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    SQLDisconnect(dbc);
  }
  SQLFreeHandle(SQL_HANDLE_DBC, dbc);
  SQLFreeHandle(SQL_HANDLE_ENV, env);
  return ok;
}

bool RegisterDataSources(const std::vector<std::pair<std::string, std::string>>& sources,
                         std::string* whyNot) {
  std::string ini = os::GetEnv("ODBCINI");
  if (ini.empty()) {
    // Outside ctest: a throwaway ini file of this process (natively the driver manager reads
    // this process's environment).
    static TempDir folder;
    ini = folder.File("odbc.ini");
    os::SetEnv("ODBCINI", ini);
  }
  std::string extension = StrictQuotesExtension();
  std::string text;
  for (const auto& [name, database] : sources) {
    text += "[" + name + "]\nDriver=SQLite3\nDatabase=" + DriverPath(database) + "\nStepAPI=1\n";
    if (!extension.empty()) text += "LoadExt=" + extension + "\n";
    text += "\n";
  }
  PostgresServer server;
  if (FindPostgresServer(&server, nullptr)) {
    text += PostgresSection(kPostgresUnicodeDsn, "PostgreSQL Unicode", server, false);
    text += PostgresSection(kPostgresAnsiDsn, "PostgreSQL ANSI", server, true);
  }
  try {
    WriteAll(LocalPath(DriverPath(ini)), text);
  } catch (const std::exception& e) {
    if (whyNot) *whyNot = e.what();
    return false;
  }
  return true;
}

}  // namespace testsupport
