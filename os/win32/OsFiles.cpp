#include "os/OsFiles.h"

#include <windows.h>

#include "os/OsFileCalls.h"
#include "os/OsText.h"

namespace os {
namespace {

std::wstring Wide(const std::string& narrow) {
  std::u16string w = NarrowToWide(narrow);
  return std::wstring(w.begin(), w.end());
}

HANDLE H(FileHandle f) { return reinterpret_cast<HANDLE>(f); }

bool IsReparsePoint(DWORD attributes) {
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

}  // namespace

bool IsAbsolutePath(const std::string& path) {
  if (path.size() >= 3 && path[1] == ':' && (path[2] == '\\' || path[2] == '/')) return true;
  return path.size() >= 2 && (path[0] == '\\' || path[0] == '/') && (path[1] == '\\' || path[1] == '/');
}

std::string VolumeOf(const std::string& path) {
  if (path.size() >= 3 && path[1] == ':') return path.substr(0, 2) + "\\";
  if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') {
    size_t server = path.find('\\', 2);
    if (server == std::string::npos) return path + "\\";
    size_t share = path.find('\\', server + 1);
    return share == std::string::npos ? path + "\\" : path.substr(0, share + 1);
  }
  return std::string();
}

FileHandle sys::OpenFile(const std::string& path, unsigned mode) {
  DWORD access = 0;
  if (mode & kOpenRead) access |= GENERIC_READ;
  if (mode & (kOpenWrite | kOpenAppend)) access |= GENERIC_WRITE;
  // Append-only access makes the system put every write at the end, whoever else appends.
  if (mode & kOpenAppendEach) access |= FILE_APPEND_DATA | SYNCHRONIZE;
  const bool write = (mode & (kOpenWrite | kOpenAppend | kOpenAppendEach)) != 0;
  DWORD disposition = mode == kOpenWrite ? CREATE_ALWAYS : write ? OPEN_ALWAYS : OPEN_EXISTING;
  const DWORD share = (mode & kOpenAppendEach) ? FILE_SHARE_READ | FILE_SHARE_WRITE : FILE_SHARE_READ;
  const std::wstring name = Wide(path);
  // A symbolic link or junction where a file is written would send the bytes wherever it
  // points: the file is opened as the reparse point itself and refused when it is one.
  if (write && IsReparsePoint(GetFileAttributesW(name.c_str()))) {
    SetLastError(ERROR_CANT_ACCESS_FILE);
    return kInvalidFile;
  }
  const DWORD flags = FILE_ATTRIBUTE_NORMAL | (write ? FILE_FLAG_OPEN_REPARSE_POINT : 0);
  HANDLE h = CreateFileW(name.c_str(), access, share, nullptr, disposition, flags, nullptr);
  if (h == INVALID_HANDLE_VALUE) return kInvalidFile;
  BY_HANDLE_FILE_INFORMATION info{};
  if (write && GetFileInformationByHandle(h, &info) && IsReparsePoint(info.dwFileAttributes)) {
    CloseHandle(h);
    SetLastError(ERROR_CANT_ACCESS_FILE);
    return kInvalidFile;
  }
  if (mode & kOpenAppend) SetFilePointer(h, 0, nullptr, FILE_END);
  return reinterpret_cast<FileHandle>(h);
}

bool sys::CloseFile(FileHandle file) { return CloseHandle(H(file)) != 0; }

int64_t ReadFile(FileHandle file, void* buffer, size_t count) {
  DWORD got = 0;
  if (!::ReadFile(H(file), buffer, static_cast<DWORD>(count), &got, nullptr)) return -1;
  return got;
}

bool sys::WriteFile(FileHandle file, const void* data, size_t count) {
  const char* p = static_cast<const char*>(data);
  while (count > 0) {
    DWORD written = 0;
    if (!::WriteFile(H(file), p, static_cast<DWORD>(count), &written, nullptr)) return false;
    p += written;
    count -= written;
  }
  return true;
}

bool SeekFile(FileHandle file, int64_t offset, int whence) {
  LARGE_INTEGER distance;
  distance.QuadPart = offset;
  DWORD method = whence == 0 ? FILE_BEGIN : whence == 1 ? FILE_CURRENT : FILE_END;
  return SetFilePointerEx(H(file), distance, nullptr, method) != 0;
}

int64_t FilePosition(FileHandle file) {
  LARGE_INTEGER zero{}, pos{};
  if (!SetFilePointerEx(H(file), zero, &pos, FILE_CURRENT)) return -1;
  return pos.QuadPart;
}

bool sys::FlushFile(FileHandle file) { return FlushFileBuffers(H(file)) != 0; }

bool PathExists(const std::string& path) {
  return GetFileAttributesW(Wide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsDirectory(const std::string& path) {
  DWORD a = GetFileAttributesW(Wide(path).c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool KeepToOwner(const std::string&) { return true; }

bool IsLink(const std::string& path) { return IsReparsePoint(GetFileAttributesW(Wide(path).c_str())); }

bool sys::DeleteFilePath(const std::string& path) { return DeleteFileW(Wide(path).c_str()) != 0; }

bool CopyFilePath(const std::string& from, const std::string& to) {
  if (IsLink(to)) {
    SetLastError(ERROR_CANT_ACCESS_FILE);
    return false;
  }
  // One system call, so the file calls in use admit it as the write of the copy.
  if (!AdmitCall(FaultKind::kWrite, to)) return false;
  return CopyFileW(Wide(from).c_str(), Wide(to).c_str(), FALSE) != 0;
}

bool sys::CreateOneDirectory(const std::string& path) {
  if (CreateDirectoryW(Wide(path).c_str(), nullptr)) return true;
  return GetLastError() == ERROR_ALREADY_EXISTS && IsDirectory(path);
}

// A link or junction goes as itself: RemoveDirectoryW on a folder reparse point removes the
// reparse point and leaves the folder it points to, DeleteFileW removes a file link.
static bool RemoveLink(const std::string& path) {
  const std::wstring name = Wide(path);
  DWORD attributes = GetFileAttributesW(name.c_str());
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return RemoveDirectoryW(name.c_str()) != 0;
  return DeleteFileW(name.c_str()) != 0;
}

bool RemoveDirectoryTree(const std::string& path) {
  if (IsLink(path)) return RemoveLink(path);
  std::vector<std::string> names;
  if (!ListDirectory(path, names)) return false;
  bool ok = true;
  for (const std::string& name : names) {
    std::string child = path + "\\" + name;
    if (IsLink(child)) {
      ok = RemoveLink(child) && ok;
    } else {
      ok = (IsDirectory(child) ? RemoveDirectoryTree(child) : DeleteFilePath(child)) && ok;
    }
  }
  return RemoveDirectoryW(Wide(path).c_str()) != 0 && ok;
}

bool sys::ReplaceFilePath(const std::string& from, const std::string& to) {
  // The import tool may hold the target open for a moment: retry a refused move a few times.
  for (int attempt = 0; attempt < 5; ++attempt) {
    if (MoveFileExW(Wide(from).c_str(), Wide(to).c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      return true;
    }
    DWORD error = GetLastError();
    if (error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION) return false;
    Sleep(200);
  }
  return false;
}

bool MakeSymbolicLink(const std::string& target, const std::string& link) {
  DWORD flags = 0x2;  // SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE (developer mode)
  if (IsDirectory(target)) flags |= SYMBOLIC_LINK_FLAG_DIRECTORY;
  // Systems before the unprivileged flag refuse it as an invalid parameter. Some answer success
  // without making anything, so the link is looked at before it counts as made.
  if (!CreateSymbolicLinkW(Wide(link).c_str(), Wide(target).c_str(), flags) &&
      !CreateSymbolicLinkW(Wide(link).c_str(), Wide(target).c_str(), flags & ~0x2u)) {
    return false;
  }
  return IsLink(link);
}

bool ListDirectory(const std::string& folder, std::vector<std::string>& names) {
  WIN32_FIND_DATAW data;
  std::string pattern = folder;
  if (pattern.empty() || pattern.back() != '\\') pattern += '\\';
  pattern += '*';
  HANDLE h = FindFirstFileW(Wide(pattern).c_str(), &data);
  if (h == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;
  do {
    std::wstring name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    // A name the code page cannot hold could only be handed on as some other name.
    std::string narrow;
    if (WideToNarrowExact(std::u16string(name.begin(), name.end()), narrow)) names.push_back(narrow);
  } while (FindNextFileW(h, &data));
  FindClose(h);
  return true;
}

EntryKind KindOfEntry(const std::string& path) {
  const DWORD a = GetFileAttributesW(Wide(path).c_str());
  if (a == INVALID_FILE_ATTRIBUTES) return EntryKind::kNone;
  if (IsReparsePoint(a)) return EntryKind::kLink;
  if (a & FILE_ATTRIBUTE_DIRECTORY) return EntryKind::kFolder;
  return a & FILE_ATTRIBUTE_DEVICE ? EntryKind::kOther : EntryKind::kFile;
}

}  // namespace os
