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
