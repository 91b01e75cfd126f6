// Links in a folder that others may write to, and paths the code page cannot hold.
#include <gtest/gtest.h>

#include "os/Os.h"
#include "testsupport/TempDir.h"

namespace {

// A folder outside the one the program works in, holding what a link must not reach.
struct Outside {
  testsupport::TempDir dir;
  std::string file = dir.File("precious.txt");
  std::string sub = dir.File("sub");
  Outside() {
    testsupport::WriteAll(file, "precious");
    os::CreateOneDirectory(sub);
    testsupport::WriteAll(sub + os::kPathSeparator + "inner.txt", "inner");
  }
  void ExpectUntouched() const {
    EXPECT_EQ(testsupport::ReadAll(file), "precious");
    EXPECT_EQ(testsupport::ReadAll(sub + os::kPathSeparator + "inner.txt"), "inner");
  }
};

}  // namespace

TEST(OsLinks, NothingIsWrittenThroughALink) {
  testsupport::TempDir dir;
  Outside outside;
  std::string link = dir.File("Terms.qef.partial");
  if (!os::MakeSymbolicLink(outside.file, link)) GTEST_SKIP() << "this system makes no symbolic links here";
  EXPECT_TRUE(os::IsLink(link));
  EXPECT_FALSE(os::IsLink(outside.file));
  for (unsigned mode : {unsigned{os::kOpenWrite}, unsigned{os::kOpenAppend}, unsigned{os::kOpenWrite | os::kOpenAppend},
                        unsigned{os::kOpenRead | os::kOpenWrite}}) {
    os::FileHandle f = os::OpenFile(link, mode);
    EXPECT_EQ(f, os::kInvalidFile) << "mode " << mode;
    if (f != os::kInvalidFile) {
      os::WriteFile(f, "x", 1);
      os::CloseFile(f);
    }
  }
  testsupport::WriteAll(dir.File("run.log"), "log");
  EXPECT_FALSE(os::CopyFilePath(dir.File("run.log"), link));
  // Reading through a link stays possible; deleting removes the link itself.
  EXPECT_EQ(testsupport::ReadAll(link), "precious");
  EXPECT_TRUE(os::DeleteFilePath(link));
  EXPECT_FALSE(os::PathExists(link));
  outside.ExpectUntouched();
}

TEST(OsLinks, RemovingATreeRemovesLinksAndNeverEntersThem) {
  testsupport::TempDir dir;
  Outside outside;
  std::string top = dir.File("AATPlink");
  if (!os::MakeSymbolicLink(outside.dir.Path(), top)) GTEST_SKIP() << "this system makes no symbolic links here";
  EXPECT_TRUE(os::IsLink(top));
  EXPECT_TRUE(os::IsDirectory(top));  // it looks like a folder
  EXPECT_TRUE(os::RemoveDirectoryTree(top));
  EXPECT_FALSE(os::PathExists(top));
  outside.ExpectUntouched();

  // Links deeper in a tree: to a folder and to a file.
  std::string tree = dir.File("DAT");
  ASSERT_TRUE(os::CreateOneDirectory(tree));
  testsupport::WriteAll(tree + os::kPathSeparator + "own.txt", "own");
  ASSERT_TRUE(os::MakeSymbolicLink(outside.sub, tree + os::kPathSeparator + "folderlink"));
  ASSERT_TRUE(os::MakeSymbolicLink(outside.file, tree + os::kPathSeparator + "filelink"));
  EXPECT_TRUE(os::RemoveDirectoryTree(tree));
  EXPECT_FALSE(os::PathExists(tree));
  outside.ExpectUntouched();
}

TEST(OsText, ExactConversionsRefuseWhatTheCodePageLacks) {
  if (os::CodePageName() != "CP1252") GTEST_SKIP() << "written for the code page CP1252";
  std::string narrow = "unchanged";
  EXPECT_TRUE(os::Utf8ToNarrowExact("\xC3\x9Cn\xC3\xAF", narrow));  // "Ünï"
  EXPECT_EQ(narrow, "\xDCn\xEF");
  narrow = "unchanged";
  EXPECT_FALSE(os::Utf8ToNarrowExact("Sch\xE5\xAD\xA6", narrow));  // "Sch学"
  EXPECT_EQ(narrow, "unchanged");
  // No look-alike letter either: 'ā' is not 'a'.
  EXPECT_FALSE(os::WideToNarrowExact(u"b\u0101d", narrow));
  EXPECT_FALSE(os::WideToNarrowExact(u"\u5B66", narrow));
  EXPECT_TRUE(os::WideToNarrowExact(u"\u00DC", narrow));
  EXPECT_EQ(narrow, "\xDC");

  // The named form, for messages.
  EXPECT_EQ(os::Utf8ToNarrowNamed("\xC3\x9C \xE5\xAD\xA6\xE6\xA0\xA1/"), "\xDC <U+5B66><U+6821>/");
  EXPECT_EQ(os::WideToNarrowNamed(u"\u00DC \u5B66\U0001F600"), "\xDC <U+5B66><U+1F600>");
}

TEST(OsText, AFolderWithCharactersOfTheCodePageIsTheSameFolder) {
  testsupport::TempDir dir;
  // "Ünïcødé" in the code page: the file system sees the folder of that name, nothing else.
  std::string folder = dir.File("\xDCn\xEF" "c\xF8" "d\xE9");
  ASSERT_TRUE(os::CreateOneDirectory(folder));
  std::vector<std::string> names;
  ASSERT_TRUE(os::ListDirectory(dir.Path(), names));
  EXPECT_EQ(names, std::vector<std::string>{"\xDCn\xEF" "c\xF8" "d\xE9"});
  EXPECT_TRUE(os::IsDirectory(folder));
}
