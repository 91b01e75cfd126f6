#include "data/ado/Variant.h"

#include <gtest/gtest.h>

#include <cstring>

#include "data/ado/GuidText.h"
#include "data/ado/OleDate.h"

using namespace ado;

TEST(Variant, TagsCarryTheOleAutomationNumbersAndPayloadsReadOnlyAsTheirOwnType) {
  EXPECT_EQ(Variant().Type(), 0);
  EXPECT_EQ(Variant::Null().Type(), 1);
  EXPECT_EQ(Variant::I4(7).Type(), 3);
  EXPECT_EQ(Variant::R8(1.5).Type(), 5);
  EXPECT_EQ(Variant::Date(2.0).Type(), 7);
  EXPECT_EQ(Variant::Str("x").Type(), 8);
  EXPECT_EQ(Variant::Bool(true).Type(), 11);
  EXPECT_EQ(Variant::I8(1).Type(), 20);
  EXPECT_EQ(Variant::Bytes("ab", 2).Type(), 0x2011);
  EXPECT_TRUE(Variant::Bytes("ab", 2).IsArray());
  EXPECT_EQ(Variant::I4(-5).GetI4(), -5);
  EXPECT_EQ(Variant::I4(-5).GetI8(), 0);
  EXPECT_EQ(Variant::R8(2.5).GetDate(), 0.0);
  EXPECT_STREQ(Variant::I4(1).GetStr().c_str(), "");
}

TEST(Variant, DecimalParsesNumericTextIntoMantissaAndScale) {
  Decimal d;
  ASSERT_TRUE(Decimal::Parse("-123.4500", 9, d));
  EXPECT_TRUE(d.negative);
  EXPECT_EQ(d.scale, 4);
  EXPECT_EQ(d.lo64, 1234500u);
  EXPECT_DOUBLE_EQ(d.ToDouble(), -123.45);
  ASSERT_TRUE(Decimal::Parse(".5", 2, d));
  EXPECT_DOUBLE_EQ(d.ToDouble(), 0.5);
  ASSERT_TRUE(Decimal::Parse("-0.00", 5, d));
  EXPECT_FALSE(d.negative) << "zero has no sign";
  // 2^64 spills into the high word; 2^96 does not fit at all.
  ASSERT_TRUE(Decimal::Parse("18446744073709551616", 20, d));
  EXPECT_EQ(d.hi32, 1u);
  EXPECT_EQ(d.lo64, 0u);
  EXPECT_FALSE(Decimal::Parse("79228162514264337593543950336", 29, d));
  EXPECT_FALSE(Decimal::Parse("", 0, d));
  EXPECT_FALSE(Decimal::Parse("1e5", 3, d));
  EXPECT_FALSE(Decimal::Parse("1.2.3", 5, d));
}

TEST(OleDate, CountsDaysFromTheEpochWithTheTimeAsFraction) {
  EXPECT_DOUBLE_EQ(ToOleDate({1899, 12, 30}), 0.0);
  EXPECT_DOUBLE_EQ(ToOleDate({1900, 1, 1}), 2.0);
  EXPECT_DOUBLE_EQ(ToOleDate({1899, 12, 31, 12}), 1.5);
  EXPECT_DOUBLE_EQ(ToOleDate({2009, 3, 18}), 39890.0);
  EXPECT_DOUBLE_EQ(ToOleDate({2000, 2, 29, 6}), 36585.25);
  // Before the epoch the fraction still runs forward within the day.
  EXPECT_DOUBLE_EQ(ToOleDate({1899, 12, 29, 6}), -1.25);

  OleDateParts p = FromOleDate(-1.25);
  EXPECT_EQ(p.year * 10000 + p.month * 100 + p.day, 18991229);
  EXPECT_EQ(p.hour, 6);
  p = FromOleDate(ToOleDate({2024, 12, 31, 23, 59, 59, 999000000}));
  EXPECT_EQ(p.year * 10000 + p.month * 100 + p.day, 20241231);
  EXPECT_EQ(p.hour * 3600 + p.minute * 60 + p.second, 86399);
  EXPECT_EQ(p.nanosecond, 999000000u);
  // A value a hair before midnight rounds into the next day, not to 24:00.
  p = FromOleDate(39890.0 + 0.99999999999);
  EXPECT_EQ(p.day, 19);
  EXPECT_EQ(p.hour, 0);
  // Before the epoch too: the last instant of 1899-12-29 rounds into 1899-12-30.
  p = FromOleDate(-1.9999999999);
  EXPECT_EQ(p.year * 10000 + p.month * 100 + p.day, 18991230);
  EXPECT_EQ(p.hour, 0);
}

TEST(Variant, UnsignedBigintKeepsItsTopBit) {
  EXPECT_EQ(Variant::UI8(1).Type(), 21);
  EXPECT_EQ(Variant::UI8(18446744073709551615ULL).GetUI8(), 18446744073709551615ULL);
  EXPECT_EQ(Variant::UI8(1ULL << 63).GetI8(), 0) << "read only as its own type";
}

TEST(GuidText, ReadsAsAdoShowsItInBracesUpperCase) {
  const std::string plain = "6f9619ff-8b86-d011-b42d-00c04fc964ff";
  EXPECT_EQ(GuidText(plain.data(), plain.size()), "{6F9619FF-8B86-D011-B42D-00C04FC964FF}");
  const std::string braced = "{0a1b2c3d-0000-1111-2222-333344445555}";
  EXPECT_EQ(GuidText(braced.data(), braced.size()), "{0A1B2C3D-0000-1111-2222-333344445555}");
  // Not a GUID: as it came.
  for (const std::string& text : {std::string("not-a-guid"), std::string("6f9619ff-8b86-d011-b42d-00c04fc964fx"),
                                 std::string("{6f9619ff-8b86-d011-b42d-00c04fc964ff"), std::string()}) {
    EXPECT_EQ(GuidText(text.data(), text.size()), text);
  }
}
