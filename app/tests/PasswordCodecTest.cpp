#include "app/PasswordCodec.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

TEST(PasswordCodecTest, KnownVectorAndDecodingRules) {
  // 'A' 0x41 and 'b' 0x62: nibbles 4 1 6 2 of the fixed alphabet.
  EXPECT_STREQ(PasswordCodec::Encode("Ab").c_str(), "xq27");
  EXPECT_STREQ(PasswordCodec::Decode("xq27").c_str(), "Ab");
  // A character outside the alphabet is the nibble 3; a lone last character pairs with 0.
  EXPECT_STREQ(PasswordCodec::Decode("!q").c_str(), "1");
  EXPECT_STREQ(PasswordCodec::Decode("x").c_str(), "@");
  EXPECT_STREQ(PasswordCodec::Decode("").c_str(), "");
}

TEST(PasswordCodecTest, EveryByteRoundTripsAndTheFormIsSafeInQuotesAndXml) {
  std::string all;
  for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
  for (int round = 0; round < 20; ++round) {
    XString encoded = PasswordCodec::Encode(XString(all));
    ASSERT_EQ(encoded.Length(), all.size() * 2);
    EXPECT_EQ(PasswordCodec::Decode(encoded).ToStd(), all);
    for (uint32_t i = 0; i < encoded.Length(); ++i) {
      unsigned char c = static_cast<unsigned char>(encoded[i]);
      EXPECT_TRUE(c >= 32 && c <= 122) << int(c);
      EXPECT_EQ(std::strchr("\"%<=>", c), nullptr) << encoded[i];
    }
  }
}

TEST(PasswordCodecTest, ANibbleThreeMakesTheFormVaryBetweenEncodings) {
  // "3" is 0x33: both nibbles are drawn at random, so four draws agreeing by chance is
  // vanishingly rare across ten tries.
  XString first = PasswordCodec::Encode("33");
  bool varied = false;
  for (int i = 0; i < 10 && !varied; ++i) varied = PasswordCodec::Encode("33") != first;
  EXPECT_TRUE(varied);
  EXPECT_STREQ(PasswordCodec::Decode(first).c_str(), "33");
  // Without a nibble 3 the form is fixed.
  EXPECT_EQ(PasswordCodec::Encode("Ab"), PasswordCodec::Encode("Ab"));
}
