#include <gtest/gtest.h>

#include "foundation/XEmailAddress.h"
#include "foundation/XURL.h"

namespace {

TEST(XURL, RecognisesTheHttpPrefixInAnyCase) {
  EXPECT_TRUE(XURL("http://updates.example/QvConfig.xml").IsHttp());
  EXPECT_TRUE(XURL(XString("HTTP://x")).IsHttp());
  EXPECT_FALSE(XURL("ftp://x").IsHttp());
  EXPECT_FALSE(XURL("http:/x").IsHttp());
  // Deleted through the string base, as the site configuration holds them.
  XString* held = new XEmailAddress("office@school.example");
  EXPECT_EQ(*held, "office@school.example");
  delete held;
}

}  // namespace
