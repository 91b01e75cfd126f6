#include "foundation/XString.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/XException.h"

TEST(XString, TrimOfBlanksOnlyIsEmptyAndTrimRemovesEveryIsspaceCharacter) {
  XString blanks("   \t ");
  EXPECT_EQ(blanks.Trim().Length(), 0u);
  XString mixed(" \t\r\n\v\fa b\r\n");
  EXPECT_STREQ(mixed.Trim().c_str(), "a b");
}

TEST(XString, LeftMidAndInsertClampOutOfRangePositions) {
  XString abc("abc");
  EXPECT_STREQ(abc.Left(10).c_str(), "abc");
  EXPECT_STREQ(abc.Left(2).c_str(), "ab");
  EXPECT_EQ(abc.Mid(3).Length(), 0u);
  EXPECT_STREQ(abc.Mid(1).c_str(), "bc");
  XString s("abc");
  EXPECT_STREQ(s.Insert(1, "XY").c_str(), "aXYbc");
  EXPECT_STREQ(s.Insert(99, "!").c_str(), "aXYbc!");
}

TEST(XString, EditingInPlaceKeepsLengthTruthful) {
  XString tab("a\tb");
  tab.RemoveChars("\t");
  EXPECT_STREQ(tab.c_str(), "ab");
  EXPECT_EQ(tab.Length(), 2u);

  XString controls("a\x01\x1f" "b\x7f");
  controls.RemoveRange(0x01, 0x1f);
  EXPECT_STREQ(controls.c_str(), "ab\x7f");

  XString trailing("1,2,,, ");
  trailing.TrimTrailing(", ");
  EXPECT_STREQ(trailing.c_str(), "1,2");

  // Removing "ab" from "aabb" leaves a new "ab", which goes too.
  XString nested("xaabby");
  nested.RemoveAll("ab");
  EXPECT_STREQ(nested.c_str(), "xy");
  XString untouched("abc");
  untouched.RemoveAll("");
  EXPECT_STREQ(untouched.c_str(), "abc");

  XString sized("abcdef");
  sized.SetLength(3);
  EXPECT_STREQ(sized.c_str(), "abc");
  EXPECT_EQ(sized.Length(), 3u);
}

TEST(XString, ComparisonsAndClassification) {
  EXPECT_EQ(XString("Student").CompareNoCase("STUDENT"), 0);
  EXPECT_LT(XString("Student").CompareNoCase("STUDENTS"), 0);
  EXPECT_NE(XString("a").Compare("A"), 0);
  EXPECT_TRUE(XString("").IsDigits());
  EXPECT_FALSE(XString("12a").IsDigits());
  EXPECT_TRUE(XString("1.5").IsDecimal());
  EXPECT_FALSE(XString("1.2.3").IsDecimal());
  EXPECT_TRUE(XString("HTTP://x").BeginsWithHttp());
  EXPECT_FALSE(XString("https://x").BeginsWithHttp());
  EXPECT_EQ(XString("abc").Find('c'), 2u);
  EXPECT_EQ(XString("abc").Find('z'), 3u);
}

TEST(XString, NumbersAndFormatting) {
  EXPECT_STREQ(XString(-42).c_str(), "-42");
  EXPECT_STREQ(XString(int64_t{9000000000}).c_str(), "9000000000");
  EXPECT_STREQ(XString(12.34).c_str(), "12.3400");
  EXPECT_STREQ(XString(2.5f, 1).c_str(), "2.5");
  XString cut;
  cut.Format(4, "%s", "abcdef");
  EXPECT_STREQ(cut.c_str(), "abc");
  EXPECT_EQ(cut.Length(), 3u);
  EXPECT_STREQ(XString("x").Quote().c_str(), "\"x\"");
  EXPECT_STREQ((XString("a") + "b" + XString("c")).c_str(), "abc");
}

TEST(XString, EmbeddedZeroStopsNulTerminatedOperations) {
  XString s("ab\0cd", 5);
  EXPECT_EQ(s.Length(), 5u);
  EXPECT_EQ(s.Compare("ab"), 0);
}

TEST(XString, WideConversionKeepsCodePageCharactersAndReplacesOthers) {
  // é ü ñ € from UTF-16 to Windows-1252 and back.
  const char16_t wide[] = {u'\u00e9', u'\u00fc', u'\u00f1', u'\u20ac', 0};
  XString narrow(wide, -1);
  EXPECT_EQ(narrow.ToStd(), std::string("\xE9\xFC\xF1\x80"));
  EXPECT_EQ(narrow.ToWide(), std::u16string(wide));

  const char16_t outside[] = {u'a', u'\u0416', u'b', 0};  // Cyrillic Zhe is not in the code page
  XString replaced(outside, 3);
  EXPECT_EQ(replaced.Length(), 3u);
  EXPECT_EQ(replaced[0], 'a');
  EXPECT_NE(replaced[1], '\0');
  EXPECT_NE(static_cast<unsigned char>(replaced[1]), 0x16);
  EXPECT_EQ(replaced[2], 'b');
}

