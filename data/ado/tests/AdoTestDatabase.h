// A real SQLite database file for the ADO layer's tests, written with SQLite's C API and read
// back through unixODBC and the SQLite ODBC driver (under Wine too: the driver runs on the
// Linux side, and the file lies in a temporary folder it reaches through drive Z:).
#pragma once

#include <string>

#include "testsupport/TempDir.h"
#include "testsupport/TestDataSources.h"

namespace adotest {

class TestDatabase {
 public:
  // Creates "test.db" in a fresh temporary folder and runs the SQL script on it.
  explicit TestDatabase(const std::string& script);

  // The file as this program opens it.
  const std::string& Path() const { return m_path; }
  // The file as the ODBC driver opens it (see testsupport::DriverPath).
  std::string DriverPath() const { return testsupport::DriverPath(m_path); }
  // DSN-less connection string for the SQLite ODBC driver.
  std::string ConnectionString() const;

 private:
  testsupport::TempDir m_dir;
  std::string m_path;
};

// A script for rows in many fetch blocks: `many(n, label)` with n = 1..rows, labels "row n"
// and, in every hundredth row, a long label of longLabelBase + n characters 'x'; and beside it
// `nums(n, half, day)`: n, n * 0.5 and the day n days after 2009-01-01.
std::string ManyRowsScript(int rows, int longLabelBase);

}  // namespace adotest
