// A log whose lines are also the rows of a grid: every line that passes the write level is
// appended to the log file (the same file as the run log, opened and closed per line) and
// kept as a row. Marking the rows for reloading starts the next load with no rows, so a
// progress view lists the lines of its own run.
#pragma once

#include <deque>
#include <string>

#include "foundation/XLogFile.h"
#include "xui/XUIDataSource.h"

class XUILog : public XUITextDataSource, public XLogFile {
 public:
  // Rows beyond this many drop the oldest: the file keeps everything.
  static constexpr uint32_t kMaxRows = 20000;

  XUILog(const XString& title, const XFileSpec& path, int32_t writeLevel);

  // The row at once; the file line, and any that could not be written before it, in order.
  // The file is shared with a command-line run that opens it per line too: a line that finds
  // it held is kept for the next write instead of ending the window's run.
  void Emit(int32_t level, const char* message) override;
  size_t UnwrittenLines() const { return m_unwritten.size(); }

 protected:
  void Reload() override;

 private:
  std::deque<std::string> m_unwritten;
};
