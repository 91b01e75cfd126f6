#include "os/OsFaults.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "os/Os.h"
#include "testsupport/TempDir.h"

namespace {

void SetVariable(const char* name, const char* value) {
#ifdef _WIN32
  _putenv_s(name, value);
#else
  if (*value == 0) {
    ::unsetenv(name);
  } else {
    ::setenv(name, value, 1);
  }
#endif
}

}  // namespace

// The N-th call counts from the moment it is armed, fails once with the kind's own error (or
// the one chosen), and the calls of other kinds pass.
TEST(OsFaults, TheNthCallOfAKindFailsOnceWithItsError) {
  testsupport::TempDir dir;
  os::FaultPlan plan;
  os::FileHandle file = os::OpenFile(dir.File("a.txt"), os::kOpenWrite);
  ASSERT_NE(file, os::kInvalidFile);
  ASSERT_TRUE(os::WriteFile(file, "one", 3));
  plan.FailNth(os::FaultKind::kWrite, 2);
  plan.FailNth(os::FaultKind::kSync, 1, os::DefaultFaultError(os::FaultKind::kOpen));
  EXPECT_TRUE(os::WriteFile(file, "two", 3));
  EXPECT_FALSE(os::WriteFile(file, "three", 5));
  EXPECT_EQ(os::LastError(), os::DefaultFaultError(os::FaultKind::kWrite));
  EXPECT_TRUE(os::WriteFile(file, "four", 4));
  EXPECT_FALSE(os::FlushFile(file));
  EXPECT_EQ(os::LastError(), os::DefaultFaultError(os::FaultKind::kOpen));
  EXPECT_TRUE(os::FlushFile(file));
  EXPECT_TRUE(os::CloseFile(file));
  EXPECT_EQ(plan.Calls(os::FaultKind::kWrite), 4);
  EXPECT_EQ(plan.Failures(), 2);
  // The failed write never reached the disk.
  EXPECT_EQ(testsupport::ReadAll(dir.File("a.txt")), "onetwofour");
}

// A path rule fails the calls on files opened under a matching path (and a move from or to
// one) and nothing else; a failing close still gives the handle up.
TEST(OsFaults, APathRuleFailsOnlyTheCallsOnItsFiles) {
  testsupport::TempDir dir;
  os::FaultPlan plan;
  plan.FailPath(os::FaultKind::kWrite, ".QDU");
  plan.FailPath(os::FaultKind::kClose, ".QDU");
  plan.FailPath(os::FaultKind::kRename, "Update");
  plan.FailPath(os::FaultKind::kDelete, "keep");
  plan.FailPath(os::FaultKind::kCreateFolder, "Attendance");
  os::FileHandle update = os::CreateNewFile(dir.File("Update 1.QDU.7.partial"));
  os::FileHandle other = os::OpenFile(dir.File("Students.qef"), os::kOpenWrite);
  ASSERT_NE(update, os::kInvalidFile);
  ASSERT_NE(other, os::kInvalidFile);
  EXPECT_FALSE(os::WriteFile(update, "x", 1));
  EXPECT_TRUE(os::WriteFile(other, "y", 1));
  EXPECT_FALSE(os::CloseFile(update));
  EXPECT_TRUE(os::CloseFile(other));
  // Closed for good: the partial file can be moved away and deleted (Windows refuses both
  // while a handle is open).
  EXPECT_FALSE(os::ReplaceFilePath(dir.File("Update 1.QDU.7.partial"), dir.File("Update 1.QDU")));
  EXPECT_FALSE(os::ReplaceFilePath(dir.File("Students.qef"), dir.File("Update.txt")));
  EXPECT_TRUE(os::ReplaceFilePath(dir.File("Students.qef"), dir.File("Students2.qef")));
  EXPECT_TRUE(os::DeleteFilePath(dir.File("Update 1.QDU.7.partial")));
  testsupport::WriteAll(dir.File("keep.txt"), "k");
  EXPECT_FALSE(os::DeleteFilePath(dir.File("keep.txt")));
  EXPECT_TRUE(os::PathExists(dir.File("keep.txt")));
  EXPECT_FALSE(os::CreateOneDirectory(dir.File("Attendance")));
  EXPECT_FALSE(os::PathExists(dir.File("Attendance")));
  EXPECT_TRUE(os::CreateOneDirectory(dir.File("Other")));
}

