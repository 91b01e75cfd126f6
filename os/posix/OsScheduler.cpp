#include "os/OsScheduler.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "os/OsShellWord.h"
#include "os/OsSystem.h"
#include "os/OsText.h"

extern char** environ;

namespace os {
namespace {

struct CrontabResult {
  int status = -1;  // exit code, -1 when it could not run
  std::string out;
  std::string err;
};

void ReadAllFrom(int fd, std::string& into) {
  char buffer[4096];
  for (;;) {
    ssize_t n = read(fd, buffer, sizeof buffer);
    if (n > 0) {
      into.append(buffer, static_cast<size_t>(n));
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      break;
    }
  }
}

// Runs `crontab` with the arguments (no shell in between), feeding `input` on its standard
// input. The lists are small, so writing all input before reading any output cannot block.
CrontabResult RunCrontab(const std::string& account, std::vector<std::string> arguments,
                         const std::string& input) {
  if (!account.empty() && account != UserName()) {
    arguments.insert(arguments.begin(), {"-u", NarrowToUtf8(account)});
  }
  arguments.insert(arguments.begin(), "crontab");
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);

  CrontabResult result;
  int in[2], out[2], err[2];
  if (pipe2(in, O_CLOEXEC) != 0) return result;
  if (pipe2(out, O_CLOEXEC) != 0) {
    close(in[0]);
    close(in[1]);
    return result;
  }
  if (pipe2(err, O_CLOEXEC) != 0) {
    for (int fd : {in[0], in[1], out[0], out[1]}) close(fd);
    return result;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in[0], 0);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_adddup2(&actions, err[1], 2);
  pid_t pid = 0;
  const int spawned = posix_spawnp(&pid, "crontab", &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(in[0]);
  close(out[1]);
  close(err[1]);
  if (spawned == 0) {
    size_t written = 0;
    while (written < input.size()) {
      ssize_t n = write(in[1], input.data() + written, input.size() - written);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      written += static_cast<size_t>(n);
    }
  } else {
    result.err = std::strerror(spawned);
  }
  close(in[1]);
  ReadAllFrom(out[0], result.out);
  ReadAllFrom(err[0], result.err);
  close(out[0]);
  close(err[0]);
  if (spawned != 0) return result;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

std::string Trimmed(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
  return text;
}

// The user's crontab as lines; a user without one has none.
std::vector<std::string> ReadCrontab(const std::string& account) {
  CrontabResult listed = RunCrontab(account, {"-l"}, std::string());
  if (listed.status < 0) {
    throw SchedulerError("Error, could not run crontab: " + Utf8ToNarrow(Trimmed(listed.err)));
  }
  std::vector<std::string> lines;
  if (listed.status != 0) {
    if (listed.err.find("no crontab for") != std::string::npos) return lines;
    throw SchedulerError("Error, could not read the crontab: " + Utf8ToNarrow(Trimmed(listed.err)));
  }
  size_t start = 0;
  while (start < listed.out.size()) {
    size_t end = listed.out.find('\n', start);
    if (end == std::string::npos) end = listed.out.size();
    lines.push_back(listed.out.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

void WriteCrontab(const std::string& account, const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  CrontabResult written = RunCrontab(account, {"-"}, text);
  if (written.status != 0) {
    throw SchedulerError("Error, could not write the crontab: " + Utf8ToNarrow(Trimmed(written.err)));
  }
}

// cron hands the command to sh, but first turns every unescaped percent sign into a line end.
std::string EscapePercent(const std::string& text) {
  std::string escaped;
  for (char c : text) {
    if (c == '%') escaped += '\\';
    escaped += c;
  }
  return escaped;
}

// The comment that marks the task's line: the rest of the line after the command.
std::string Marker(const std::string& name) { return " # " + EscapePercent(NarrowToUtf8(name)); }

bool IsTaskLine(const std::string& line, const std::string& marker) {
  return line.size() >= marker.size() &&
         line.compare(line.size() - marker.size(), marker.size(), marker) == 0 && line[0] != '#';
}

// Day mask to cron's day-of-week field, runs of days as ranges ("1-5").
std::string DayField(uint16_t days) {
  std::string field;
  for (int day = 0; day < 7;) {
    if (!(days & (1u << day))) {
      ++day;
      continue;
    }
    int last = day;
    while (last + 1 < 7 && (days & (1u << (last + 1)))) ++last;
    if (!field.empty()) field += ',';
    field += std::to_string(day);
    if (last > day) field += (last == day + 1 ? "," : "-") + std::to_string(last);
    day = last + 1;
  }
  return field.empty() ? "*" : field;
}

uint16_t DayMask(const std::string& field) {
  if (field == "*") return 127;
  uint16_t mask = 0;
  size_t at = 0;
  while (at < field.size()) {
    size_t end = field.find(',', at);
    if (end == std::string::npos) end = field.size();
    const std::string part = field.substr(at, end - at);
    const size_t dash = part.find('-');
    const int first = std::atoi(part.c_str());
    const int last = dash == std::string::npos ? first : std::atoi(part.c_str() + dash + 1);
    for (int day = first; day <= last && day <= 7; ++day) mask |= 1u << (day % 7);
    at = end + 1;
  }
  return mask;
}

}  // namespace

void ScheduleWeeklyTask(const std::string& name, const WeeklyTask& task) {
  const std::string marker = Marker(name);
  std::vector<std::string> lines;
  for (std::string& line : ReadCrontab(task.account)) {
    if (!IsTaskLine(line, marker)) lines.push_back(std::move(line));
  }
  lines.push_back(std::to_string(task.minute) + " " + std::to_string(task.hour) + " * * " +
                  DayField(task.days) + " " +
                  EscapePercent(ShellQuoted(NarrowToUtf8(task.application))) + marker);
  WriteCrontab(task.account, lines);
}

bool DeleteScheduledTask(const std::string& name, const std::string& account) {
  const std::string marker = Marker(name);
  std::vector<std::string> lines;
  bool found = false;
  for (std::string& line : ReadCrontab(account)) {
    if (IsTaskLine(line, marker)) {
      found = true;
    } else {
      lines.push_back(std::move(line));
    }
  }
  if (found) WriteCrontab(account, lines);
  return found;
}

bool ReadScheduledTask(const std::string& name, WeeklyTask& task, const std::string& account) {
  const std::string marker = Marker(name);
  for (const std::string& line : ReadCrontab(account)) {
    if (!IsTaskLine(line, marker)) continue;
    // minute hour day-of-month month day-of-week command
    std::vector<std::string> fields;
    size_t at = 0;
    while (fields.size() < 5 && at < line.size()) {
      size_t end = line.find(' ', at);
      if (end == std::string::npos) end = line.size();
      fields.push_back(line.substr(at, end - at));
      at = end + 1;
    }
    if (fields.size() < 5) return false;
    task = WeeklyTask();
    task.minute = std::atoi(fields[0].c_str());
    task.hour = std::atoi(fields[1].c_str());
    task.days = DayMask(fields[4]);
    task.application = Utf8ToNarrow(line.substr(at, line.size() - marker.size() - at));
    task.account = account.empty() ? UserName() : account;
    return true;
  }
  return false;
}

bool MakeOwnerOnlyScript(const std::string& path) {
  return chmod(NarrowToUtf8(path).c_str(), S_IRWXU) == 0;
}

}  // namespace os
