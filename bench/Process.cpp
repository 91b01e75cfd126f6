#include "bench/Process.h"

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "bench/BenchSupport.h"

namespace bench {

namespace {

pid_t Start(const Launch& launch) {
  std::vector<char*> args;
  for (const std::string& arg : launch.argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  std::fflush(nullptr);
  const pid_t pid = ::fork();
  if (pid < 0) Die("bench", "fork failed");
  if (pid == 0) {
    // Close-on-exec: the program keeps only its standard streams (dup2 clears the flag there).
    const int in = ::open(launch.in.c_str(), O_RDONLY | O_CLOEXEC);
    const int out = ::open(launch.out.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    const int err = ::open(launch.err.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (in < 0 || out < 0 || err < 0 || args.size() < 2) ::_exit(126);
    ::dup2(in, 0);
    ::dup2(out, 1);
    ::dup2(err, 2);
    for (const std::string& pair : launch.env) ::putenv(const_cast<char*>(pair.c_str()));
    ::execvp(args[0], args.data());
    ::_exit(127);
  }
  return pid;
}

// Waits for one process (or any child, with -1): the process reaped, or -1 when there is none
// left.
pid_t Wait(pid_t pid, int& status, struct rusage& usage) {
  for (;;) {
    const pid_t reaped = ::wait4(pid, &status, 0, &usage);
    if (reaped >= 0 || errno != EINTR) return reaped;
  }
}

void Judge(const Launch& launch, int status, Measured& measured) {
  measured.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  if (measured.ok) return;
  const std::string what = WIFEXITED(status) ? "exit status " + std::to_string(WEXITSTATUS(status))
                                             : "killed by signal " + std::to_string(WTERMSIG(status));
  measured.error = (launch.argv.empty() ? std::string("?") : launch.argv[0]) + ": " + what;
  if (launch.err != "/dev/null") measured.error += " (see " + launch.err + ")";
}

}  // namespace

double CpuSeconds(const struct rusage& usage) {
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

Measured Run(const Launch& launch) {
  const Clock::time_point start = Clock::now();
  const pid_t pid = Start(launch);
  int status = 0;
  struct rusage usage {};
  Measured measured;
  if (Wait(pid, status, usage) < 0) Die("bench", "wait4 failed");
  measured.seconds = Since(start);
  measured.cpuSeconds = CpuSeconds(usage);
  measured.peakKb = usage.ru_maxrss;
  Judge(launch, status, measured);
  return measured;
}

void BecomeSubreaper() {
  if (::prctl(PR_SET_CHILD_SUBREAPER, 1) != 0) Die("bench", "cannot become a child subreaper");
}

Measured RunTree(const Launch& launch, const Launch& stop) {
  const Clock::time_point start = Clock::now();
  const pid_t pid = Start(launch);
  int status = 0;
  struct rusage usage {};
  Measured measured;
  // The program itself first: its exit ends the wall time. Children it left that end earlier
  // are reaped here too and counted.
  for (pid_t reaped = 0; reaped != pid;) {
    int reapedStatus = 0;
    reaped = Wait(-1, reapedStatus, usage);
    if (reaped < 0) Die("bench", "wait4 failed");
    measured.cpuSeconds += CpuSeconds(usage);
    measured.peakKb = std::max(measured.peakKb, usage.ru_maxrss);
    if (reaped == pid) status = reapedStatus;
  }
  measured.seconds = Since(start);
  Judge(launch, status, measured);
  // What the program left running is stopped, then reaped and counted; the stopper is not.
  const pid_t stopper = Start(stop);
  int stopStatus = 0;
  if (Wait(stopper, stopStatus, usage) < 0) Die("bench", "wait4 failed");
  for (int leftStatus = 0; Wait(-1, leftStatus, usage) > 0;) {
    measured.cpuSeconds += CpuSeconds(usage);
    measured.peakKb = std::max(measured.peakKb, usage.ru_maxrss);
  }
  return measured;
}

}  // namespace bench
