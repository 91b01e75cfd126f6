// Prints a scheduled task as the scheduler holds it, one "key=value" line per property, for
// scripts that check what the program registered (the window test reads its task back in the
// Wine prefix it runs in).
//
//   qv_taskprobe NAME [ACCOUNT]     exit 0: printed; 1: no such task; 2: the scheduler failed
#include <cstdio>
#include <exception>
#include <string>

#include "os/OsScheduler.h"

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: qv_taskprobe NAME [ACCOUNT]\n");
    return 2;
  }
  os::WeeklyTask task;
  try {
    if (!os::ReadScheduledTask(argv[1], task, argc > 2 ? argv[2] : std::string())) {
      std::printf("missing\n");
      return 1;
    }
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return 2;
  }
  std::printf("application=%s\n", task.application.c_str());
  std::printf("parameters=%s\n", task.parameters.c_str());
  std::printf("workingDirectory=%s\n", task.workingDirectory.c_str());
  std::printf("account=%s\n", task.accountReported ? task.account.c_str() : "(not reported)");
  std::printf("days=%u\n", static_cast<unsigned>(task.days));
  std::printf("time=%02d:%02d\n", task.hour, task.minute);
  std::printf("everyWeeks=%d\n", task.everyWeeks);
  std::printf("triggers=%d\n", task.triggers);
  std::printf("beginDate=%s\n", task.beginDate.c_str());
  return 0;
}
