#include "sqlite/FileCallsVfs.h"

#include <string>

#include "os/OsFileCalls.h"
#include "sqlite3.h"

namespace sqlite {
namespace {

constexpr const char* kVfsName = "qv-filecalls";
#ifdef _WIN32
constexpr const char* kPlatformVfs = "win32";
#else
constexpr const char* kPlatformVfs = "unix";
#endif

// The platform's file object follows this one in the memory SQLite gives the layer.
struct LayerFile {
  sqlite3_file base;
  const char* path;  // SQLite keeps the name it opened the file under until the close
  bool counted;      // a database, its journal or its log: the files that hold the data
  sqlite3_file* Real() { return reinterpret_cast<sqlite3_file*>(this + 1); }
};

LayerFile* Layer(sqlite3_file* file) { return reinterpret_cast<LayerFile*>(file); }
sqlite3_vfs* Platform(sqlite3_vfs* vfs) { return static_cast<sqlite3_vfs*>(vfs->pAppData); }

bool Admit(LayerFile* file, os::FaultKind kind) { return !file->counted || os::AdmitCall(kind, file->path); }

int Close(sqlite3_file* file) { return Layer(file)->Real()->pMethods->xClose(Layer(file)->Real()); }

int Read(sqlite3_file* file, void* data, int amount, sqlite3_int64 offset) {
  return Layer(file)->Real()->pMethods->xRead(Layer(file)->Real(), data, amount, offset);
}

int Write(sqlite3_file* file, const void* data, int amount, sqlite3_int64 offset) {
  if (!Admit(Layer(file), os::FaultKind::kWrite)) return SQLITE_FULL;
  return Layer(file)->Real()->pMethods->xWrite(Layer(file)->Real(), data, amount, offset);
}

int Truncate(sqlite3_file* file, sqlite3_int64 size) {
  if (!Admit(Layer(file), os::FaultKind::kWrite)) return SQLITE_FULL;
  return Layer(file)->Real()->pMethods->xTruncate(Layer(file)->Real(), size);
}

int Sync(sqlite3_file* file, int flags) {
  if (!Admit(Layer(file), os::FaultKind::kSync)) return SQLITE_IOERR_FSYNC;
  return Layer(file)->Real()->pMethods->xSync(Layer(file)->Real(), flags);
}

int FileSize(sqlite3_file* file, sqlite3_int64* size) {
  return Layer(file)->Real()->pMethods->xFileSize(Layer(file)->Real(), size);
}
int Lock(sqlite3_file* file, int level) { return Layer(file)->Real()->pMethods->xLock(Layer(file)->Real(), level); }
int Unlock(sqlite3_file* file, int level) {
  return Layer(file)->Real()->pMethods->xUnlock(Layer(file)->Real(), level);
}
int CheckReservedLock(sqlite3_file* file, int* out) {
  return Layer(file)->Real()->pMethods->xCheckReservedLock(Layer(file)->Real(), out);
}
int FileControl(sqlite3_file* file, int op, void* arg) {
  return Layer(file)->Real()->pMethods->xFileControl(Layer(file)->Real(), op, arg);
}
int SectorSize(sqlite3_file* file) { return Layer(file)->Real()->pMethods->xSectorSize(Layer(file)->Real()); }
int DeviceCharacteristics(sqlite3_file* file) {
  return Layer(file)->Real()->pMethods->xDeviceCharacteristics(Layer(file)->Real());
}
int ShmMap(sqlite3_file* file, int page, int size, int extend, void volatile** out) {
  return Layer(file)->Real()->pMethods->xShmMap(Layer(file)->Real(), page, size, extend, out);
}
int ShmLock(sqlite3_file* file, int offset, int n, int flags) {
  return Layer(file)->Real()->pMethods->xShmLock(Layer(file)->Real(), offset, n, flags);
}
void ShmBarrier(sqlite3_file* file) { Layer(file)->Real()->pMethods->xShmBarrier(Layer(file)->Real()); }
int ShmUnmap(sqlite3_file* file, int deleteFlag) {
  return Layer(file)->Real()->pMethods->xShmUnmap(Layer(file)->Real(), deleteFlag);
}
int Fetch(sqlite3_file* file, sqlite3_int64 offset, int amount, void** out) {
  return Layer(file)->Real()->pMethods->xFetch(Layer(file)->Real(), offset, amount, out);
}
int Unfetch(sqlite3_file* file, sqlite3_int64 offset, void* page) {
  return Layer(file)->Real()->pMethods->xUnfetch(Layer(file)->Real(), offset, page);
}

const sqlite3_io_methods kMethods = {3,          Close,      Read,     Write,    Truncate,   Sync,
                                     FileSize,   Lock,       Unlock,   CheckReservedLock, FileControl, SectorSize,
                                     DeviceCharacteristics, ShmMap, ShmLock, ShmBarrier, ShmUnmap, Fetch,
                                     Unfetch};

int Open(sqlite3_vfs* vfs, sqlite3_filename name, sqlite3_file* file, int flags, int* outFlags) {
  LayerFile* layer = Layer(file);
  layer->base.pMethods = nullptr;
  layer->path = name;
  layer->counted = name != nullptr && (flags & (SQLITE_OPEN_MAIN_DB | SQLITE_OPEN_MAIN_JOURNAL | SQLITE_OPEN_WAL));
  if (!Admit(layer, os::FaultKind::kOpen)) return SQLITE_CANTOPEN;
  layer->Real()->pMethods = nullptr;
  const int rc = Platform(vfs)->xOpen(Platform(vfs), name, layer->Real(), flags, outFlags);
  // A platform file that opened has methods to close it with, even when the open failed.
  if (layer->Real()->pMethods != nullptr) layer->base.pMethods = &kMethods;
  return rc;
}

int Delete(sqlite3_vfs* vfs, const char* name, int syncFolder) {
  if (name != nullptr && !os::AdmitCall(os::FaultKind::kDelete, name)) return SQLITE_IOERR_DELETE;
  return Platform(vfs)->xDelete(Platform(vfs), name, syncFolder);
}

int Access(sqlite3_vfs* vfs, const char* name, int flags, int* out) {
  return Platform(vfs)->xAccess(Platform(vfs), name, flags, out);
}
int FullPathname(sqlite3_vfs* vfs, const char* name, int size, char* out) {
  return Platform(vfs)->xFullPathname(Platform(vfs), name, size, out);
}
void* DlOpen(sqlite3_vfs* vfs, const char* name) { return Platform(vfs)->xDlOpen(Platform(vfs), name); }
void DlError(sqlite3_vfs* vfs, int size, char* out) { Platform(vfs)->xDlError(Platform(vfs), size, out); }
void (*DlSym(sqlite3_vfs* vfs, void* library, const char* symbol))(void) {
  return Platform(vfs)->xDlSym(Platform(vfs), library, symbol);
}
void DlClose(sqlite3_vfs* vfs, void* library) { Platform(vfs)->xDlClose(Platform(vfs), library); }
int Randomness(sqlite3_vfs* vfs, int size, char* out) { return Platform(vfs)->xRandomness(Platform(vfs), size, out); }
int Sleep(sqlite3_vfs* vfs, int microseconds) { return Platform(vfs)->xSleep(Platform(vfs), microseconds); }
int CurrentTime(sqlite3_vfs* vfs, double* out) { return Platform(vfs)->xCurrentTime(Platform(vfs), out); }
int GetLastError(sqlite3_vfs* vfs, int size, char* out) {
  return Platform(vfs)->xGetLastError(Platform(vfs), size, out);
}
int CurrentTimeInt64(sqlite3_vfs* vfs, sqlite3_int64* out) {
  return Platform(vfs)->xCurrentTimeInt64(Platform(vfs), out);
}
int SetSystemCall(sqlite3_vfs* vfs, const char* name, sqlite3_syscall_ptr call) {
  return Platform(vfs)->xSetSystemCall(Platform(vfs), name, call);
}
sqlite3_syscall_ptr GetSystemCall(sqlite3_vfs* vfs, const char* name) {
  return Platform(vfs)->xGetSystemCall(Platform(vfs), name);
}
const char* NextSystemCall(sqlite3_vfs* vfs, const char* name) {
  return Platform(vfs)->xNextSystemCall(Platform(vfs), name);
}

const char* Register() {
  if (sqlite3_initialize() != SQLITE_OK) return nullptr;
  sqlite3_vfs* platform = sqlite3_vfs_find(kPlatformVfs);
  if (platform == nullptr || platform->iVersion < 3) return nullptr;
  static sqlite3_vfs layer = {3,          static_cast<int>(sizeof(LayerFile)) + platform->szOsFile,
                              platform->mxPathname, nullptr, kVfsName, platform,
                              Open,       Delete,        Access,    FullPathname, DlOpen,
                              DlError,    DlSym,         DlClose,   Randomness,   Sleep,
                              CurrentTime, GetLastError, CurrentTimeInt64, SetSystemCall, GetSystemCall,
                              NextSystemCall};
  if (sqlite3_vfs_register(&layer, 0) != SQLITE_OK) return nullptr;
  if (sqlite3mc_vfs_create(kVfsName, 0) != SQLITE_OK) return nullptr;
  // The codec names its layer after the one beneath it.
  static const std::string name = std::string("multipleciphers-") + kVfsName;
  if (sqlite3_vfs_find(name.c_str()) == nullptr) return nullptr;
  return name.c_str();
}

}  // namespace

const char* FileCallsVfsName() {
  static const char* const name = Register();
  return name;
}

}  // namespace sqlite
