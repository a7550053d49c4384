#include "text/text_utils.h"

#include <gtest/gtest.h>

TEST(UpcaseChar, FoldsAccentsByTheProgramsOwnTable) {
  EXPECT_EQ(upcaseChar('a'), 'A');
  EXPECT_EQ(upcaseChar('z'), 'Z');
  EXPECT_EQ(upcaseChar(0xE9), 0xC9);  // é keeps its accent
  EXPECT_EQ(upcaseChar(0xE8), 'E');   // è loses it
  EXPECT_EQ(upcaseChar(0xE5), 0xC5);  // å
  EXPECT_EQ(upcaseChar(0xE4), 0xC4);  // ä
  EXPECT_EQ(upcaseChar(0xF6), 0xD6);  // ö
  EXPECT_EQ(upcaseChar(0xE1), 'A');
  EXPECT_EQ(upcaseChar(0xEC), 'I');
  EXPECT_EQ(upcaseChar(0xFF), 'Y');
  for (unsigned char unchanged : {0xE3, 0xF0, 0xF5, 0xF7, 0xF8, 0xFD, 0xFE, 0x9A, 0x9C, 0x9E}) {
    EXPECT_EQ(upcaseChar(unchanged), unchanged) << int(unchanged);
  }
  for (int c = 0; c <= 96; ++c) EXPECT_EQ(upcaseChar(static_cast<unsigned char>(c)), c);
  for (int c = 123; c <= 223; ++c) EXPECT_EQ(upcaseChar(static_cast<unsigned char>(c)), c);
}

TEST(UpcaseText, KeepsLength) {
  EXPECT_EQ(upcaseText(""), "");
  EXPECT_EQ(upcaseText("yesterday \xE5"), "YESTERDAY \xC5");
}

TEST(TrimTrailingSpaces, OnlyBlanksAndNeverBelowOneCharacter) {
  EXPECT_EQ(trimTrailingSpaces("ab  "), "ab");
  EXPECT_EQ(trimTrailingSpaces(" ab"), " ab");
  EXPECT_EQ(trimTrailingSpaces("ab \t"), "ab \t");
  EXPECT_EQ(trimTrailingSpaces("   "), " ");
  EXPECT_EQ(trimTrailingSpaces(" "), " ");
  EXPECT_EQ(trimTrailingSpaces(""), "");
}

TEST(RepeatAndFill, CountsAndSigns) {
  EXPECT_EQ(repeatChar(' ', 0), "");
  EXPECT_EQ(repeatChar(' ', -5), "");
  EXPECT_EQ(repeatChar(' ', 3), "   ");
  EXPECT_EQ(repeatChar('x', 1000).size(), 255u);
  EXPECT_EQ(fillSigned('0', 3, -1), "-00");
  EXPECT_EQ(fillSigned('0', 0, -1), "-");
  EXPECT_EQ(fillSigned('0', -4, -1), "-");
  EXPECT_EQ(fillSigned('0', 0, 1), "");
  EXPECT_EQ(fillSigned('0', 2, 0), "00");
}

TEST(ZeroPadNumber, WidthsSignsAndTheCut) {
  EXPECT_EQ(zeroPadNumber(5, 2), "05");
  EXPECT_EQ(zeroPadNumber(2024, 4), "2024");
  EXPECT_EQ(zeroPadNumber(0, 4), "0000");
  EXPECT_EQ(zeroPadNumber(123, 2), "123");
  EXPECT_EQ(zeroPadNumber(-5, 3), "-05");
  EXPECT_EQ(zeroPadNumber(-5, 2), "-5");
  EXPECT_EQ(zeroPadNumber(-5, 1), "-5");
  EXPECT_EQ(zeroPadNumber(-123, 2), "-123");
  EXPECT_EQ(zeroPadNumber(7, 0), "7");
  EXPECT_EQ(zeroPadNumber(7, -3), "7");
  EXPECT_EQ(zeroPadNumber(5, 40), std::string(32, '0'));
  EXPECT_EQ(zeroPadNumber(INT32_MIN, 0), "-2147483648");
}

TEST(ShortText, CutsAtCapacityAndReadsNothingOutside) {
  ShortText text(std::string(300, 'a'));
  EXPECT_EQ(text.size(), 255u);
  text.append("more");
  EXPECT_EQ(text.size(), 255u);
  EXPECT_EQ(text.at(0), 0);
  EXPECT_EQ(text.at(256), 0);
  EXPECT_EQ(ShortText("abc").slice(2, 9), "bc");
  EXPECT_EQ(ShortText("abc").slice(3, 2), "");
  FixedText<10> small = "LIRKEL32-and-more";
  EXPECT_EQ(small, "LIRKEL32-a");
}
