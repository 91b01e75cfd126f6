#include "foundation/XLogFile.h"

#include <cstdio>
#include <string>

#include "foundation/XDateTime.h"
#include "foundation/XFile.h"
#include "os/Os.h"

XLogFile::XLogFile(const XString& title, int32_t writeLevel) : XLog(writeLevel), m_title(title) {}

XLogFile::XLogFile(const XString& title, const XFileSpec& path, int32_t writeLevel)
    : XLog(writeLevel), m_title(title), m_path(path) {}

XLogFile::~XLogFile() = default;

void XLogFile::Begin() {
  End();
  if (!HasFile()) return;
  XString header = m_title;
  header += "\r\n";
  header += XDateTime::Now().Format("WWW, MMM DD, YYYY: HH:NN:SS AA");
  header += "\r\n";
  header += "OS: ";
  header += os::OperatingSystemName().c_str();
  header += "\r\n\r\n";
  XFile file;
  file.Open(m_path, XFile::kWrite);
  file.Write(header);
  file.Close();
}

// The file is open only while a line is written, so there is nothing to finish.
void XLogFile::End() {}

void XLogFile::Emit(int32_t level, const char* message) {
  if (!HasFile()) {
    if (level == kLogNote) {
      std::printf("%s\n", message);
    } else {
      std::printf("[%-7s] %s\n", LogLevelName(level), message);
    }
    std::fflush(stdout);
    return;
  }
  // One write per line, so that the line and its end reach the file together.
  std::string line(message);
  line += "\r\n";
  XFile file;
  file.Open(m_path, XFile::kWrite | XFile::kAppend);
  file.Write(line.data(), static_cast<uint32_t>(line.size()));
  file.Close();
}
