// The phone formatter: digit counts, separators, extensions and what it refuses.
#include <gtest/gtest.h>

#include <string>

#include "data/PhoneNumber.h"

namespace {

struct Formatted {
  std::string number;
  std::string message;
};

Formatted Format(const char* raw) {
  XString message = "stale";
  XString number = PhoneNumber::Format(raw, message);
  return {number.ToStd(), message.ToStd()};
}

std::string Refusal(const std::string& raw) {
  return "Phone number: " + raw +
         ", cannot parse into right format.  This means that the phone number in your database "
         "is not in phone number format.";
}

TEST(PhoneFormatter, GroupsDigitsByTheirCount) {
  EXPECT_EQ("555-1234", Format("5551234").number);
  EXPECT_EQ("555 123-4567", Format("5551234567").number);
  // Eleven digits: dashes between all groups; twelve to fourteen: blanks.
  EXPECT_EQ("+1-555-123-4567", Format("15551234567").number);
  EXPECT_EQ("+12 345 678-9012", Format("123456789012").number);
  EXPECT_EQ("+123 456 789-0123", Format("1234567890123").number);
  EXPECT_EQ("+1234 567 890-1234", Format("12345678901234").number);
  EXPECT_EQ("", Format("5551234567").message);
}

TEST(PhoneFormatter, PunctuationIsDroppedBeforeGrouping) {
  EXPECT_EQ("555 123-4567", Format("(555) 123-4567").number);
  EXPECT_EQ("+1-555-010-3030", Format("1 (555) 010-3030").number);
  EXPECT_EQ("555-1234", Format("555 - 1234").number);
}

TEST(PhoneFormatter, ExtensionFollowsAfterX) {
  // Blanks go before the extension is split off.
  EXPECT_EQ("555 123-4567 x12", Format("(555) 123-4567 ext 12").number);
  EXPECT_EQ("555 123-4567 x12", Format("555-123-4567 Ext 12").number);
  EXPECT_EQ("555-1234 x9", Format("555-1234 x 9").number);
  EXPECT_EQ("", Format("(555) 123-4567 ext 12").message);
}

TEST(PhoneFormatter, EmptyInputStaysEmptyWithoutMessage) {
  const Formatted f = Format("");
  EXPECT_EQ("", f.number);
  EXPECT_EQ("", f.message);
}

TEST(PhoneFormatter, ExtensionAloneIsKept) {
  const Formatted f = Format("x 245");
  EXPECT_EQ("245", f.number);
  EXPECT_EQ("", f.message);
}

TEST(PhoneFormatter, OtherFormsComeBackUnchangedWithTheMessage) {
  for (const char* raw : {"555.123.4567", "12345678", "123456789", "123", "555-CALL-NOW",
                          "123456789012345", "+1 555 010 3030"}) {
    const Formatted f = Format(raw);
    EXPECT_EQ(raw, f.number) << raw;
    EXPECT_EQ(Refusal(raw), f.message) << raw;
  }
}

TEST(PhoneFormatter, UnparsedNumberKeepsItsExtensionOnce) {
  // The input is returned as it is, extension included; appending it again would write it
  // twice.
  const Formatted f = Format("555.123.4567 ext 12");
  EXPECT_EQ("555.123.4567 ext 12", f.number);
  EXPECT_EQ(Refusal("555.123.4567 ext 12"), f.message);
}

}  // namespace
