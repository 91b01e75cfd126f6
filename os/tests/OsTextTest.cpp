#include "os/OsText.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

// Every byte of the code page survives a trip through UTF-8 and UTF-16, the five that
// Windows-1252 leaves undefined included (Windows maps them to the C1 controls of the same
// numbers): a registry text or an XML value holding one reads back as written. The POSIX
// conversions fill in what iconv lacks; on Windows the system converts.
#ifndef _WIN32
TEST(OsText, EveryByteOfTheCodePageComesBackFromUtf8AndUtf16) {
  std::string all;
  for (int byte = 1; byte < 256; ++byte) all += static_cast<char>(byte);
  EXPECT_EQ(os::Utf8ToNarrow(os::NarrowToUtf8(all)), all);
  EXPECT_EQ(os::WideToNarrow(os::NarrowToWide(all)), all);
  std::string utf8, narrow;
  ASSERT_TRUE(os::NarrowToUtf8Exact(all, utf8));
  ASSERT_TRUE(os::Utf8ToNarrowExact(utf8, narrow));
  EXPECT_EQ(narrow, all);
  EXPECT_EQ(os::NarrowToUtf8("\x90"), "\xC2\x90");
  // A character the code page lacks still is one.
  EXPECT_FALSE(os::Utf8ToNarrowExact("\xE2\x98\x83", narrow));  // a snowman
}
#endif

// Conversions keep their handles between texts: a text cut inside a character, or one that
// failed, leaves nothing behind for the next, and threads converting at once each get their
// own results.
TEST(OsText, ConversionsAfterAFailureAndOnSeveralThreadsAreWhole) {
  std::string narrow = "kept";
  EXPECT_FALSE(os::Utf8ToNarrowExact("caf\xC3", narrow));  // cut inside "é"
  EXPECT_EQ(narrow, "kept");
  EXPECT_EQ(os::Utf8ToNarrow("caf\xC3\xA9"), "caf\xE9");
  EXPECT_EQ(os::NarrowToUtf8("\xE9t\xE9"), "\xC3\xA9t\xC3\xA9");

  std::string all;
  for (int byte = 1; byte < 256; ++byte) all += static_cast<char>(byte);
  const std::string utf8 = os::NarrowToUtf8(all);
  std::vector<int> wrong(4, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 200; ++i) {
        if (os::NarrowToUtf8(all) != utf8 || os::Utf8ToNarrow(utf8) != all) ++wrong[t];
        if (os::WideToNarrow(os::NarrowToWide(all)) != all) ++wrong[t];
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(wrong, std::vector<int>(4, 0));
}

// A character the code page lacks becomes the default character '?', one per UTF-16 code
// unit, on both builds: never a look-alike letter (an omega as O, a macron a as a, infinity
// as 8), which Windows would pick by itself. The package then carries the same bytes whichever
// build wrote it, and a folder name never turns into the name of another folder.
TEST(OsText, CharactersTheCodePageLacksBecomeTheDefaultCharacterOnBothBuilds) {
  if (os::CodePageName() != "CP1252") GTEST_SKIP() << "written for the code page CP1252";
  const std::u16string wide = u"\u03A9 \u0101 \u221E \u2013 \u00E9 \U0001F600.";
  const std::string expected = "? ? ? \x96 \xE9 ??.";
  EXPECT_EQ(os::WideToNarrow(wide), expected);
  EXPECT_EQ(os::Utf8ToNarrow("\xCE\xA9 \xC4\x81 \xE2\x88\x9E \xE2\x80\x93 \xC3\xA9 \xF0\x9F\x98\x80."), expected);
  EXPECT_EQ(os::WideToNarrow(u"C:\\\u03A9data\\"), "C:\\?data\\");
}
