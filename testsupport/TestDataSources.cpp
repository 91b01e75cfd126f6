#include "testsupport/TestDataSources.h"

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
