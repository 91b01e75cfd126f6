// Files and folders. Paths are narrow code-page text in the platform's own form
// (kPathSeparator); every function reports failure by its return value and leaves the
// system's error number in LastError().
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
bool DeleteFilePath(const std::string& path);
bool CopyFilePath(const std::string& from, const std::string& to);
bool CreateOneDirectory(const std::string& path);  // true when it exists afterwards
bool RemoveDirectoryTree(const std::string& path);
// Moves `from` over `to` (replacing it) and makes the move durable.
bool ReplaceFilePath(const std::string& from, const std::string& to);

// Names (not paths) of the entries of a folder, without "." and "..".
bool ListDirectory(const std::string& folder, std::vector<std::string>& names);

}  // namespace os
