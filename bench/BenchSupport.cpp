#include "bench/BenchSupport.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace bench {

double Since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

void Die(const char* program, const std::string& message) {
  std::fprintf(stderr, "%s: %s\n", program, message.c_str());
  std::exit(1);
}

bool WriteAll(int fd, const void* data, size_t size) {
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    ssize_t n = ::write(fd, p, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

bool ReadAll(int fd, void* data, size_t size) {
  char* p = static_cast<char*>(data);
  while (size > 0) {
    ssize_t n = ::read(fd, p, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

std::string ReadToEnd(int fd) {
  std::string text;
  char buffer[4096];
  for (;;) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    text.append(buffer, static_cast<size_t>(n));
  }
  return text;
}

std::string MakeTempFolder(const char* program, const char* prefix) {
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/" + prefix + "-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  if (!::mkdtemp(name.data())) Die(program, "cannot create a temporary folder from " + pattern);
  return name.data();
}

void RegisterDataSource(const char* program, const std::string& ini, const std::string& dsn,
                        const std::string& database, const std::string& extension) {
  std::string text = "[" + dsn + "]\nDriver=SQLite3\nDatabase=" + database + "\nStepAPI=1\n";
  if (!extension.empty()) text += "LoadExt=" + extension + "\n";
  FILE* file = std::fopen(ini.c_str(), "w");
  if (!file || std::fputs(text.c_str(), file) < 0 || std::fclose(file) != 0) Die(program, "cannot write " + ini);
  ::setenv("ODBCINI", ini.c_str(), 1);
}

std::string ExtensionModule() {
#ifdef QV_SISDQS_MODULE
  if (::access(QV_SISDQS_MODULE, R_OK) == 0) return QV_SISDQS_MODULE;
#endif
  return std::string();
}

}  // namespace bench
