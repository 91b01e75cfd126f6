#include "foundation/XEngineLog.h"

#include <cstdio>

#include "foundation/XDateTime.h"
#include "foundation/XException.h"
#include "foundation/XLog.h"

namespace {

XString FormatText(const char* format, va_list args) {
  char buffer[XLog::kMaxMessage + 1];
  std::vsnprintf(buffer, sizeof buffer, format, args);
  return XString(buffer);
}

}  // namespace

XString XEngineLog::TimePrefix() {
  XString prefix = XDateTime::Now().Format("dd/mm/yyyy|hh:nn:ss");
  prefix += " ";
  return prefix;
}

void XEngineLog::WriteToExtractLog(int32_t level, const char* line) {
  if (m_extractLog == nullptr) {
    WriteToRunLog(level, line);
    return;
  }
  try {
    m_extractLog->Write(level, line);
  } catch (const XLogRaisedException&) {
    // Written, then raised at the extract log's throw level: the caller's error, not a failed
    // write, so it must not be written a second time into the run log.
    throw;
  } catch (const XException&) {
    WriteToRunLog(level, "Writing next message to Run Log because failed to write to extract log.");
    WriteToRunLog(level, line);
  }
}

void XEngineLog::ExtractLogWrite(int32_t level, const char* text) {
  if (m_recording != nullptr) m_recording->push_back({true, level, XString(text)});
  if (level == kLogInfo || level == kLogProgress) {
    WriteToExtractLog(level, text);
    return;
  }
  XString line = TimePrefix();
  line += text;
  WriteToExtractLog(level, line.c_str());
}

void XEngineLog::ExtractLogWriteFormat(int32_t level, const char* format, ...) {
  va_list args;
  va_start(args, format);
  XString text = FormatText(format, args);
  va_end(args);
  ExtractLogWrite(level, text.c_str());
}

void XEngineLog::RunLogWrite(int32_t level, const char* text) {
  if (m_recording != nullptr) m_recording->push_back({false, level, XString(text)});
  WriteToRunLog(level, text);
}

void XEngineLog::WriteToRunLog(int32_t level, const char* text) {
  if (m_runLog == nullptr) throw XException("No RunLog set.  Cannot log.", 0);
  m_runLog->Write(level, text);
}

void XEngineLog::Replay(const std::vector<Line>& lines) {
  for (const Line& line : lines) {
    if (line.extract) {
      ExtractLogWrite(line.level, line.text.c_str());
    } else {
      RunLogWrite(line.level, line.text.c_str());
    }
  }
}

void XEngineLog::RunLogWriteFormat(int32_t level, const char* format, ...) {
  va_list args;
  va_start(args, format);
  XString text = FormatText(format, args);
  va_end(args);
  RunLogWrite(level, text.c_str());
}

void XEngineLog::Error(int32_t level, const char* text) {
  XString message(text);
  try {
    WriteToExtractLog(level, message.c_str());
  } catch (const XLogRaisedException&) {
    // The log raised the same text; the error below carries it as every error does.
  }
  throw XException(message, 0);
}

void XEngineLog::ErrorFormat(int32_t level, const char* format, ...) {
  va_list args;
  va_start(args, format);
  XString text = FormatText(format, args);
  va_end(args);
  Error(level, text.c_str());
}
