// What the process-measuring benchmarks share: wall-clock helpers, whole reads and writes on
// pipes, and the strict-names SQLite extension that their demo data sources load. Native only:
// the benchmarks measure child processes with fork, exec and wait4 directly, as a harness would.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>

namespace bench {

using Clock = std::chrono::steady_clock;

// Seconds from `start` to now.
double Since(Clock::time_point start);

// Prints "<program>: <message>" on standard error and exits 1.
[[noreturn]] void Die(const char* program, const std::string& message);

// Writes or reads exactly `size` bytes, retrying after signals; false on failure or end of
// file.
bool WriteAll(int fd, const void* data, size_t size);
bool ReadAll(int fd, void* data, size_t size);
// Reads until end of file.
std::string ReadToEnd(int fd);

// A new folder under $TMPDIR (or /tmp) named <prefix>-XXXXXX; exits when it cannot be made.
std::string MakeTempFolder(const char* program, const char* prefix);

// Registers one user data source of the SQLite ODBC driver for the database in a throwaway ini
// file and points ODBCINI at it, before anything of ODBC runs (unixODBC reads user data sources
// from $ODBCINI). StepAPI=1 makes the driver stream rows instead of loading the whole result;
// `extension`, when not empty, is loaded so that a double-quoted unknown name is an error, as
// on a real SIS. Exits when the file cannot be written.
void RegisterDataSource(const char* program, const std::string& ini, const std::string& dsn,
                        const std::string& database, const std::string& extension);

// The path of the strict double-quote extension built with the benchmarks (empty when it is
// not there).
std::string ExtensionModule();

}  // namespace bench
