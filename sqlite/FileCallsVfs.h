// The file layer under every database this program opens: a SQLite VFS over the platform's
// own that asks the file calls in use (os/OsFileCalls.h, `admit`) before each open, write,
// truncate, sync and delete of a database or its journal. A refused call is not made and fails
// as the disk would have failed it (a full disk for a write or a truncate), so that a fault
// plan or QV_FAULT reaches the change store's writes as it reaches every other file's. With
// the system's file calls the cost is one indirect call per file operation.
//
// The page codec's VFS sits on top of it: pages reach this layer encrypted, as they reach the
// disk.
#pragma once

namespace sqlite {

// The name of the VFS to open a database with (the codec over this layer), registering both
// at the first call; nullptr (SQLite's default) when they could not be registered.
const char* FileCallsVfsName();

}  // namespace sqlite
