// The SELECT statements an extraction ran, read back from its extract log written at the
// lowest level, where the data access writes the text of every query on the line after
// "Running Query". The baselines and floors of the benchmarks run these statements.
#pragma once

#include <string>
#include <vector>

namespace bench {

struct Statements {
  std::vector<std::string> select;
  int probes = 0;  // schema probes: lines of their own, one record each, not repeated
  int dumps = 0;   // table-definition dumps, given LIMIT 1 (the extraction keeps one record)
};

// Reads the statements of an extract log. False, with `error` set, when the log cannot be read,
// a line after "Running Query" is not a SELECT, or a statement is longer than a line kept.
bool ReadStatements(const std::string& extractLog, Statements& statements, std::string& error);

// The diagnostic table-definition dump, "SELECT * FROM <table>" and nothing more.
bool IsTableDump(const std::string& sql);

// A log line without the "DD/MM/YYYY|HH:NN:SS " that lines below Info carry in front.
std::string WithoutTimePrefix(const std::string& line);

}  // namespace bench
