#include "os/OsFaults.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#endif

#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <vector>

#include "os/OsSystem.h"

namespace os {
namespace {

struct Rule {
  FaultKind kind = FaultKind::kWrite;
  int64_t at = 0;    // the call count that fails; 0: every call on a matching path
  std::string part;  // for a path rule
  int error = 0;
  bool crash = false;  // a write that tears and kills the process
};

struct State {
  std::mutex mutex;
  std::vector<Rule> rules;
  int64_t calls[kFaultKinds] = {};
  int64_t failures = 0;
  bool report = false;                    // armed by the environment: say what failed
  std::map<FileHandle, std::string> open;  // the path each file was opened under
};

State& Faults() {
  static State* state = new State;  // never destroyed: calls may come during the process's exit
  return *state;
}

enum class Outcome { kPass, kFail, kCrash };

bool Matches(const Rule& rule, const std::string* first, const std::string* second) {
  return (first != nullptr && first->find(rule.part) != std::string::npos) ||
         (second != nullptr && second->find(rule.part) != std::string::npos);
}

// Counts one call of the kind and tells what becomes of it. The error number is set for a
// call that fails.
Outcome Decide(FaultKind kind, const std::string* path, const std::string* other = nullptr,
               const FileHandle* file = nullptr) {
  State& state = Faults();
  std::lock_guard<std::mutex> lock(state.mutex);
  const int64_t call = ++state.calls[static_cast<unsigned>(kind)];
  std::string opened;
  if (file != nullptr) {
    auto found = state.open.find(*file);
    if (found != state.open.end()) {
      opened = found->second;
      path = &opened;
    }
  }
  for (const Rule& rule : state.rules) {
    if (rule.kind != kind) continue;
    if (rule.at != 0 ? rule.at != call : !Matches(rule, path, other)) continue;
    ++state.failures;
    if (state.report) {
      std::fprintf(stderr, "QV_FAULT: %s call %lld failed: %s\n", FaultKindName(kind), static_cast<long long>(call),
                   path != nullptr ? path->c_str() : "");
    }
    if (rule.crash) return Outcome::kCrash;
    SetSystemError(rule.error != 0 ? rule.error : DefaultFaultError(kind));
    return Outcome::kFail;
  }
  return Outcome::kPass;
}

void Remember(FileHandle file, const std::string& path) {
  if (file == kInvalidFile) return;
  State& state = Faults();
  std::lock_guard<std::mutex> lock(state.mutex);
  state.open[file] = path;
}

FileHandle FaultOpen(const std::string& path, unsigned mode) {
  if (Decide(FaultKind::kOpen, &path) != Outcome::kPass) return kInvalidFile;
  FileHandle file = SystemFileCalls().open(path, mode);
  Remember(file, path);
  return file;
}

FileHandle FaultCreateNew(const std::string& path) {
  if (Decide(FaultKind::kOpen, &path) != Outcome::kPass) return kInvalidFile;
  FileHandle file = SystemFileCalls().createNew(path);
  Remember(file, path);
  return file;
}

bool FaultWrite(FileHandle file, const void* data, size_t count) {
  switch (Decide(FaultKind::kWrite, nullptr, nullptr, &file)) {
    case Outcome::kPass:
      return SystemFileCalls().write(file, data, count);
    case Outcome::kFail:
      return false;
    case Outcome::kCrash:
      if (count / 2 > 0) SystemFileCalls().write(file, data, count / 2);
      CrashNow();
  }
  return false;
}

bool FaultFlush(FileHandle file) {
  return Decide(FaultKind::kSync, nullptr, nullptr, &file) == Outcome::kPass && SystemFileCalls().flush(file);
}

bool FaultClose(FileHandle file) {
  // The handle is given up however the call ends: a failing close on a real disk still
  // releases it, and so it does here.
  const bool failed = Decide(FaultKind::kClose, nullptr, nullptr, &file) != Outcome::kPass;
  {
    State& state = Faults();
    std::lock_guard<std::mutex> lock(state.mutex);
    state.open.erase(file);
  }
  if (!failed) return SystemFileCalls().close(file);
  const int error = LastError();
  SystemFileCalls().close(file);
  SetSystemError(error);
  return false;
}

bool FaultReplace(const std::string& from, const std::string& to) {
  return Decide(FaultKind::kRename, &from, &to) == Outcome::kPass && SystemFileCalls().replace(from, to);
}

bool FaultMoveNoReplace(const std::string& from, const std::string& to) {
  return Decide(FaultKind::kRename, &from, &to) == Outcome::kPass && SystemFileCalls().moveNoReplace(from, to);
}

bool FaultRemove(const std::string& path) {
  return Decide(FaultKind::kDelete, &path) == Outcome::kPass && SystemFileCalls().remove(path);
}

bool FaultCreateFolder(const std::string& path) {
  return Decide(FaultKind::kCreateFolder, &path) == Outcome::kPass && SystemFileCalls().createFolder(path);
}

// A call made outside the table. A write that would tear kills the process before it is made:
// the caller's write cannot be cut in half from here.
bool FaultAdmit(FaultKind kind, const char* what) {
  const std::string path = what != nullptr ? what : "";
  switch (Decide(kind, &path)) {
    case Outcome::kPass:
      return true;
    case Outcome::kFail:
      return false;
    case Outcome::kCrash:
      CrashNow();
  }
  return false;
}

const FileCalls kFaultCalls = {FaultOpen,    FaultCreateNew,     FaultWrite,  FaultFlush,        FaultClose,
                               FaultReplace, FaultMoveNoReplace, FaultRemove, FaultCreateFolder, FaultAdmit};

const char* const kKindNames[kFaultKinds] = {"open", "write", "sync", "close", "rename", "delete", "mkdir", "odbc"};

void Arm(const Rule& rule) {
  State& state = Faults();
  std::lock_guard<std::mutex> lock(state.mutex);
  state.rules.push_back(rule);
}

// Only digits, and more than zero.
bool ReadCount(const std::string& text, int64_t& count) {
  if (text.empty() || text.size() > 15 || text.find_first_not_of("0123456789") != std::string::npos) return false;
  count = std::strtoll(text.c_str(), nullptr, 10);
  return count > 0;
}

}  // namespace

const char* FaultKindName(FaultKind kind) { return kKindNames[static_cast<unsigned>(kind)]; }

bool FaultKindFromName(const std::string& name, FaultKind& kind) {
  for (unsigned i = 0; i < kFaultKinds; ++i) {
    if (name == kKindNames[i]) {
      kind = static_cast<FaultKind>(i);
      return true;
    }
  }
  return false;
}

int DefaultFaultError(FaultKind kind) {
#ifdef _WIN32
  switch (kind) {
    case FaultKind::kOpen: return ERROR_ACCESS_DENIED;
    case FaultKind::kWrite: return ERROR_DISK_FULL;
    default: return ERROR_WRITE_FAULT;
  }
#else
  switch (kind) {
    case FaultKind::kOpen: return EACCES;
    case FaultKind::kWrite: return ENOSPC;
    default: return EIO;
  }
#endif
}

FaultPlan::FaultPlan() {
  State& state = Faults();
  {
    std::lock_guard<std::mutex> lock(state.mutex);
    state.rules.clear();
    for (int64_t& calls : state.calls) calls = 0;
    state.failures = 0;
    state.report = false;
  }
  UseFileCalls(&kFaultCalls);
}

FaultPlan::~FaultPlan() {
  UseFileCalls(nullptr);
  State& state = Faults();
  std::lock_guard<std::mutex> lock(state.mutex);
  state.rules.clear();
  state.open.clear();
}

void FaultPlan::FailNth(FaultKind kind, int64_t nth, int error) {
  Rule rule;
  rule.kind = kind;
  rule.at = Calls(kind) + (nth > 0 ? nth : 1);
  rule.error = error;
  Arm(rule);
}

void FaultPlan::FailPath(FaultKind kind, const std::string& part, int error) {
  Rule rule;
  rule.kind = kind;
  rule.part = part;
  rule.error = error;
  Arm(rule);
}

int64_t FaultPlan::Calls(FaultKind kind) const {
  State& state = Faults();
  std::lock_guard<std::mutex> lock(state.mutex);
  return state.calls[static_cast<unsigned>(kind)];
}

int64_t FaultPlan::Failures() const {
  State& state = Faults();
  std::lock_guard<std::mutex> lock(state.mutex);
  return state.failures;
}

bool ArmFaultsFromEnvironment() {
  bool armed = false;
  const char* crash = std::getenv("QV_CRASH_AFTER_WRITES");
  int64_t count = 0;
  if (crash != nullptr && *crash != 0) {
    if (ReadCount(crash, count)) {
      Rule rule;
      rule.at = count;
      rule.crash = true;
      Arm(rule);
      armed = true;
    } else {
      std::fprintf(stderr, "QV_CRASH_AFTER_WRITES: not a count of writes: %s\n", crash);
    }
  }
  const char* faults = std::getenv("QV_FAULT");
  if (faults != nullptr && *faults != 0) {
    std::string text = faults;
    std::vector<Rule> rules;
    bool valid = true;
    for (size_t start = 0; start <= text.size() && valid;) {
      size_t end = text.find(',', start);
      if (end == std::string::npos) end = text.size();
      const std::string item = text.substr(start, end - start);
      const size_t colon = item.find(':');
      Rule rule;
      valid = colon != std::string::npos && FaultKindFromName(item.substr(0, colon), rule.kind) &&
              ReadCount(item.substr(colon + 1), rule.at);
      rules.push_back(rule);
      start = end + 1;
    }
    if (valid) {
      for (const Rule& rule : rules) Arm(rule);
      armed = true;
    } else {
      std::fprintf(stderr, "QV_FAULT: not a list of <kind>:<count>: %s\n", faults);
    }
  }
  if (armed) {
    std::lock_guard<std::mutex> lock(Faults().mutex);
    Faults().report = true;
  }
  return armed;
}

const FileCalls& FaultFileCalls() { return kFaultCalls; }

}  // namespace os
