#include "os/OsFileCalls.h"

#include <atomic>
#include <mutex>

#include "os/OsExclusiveFiles.h"
#include "os/OsFaults.h"

namespace os {
namespace {

const FileCalls kSystemCalls = {sys::OpenFile,        sys::CreateNewFile,     sys::WriteFile,
                                 sys::FlushFile,       sys::CloseFile,         sys::ReplaceFilePath,
                                 sys::MoveFileNoReplace, sys::DeleteFilePath, sys::CreateOneDirectory,
                                 sys::Admit};

std::atomic<const FileCalls*> g_calls{nullptr};

// The first call of the process: the environment may ask for faults.
const FileCalls& FirstUse() {
  static std::once_flag once;
  std::call_once(once, [] {
    const FileCalls* expected = nullptr;
    const FileCalls* armed = ArmFaultsFromEnvironment() ? &FaultFileCalls() : &SystemFileCalls();
    g_calls.compare_exchange_strong(expected, armed);
  });
  return *g_calls.load(std::memory_order_acquire);
}

}  // namespace

const FileCalls& SystemFileCalls() { return kSystemCalls; }

bool sys::Admit(FaultKind, const char*) { return true; }

bool FileCallsReplaced() { return &CurrentFileCalls() != &kSystemCalls; }

const FileCalls& CurrentFileCalls() {
  const FileCalls* calls = g_calls.load(std::memory_order_acquire);
  return calls != nullptr ? *calls : FirstUse();
}

void UseFileCalls(const FileCalls* calls) {
  // The environment is read first, so that it cannot later replace what a test put in use.
  CurrentFileCalls();
  g_calls.store(calls != nullptr ? calls : &SystemFileCalls(), std::memory_order_release);
}

FileHandle OpenFile(const std::string& path, unsigned mode) { return CurrentFileCalls().open(path, mode); }
FileHandle CreateNewFile(const std::string& path) { return CurrentFileCalls().createNew(path); }
bool WriteFile(FileHandle file, const void* data, size_t count) {
  return CurrentFileCalls().write(file, data, count);
}
bool FlushFile(FileHandle file) { return CurrentFileCalls().flush(file); }
bool CloseFile(FileHandle file) { return CurrentFileCalls().close(file); }
bool ReplaceFilePath(const std::string& from, const std::string& to) {
  return CurrentFileCalls().replace(from, to);
}
bool MoveFileNoReplace(const std::string& from, const std::string& to) {
  return CurrentFileCalls().moveNoReplace(from, to);
}
bool DeleteFilePath(const std::string& path) { return CurrentFileCalls().remove(path); }
bool CreateOneDirectory(const std::string& path) { return CurrentFileCalls().createFolder(path); }

}  // namespace os
