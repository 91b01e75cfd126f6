// The verbs --schedule and --unschedule: the district schedule from the command line, for a
// server without the window. They read the stored preferences and the site configuration as
// the window's button does and show no dialog: on POSIX the job runs as the invoking user (its
// crontab); on Windows the task runs under the current user, whose password is read as one line
// of standard input (none: an empty password).
#pragma once

#include <cstdio>

class MainWindow;

class ScheduleVerbs {
 public:
  // Exit codes as the other setup verbs: 0 done, 1 failed (the message on `err`).
  static int Schedule(MainWindow& app, std::FILE* out, std::FILE* err);
  static int Unschedule(MainWindow& app, std::FILE* out, std::FILE* err);
};
