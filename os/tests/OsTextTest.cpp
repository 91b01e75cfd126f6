#include "os/OsText.h"

#include <gtest/gtest.h>

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
