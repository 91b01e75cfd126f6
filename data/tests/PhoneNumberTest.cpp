// The phone formatter: the layouts it writes by digit count, and the forms a SIS holds that it
// reads (blanks, parentheses, a country prefix, an extension) or gives back unchanged.
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

TEST(PhoneNumber, LayoutsByDigitCount) {
  XString message;
  EXPECT_EQ(PhoneNumber::Format("5551234", message), "555-1234");
  EXPECT_EQ(PhoneNumber::Format("(555) 123-4567", message), "555 123-4567");
  EXPECT_EQ(PhoneNumber::Format("15551234567", message), "+1-555-123-4567");
  EXPECT_EQ(PhoneNumber::Format("123456789012", message), "+12 345 678-9012");
  EXPECT_EQ(PhoneNumber::Format("1234567890123", message), "+123 456 789-0123");
  EXPECT_EQ(PhoneNumber::Format("12345678901234", message), "+1234 567 890-1234");
  EXPECT_EQ(PhoneNumber::Format("555-1234 Ext 9", message), "555-1234 x9");
  EXPECT_EQ(PhoneNumber::Format("555-1234x", message), "555-1234");
  EXPECT_TRUE(message.IsEmpty());
  EXPECT_EQ(PhoneNumber::Format("", message), "");
  EXPECT_TRUE(message.IsEmpty());
  // Eight digits fit no layout; an unreadable number keeps its extension once.
  EXPECT_EQ(PhoneNumber::Format("12345678", message), "12345678");
  EXPECT_FALSE(message.IsEmpty());
  EXPECT_EQ(PhoneNumber::Format("555.1234 ext 7", message), "555.1234 ext 7");
  EXPECT_EQ(message, "Phone number: 555.1234 ext 7, cannot parse into right format.  This means that the phone "
                     "number in your database is not in phone number format.");
}

TEST(PhoneNumber, BlanksGoBeforeTheExtensionIsSplitOff) {
  EXPECT_EQ("555 123-4567 x12", Format("(555) 123-4567 ext 12").number);
  EXPECT_EQ("555-1234 x9", Format("555-1234 x 9").number);
  EXPECT_EQ("+1-555-010-3030", Format("1 (555) 010-3030").number);
  EXPECT_EQ("", Format("(555) 123-4567 ext 12").message);
  // A number of blanks and an extension only: the extension alone.
  EXPECT_EQ("245", Format("x 245").number);
}

TEST(PhoneNumber, OtherFormsComeBackUnchangedWithTheMessage) {
  for (const char* raw : {"555.123.4567", "123456789", "555-CALL-NOW", "123456789012345",
                          "+1 555 010 3030"}) {
    const Formatted f = Format(raw);
    EXPECT_EQ(raw, f.number) << raw;
    EXPECT_EQ("Phone number: " + std::string(raw) +
                  ", cannot parse into right format.  This means that the phone number in your "
                  "database is not in phone number format.",
              f.message)
        << raw;
  }
}

}  // namespace
