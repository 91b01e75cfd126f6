// Files and folders. Paths are narrow code-page text in the platform's own form
// (kPathSeparator); every function reports failure by its return value and leaves the
// system's error number in LastError().
//
// Links: opening a file for writing fails on a symbolic link (a reparse point on Windows)
// instead of writing through it, copying never writes through a link at the target, and
// removing a folder tree removes any link in it, or at its top, as a link without entering
// it. A path whose text cannot be carried to the file system exactly fails; it never reaches
// some other file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace os {

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
inline constexpr unsigned kMaxPath = 260;
#else
inline constexpr char kPathSeparator = '/';
inline constexpr unsigned kMaxPath = 4096;
#endif

// True when the path is absolute on this platform ("C:\..." or "\\server\..." on Windows,
// "/..." on POSIX).
bool IsAbsolutePath(const std::string& path);

// The volume part of an absolute path ("C:\", "\\server\share\", or "/" on POSIX).
std::string VolumeOf(const std::string& path);

enum OpenMode : unsigned {
  kOpenRead = 1,    // shared for reading
  kOpenWrite = 2,   // alone: created anew (truncated)
  kOpenAppend = 4,  // position at the end after opening
  // Every write lands at the end of the file as one piece, also while other processes append
  // to it (O_APPEND; on Windows append-only access shared with other writers). Alone or with
  // kOpenRead; the file is created when missing.
  kOpenAppendEach = 8,
};

using FileHandle = intptr_t;
inline constexpr FileHandle kInvalidFile = -1;

FileHandle OpenFile(const std::string& path, unsigned mode);
bool CloseFile(FileHandle file);
// Returns bytes read (0 at end), or -1 on failure.
int64_t ReadFile(FileHandle file, void* buffer, size_t count);
bool WriteFile(FileHandle file, const void* data, size_t count);
bool SeekFile(FileHandle file, int64_t offset, int whence);  // whence: 0 set, 1 cur, 2 end
int64_t FilePosition(FileHandle file);
bool FlushFile(FileHandle file);  // to the disk (fsync / FlushFileBuffers)

bool PathExists(const std::string& path);
bool IsDirectory(const std::string& path);
// True when the path itself is a symbolic link (Windows: any reparse point, junctions too).
bool IsLink(const std::string& path);
bool DeleteFilePath(const std::string& path);
bool CopyFilePath(const std::string& from, const std::string& to);
bool CreateOneDirectory(const std::string& path);  // true when it exists afterwards
bool RemoveDirectoryTree(const std::string& path);
// Moves `from` over `to` (replacing it) and makes the move durable.
bool ReplaceFilePath(const std::string& from, const std::string& to);

// Makes `link` a symbolic link to `target` (a folder link when the target is a folder). The
// program itself never makes links; tests make them to build the folders it must withstand.
// False where the system or the account cannot.
bool MakeSymbolicLink(const std::string& target, const std::string& link);

// Makes a file or folder readable and writable by its owner alone (POSIX: 0600 for a file,
// 0700 for a folder), for what holds an encoded password. A link is refused, never followed.
// Windows keeps such files in the user's own profile, whose access list already allows only
// the user: there it does nothing and answers true.
bool KeepToOwner(const std::string& path);

// What sits at a name, looked at without following a link there and without opening it.
// kOther is a pipe, socket or device: nothing a run writes may be one.
enum class EntryKind { kNone, kFile, kFolder, kLink, kOther };
EntryKind KindOfEntry(const std::string& path);
// The kind as a message names what it found: "a link", "a folder", "a pipe, socket or device",
// "a file".
inline const char* EntryKindText(EntryKind kind) {
  switch (kind) {
    case EntryKind::kLink: return "a link";
    case EntryKind::kFolder: return "a folder";
    case EntryKind::kOther: return "a pipe, socket or device";
    default: return "a file";
  }
}

// Names (not paths) of the entries of a folder, without "." and "..". An entry whose name the
// code page cannot hold is left out: it could only be handed on as some other name.
bool ListDirectory(const std::string& folder, std::vector<std::string>& names);

}  // namespace os
