// Faults on purpose: a table of file calls (OsFileCalls.h) that fails chosen calls the way a
// full disk, a failing drive or a lost network share would, so that tests can show what the
// program does then. Production runs never arm it and pay nothing for it.
//
// For one process, the environment arms it before the first file call:
//   QV_FAULT=<kind>:<N>[,<kind>:<N>...]   fails the N-th call of that kind (counted from the
//     start of the process) with the kind's own error; kinds: open, write, sync, close,
//     rename, delete, mkdir, odbc (an ODBC call of the data layer, which then reports
//     SQL_ERROR with a diagnostic of a lost link). Each failure is reported on the standard error output as
//     "QV_FAULT: <kind> call <N> failed: <path>".
//   QV_CRASH_AFTER_WRITES=<N>   the N-th write writes only the first half of its bytes and the
//     process is killed at once, as a power cut or a kill would leave it.
#pragma once

#include <cstdint>
#include <string>

#include "os/OsFileCalls.h"

namespace os {

// "write", "sync", ... as QV_FAULT spells the kind.
const char* FaultKindName(FaultKind kind);
bool FaultKindFromName(const std::string& name, FaultKind& kind);

// The error a failing call of the kind reports when none is chosen: no space for a write,
// access denied for an open, an I/O error for the others (an ODBC call has no system error:
// the I/O error stands for it).
int DefaultFaultError(FaultKind kind);

// The plan of one test: while it lives, the file calls go through the fault table; each call is
// counted, and the calls armed fail (the system is not called) with their error. One plan at
// a time; the process's own calls are the system's again when it ends.
class FaultPlan {
 public:
  FaultPlan();
  ~FaultPlan();
  FaultPlan(const FaultPlan&) = delete;
  FaultPlan& operator=(const FaultPlan&) = delete;

  // Fails the `nth` call of the kind from now on (1: the next one), once.
  void FailNth(FaultKind kind, int64_t nth, int error = 0);
  // Fails every call of the kind on a path that contains `part`: for the calls on an open file
  // (write, sync, close), the path it was opened under while the plan was in place; for a
  // move, either of its paths.
  void FailPath(FaultKind kind, const std::string& part, int error = 0);
  // Calls of the kind made since the plan began, failed ones included.
  int64_t Calls(FaultKind kind) const;
  // Calls that the plan failed.
  int64_t Failures() const;
};

// Reads QV_FAULT and QV_CRASH_AFTER_WRITES; true when they armed a fault (the caller then puts
// FaultFileCalls() in use). A text it cannot read is reported on the standard error output
// and arms nothing.
bool ArmFaultsFromEnvironment();

// The fault table itself.
const FileCalls& FaultFileCalls();

// Kills the process at once, as a power cut would end it (exit code 137 where it shows).
[[noreturn]] void CrashNow();

}  // namespace os
