// Setting up and checking schools without the window, for servers that have none and for
// districts that script a roll-out: the verbs --schools, --add-school, --remove-school, --list
// and --check, the district schedule's --schedule and --unschedule (app/ScheduleVerbs.h), and
// the district's view of its nights from the run history, --status and --report.
// They are long options, which can never be taken for the one-letter options of a batch run
// (those follow a single switch character).
//
// Each verb reads the connection options of a batch run (-d, -u, -w or -z, defaulting to the
// stored preferences as a run does), prints its result on standard output and its errors on
// standard error, and ends with an exit code below.
#pragma once

#include <cstdio>

#include "app/CommandLine.h"
#include "foundation/XString.h"

class SetupVerbs {
 public:
  static constexpr int kOk = 0;
  static constexpr int kFailed = 1;     // the verb failed; --check: the SIS cannot be reached
  static constexpr int kEndsEarly = 2;  // --check: a run would end early
  // --status answers RunStatus::ExitCode: 0 all good, 1 a school failed, 2 one needs a look.
  static constexpr int kUsage = 64;     // an unknown verb or a missing option

  // The verb of the line: its first token when that is a long option ("--schools", ...; an
  // unknown one gives an empty text), or null when the line is a batch run.
  static const char* VerbOf(const CommandLine& line);
  // Performs the verb with an application object of its own, which logs to
  // "QvMeridaneSetupLog.txt" beside the run log so that the last run's log stays.
  static int Run(const CommandLine& line, std::FILE* out, std::FILE* err);
  // The verbs' part of the usage text.
  static XString HelpText();
};
