#include "os/OsExclusiveFiles.h"

#include <windows.h>

#include <cstdint>
#include <cstdlib>

#include "os/OsFaults.h"
#include "os/OsText.h"

namespace os {
namespace {

std::wstring Wide(const std::string& narrow) {
  std::u16string w = NarrowToWide(narrow);
  return std::wstring(w.begin(), w.end());
}

HANDLE H(FileHandle f) { return reinterpret_cast<HANDLE>(f); }

}  // namespace

FileHandle sys::CreateNewFile(const std::string& path) {
  // CREATE_NEW fails on any entry of the name, a link or junction included.
  HANDLE h = CreateFileW(Wide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                         FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  return h == INVALID_HANDLE_VALUE ? kInvalidFile : reinterpret_cast<FileHandle>(h);
}

bool sys::MoveFileNoReplace(const std::string& from, const std::string& to) {
  // Without MOVEFILE_REPLACE_EXISTING the move fails on a taken name.
  return MoveFileExW(Wide(from).c_str(), Wide(to).c_str(), MOVEFILE_WRITE_THROUGH) != 0;
}

bool IsAlreadyExists(int error) { return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS; }

unsigned long CurrentProcessId() { return GetCurrentProcessId(); }

LockResult TakeFileLock(const std::string& path, const std::string& content, FileHandle& handle) {
  handle = kInvalidFile;
  // Sharing reading only: a second writer is refused while this handle is open. The system
  // closes the handle of a process that ends in any way, and the file goes with it.
  if (!AdmitCall(FaultKind::kOpen, path)) return LockResult::kFailed;
  HANDLE h = CreateFileW(Wide(path).c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, FILE_SHARE_READ, nullptr,
                         OPEN_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    DWORD error = GetLastError();
    // A file being deleted by its last holder refuses access for a moment.
    // A folder at the name refuses access too, but is no holder to wait for.
    const DWORD attributes = GetFileAttributesW(Wide(path).c_str());
    bool busy = error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
                (error == ERROR_ACCESS_DENIED && attributes != INVALID_FILE_ATTRIBUTES &&
                 !(attributes & FILE_ATTRIBUTE_DIRECTORY));
    SetLastError(error);
    return busy ? LockResult::kBusy : LockResult::kFailed;
  }
  DWORD written = 0;
  if (!AdmitCall(FaultKind::kWrite, path) || !SetEndOfFile(h) ||
      !::WriteFile(h, content.data(), static_cast<DWORD>(content.size()), &written, nullptr) ||
      written != content.size()) {
    DWORD error = GetLastError();
    CloseHandle(h);
    SetLastError(error);
    return LockResult::kFailed;
  }
  handle = reinterpret_cast<FileHandle>(h);
  return LockResult::kTaken;
}

void ReleaseFileLock(FileHandle handle, const std::string& path) {
  // Deleted by the close, and by nothing that could be refused: the system deletes the file
  // with its last handle (a delete-on-close handle cannot be told to keep it).
  (void)path;
  if (handle != kInvalidFile) CloseHandle(H(handle));
}

bool ReadLockFile(const std::string& path, std::string& content) {
  content.clear();
  // The holder writes and deletes: a reader must share both.
  HANDLE h = CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  char buffer[512];
  DWORD got = 0;
  while (content.size() <= 4096 && ::ReadFile(h, buffer, sizeof buffer, &got, nullptr) && got > 0) {
    content.append(buffer, got);
  }
  CloseHandle(h);
  return true;
}


void CrashNow() {
  TerminateProcess(GetCurrentProcess(), 137);
  std::_Exit(137);
}

}  // namespace os
