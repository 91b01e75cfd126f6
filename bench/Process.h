// Running a program as a measured child process: wall time from fork to exit, CPU time (user
// and system) and peak resident memory from the kernel's accounting of the child, as a harness
// that starts the program would see them.
#pragma once

#include <sys/resource.h>

#include <string>
#include <vector>

namespace bench {

// What one measured run cost. `ok` is false when the program could not start, was killed or
// exited with a status other than 0; `error` then says which.
struct Measured {
  bool ok = false;
  double seconds = 0;
  double cpuSeconds = 0;
  long peakKb = 0;
  std::string error;
};

// A program to start: its arguments (argv[0] looked up in PATH), where its standard streams
// go, and NAME=VALUE pairs set in its environment on top of this process's.
struct Launch {
  std::vector<std::string> argv;
  std::string in = "/dev/null";
  std::string out = "/dev/null";
  std::string err = "/dev/null";
  std::vector<std::string> env;
};

// User plus system seconds of a resource usage.
double CpuSeconds(const struct rusage& usage);

// Runs the program and waits for it alone (wait4 on its process id).
Measured Run(const Launch& launch);

// Makes orphaned descendants of this process its children, so that RunTree can reap and count
// them (a program that leaves daemons behind, as Wine leaves its server).
void BecomeSubreaper();

// Runs the program; the wall time ends when it exits. Then runs `stop` (not measured: it ends
// what the program left running) and reaps every remaining child, adding their CPU time to the
// run's and taking the highest peak of all. Needs BecomeSubreaper, and no other children of
// this process may be running.
Measured RunTree(const Launch& launch, const Launch& stop);

}  // namespace bench
