// The calls that change files on the disk, as one table. Every function of OsFiles.h and
// OsExclusiveFiles.h that opens, writes, syncs, closes, moves or deletes a file, or creates a
// folder, goes through the table in use; by default that is the system's own. A test (or
// OsFaults.h, for a whole process) puts a table of its own in its place to stand between the
// program and the disk. The cost to the program is one indirect call.
#pragma once

#include <cstddef>
#include <string>

#include "os/OsFiles.h"

namespace os {

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
}  // namespace sys

// The table in use. The first call of a process arms the faults its environment asks for
// (OsFaults.h) before it answers.
const FileCalls& CurrentFileCalls();

// Puts `calls` in use (nullptr: the system's again). The table must outlive its use.
void UseFileCalls(const FileCalls* calls);

}  // namespace os
