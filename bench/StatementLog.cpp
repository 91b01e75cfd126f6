#include "bench/StatementLog.h"

#include <strings.h>

#include "bench/LineReader.h"

namespace bench {

namespace {
constexpr size_t kLongestLine = 1 << 16;
}

bool IsTableDump(const std::string& sql) {
  static const std::string kPrefix = "SELECT * FROM ";
  if (sql.compare(0, kPrefix.size(), kPrefix) != 0 || sql.size() == kPrefix.size()) return false;
  for (size_t i = kPrefix.size(); i < sql.size(); ++i) {
    const char c = sql[i];
    if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_')) return false;
  }
  return true;
}

std::string WithoutTimePrefix(const std::string& line) {
  static const char kShape[] = "99/99/9999|99:99:99 ";
  const size_t length = sizeof kShape - 1;
  if (line.size() < length) return line;
  for (size_t i = 0; i < length; ++i) {
    const bool digit = line[i] >= '0' && line[i] <= '9';
    if (kShape[i] == '9' ? !digit : line[i] != kShape[i]) return line;
  }
  return line.substr(length);
}

bool ReadStatements(const std::string& extractLog, Statements& statements, std::string& error) {
  statements = Statements();
  bool next = false;
  const bool read = ForEachLine(
      extractLog,
      [&](const std::string& logLine) {
        const std::string line = WithoutTimePrefix(logLine);
        if (next) statements.select.push_back(line);
        next = line == "Running Query";
        if (line.compare(0, 19, "Table Exists query:") == 0 || line.compare(0, 19, "Field Exists query:") == 0) {
          ++statements.probes;
        }
      },
      kLongestLine);
  if (!read) {
    error = "cannot read " + extractLog;
    return false;
  }
  for (std::string& sql : statements.select) {
    if (sql.size() < 7 || strncasecmp(sql.c_str(), "SELECT ", 7) != 0) {
      error = "the line after \"Running Query\" is not a SELECT: " + sql.substr(0, 200);
      return false;
    }
    if (sql.size() >= kLongestLine) {
      error = "a statement longer than a line kept: " + sql.substr(0, 200);
      return false;
    }
    if (IsTableDump(sql)) {
      sql += " LIMIT 1";
      ++statements.dumps;
    }
  }
  return true;
}

}  // namespace bench
