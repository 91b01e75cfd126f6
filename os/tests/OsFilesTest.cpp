#include "os/Os.h"

#include <gtest/gtest.h>

#include "testsupport/TempDir.h"

TEST(OsFiles, ReplaceMovesTheNewFileOverTheOldOne) {
  testsupport::TempDir dir;
  testsupport::WriteAll(dir.File("target.txt"), "old");
  testsupport::WriteAll(dir.File("target.tmp"), "new");
  ASSERT_TRUE(os::ReplaceFilePath(dir.File("target.tmp"), dir.File("target.txt")));
  EXPECT_EQ(testsupport::ReadAll(dir.File("target.txt")), "new");
  EXPECT_FALSE(os::PathExists(dir.File("target.tmp")));
  // The target need not exist yet.
  testsupport::WriteAll(dir.File("fresh.tmp"), "x");
  EXPECT_TRUE(os::ReplaceFilePath(dir.File("fresh.tmp"), dir.File("fresh.txt")));
}

TEST(OsFiles, OpenModesCreateTruncateAndAppend) {
  testsupport::TempDir dir;
  std::string path = dir.File("f.txt");
  os::FileHandle f = os::OpenFile(path, os::kOpenWrite);
  ASSERT_NE(f, os::kInvalidFile);
  os::WriteFile(f, "abc", 3);
  os::CloseFile(f);
  f = os::OpenFile(path, os::kOpenWrite | os::kOpenAppend);
  os::WriteFile(f, "de", 2);
  os::CloseFile(f);
  EXPECT_EQ(testsupport::ReadAll(path), "abcde");
  f = os::OpenFile(path, os::kOpenWrite);
  os::CloseFile(f);
  EXPECT_EQ(testsupport::ReadAll(path), "");
  EXPECT_EQ(os::OpenFile(dir.File("missing.txt"), os::kOpenRead), os::kInvalidFile);
}

// Two writers that append at once (two runs ending together): both are let in, and each write
// lands after the other's instead of over it.
TEST(OsFiles, AppendEachWritesOfTwoOpenHandlesLandOneAfterTheOther) {
  testsupport::TempDir dir;
  const std::string path = dir.File("history.jsonl");
  testsupport::WriteAll(path, "0\n");
  os::FileHandle first = os::OpenFile(path, os::kOpenAppendEach);
  os::FileHandle second = os::OpenFile(path, os::kOpenAppendEach);
  ASSERT_NE(first, os::kInvalidFile);
  ASSERT_NE(second, os::kInvalidFile);
  EXPECT_TRUE(os::WriteFile(first, "1\n", 2));
  EXPECT_TRUE(os::WriteFile(second, "2\n", 2));
  EXPECT_TRUE(os::WriteFile(first, "3\n", 2));
  os::CloseFile(first);
  os::CloseFile(second);
  EXPECT_EQ(testsupport::ReadAll(path), "0\n1\n2\n3\n");
  // A missing file is made.
  os::FileHandle fresh = os::OpenFile(dir.File("new.jsonl"), os::kOpenAppendEach);
  ASSERT_NE(fresh, os::kInvalidFile);
  os::CloseFile(fresh);
  EXPECT_TRUE(os::PathExists(dir.File("new.jsonl")));
}

TEST(OsFiles, FolderTreesAreListedAndRemoved) {
  testsupport::TempDir dir;
  std::string sub = dir.File("sub");
  ASSERT_TRUE(os::CreateOneDirectory(sub));
  EXPECT_TRUE(os::CreateOneDirectory(sub));  // already there counts
  testsupport::WriteAll(sub + os::kPathSeparator + "a.txt", "a");
  std::vector<std::string> names;
  ASSERT_TRUE(os::ListDirectory(dir.Path(), names));
  ASSERT_EQ(names.size(), 1u);
  EXPECT_EQ(names[0], "sub");
  EXPECT_TRUE(os::RemoveDirectoryTree(sub));
  EXPECT_FALSE(os::PathExists(sub));
}

TEST(OsFiles, NamesWithCodePageCharactersReachTheFileSystem) {
  testsupport::TempDir dir;
  std::string name = dir.File("caf\xE9.txt");  // "café" in the narrow code page
  testsupport::WriteAll(name, "x");
  std::vector<std::string> names;
  os::ListDirectory(dir.Path(), names);
  ASSERT_EQ(names.size(), 1u);
  EXPECT_EQ(names[0], "caf\xE9.txt");
}

TEST(OsText, CodePageRoundTripsAndDefaultCharacter) {
  std::u16string wide = u"\u00e9\u00fc\u00f1\u20ac";
  std::string narrow = os::WideToNarrow(wide);
  EXPECT_EQ(narrow, "\xE9\xFC\xF1\x80");
  EXPECT_EQ(os::NarrowToWide(narrow), wide);
  EXPECT_EQ(os::WideToNarrow(u"x\u4e2dy"), "x?y");
  EXPECT_EQ(os::Utf8ToNarrow("\xC3\xA9\xE2\x82\xAC"), "\xE9\x80");
  EXPECT_EQ(os::NarrowToUtf8("\xE9\x80"), "\xC3\xA9\xE2\x82\xAC");
}
