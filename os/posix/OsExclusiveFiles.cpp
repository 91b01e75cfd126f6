#include "os/OsExclusiveFiles.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "os/OsFaults.h"
#include "os/OsText.h"

namespace os {
namespace {

std::string Native(const std::string& path) { return NarrowToUtf8(path); }

// A rename or a new name is durable only once the folder that holds it is synced.
void SyncFolderOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  const std::string folder = slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
  int fd = ::open(Native(folder).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    ::fsync(fd);  // some file systems cannot sync a folder; the move itself stands
    ::close(fd);
  }
}

bool SameFile(int fd, const std::string& path) {
  struct stat opened{}, named{};
  return ::fstat(fd, &opened) == 0 && ::lstat(Native(path).c_str(), &named) == 0 &&
         opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
}

bool IsRegularFile(int fd) {
  struct stat st{};
  return ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
}

bool WriteAll(int fd, const std::string& text) {
  const char* p = text.data();
  size_t left = text.size();
  while (left > 0) {
    ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += n;
    left -= static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

FileHandle sys::CreateNewFile(const std::string& path) {
  int fd = ::open(Native(path).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
  return fd < 0 ? kInvalidFile : fd;
}

bool sys::MoveFileNoReplace(const std::string& from, const std::string& to) {
  const std::string source = Native(from), target = Native(to);
  if (::renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) {
    SyncFolderOf(to);
    return true;
  }
  if (errno != EINVAL && errno != ENOSYS) return false;
  // A file system without the no-replace rename: a hard link fails on a taken name.
  if (::link(source.c_str(), target.c_str()) == 0) {
    ::unlink(source.c_str());
    SyncFolderOf(to);
    return true;
  }
  if (errno == EEXIST) return false;
  // Nor hard links (a FAT or network volume): look, then move.
  struct stat st{};
  if (::lstat(target.c_str(), &st) == 0) {
    errno = EEXIST;
    return false;
  }
  if (::rename(source.c_str(), target.c_str()) != 0) return false;
  SyncFolderOf(to);
  return true;
}

bool IsAlreadyExists(int error) { return error == EEXIST; }

unsigned long CurrentProcessId() { return static_cast<unsigned long>(::getpid()); }

LockResult TakeFileLock(const std::string& path, const std::string& content, FileHandle& handle) {
  handle = kInvalidFile;
  // A holder that releases deletes the file: a lock taken on the file it deleted would lock
  // nothing, so the lock counts only when the name still shows the locked file.
  for (int attempt = 0; attempt < 5; ++attempt) {
    if (!AdmitCall(FaultKind::kOpen, path)) return LockResult::kFailed;
    // Without blocking: a pipe at the name would otherwise hold the run for as long as another
    // process keeps it open. Only a regular file is a lock file.
    int fd = ::open(Native(path).c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0) return LockResult::kFailed;
    if (!IsRegularFile(fd)) {
      ::close(fd);
      errno = EINVAL;
      return LockResult::kFailed;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      int error = errno;
      ::close(fd);
      errno = error;
      return error == EWOULDBLOCK ? LockResult::kBusy : LockResult::kFailed;
    }
    if (!SameFile(fd, path)) {
      ::close(fd);
      continue;
    }
    if (!AdmitCall(FaultKind::kWrite, path) || ::ftruncate(fd, 0) != 0 || !WriteAll(fd, content)) {
      int error = errno;
      ::unlink(Native(path).c_str());
      ::close(fd);
      errno = error;
      return LockResult::kFailed;
    }
    handle = fd;
    return LockResult::kTaken;
  }
  errno = EWOULDBLOCK;
  return LockResult::kBusy;
}

void ReleaseFileLock(FileHandle handle, const std::string& path) {
  if (handle == kInvalidFile) return;
  // Deleted while still locked: the next run creates its own file. A file left behind (the
  // delete failed) is only taken again by the next run.
  if (AdmitCall(FaultKind::kDelete, path)) ::unlink(Native(path).c_str());
  ::close(static_cast<int>(handle));
}

bool ReadLockFile(const std::string& path, std::string& content) {
  content.clear();
  int fd = ::open(Native(path).c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  if (!IsRegularFile(fd)) {
    ::close(fd);
    return false;
  }
  char buffer[512];
  for (;;) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0 || content.size() > 4096) break;
    content.append(buffer, static_cast<size_t>(n));
  }
  ::close(fd);
  return true;
}


void CrashNow() {
  ::kill(::getpid(), SIGKILL);
  std::_Exit(137);
}

}  // namespace os
