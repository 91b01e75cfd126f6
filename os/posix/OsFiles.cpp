// POSIX files and folders. Names are converted from the code page to UTF-8 here, at the
// file-system boundary, exactly: a path the conversion cannot carry fails with EILSEQ rather
// than reaching some other file.
//
// The import folder may be writable by others, so nothing here follows a symbolic link that
// sits where the program writes or deletes: files are opened for writing with O_NOFOLLOW, and
// removing a folder tree removes a link found in it (or at its top) as a link.
#include "os/OsFiles.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "os/OsFileCalls.h"
#include "os/OsText.h"

namespace os {
namespace {

// The file-system name of a path; empty (and errno EILSEQ) when the code page text has a byte
// that stands for no character. An empty name fails every call it is given to.
std::string Native(const std::string& path) {
  std::string utf8;
  if (NarrowToUtf8Exact(path, utf8)) return utf8;
  errno = EILSEQ;
  return std::string();
}

// Calls `call` with the native name; EILSEQ when there is none.
template <typename Call>
auto WithNative(const std::string& path, Call call) -> decltype(call("")) {
  std::string native = Native(path);
  if (native.empty() && !path.empty()) {
    errno = EILSEQ;
    return decltype(call(""))(-1);
  }
  return call(native.c_str());
}

}  // namespace

bool IsAbsolutePath(const std::string& path) { return !path.empty() && path[0] == '/'; }

std::string VolumeOf(const std::string& path) { return IsAbsolutePath(path) ? "/" : ""; }

FileHandle sys::OpenFile(const std::string& path, unsigned mode) {
  int flags = O_CLOEXEC;
  bool read = (mode & kOpenRead) != 0;
  bool write = (mode & (kOpenWrite | kOpenAppend | kOpenAppendEach)) != 0;
  flags |= read && write ? O_RDWR : write ? O_WRONLY : O_RDONLY;
  if (mode & kOpenAppendEach) flags |= O_APPEND;
  if (mode == kOpenWrite) {
    flags |= O_CREAT | O_TRUNC;
  } else if (write) {
    flags |= O_CREAT;
  }
  // A link where a file is written would send the bytes wherever it points.
  if (write) flags |= O_NOFOLLOW;
  int fd = WithNative(path, [&](const char* name) { return ::open(name, flags, 0666); });
  if (fd < 0) return kInvalidFile;
  struct stat st{};
  if (fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(fd);
    errno = EISDIR;
    return kInvalidFile;
  }
  if (mode & kOpenAppend) ::lseek(fd, 0, SEEK_END);
  return fd;
}

bool sys::CloseFile(FileHandle file) { return ::close(static_cast<int>(file)) == 0; }

int64_t ReadFile(FileHandle file, void* buffer, size_t count) {
  for (;;) {
    ssize_t n = ::read(static_cast<int>(file), buffer, count);
    if (n < 0 && errno == EINTR) continue;
    return n;
  }
}

bool sys::WriteFile(FileHandle file, const void* data, size_t count) {
  const char* p = static_cast<const char*>(data);
  while (count > 0) {
    ssize_t n = ::write(static_cast<int>(file), p, count);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += n;
    count -= static_cast<size_t>(n);
  }
  return true;
}

bool SeekFile(FileHandle file, int64_t offset, int whence) {
  int w = whence == 0 ? SEEK_SET : whence == 1 ? SEEK_CUR : SEEK_END;
  return ::lseek(static_cast<int>(file), offset, w) >= 0;
}

int64_t FilePosition(FileHandle file) { return ::lseek(static_cast<int>(file), 0, SEEK_CUR); }

bool sys::FlushFile(FileHandle file) { return ::fsync(static_cast<int>(file)) == 0; }

bool PathExists(const std::string& path) {
  struct stat st{};
  return WithNative(path, [&](const char* name) { return ::stat(name, &st); }) == 0;
}

bool IsDirectory(const std::string& path) {
  struct stat st{};
  return WithNative(path, [&](const char* name) { return ::stat(name, &st); }) == 0 && S_ISDIR(st.st_mode);
}

bool IsLink(const std::string& path) {
  struct stat st{};
  return WithNative(path, [&](const char* name) { return ::lstat(name, &st); }) == 0 && S_ISLNK(st.st_mode);
}

bool sys::DeleteFilePath(const std::string& path) {
  return WithNative(path, [](const char* name) { return ::unlink(name); }) == 0;
}

bool CopyFilePath(const std::string& from, const std::string& to) {
  int in = WithNative(from, [](const char* name) { return ::open(name, O_RDONLY | O_CLOEXEC); });
  if (in < 0) return false;
  // Opened as every written file is (never through a link), and known to the file calls.
  const FileHandle out = OpenFile(to, kOpenWrite);
  if (out == kInvalidFile) {
    int saved = errno;
    ::close(in);
    errno = saved;
    return false;
  }
  char buffer[65536];
  bool ok = true;
  for (;;) {
    int64_t n = ReadFile(in, buffer, sizeof buffer);
    if (n == 0) break;
    if (n < 0 || !WriteFile(out, buffer, static_cast<size_t>(n))) {
      ok = false;
      break;
    }
  }
  int saved = errno;
  ::close(in);
  if (!CloseFile(out)) ok = false;
  if (!ok) errno = saved;
  return ok;
}

bool sys::CreateOneDirectory(const std::string& path) {
  if (WithNative(path, [](const char* name) { return ::mkdir(name, 0777); }) == 0) return true;
  return errno == EEXIST && IsDirectory(path);
}

bool KeepToOwner(const std::string& path) {
  struct stat st{};
  if (WithNative(path, [&](const char* name) { return ::lstat(name, &st); }) != 0) return false;
  if (S_ISLNK(st.st_mode)) {
    errno = ELOOP;
    return false;
  }
  const mode_t mode = S_ISDIR(st.st_mode) ? 0700 : 0600;
  return WithNative(path, [&](const char* name) { return ::chmod(name, mode); }) == 0;
}

bool RemoveDirectoryTree(const std::string& path) {
  // A link is removed as a link, whatever it points to, and never entered.
  if (IsLink(path)) return DeleteFilePath(path);
  std::vector<std::string> names;
  if (!ListDirectory(path, names)) return false;
  bool ok = true;
  for (const std::string& name : names) {
    std::string child = path + "/" + name;
    struct stat st{};
    if (WithNative(child, [&](const char* n) { return ::lstat(n, &st); }) == 0 && S_ISDIR(st.st_mode)) {
      ok = RemoveDirectoryTree(child) && ok;
    } else {
      ok = DeleteFilePath(child) && ok;
    }
  }
  return WithNative(path, [](const char* name) { return ::rmdir(name); }) == 0 && ok;
}

bool sys::ReplaceFilePath(const std::string& from, const std::string& to) {
  std::string nativeFrom = Native(from), nativeTo = Native(to);
  if (nativeFrom.empty() || nativeTo.empty()) {
    errno = EILSEQ;
    return false;
  }
  if (::rename(nativeFrom.c_str(), nativeTo.c_str()) != 0) return false;
  // The rename is durable only once the folder that holds it is synced.
  std::string folder = to.substr(0, to.find_last_of('/') + 1);
  if (folder.empty()) folder = ".";
  int fd = WithNative(folder, [](const char* name) { return ::open(name, O_RDONLY | O_DIRECTORY | O_CLOEXEC); });
  if (fd >= 0) {
    ::fsync(fd);  // some file systems cannot sync a folder; the rename itself stands
    ::close(fd);
  }
  return true;
}

bool MakeSymbolicLink(const std::string& target, const std::string& link) {
  std::string nativeTarget = Native(target), nativeLink = Native(link);
  if (nativeTarget.empty() || nativeLink.empty()) return false;
  return ::symlink(nativeTarget.c_str(), nativeLink.c_str()) == 0;
}

bool ListDirectory(const std::string& folder, std::vector<std::string>& names) {
  std::string native = Native(folder);
  if (native.empty()) return false;
  DIR* dir = ::opendir(native.c_str());
  if (!dir) return false;
  while (dirent* entry = ::readdir(dir)) {
    if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
    // A name the code page cannot hold could only be passed on as some other name.
    std::string name;
    if (Utf8ToNarrowExact(entry->d_name, name)) names.push_back(name);
  }
  ::closedir(dir);
  return true;
}

EntryKind KindOfEntry(const std::string& path) {
  struct stat st{};
  if (WithNative(path, [&](const char* name) { return ::lstat(name, &st); }) != 0) return EntryKind::kNone;
  if (S_ISREG(st.st_mode)) return EntryKind::kFile;
  if (S_ISDIR(st.st_mode)) return EntryKind::kFolder;
  if (S_ISLNK(st.st_mode)) return EntryKind::kLink;
  return EntryKind::kOther;
}

}  // namespace os
