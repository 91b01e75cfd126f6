#include "xui/XUILog.h"

XUILog::XUILog(const XString& title, const XFileSpec& path, int32_t writeLevel)
    : XUITextDataSource("Log"), XLogFile(title, path, writeLevel) {
  // The lines are what the window shows; the file belongs to the run log, which reports its
  // own failures.
  SetThrowLevel(kLogNone);
}

void XUILog::Emit(int32_t level, const char* message) {
  if (SourceRowCount() >= kMaxRows) {
    // Rare enough (a verbose log of a huge run) that rebuilding the rows is acceptable.
    std::vector<Cells> kept;
    for (uint32_t row = kMaxRows / 2; row < SourceRowCount(); ++row) kept.push_back(Row(row));
    ClearRows();
    for (Cells& cells : kept) AddRow(std::move(cells));
  }
  AddRow(Cells{XString(message)});
  XLogFile::Emit(level, message);
}

void XUILog::Reload() { ClearRows(); }
