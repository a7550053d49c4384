// The bytes a terminal sends for a key press, turned into one key answer.
#include "platform/linux/key_decoding.h"

#include <gtest/gtest.h>

namespace {

using platform::posix::DecodedKey;
using platform::posix::decodeKey;

void expectKey(std::string_view bytes, unsigned char answer, std::size_t length) {
  SCOPED_TRACE(testing::PrintToString(std::string(bytes)));
  const DecodedKey key = decodeKey(bytes, false);
  EXPECT_FALSE(key.needMore);
  EXPECT_EQ(key.answer, answer);
  EXPECT_EQ(key.length, length);
}

void expectUnfinished(std::string_view bytes, unsigned char finalAnswer, std::size_t finalLength) {
  SCOPED_TRACE(testing::PrintToString(std::string(bytes)));
  EXPECT_TRUE(decodeKey(bytes, false).needMore);
  const DecodedKey key = decodeKey(bytes, true);
  EXPECT_FALSE(key.needMore);
  EXPECT_EQ(key.answer, finalAnswer);
  EXPECT_EQ(key.length, finalLength);
}

TEST(KeyDecoding, PlainBytesAnswerThemselvesOneAtATime) {
  expectKey("a", 'a', 1);
  expectKey("ab", 'a', 1);
  expectKey(" ", ' ', 1);
  expectKey("\x03", 3, 1);
  expectKey("\x7f", 0x7F, 1);
}

TEST(KeyDecoding, EnterIsThirteenWhateverTheTerminalSends) {
  expectKey("\r", 13, 1);
  expectKey("\n", 13, 1);
  expectKey("\r\n", 13, 1);  // two presses when both come
}

TEST(KeyDecoding, EscapeAloneOnlyOnceNothingFollows) {
  expectUnfinished("\x1b", 27, 1);
  expectKey("\x1bx", 27, 1);
  expectKey("\x1b\x1b", 27, 1);
}

TEST(KeyDecoding, KeysWithoutACharacterAreUsedUpWhole) {
  expectKey("\x1b[A", 0, 3);        // arrow
  expectKey("\x1b[Dq", 0, 3);       // arrow, then a key of its own
  expectKey("\x1b[1;5C", 0, 6);     // Ctrl+arrow
  expectKey("\x1b[15~", 0, 5);      // F5
  expectKey("\x1b[3~", 0, 4);       // Delete
  expectKey("\x1bOP", 0, 3);        // F1
  expectKey("\x1bOH", 0, 3);        // Home
  expectKey("\x1b[[B", 0, 4);       // F2 on the Linux console
  expectUnfinished("\x1b[", 0, 2);  // cut off: dropped, not typed
  expectUnfinished("\x1b[15", 0, 4);
  expectUnfinished("\x1bO", 0, 2);
  expectUnfinished("\x1b[[", 0, 3);
}

TEST(KeyDecoding, ABrokenSequenceEndsBeforeTheByteThatBreaksIt) {
  expectKey("\x1b[1\x1b[A", 0, 3);
  expectKey("\x1b[1a", 0, 4);  // 'a' is a final byte: the sequence ends with it
  const std::string endless = "\x1b[" + std::string(40, '1');
  EXPECT_FALSE(decodeKey(endless, false).needMore);
}

TEST(KeyDecoding, Utf8GivesTheWindows1252CharacterOrZero) {
  expectKey("\xc3\xa4", 228, 2);        // ä
  expectKey("\xc3\x84x", 196, 2);       // Ä, then a key of its own
  expectKey("\xe2\x82\xac", 0x80, 3);   // euro sign
  expectKey("\xe2\x80\x9c", 0x93, 3);   // left double quote
  expectKey("\xe4\xb8\xad", 0, 3);      // not in Windows-1252
  expectKey("\xf0\x9f\x8e\xb5", 0, 4);  // not in Windows-1252
  expectUnfinished("\xc3", 0, 1);
  expectUnfinished("\xe2\x82", 0, 2);
}

TEST(KeyDecoding, MalformedUtf8AnswersZeroAndResynchronises) {
  expectKey("\x80", 0, 1);          // a lone continuation byte
  expectKey("\303a", 0, 1);         // the 'a' stays for the next call
  expectKey("\xc0\x80", 0, 1);      // cannot begin a sequence
  expectKey("\xe0\x80\x80", 0, 3);  // overlong
  expectKey("\xed\xa0\x80", 0, 3);  // a surrogate
}

TEST(KeyDecoding, NothingIsNoKey) {
  EXPECT_TRUE(decodeKey("", false).needMore);
  EXPECT_EQ(decodeKey("", true).length, 0u);
}

}  // namespace
