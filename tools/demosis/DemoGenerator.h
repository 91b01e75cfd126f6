// Generates a Meridane-shaped SQLite database: the tables and columns the extracts read, filled
// either with the fixed tiny content of DemoContent.h or with a school of any size drawn from a
// seed. The same options always give the same file.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace demosis {

struct DemoOptions {
  std::string out;                   // database file, replaced when it exists
  uint64_t seed = 1;
  int students = 200;
  int schools = 2;
  std::string yearStart;             // YYYY-MM-DD; empty: August 20 of the current school year
  bool tiny = false;                 // the fixed content of DemoContent.h instead of a seed
  std::vector<std::string> without;  // "Table" or "Table.Column" entries to leave out
};

struct DemoSummary {
  std::string schoolYear;  // "2008-2009"
  std::string yearStart, yearEnd;
  std::vector<std::pair<std::string, int64_t>> rows;  // rows written per table
};

// Writes the database in one transaction; throws XException on a bad option or a failed write
// (the partial file is removed).
DemoSummary GenerateDemoDatabase(const DemoOptions& options);

// The first day of the school year the machine's date falls in (a year turns on July 1).
std::string DefaultYearStart();

}  // namespace demosis
