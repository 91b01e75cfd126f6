#include "xui/XUILog.h"

#include "foundation/XException.h"
#include "os/OsTime.h"

namespace {
// A line write that finds the file held is tried again this often, this far apart.
constexpr int kWriteAttempts = 3;
constexpr unsigned kRetryMs = 20;
}  // namespace

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
  m_unwritten.emplace_back(message);
  for (int attempt = 0; !m_unwritten.empty();) {
    try {
      XLogFile::Emit(level, m_unwritten.front().c_str());
      m_unwritten.pop_front();
    } catch (const XException&) {
      if (++attempt == kWriteAttempts) return;
      os::SleepMilliseconds(kRetryMs);
    }
  }
}

void XUILog::Reload() { ClearRows(); }
