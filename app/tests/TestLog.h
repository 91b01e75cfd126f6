// A log that keeps its lines in memory, so a test can read what a procedure traced.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "foundation/ILog.h"

namespace apptest {

class TestLog : public ILog {
 public:
  void Begin() override {}
  void End() override {}
  void Write(int32_t, const char* message) override { m_lines.emplace_back(message); }
  void WriteFormat(int32_t level, const char* format, ...) override {
    va_list args;
    va_start(args, format);
    WriteFormatList(level, format, args);
    va_end(args);
  }
  void WriteFormatList(int32_t level, const char* format, va_list args) override {
    char buffer[2049];
    std::vsnprintf(buffer, sizeof buffer, format, args);
    Write(level, buffer);
  }

  bool Has(const std::string& line) const {
    for (const std::string& l : m_lines) {
      if (l == line) return true;
    }
    return false;
  }
  // Position of the first line equal to `line`, or -1.
  int IndexOf(const std::string& line) const {
    for (size_t i = 0; i < m_lines.size(); ++i) {
      if (m_lines[i] == line) return static_cast<int>(i);
    }
    return -1;
  }
  std::string All() const {
    std::string all;
    for (const std::string& l : m_lines) all += l + "\n";
    return all;
  }

  std::vector<std::string> m_lines;
};

}  // namespace apptest
