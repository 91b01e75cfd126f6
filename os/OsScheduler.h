// Scheduled tasks: one named task that runs a program or script every week on chosen days at
// a time of day. Windows keeps it in the Task Scheduler (its version 1 interface); POSIX keeps
// it as one line of a user's crontab, marked with the task's name so that it is found again,
// replaced and removed without touching the user's other lines.
//
// Registering fails with SchedulerError, whose text says which step failed and why, in the
// words the program shows to the person who scheduled.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace os {

// What a task runs: a batch file on Windows, a shell script on POSIX.
#ifdef _WIN32
inline constexpr bool kTasksRunBatchFiles = true;
#else
inline constexpr bool kTasksRunBatchFiles = false;
#endif

// Days of the week as a mask: bit 0 Sunday, bit 1 Monday, ... bit 6 Saturday.
inline constexpr uint16_t kMondayToFriday = 62;

struct WeeklyTask {
  std::string application;       // the program or script that runs (a full path)
  std::string parameters;        // its arguments (Windows; the crontab line runs the script alone)
  std::string workingDirectory;  // Windows
  // Windows: the account that runs the task, and its password. POSIX: the user whose crontab
  // holds the line; empty or the effective user's name: the invoking user's own crontab.
  std::string account;
  std::string password;
  uint16_t days = kMondayToFriday;
  int hour = 1;
  int minute = 0;
  // Read back only: the date the trigger begins (YYYY-MM-DD on Windows, empty on POSIX), the
  // weeks between runs and how many triggers the task has.
  std::string beginDate;
  int everyWeeks = 1;
  int triggers = 1;
  // Read back only: false where the scheduler does not report the account (Wine's).
  bool accountReported = true;
};

class SchedulerError : public std::runtime_error {
 public:
  explicit SchedulerError(const std::string& text) : std::runtime_error(text) {}
};

// Creates the task, or when one of that name exists, replaces its application, parameters,
// working folder, triggers and account; the trigger begins today, has no end and does not
// repeat. Throws SchedulerError.
void ScheduleWeeklyTask(const std::string& name, const WeeklyTask& task);

// Removes the task. False when there was none (which is no error); throws SchedulerError when
// the scheduler cannot be reached. `account` names the crontab on POSIX, as in WeeklyTask.
bool DeleteScheduledTask(const std::string& name, const std::string& account = std::string());

// Reads the task back as the scheduler holds it (its first trigger); false when there is none.
bool ReadScheduledTask(const std::string& name, WeeklyTask& task,
                       const std::string& account = std::string());

// Makes a script runnable by its owner alone (POSIX mode 0700); nothing to do on Windows.
bool MakeOwnerOnlyScript(const std::string& path);

}  // namespace os
