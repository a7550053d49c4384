#include "text/codepage.h"

#include <gtest/gtest.h>

using cp1252::cp1252ToUtf8;
using cp1252::utf8ToCp1252;

TEST(Codepage, Utf8ArgumentsBecomeWindows1252) {
  EXPECT_EQ(cp1252::utf8ToCp1252("G3EGEGE"), "G3EGEGE");
  EXPECT_EQ(cp1252::utf8ToCp1252("\xC3\xA4ngel"), "\xE4ngel");  // ängel
  EXPECT_EQ(cp1252::utf8ToCp1252("\xE2\x82\xAC"), "\x80");      // €
  EXPECT_EQ(cp1252::utf8ToCp1252("\xE2\x98\xBA!"), "?!");       // ☺ has no equivalent
  EXPECT_EQ(cp1252::utf8ToCp1252("\xF0\x9F\x8E\xB5"), "?");     // 🎵
}

TEST(Codepage, InvalidUtf8BecomesQuestionMarks) {
  EXPECT_EQ(cp1252::utf8ToCp1252("a\xFF"
                         "b"),
            "a?b");
  EXPECT_EQ(cp1252::utf8ToCp1252("\xC3"), "?");            // cut short
  EXPECT_EQ(cp1252::utf8ToCp1252("\xC0\xAF"), "??");       // overlong
  EXPECT_EQ(cp1252::utf8ToCp1252("\xED\xA0\x80"), "???");  // surrogate
  EXPECT_EQ(cp1252::utf8ToCp1252("\xE2\x82"
                         "A"),
            "?"
            "?"
            "A");
}

TEST(Codepage, OutputRoundTripsEveryAssignedCharacter) {
  for (int c = 1; c < 256; ++c) {
    const std::string one(1, static_cast<char>(c));
    const std::string utf8 = cp1252::cp1252ToUtf8(one);
    if (c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D) {
      EXPECT_EQ(utf8, "?") << c;
    } else {
      EXPECT_EQ(cp1252::utf8ToCp1252(utf8), one) << c;
    }
  }
  EXPECT_EQ(cp1252::cp1252ToUtf8("f\xF6r"), "f\xC3\xB6r");
}
