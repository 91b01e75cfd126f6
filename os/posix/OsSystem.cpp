#include "os/OsSystem.h"

#include <fcntl.h>
#include <pwd.h>
#include <spawn.h>
#include <sys/utsname.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "os/OsFiles.h"
#include "os/OsText.h"

extern char** environ;

namespace os {

std::string OperatingSystemName() {
  static const std::string name = [] {
    utsname info{};
    if (uname(&info) != 0) return std::string("Unknown");
    return std::string(info.sysname);
  }();
  return name;
}

namespace {

std::string FindOnPath(const std::string& program) {
  std::string path = GetEnv("PATH");
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find(':', start);
    if (end == std::string::npos) end = path.size();
    std::string candidate = path.substr(start, end - start) + "/" + program;
    if (access(candidate.c_str(), X_OK) == 0) return candidate;
    start = end + 1;
  }
  return std::string();
}

}  // namespace

int ShellOpen(const std::string& path) {
  std::string utf8 = NarrowToUtf8(path);
  if (access(utf8.c_str(), F_OK) != 0) return 2;  // the shell's "file not found"
  // Without a graphical session (a scheduled or remote run) there is nobody to show a file
  // to, and the opener would fall back to a terminal program that waits on no one.
  if (GetEnv("DISPLAY").empty() && GetEnv("WAYLAND_DISPLAY").empty()) return 31;
  std::string opener = FindOnPath("xdg-open");
  if (opener.empty()) return 31;  // no program associated
  // Detached: a double fork so that the opener is never left as our zombie.
  pid_t child = fork();
  if (child < 0) return 0;
  if (child == 0) {
    if (fork() == 0) {
      setsid();
      // The viewer outlives this process: it must not hold the caller's standard streams (a
      // script reading this program's output would wait for the viewer to be closed).
      int null = open("/dev/null", O_RDWR);
      if (null >= 0) {
        dup2(null, 0);
        dup2(null, 1);
        dup2(null, 2);
        if (null > 2) close(null);
      }
      char* const argv[] = {const_cast<char*>(opener.c_str()), const_cast<char*>(utf8.c_str()),
                            nullptr};
      execve(opener.c_str(), argv, environ);
      _exit(127);
    }
    _exit(0);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return 42;  // above 32 means success, as the Windows shell reports it
}

std::string GetEnv(const std::string& name) {
  const char* value = std::getenv(name.c_str());
  return value ? Utf8ToNarrow(value) : std::string();
}

std::string ExpandEnvironment(const std::string& text) {
  std::string out;
  size_t at = 0;
  while (at < text.size()) {
    size_t open = text.find('%', at);
    size_t close = open == std::string::npos ? std::string::npos : text.find('%', open + 1);
    if (close == std::string::npos) break;
    const std::string name = text.substr(open + 1, close - open - 1);
    const std::string value = name.empty() ? std::string() : GetEnv(name);
    if (value.empty()) {
      // Not a variable: the first % stays and the second may open a name.
      out.append(text, at, open + 1 - at);
      at = open + 1;
      continue;
    }
    out.append(text, at, open - at);
    out += value;
    at = close + 1;
  }
  out.append(text, at, std::string::npos);
  return out;
}

void SetEnv(const std::string& name, const std::string& value) {
  if (value.empty()) {
    ::unsetenv(name.c_str());
  } else {
    ::setenv(name.c_str(), NarrowToUtf8(value).c_str(), 1);
  }
}

std::string ExecutablePath() {
  char buffer[4096];
  ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return std::string();
  return Utf8ToNarrow(std::string(buffer, static_cast<size_t>(n)));
}

std::string AppDataFolder() {
  std::string data = GetEnv("XDG_DATA_HOME");
  if (!data.empty()) return data;
  std::string home = GetEnv("HOME");
  if (home.empty()) {
    if (passwd* pw = getpwuid(geteuid())) home = Utf8ToNarrow(pw->pw_dir);
  }
  return home + "/.local/share";
}

std::string UserName() {
  if (passwd* pw = getpwuid(geteuid())) return Utf8ToNarrow(pw->pw_name);
  return GetEnv("USER");
}

std::string LogonDomain() { return std::string(); }

int LastError() { return errno; }

void SetSystemError(int error) { errno = error; }

std::string ErrorMessage(int code) { return Utf8ToNarrow(std::strerror(code)); }

}  // namespace os

namespace os {

std::string RawCommandLine() { return std::string(); }

std::u16string RawCommandLineWide() { return std::u16string(); }

}  // namespace os

namespace os {

bool ReadSecretLine(std::string& line) {
  line.clear();
  termios saved{};
  const bool terminal = isatty(STDIN_FILENO) && tcgetattr(STDIN_FILENO, &saved) == 0;
  if (terminal) {
    termios quiet = saved;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
  }
  std::string utf8;
  bool any = false;
  char c = 0;
  while (::read(STDIN_FILENO, &c, 1) == 1) {
    any = true;
    if (c == '\n') break;
    if (c != '\r') utf8 += c;
  }
  if (terminal) tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
  line = Utf8ToNarrow(utf8);
  return any;
}

}  // namespace os