// The environment's text arms the process; a text it cannot read arms nothing. Once the plan
// ends, the system's calls are back and nothing fails.
TEST(OsFaults, TheEnvironmentArmsTheNthCallsItNames) {
  testsupport::TempDir dir;
  {
    os::FaultPlan plan;
    for (const char* bad : {"sync", "sync:0", "sink:1", "write:2x", "write:1,", "write:-1"}) {
      SetVariable("QV_FAULT", bad);
      EXPECT_FALSE(os::ArmFaultsFromEnvironment()) << bad;
    }
    SetVariable("QV_FAULT", "sync:2,delete:1");
    EXPECT_TRUE(os::ArmFaultsFromEnvironment());
    SetVariable("QV_FAULT", "");
    os::FileHandle file = os::OpenFile(dir.File("a.txt"), os::kOpenWrite);
    EXPECT_TRUE(os::FlushFile(file));
    EXPECT_FALSE(os::FlushFile(file));
    EXPECT_TRUE(os::FlushFile(file));
    EXPECT_TRUE(os::CloseFile(file));
    EXPECT_FALSE(os::DeleteFilePath(dir.File("a.txt")));
    EXPECT_EQ(plan.Failures(), 2);
  }
  os::FileHandle file = os::OpenFile(dir.File("a.txt"), os::kOpenWrite);
  EXPECT_TRUE(os::FlushFile(file));
  EXPECT_TRUE(os::FlushFile(file));
  EXPECT_TRUE(os::CloseFile(file));
  EXPECT_TRUE(os::DeleteFilePath(dir.File("a.txt")));
}

// The calls that the table cannot make itself ask it first: the lock file's open, content and
// delete, and a copy's write. Each refusal fails its call the way the disk would, and leaves
// nothing that a later run cannot take over.
TEST(OsFaults, TheLockFileAndACopyAskTheTableFirst) {
  testsupport::TempDir dir;
  const std::string lock = dir.File("run.lock");
  os::FileHandle handle = os::kInvalidFile;
  {
    os::FaultPlan plan;
    plan.FailPath(os::FaultKind::kOpen, "run.lock");
    EXPECT_EQ(os::TakeFileLock(lock, "me", handle), os::LockResult::kFailed);
    EXPECT_FALSE(os::PathExists(lock));
  }
  {
    os::FaultPlan plan;
    plan.FailPath(os::FaultKind::kWrite, "run.lock");
    EXPECT_EQ(os::TakeFileLock(lock, "me", handle), os::LockResult::kFailed);
    EXPECT_EQ(handle, os::kInvalidFile);
  }
  {
    os::FaultPlan plan;
    plan.FailPath(os::FaultKind::kDelete, "run.lock");
    ASSERT_EQ(os::TakeFileLock(lock, "first", handle), os::LockResult::kTaken);
    os::ReleaseFileLock(handle, lock);
#ifdef _WIN32
    // The system deletes the file with its handle; no call is made that could be refused.
    EXPECT_FALSE(os::PathExists(lock));
    EXPECT_EQ(plan.Calls(os::FaultKind::kDelete), 0);
#else
    EXPECT_TRUE(os::PathExists(lock)) << "the refused delete removed the lock file";
#endif
    EXPECT_EQ(plan.Calls(os::FaultKind::kOpen), 1);
    EXPECT_EQ(plan.Calls(os::FaultKind::kWrite), 1);
  }
  // The file left behind is no lock: the next run takes it and writes its own content.
  ASSERT_EQ(os::TakeFileLock(lock, "second", handle), os::LockResult::kTaken);
  std::string content;
  EXPECT_TRUE(os::ReadLockFile(lock, content));
  EXPECT_EQ(content, "second");
  os::ReleaseFileLock(handle, lock);
  EXPECT_FALSE(os::PathExists(lock));

  testsupport::WriteAll(dir.File("from.txt"), "copied");
  {
    os::FaultPlan plan;
    plan.FailPath(os::FaultKind::kWrite, "to.txt");
    EXPECT_FALSE(os::CopyFilePath(dir.File("from.txt"), dir.File("to.txt")));
    EXPECT_EQ(os::LastError(), os::DefaultFaultError(os::FaultKind::kWrite));
  }
  EXPECT_TRUE(os::CopyFilePath(dir.File("from.txt"), dir.File("to.txt")));
  EXPECT_EQ(testsupport::ReadAll(dir.File("to.txt")), "copied");
}

// The ODBC kind is armed by its name like the others and counts the calls a layer above
// announces; a refused call sets the kind's error.
TEST(OsFaults, TheOdbcKindCountsTheCallsAnnouncedToIt) {
  os::FaultPlan plan;
  SetVariable("QV_FAULT", "odbc:2");
  EXPECT_TRUE(os::ArmFaultsFromEnvironment());
  SetVariable("QV_FAULT", "");
  EXPECT_TRUE(os::AdmitCall(os::FaultKind::kOdbc, "SQLExecDirectW"));
  EXPECT_FALSE(os::AdmitCall(os::FaultKind::kOdbc, "SQLFetch"));
  EXPECT_EQ(os::LastError(), os::DefaultFaultError(os::FaultKind::kOdbc));
  EXPECT_TRUE(os::AdmitCall(os::FaultKind::kOdbc, "SQLFetch"));
  EXPECT_EQ(plan.Calls(os::FaultKind::kOdbc), 3);
  EXPECT_TRUE(os::FileCallsReplaced());
}
