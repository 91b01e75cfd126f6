// The calls that change files on the disk, as one table. Every function of OsFiles.h and
// OsExclusiveFiles.h that opens, writes, syncs, closes, moves or deletes a file, or creates a
// folder, goes through the table in use; by default that is the system's own. A test (or
// OsFaults.h, for a whole process) puts a table of its own in its place to stand between the
// program and the disk. The cost to the program is one indirect call.
//
// Calls that the table cannot make itself (the lock file's, a system copy, the change store's
// own file I/O inside SQLite, the ODBC calls of the data layer) ask the table's `admit` first:
// the system's table admits every call; a table of faults may refuse one, with the system
// error set, and the caller then fails the call as if the system had.
#pragma once

#include <cstddef>
#include <string>

#include "os/OsFiles.h"

namespace os {

// The kinds of calls, as the tables count them.
enum class FaultKind : unsigned {
  kOpen,          // OpenFile, CreateNewFile, a lock file, a store file
  kWrite,         // WriteFile, a copy, a lock file's content, a store's write or truncate
  kSync,          // FlushFile, a store's sync
  kClose,         // CloseFile
  kRename,        // ReplaceFilePath, MoveFileNoReplace
  kDelete,        // DeleteFilePath, a lock file's or a store journal's delete
  kCreateFolder,  // CreateOneDirectory
  kOdbc,          // any ODBC call of the data layer but its diagnostics and frees
};
inline constexpr unsigned kFaultKinds = 8;

struct FileCalls {
  FileHandle (*open)(const std::string& path, unsigned mode);  // OpenFile
  FileHandle (*createNew)(const std::string& path);            // CreateNewFile
  bool (*write)(FileHandle file, const void* data, size_t count);
  bool (*flush)(FileHandle file);  // to the disk
  bool (*close)(FileHandle file);
  bool (*replace)(const std::string& from, const std::string& to);        // ReplaceFilePath
  bool (*moveNoReplace)(const std::string& from, const std::string& to);  // MoveFileNoReplace
  bool (*remove)(const std::string& path);                                 // DeleteFilePath
  bool (*createFolder)(const std::string& path);                           // CreateOneDirectory
  // Asked before a call made outside the table; `what` is the path (or the ODBC function).
  bool (*admit)(FaultKind kind, const char* what);
};

// The calls of this platform, the default table.
const FileCalls& SystemFileCalls();
namespace sys {
FileHandle OpenFile(const std::string& path, unsigned mode);
FileHandle CreateNewFile(const std::string& path);
bool WriteFile(FileHandle file, const void* data, size_t count);
bool FlushFile(FileHandle file);
bool CloseFile(FileHandle file);
bool ReplaceFilePath(const std::string& from, const std::string& to);
bool MoveFileNoReplace(const std::string& from, const std::string& to);
bool DeleteFilePath(const std::string& path);
bool CreateOneDirectory(const std::string& path);
bool Admit(FaultKind kind, const char* what);  // always true
}  // namespace sys

// The table in use. The first call of a process arms the faults its environment asks for
// (OsFaults.h) before it answers.
const FileCalls& CurrentFileCalls();

// Whether the table in use lets a call made outside it go ahead (see `admit`).
inline bool AdmitCall(FaultKind kind, const char* what) { return CurrentFileCalls().admit(kind, what); }
inline bool AdmitCall(FaultKind kind, const std::string& what) { return AdmitCall(kind, what.c_str()); }

// True while a table other than the system's is in use: the layers above then send their own
// calls through `admit` too, and pay nothing otherwise.
bool FileCallsReplaced();

// Puts `calls` in use (nullptr: the system's again). The table must outlive its use.
void UseFileCalls(const FileCalls* calls);

}  // namespace os
