#include "os/Os.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <string>
#include <vector>

#include "testsupport/TempDir.h"

TEST(OsExclusiveFiles, ANewFileIsCreatedOnlyOnAFreeName) {
  testsupport::TempDir dir;
  std::string path = dir.File("Update.QDU.partial");
  os::FileHandle file = os::CreateNewFile(path);
  ASSERT_NE(file, os::kInvalidFile);
  os::WriteFile(file, "mine", 4);
  os::CloseFile(file);
  EXPECT_EQ(os::CreateNewFile(path), os::kInvalidFile);
  EXPECT_TRUE(os::IsAlreadyExists(os::LastError()));
  EXPECT_EQ(testsupport::ReadAll(path), "mine");
#ifndef _WIN32
  // A link of the name is taken too, even when it points nowhere: nothing is made at its end.
  std::string outside = dir.File("outside.txt");
  ASSERT_EQ(::symlink(outside.c_str(), dir.File("link.partial").c_str()), 0);
  EXPECT_EQ(os::CreateNewFile(dir.File("link.partial")), os::kInvalidFile);
  EXPECT_FALSE(os::PathExists(outside));
#endif
}

TEST(OsExclusiveFiles, AMoveNeverReplacesAnExistingFile) {
  testsupport::TempDir dir;
  testsupport::WriteAll(dir.File("a.partial"), "new");
  testsupport::WriteAll(dir.File("taken.QDU"), "earlier");
  EXPECT_FALSE(os::MoveFileNoReplace(dir.File("a.partial"), dir.File("taken.QDU")));
  EXPECT_TRUE(os::IsAlreadyExists(os::LastError()));
  EXPECT_EQ(testsupport::ReadAll(dir.File("taken.QDU")), "earlier");
  EXPECT_EQ(testsupport::ReadAll(dir.File("a.partial")), "new");
  ASSERT_TRUE(os::MoveFileNoReplace(dir.File("a.partial"), dir.File("free.QDU")));
  EXPECT_EQ(testsupport::ReadAll(dir.File("free.QDU")), "new");
  EXPECT_FALSE(os::PathExists(dir.File("a.partial")));
}

TEST(OsExclusiveFiles, ALockIsHeldAgainstEveryOtherOpenerUntilReleased) {
  testsupport::TempDir dir;
  std::string path = dir.File("run.lock");
  os::FileHandle first = os::kInvalidFile, second = os::kInvalidFile;
  ASSERT_EQ(os::TakeFileLock(path, "12 started", first), os::LockResult::kTaken);
  // Another opener (here a second handle of the same process) finds it busy and can read it.
  EXPECT_EQ(os::TakeFileLock(path, "13 started", second), os::LockResult::kBusy);
  EXPECT_EQ(second, os::kInvalidFile);
  std::string content;
  ASSERT_TRUE(os::ReadLockFile(path, content));
  EXPECT_EQ(content, "12 started");
  os::ReleaseFileLock(first, path);
  EXPECT_FALSE(os::PathExists(path));
  ASSERT_EQ(os::TakeFileLock(path, "13 started", second), os::LockResult::kTaken);
  os::ReleaseFileLock(second, path);
  // A folder that is not there cannot hold a lock: a failure, not a wait.
  EXPECT_EQ(os::TakeFileLock(dir.File("missing") + os::kPathSeparator + "run.lock", "x", first),
            os::LockResult::kFailed);
}

#ifndef _WIN32
TEST(OsExclusiveFiles, AKilledHolderLeavesItsFileButNoLock) {
  testsupport::TempDir dir;
  std::string path = dir.File("run.lock");
  pid_t child = ::fork();
  if (child == 0) {
    os::FileHandle held = os::kInvalidFile;
    if (os::TakeFileLock(path, "child", held) != os::LockResult::kTaken) ::_exit(1);
    ::kill(::getpid(), SIGKILL);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  ASSERT_TRUE(WIFSIGNALED(status));
  ASSERT_TRUE(os::PathExists(path));
  os::FileHandle mine = os::kInvalidFile;
  EXPECT_EQ(os::TakeFileLock(path, "after", mine), os::LockResult::kTaken);
  std::string content;
  os::ReadLockFile(path, content);
  EXPECT_EQ(content, "after");
  os::ReleaseFileLock(mine, path);
}

// A pipe at the lock file's name, kept open and locked by its holder, neither holds the lock
// nor keeps the caller waiting: opening and reading never block, and only a file counts.
TEST(OsExclusiveFiles, APipeAtTheLockNameIsNoLockAndNeverWaitedOn) {
  testsupport::TempDir dir;
  const std::string path = dir.File("run.lock");
  ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
  const int holder = ::open(path.c_str(), O_RDWR);
  ASSERT_GE(holder, 0);
  ASSERT_EQ(::flock(holder, LOCK_EX), 0);
  ::alarm(20);
  os::FileHandle handle = os::kInvalidFile;
  EXPECT_EQ(os::TakeFileLock(path, "me", handle), os::LockResult::kFailed);
  std::string content;
  EXPECT_FALSE(os::ReadLockFile(path, content));
  ::alarm(0);
  EXPECT_EQ(os::KindOfEntry(path), os::EntryKind::kOther);
  ::close(holder);

  testsupport::WriteAll(dir.File("file"), "x");
  ASSERT_TRUE(os::MakeSymbolicLink(dir.File("file"), dir.File("link")));
  EXPECT_EQ(os::KindOfEntry(dir.File("file")), os::EntryKind::kFile);
  EXPECT_EQ(os::KindOfEntry(dir.File("link")), os::EntryKind::kLink);
  EXPECT_EQ(os::KindOfEntry(dir.Path()), os::EntryKind::kFolder);
  EXPECT_EQ(os::KindOfEntry(dir.File("missing")), os::EntryKind::kNone);
}

// Saving a hive removes the temporary hives of processes that no longer run, never that of a
// running one.
TEST(OsRegistryFiles, SavingRemovesTemporaryHivesOfEndedProcesses) {
  testsupport::TempDir dir;
  std::string saved = os::GetEnv("XDG_CONFIG_HOME");
  os::SetEnv("XDG_CONFIG_HOME", dir.Path());
  std::string hives = dir.File("QvRegistry");
  ASSERT_TRUE(os::CreateOneDirectory(hives));
  pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  ::waitpid(child, nullptr, 0);  // a number that no process has now
  std::string ended = hives + "/user.reg.tmp" + std::to_string(child);
  std::string running = hives + "/user.reg.tmp" + std::to_string(::getppid());
  std::string other = hives + "/user.reg.tmpnotes";
  for (const std::string& file : {ended, running, other}) testsupport::WriteAll(file, "partial");

  os::RegistryKey key;
  ASSERT_EQ(os::OpenRegistryKey(os::Hive::kCurrentUser, "Software\\Test", true, true, key), 0);
  EXPECT_EQ(os::WriteRegistryDword(key, "Value", 7), 0);
  os::CloseRegistryKey(key);
  os::SetEnv("XDG_CONFIG_HOME", saved);

  EXPECT_FALSE(os::PathExists(ended));
  EXPECT_TRUE(os::PathExists(running));
  EXPECT_TRUE(os::PathExists(other));
}
#endif
