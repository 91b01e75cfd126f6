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

// Writes the ini file with one section per (name, database file), each loading the strict
// double-quote extension when there is one. Call before the first connection of the process:
// the driver manager may cache the file. Returns false (and why) when it cannot be written.
bool RegisterDataSources(const std::vector<std::pair<std::string, std::string>>& sources,
                         std::string* whyNot);

}  // namespace testsupport