TEST(XString, WideConversionForWin32CallsRefusesTextBeyondItsBuffer) {
  XString longName(std::string(300, 'x'));
  try {
    (void)longName.ToWide();
    FAIL() << "expected XException";
  } catch (const XException& e) {
    EXPECT_STREQ(e.what(), "XString::WinToWChar error");
  }
}

// However a string becomes empty (made so, moved from, cut, assigned "", formatted to
// nothing), it reads "" and takes text again, and no edit of one shows in another.
TEST(XString, EmptyStringsFromEveryPathStayEmptyAndIndependent) {
  XString moved("moved away");
  XString target(std::move(moved));
  EXPECT_EQ(moved.Length(), 0u);
  EXPECT_STREQ(moved.c_str(), "");
  moved += "again";
  EXPECT_STREQ(moved.c_str(), "again");
  EXPECT_STREQ(target.c_str(), "moved away");

  XString cut("abc");
  cut.SetLength(0);
  XString assigned("x");
  assigned = "";
  XString copied(assigned);
  XString formatted;
  formatted.Format(8, "%s", "");
  XString trimmed("   ");
  trimmed.Trim();
  for (XString* empty : {&cut, &assigned, &copied, &formatted, &trimmed}) {
    EXPECT_TRUE(empty->IsEmpty());
    EXPECT_STREQ(empty->c_str(), "");
  }
  assigned.Append(assigned);
  copied = assigned;
  copied += 'z';
  trimmed.Insert(0, "in");
  EXPECT_STREQ(copied.c_str(), "z");
  EXPECT_STREQ(trimmed.c_str(), "in");
  EXPECT_STREQ(assigned.c_str(), "");
  EXPECT_STREQ(XString().c_str(), "");
  EXPECT_STREQ(XString(nullptr).c_str(), "");
}

// Text on either side of the inline limit, moved, copied and edited, reads the same; sources
// inside the string's own buffer survive the buffer growing under them.
TEST(XString, TextAcrossTheInlineLimitSurvivesMovesCopiesAndSelfReferences) {
  const std::string shortText(XString::kInlineLength, 's'), longText(XString::kInlineLength + 1, 'L');
  for (const std::string& text : {shortText, longText}) {
    XString original(text);
    XString copy(original);
    XString moved(std::move(copy));
    EXPECT_EQ(moved.ToStd(), text);
    EXPECT_TRUE(copy.IsEmpty());
    XString assigned("previous text that is longer than the inline buffer");
    assigned = std::move(moved);
    EXPECT_EQ(assigned.ToStd(), text);
    EXPECT_STREQ(moved.c_str(), "");
    assigned = original;
    EXPECT_EQ(assigned.ToStd(), text);
    EXPECT_EQ(original.ToStd(), text);

    XString doubled(text);
    doubled.Append(doubled);
    EXPECT_EQ(doubled.ToStd(), text + text);
    XString tail(text);
    tail.Append(tail.c_str() + 1, tail.Length() - 1);
    EXPECT_EQ(tail.ToStd(), text + text.substr(1));
    XString self(text);
    self = self.c_str() + 2;
    EXPECT_EQ(self.ToStd(), text.substr(2));
  }

  // A vector of short strings keeps every text through its reallocations.
  std::vector<XString> many;
  for (int i = 0; i < 100; ++i) many.emplace_back(XString(i));
  for (int i = 0; i < 100; ++i) EXPECT_STREQ(many[static_cast<size_t>(i)].c_str(), std::to_string(i).c_str());
}

TEST(XString, AppendingGrowsTheBufferByHalvesNotByEachValue) {
  XString line;
  std::string expected;
  int buffers = 0;
  uint32_t capacity = line.Capacity();
  for (int i = 0; i < 10000; ++i) {
    line += "value\t";
    expected += "value\t";
    if (line.Capacity() != capacity) ++buffers, capacity = line.Capacity();
  }
  EXPECT_EQ(line.ToStd(), expected);
  EXPECT_LT(buffers, 30);  // 60,000 bytes: about log1.5(60000 / 23) buffers
  EXPECT_EQ(line.c_str()[line.Length()], '\0');

  // Cutting and growing again: the bytes between are zero, the text ends where it says.
  XString sized("abcdefghijklmnopqrstuvwxyz0123456789");
  sized.SetLength(3);
  sized.SetLength(6);
  EXPECT_EQ(sized.ToStd(), std::string("abc\0\0\0", 6));
  XString formatted;
  formatted.Format(2000, "%01500d", 7);
  EXPECT_EQ(formatted.Length(), 1500u);
  EXPECT_EQ(formatted[1499], '7');
}
