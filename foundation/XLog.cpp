#include "foundation/XLog.h"

#include <cstdio>
#include <string>

#include "foundation/XFileSpec.h"
#include "os/Os.h"

const char* LogLevelName(int32_t level) {
  static const char* const kNames[] = {"Proprietary", "Verbose Debug", "Debug", "Info",
                                       "Progress",    "Note",          "Warning", "Error",
                                       "Fatal",       "None"};
  if (level < 0 || level > kLogNone) return "Unknown";
  return kNames[level];
}

XLog::XLog(int32_t writeLevel) : m_writeLevel(writeLevel) {}

XLog::~XLog() = default;

void XLog::Begin() { End(); }

void XLog::End() {}

void XLog::Write(int32_t level, const char* message) {
  if (message == nullptr) message = "";
  if (level == kLogWarning) ++m_warnings;
  if (level >= m_writeLevel) Emit(level, message);
  if (level >= m_throwLevel) throw XLogRaisedException(message);
}

void XLog::WriteFormat(int32_t level, const char* format, ...) {
  va_list args;
  va_start(args, format);
  try {
    WriteFormatList(level, format, args);
  } catch (...) {
    va_end(args);
    throw;
  }
  va_end(args);
}

void XLog::WriteFormatList(int32_t level, const char* format, va_list args) {
  // A buffer per call rather than one per process, so that a log written from inside another
  // log's formatting cannot clobber it.
  char buffer[kMaxMessage + 1];
  std::vsnprintf(buffer, sizeof buffer, format, args);
  Write(level, buffer);
}

namespace {

// FNV-1a over the text: small, stable across builds and platforms.
uint64_t Hash(uint64_t hash, const std::string& text) {
  for (unsigned char c : text) {
    hash ^= c;
    hash *= 0x100000001b3ULL;
  }
  return hash;
}

std::string Trimmed(const std::string& text) {
  size_t start = text.find_first_not_of(" \t\r\n");
  if (start == std::string::npos) return std::string();
  size_t end = text.find_last_not_of(" \t\r\n");
  return text.substr(start, end - start + 1);
}

std::string ReadSmallFile(const std::string& path) {
  std::string content;
  os::FileHandle file = os::OpenFile(path, os::kOpenRead);
  if (file == os::kInvalidFile) return content;
  char buffer[256];
  for (;;) {
    int64_t n = os::ReadFile(file, buffer, sizeof buffer);
    if (n <= 0 || content.size() > 4096) break;
    content.append(buffer, static_cast<size_t>(n));
  }
  os::CloseFile(file);
  return content;
}

}  // namespace

XString XLog::ProprietaryKey(const char* version) {
  // The key changes with every version, so a marker file handed out for one release does not
  // unlock the SQL-level detail of the next.
  std::string seed = std::string("QvLogLevel/") + (version ? version : "") + "/Proprietary";
  uint64_t first = Hash(0xcbf29ce484222325ULL, seed);
  uint64_t second = Hash(first ^ 0x9e3779b97f4a7c15ULL, seed + "/check");
  char text[40];
  std::snprintf(text, sizeof text, "%04X-%04X-%04X-%04X-%04X", static_cast<unsigned>(first >> 48),
                static_cast<unsigned>((first >> 32) & 0xffff),
                static_cast<unsigned>((first >> 16) & 0xffff), static_cast<unsigned>(first & 0xffff),
                static_cast<unsigned>(second & 0xffff));
  return XString(text);
}

int32_t XLog::SetWriteLevelFromFiles(const XString& folder, const char* version) {
  Write(kLogInfo, "Setting Log Level from File.");
  XFileSpec base = XFileSpec::Folder(folder.c_str());
  auto marker = [&](const char* name) {
    XFileSpec spec = base;
    spec.AppendName(name);
    return spec;
  };
  int32_t level = -1;
  XFileSpec proprietary = marker("proprietary.txt");
  if (proprietary.Exists()) {
    if (Trimmed(ReadSmallFile(proprietary.Path().ToStd())) == ProprietaryKey(version).ToStd()) {
      level = kLogProprietary;
    } else {
      Write(kLogInfo,
            "Key match failed for proprietary.txt, so will not set Proprietary Logging.  Please "
            "update to the correct proprietary.txt for this version or remove the current "
            "proprietary.txt file.");
    }
  }
  if (level < 0) {
    if (marker("verbosedebug.txt").Exists()) {
      level = kLogVerboseDebug;
    } else if (marker("debug.txt").Exists()) {
      level = kLogDebug;
    } else if (marker("quiet.txt").Exists()) {
      level = kLogNone;
    } else {
      level = kLogInfo;
    }
  }
  SetWriteLevel(level);
  WriteFormat(kLogInfo, "WriteLevel Changed to: %d", static_cast<int>(level));
  return level;
}
