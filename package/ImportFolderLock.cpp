#include "package/ImportFolderLock.h"

#include <string>

#include "foundation/XDateTime.h"
#include "foundation/XException.h"
#include "os/OsExclusiveFiles.h"
#include "os/OsFiles.h"
#include "os/OsSystem.h"
#include "os/OsTime.h"

namespace {

constexpr unsigned kRetryMs = 250;

// The holder's lines: "Process: <n>" and "Started: <time>".
XString Field(const std::string& content, const char* name, const char* unknown) {
  const std::string key = std::string(name) + ": ";
  size_t at = content.find(key);
  if (at == std::string::npos) return XString(unknown);
  at += key.size();
  size_t end = content.find_first_of("\r\n", at);
  return XString(content.substr(at, end == std::string::npos ? std::string::npos : end - at).c_str());
}

// The other run's start time and process, from its lock file.
void ReadHolder(const std::string& path, XString& started, XString& process) {
  std::string holder;
  os::ReadLockFile(path, holder);
  started = Field(holder, "Started", "at an unknown time");
  process = Field(holder, "Process", "unknown");
}

}  // namespace

int ImportFolderLock::WaitSeconds(XString* warning) {
  if (warning != nullptr) *warning = XString();
  const std::string text = os::GetEnv("QV_LOCK_WAIT_SECONDS");
  if (text.empty()) return kDefaultWaitSeconds;
  // Digits with an optional sign; a long row of digits is only a large number.
  size_t at = text[0] == '-' || text[0] == '+' ? 1 : 0;
  bool number = at < text.size();
  long long value = 0;
  for (; at < text.size(); ++at) {
    if (text[at] < '0' || text[at] > '9') {
      number = false;
      break;
    }
    if (value <= kMaxWaitSeconds) value = value * 10 + (text[at] - '0');
  }
  if (number && text[0] == '-') value = -value;
  int seconds = !number ? kDefaultWaitSeconds
                : value < 0 ? 0
                : value > kMaxWaitSeconds ? kMaxWaitSeconds
                                          : static_cast<int>(value);
  if (warning != nullptr && (!number || seconds != value)) {
    warning->Format(static_cast<uint32_t>(text.size() + 160),
                    "QV_LOCK_WAIT_SECONDS \"%s\" is not a number of seconds from 0 to %d; %s, %d is used.",
                    text.c_str(), kMaxWaitSeconds, number ? "clamped" : "refused", seconds);
  }
  return seconds;
}

void ImportFolderLock::Take(const XFileSpec& folder, const XString& baseName, const WaitObserver& waiting) {
  if (IsHeld()) return;
  XFileSpec file = XFileSpec::Folder(folder.c_str());
  file.SetFileName((baseName + "Run.lock").c_str());
  const std::string path = file.Path().ToStd();
  const std::string content = "Process: " + std::to_string(os::CurrentProcessId()) + "\r\nStarted: " +
                              XDateTime::Now().Format("YYYY-MM-DD HH:NN:SS").ToStd() + "\r\n";
  const int waitSeconds = WaitSeconds();
  const int attempts = waitSeconds * 1000 / static_cast<int>(kRetryMs) + 1;
  for (int attempt = 1;; ++attempt) {
    os::FileHandle handle = os::kInvalidFile;
    os::LockResult result = os::TakeFileLock(path, content, handle);
    if (result == os::LockResult::kTaken) {
      m_file = file;
      m_handle = handle;
      return;
    }
    if (result == os::LockResult::kFailed) {
      int error = os::LastError();
      const os::EntryKind kind = os::KindOfEntry(path);
      const std::string found = kind == os::EntryKind::kNone || kind == os::EntryKind::kFile
                                    ? std::string()
                                    : std::string(" (") + os::EntryKindText(kind) + " is at that name)";
      throw XException::Format(error, "Could not lock the import folder ( %d ): %s%s", error, file.c_str(),
                               found.c_str());
    }
    if (attempt >= attempts) break;
    if (waiting) {
      XString started, process;
      ReadHolder(path, started, process);
      waiting(started, process);
    }
    os::SleepMilliseconds(kRetryMs);
  }
  XString started, process;
  ReadHolder(path, started, process);
  throw XException::Format(0,
                           "Another run is writing into the import folder %s: it started %s (process %s); "
                           "this run waited %d seconds for it to end.",
                           folder.c_str(), started.c_str(), process.c_str(), waitSeconds);
}

void ImportFolderLock::Release() {
  if (!IsHeld()) return;
  os::ReleaseFileLock(m_handle, m_file.Path().ToStd());
  m_handle = -1;
}
