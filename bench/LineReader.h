// Reading a text file line by line in blocks, so that a benchmark's own memory stays flat while
// it counts the lines of a large output.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace bench {

// Calls `line` with every line of the file, without its CR LF or LF. Lines longer than
// `keep` characters are passed cut to that length (they are counted, not kept whole). False
// when the file cannot be opened.
template <typename LineFunction>
bool ForEachLine(const std::string& path, LineFunction line, size_t keep = 4096) {
  FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return false;
  std::string current;
  char buffer[1 << 16];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;) {
    for (size_t i = 0; i < n; ++i) {
      if (buffer[i] == '\n') {
        if (!current.empty() && current.back() == '\r') current.pop_back();
        line(current);
        current.clear();
      } else if (current.size() < keep || buffer[i] == '\r') {
        current.push_back(buffer[i]);
      }
    }
  }
  if (!current.empty()) line(current);
  std::fclose(file);
  return true;
}

// The non-empty lines of a file of statements, one statement a line (the floors' input).
// False when the file cannot be opened.
inline bool ReadStatementLines(const std::string& path, std::vector<std::string>& statements) {
  return ForEachLine(path, [&](const std::string& line) {
    if (!line.empty()) statements.push_back(line);
  }, 1 << 16);
}

}  // namespace bench
