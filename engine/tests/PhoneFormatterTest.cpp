// The phone formatter on the forms the Meridane demo data holds, beyond the layouts the table
// layer's own tests pin down.
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

TEST(PhoneFormatter, BlanksGoBeforeTheExtensionIsSplitOff) {
  EXPECT_EQ("555 123-4567 x12", Format("(555) 123-4567 ext 12").number);
  EXPECT_EQ("555-1234 x9", Format("555-1234 x 9").number);
  EXPECT_EQ("+1-555-010-3030", Format("1 (555) 010-3030").number);
  EXPECT_EQ("", Format("(555) 123-4567 ext 12").message);
  // A number of blanks and an extension only: the extension alone.
  EXPECT_EQ("245", Format("x 245").number);
}

TEST(PhoneFormatter, OtherFormsComeBackUnchangedWithTheMessage) {
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
