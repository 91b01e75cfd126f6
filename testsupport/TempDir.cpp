#include "testsupport/TempDir.h"

#include <atomic>
#include <stdexcept>

#include "os/Os.h"
#include "os/OsExclusiveFiles.h"

namespace testsupport {

TempDir::TempDir() {
  static std::atomic<unsigned> counter{0};
  std::string base = os::GetEnv("QV_TEST_TMP");
  if (base.empty()) base = os::GetEnv("TMPDIR");
  if (base.empty()) base = os::GetEnv("TEMP");
  if (base.empty()) base = os::kPathSeparator == '/' ? "/tmp" : "C:\\windows\\temp";
  while (!base.empty() && (base.back() == '/' || base.back() == '\\')) base.pop_back();
  // The process id keeps test programs that CTest starts in the same millisecond apart: a
  // folder that already exists is accepted by CreateOneDirectory, so two processes must never
  // arrive at one name.
  const std::string prefix =
      base + os::kPathSeparator + "qvtest-" + std::to_string(os::CurrentProcessId()) + "-";
  for (int attempt = 0; attempt < 1000; ++attempt) {
    std::string candidate = prefix + std::to_string(os::TickCount()) + "-" + std::to_string(counter++);
    if (!os::PathExists(candidate) && os::CreateOneDirectory(candidate)) {
      m_path = candidate;
      return;
    }
  }
  throw std::runtime_error("cannot create a temporary folder under " + base);
}

TempDir::~TempDir() {
  if (!m_path.empty()) os::RemoveDirectoryTree(m_path);
}

std::string TempDir::File(const std::string& name) const { return m_path + os::kPathSeparator + name; }

std::string ReadAll(const std::string& path) {
  os::FileHandle f = os::OpenFile(path, os::kOpenRead);
  if (f == os::kInvalidFile) return std::string();
  std::string bytes;
  char buffer[65536];
  for (int64_t n; (n = os::ReadFile(f, buffer, sizeof buffer)) > 0;) bytes.append(buffer, static_cast<size_t>(n));
  os::CloseFile(f);
  return bytes;
}

void WriteAll(const std::string& path, const std::string& bytes) {
  os::FileHandle f = os::OpenFile(path, os::kOpenWrite);
  if (f == os::kInvalidFile) throw std::runtime_error("cannot write " + path);
  os::WriteFile(f, bytes.data(), bytes.size());
  os::CloseFile(f);
}

}  // namespace testsupport
