// Files that must never be shared or overwritten: a file created only when its name is free,
// a move only onto a free name, and the lock file that keeps two runs out of one folder.
// Paths are narrow code-page text, as in OsFiles.h; failures leave the system's error number
// in LastError().
#pragma once

#include <string>

#include "os/OsFiles.h"

namespace os {

// Creates `path` for writing only when no entry of that name exists; a link of that name is
// an existing entry and is never followed. kInvalidFile on failure (IsAlreadyExists tells).
FileHandle CreateNewFile(const std::string& path);

// Moves the file `from` to `to` only when `to` does not exist, and makes the move durable.
// False when it did not move (IsAlreadyExists tells whether `to` was taken).
bool MoveFileNoReplace(const std::string& from, const std::string& to);

// True when the error number says that the name was already taken.
bool IsAlreadyExists(int error);

// The process's own number, as the system shows it.
unsigned long CurrentProcessId();

// The lock of one process on a lock file. It is taken with the file (created when missing)
// and holds until ReleaseFileLock or the end of the process, however the process ends: a
// process that is killed leaves no lock behind (POSIX: an flock lock; Windows: a handle that
// shares no writing and deletes the file when it closes). The holder writes `content` into
// the file for the others to read.
enum class LockResult { kTaken, kBusy, kFailed };
LockResult TakeFileLock(const std::string& path, const std::string& content, FileHandle& handle);
// Deletes the lock file and ends the lock.
void ReleaseFileLock(FileHandle handle, const std::string& path);
// What the holder of a lock wrote into the file; false when there is no readable file.
bool ReadLockFile(const std::string& path, std::string& content);

}  // namespace os
