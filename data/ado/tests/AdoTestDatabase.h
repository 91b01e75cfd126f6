// A real SQLite database file for the ADO layer's tests, written with SQLite's C API and read
// back through unixODBC and the SQLite ODBC driver (under Wine too: the driver runs on the
// Linux side and opens the Linux path as it is).
#pragma once

#include <string>

#include "testsupport/TempDir.h"

namespace adotest {

// The path under which the SQLite ODBC driver finds a file of this program. Natively that is
// the path itself. Under Wine the driver runs on the Linux side and takes the path as a Linux
// path, while this program names files by drive letter: "C:\\x\\y" is then reached through the
// prefix's drive link, "$WINEPREFIX/dosdevices/c:/x/y".
std::string DriverPath(const std::string& path);

// The reverse: a Linux path (as the driver manager's settings name files) as this program
// opens it; under Wine through drive Z:, which maps the Linux root.
std::string LocalPath(const std::string& hostPath);

class TestDatabase {
 public:
  // Creates "test.db" in a fresh temporary folder and runs the SQL script on it.
  explicit TestDatabase(const std::string& script);

  // The file as this program opens it.
  const std::string& Path() const { return m_path; }
  // The file as the ODBC driver opens it (see DriverPath).
  std::string DriverPath() const { return adotest::DriverPath(m_path); }
  // DSN-less connection string for the SQLite ODBC driver.
  std::string ConnectionString() const;

 private:
  testsupport::TempDir m_dir;
  std::string m_path;
};

}  // namespace adotest
