// The Windows command line split into arguments by the program's own rules.
#include "platform/windows/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using platform::windows::skipProgramName;
using platform::windows::splitCommandLine;
using Arguments = std::vector<std::u16string>;

TEST(CommandLineSplit, BlanksTabsAndControlCharactersSeparate) {
  EXPECT_EQ(splitCommandLine(u"G3 EGE"), (Arguments{u"G3", u"EGE"}));
  EXPECT_EQ(splitCommandLine(u"  a \t\t b  "), (Arguments{u"a", u"b"}));
  EXPECT_EQ(splitCommandLine(u"a\x01"
                             u"b\nc\rd\x1F"
                             u"e"),
            (Arguments{u"a", u"b", u"c", u"d", u"e"}));
  EXPECT_EQ(splitCommandLine(u""), Arguments{});
  EXPECT_EQ(splitCommandLine(u" \t "), Arguments{});
  // Characters above the blank are never separators, whatever they are.
  EXPECT_EQ(splitCommandLine(u"a\u00A0b\u263A\x7F"), (Arguments{u"a\u00A0b\u263A\x7F"}));
}

TEST(CommandLineSplit, QuotesMakeStretchesWithoutSeparatorsAndAreDropped) {
  EXPECT_EQ(splitCommandLine(u"\"arg with blank\" x"), (Arguments{u"arg with blank", u"x"}));
  EXPECT_EQ(splitCommandLine(u"\"a\tb\x01"
                             u"c\""),
            (Arguments{u"a\tb\x01"
                       u"c"}));
  EXPECT_EQ(splitCommandLine(u"a\"b c\"d e"), (Arguments{u"ab cd", u"e"}));
  EXPECT_EQ(splitCommandLine(u"\" \""), (Arguments{u" "}));
  // An unclosed quote runs to the end of the line.
  EXPECT_EQ(splitCommandLine(u"x \"open to the end "), (Arguments{u"x", u"open to the end "}));
}

TEST(CommandLineSplit, BackslashEscapesNothing) {
  EXPECT_EQ(splitCommandLine(u"q\\\"uote tail\\"), (Arguments{u"q\\uote tail\\"}));
  EXPECT_EQ(splitCommandLine(u"C:\\dir\\ \\\\"), (Arguments{u"C:\\dir\\", u"\\\\"}));
}

TEST(CommandLineSplit, AnEmptyPairOfQuotesWhereAnArgumentBeginsGivesNone) {
  EXPECT_EQ(splitCommandLine(u"\"\""), Arguments{});
  EXPECT_EQ(splitCommandLine(u"\"\" \"\"\t\"\""), Arguments{});
  EXPECT_EQ(splitCommandLine(u"a \"\" b"), (Arguments{u"a", u"b"}));
  EXPECT_EQ(splitCommandLine(u"\"\"\"\""), Arguments{});
  EXPECT_EQ(splitCommandLine(u"\"\"x"), (Arguments{u"x"}));
  // Inside an argument the pair is only two quotes, dropped.
  EXPECT_EQ(splitCommandLine(u"x\"\"y"), (Arguments{u"xy"}));
  // A lone quote after the pair opens a stretch that holds nothing.
  EXPECT_EQ(splitCommandLine(u"\"\"\""), (Arguments{u""}));
}

TEST(CommandLineProgramName, IsReadLikeAnArgumentAndLeftOut) {
  EXPECT_EQ(skipProgramName(u"lirkel.exe G3 EGE"), u" G3 EGE");
  EXPECT_EQ(skipProgramName(u"\"C:\\Program Files\\lirkel.exe\" yesterday"), u" yesterday");
  EXPECT_EQ(skipProgramName(u"\"C:\\Program Files\\lirkel.exe\""), u"");
  EXPECT_EQ(skipProgramName(u"lirkel\tL"), u"\tL");
  // An empty name still counts as the name.
  EXPECT_EQ(skipProgramName(u"\"\" L"), u" L");
  EXPECT_EQ(splitCommandLine(skipProgramName(u"C:\\lirkel.exe \"a b\" \"\" c")),
            (Arguments{u"a b", u"c"}));
}
