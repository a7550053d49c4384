// Token shapes of the note language, above all where a line ends early or a
// title or lyric never closes.
#include "player/notation_lexer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "player/interpreter.h"
#include "world.h"

namespace {

struct Shape {
  const char* line;
  std::size_t position;
  TokenKind kind;
  std::size_t end;
  std::string operand;
  bool closed = true;
};

TEST(NotationLexer, OperandsKeepTheirWidthAndSpansRunToTheLineEnd) {
  const std::vector<Shape> shapes = {
      // Fixed-width operands: the width holds past the end of the line, the
      // operand holds only what the line has.
      {"XK", 1, TokenKind::octave, 2, "K"},
      {"Cx", 2, TokenKind::octave, 3, ""},
      {"xk", 1, TokenKind::octave, 2, "k"},  // the letter as written
      {"Z10C", 1, TokenKind::tempo, 3, "10"},
      {"CZ5", 2, TokenKind::tempo, 4, "5"},
      {"Z", 1, TokenKind::tempo, 3, ""},
      {"I025C", 1, TokenKind::instrument, 4, "025"},
      {"I2", 1, TokenKind::instrument, 4, "2"},
      {"\xED"
       "12",
       1, TokenKind::instrument, 4, "12"},  // an accented i folds to I
      // A duration digit only when it lies within the line.
      {"C3D", 1, TokenKind::note, 2, "3"},
      {"b", 1, TokenKind::note, 1, ""},
      {"_9", 1, TokenKind::rest, 2, "9"},
      {"C#", 1, TokenKind::note, 1, ""},
      // Titles and lyrics: one token up to the closing character, or to the
      // end of the line when there is none.
      {"\"Go!\"C", 1, TokenKind::title, 5, "Go!"},
      {"C\"oops! D", 2, TokenKind::title, 9, "oops! D", false},
      {"<la.>", 1, TokenKind::lyric, 5, "la."},
      {"<>", 1, TokenKind::lyric, 2, ""},
      {"C<", 2, TokenKind::lyric, 2, "", false},
      {"<oops!>", 1, TokenKind::lyric, 7, "oops!"},
      {"a<b!", 2, TokenKind::lyric, 4, "b!", false},
      {"!C", 1, TokenKind::end, 1, ""},
      {"9", 1, TokenKind::skipped, 1, ""},
  };
  for (const Shape& shape : shapes) {
    SCOPED_TRACE(std::string(shape.line) + " at " + std::to_string(shape.position));
    const ShortText line(shape.line);
    const NotationToken token = readToken(line, shape.position);
    EXPECT_EQ(token.kind, shape.kind);
    EXPECT_EQ(token.start, shape.position);
    EXPECT_EQ(token.end, shape.end);
    EXPECT_EQ(std::string(token.operand), shape.operand);
    EXPECT_EQ(token.closed, shape.closed);
  }
}

// The letter after X is consumed whatever it is, here the opening of a lyric,
// so the lyric's text and its closing bracket are read as skipped characters.
TEST(NotationLexer, AWalkOverALineCountsEverySkippedCharacterAsAToken) {
  const ShortText line("C2 \"a!\"x<y>Z1");
  std::vector<std::size_t> starts;
  std::vector<TokenKind> kinds;
  for (std::size_t p = 1; p <= line.size(); ++p) {
    const NotationToken token = readToken(line, p);
    starts.push_back(token.start);
    kinds.push_back(token.kind);
    p = token.end;
  }
  EXPECT_EQ(starts, (std::vector<std::size_t>{1, 3, 4, 8, 10, 11, 12}));
  EXPECT_EQ(kinds, (std::vector<TokenKind>{TokenKind::note, TokenKind::skipped, TokenKind::title,
                                           TokenKind::octave, TokenKind::skipped,
                                           TokenKind::skipped, TokenKind::tempo}));
}

class LexerAndPlayer : public FreshProcess {};

// The player tests the keyboard once after every token: a key that arrives
// with the fifth test stops the tune after the fifth token, the D.
TEST_F(LexerAndPlayer, ThePlayerTestsTheKeyboardOncePerToken) {
  fake::script().keys.push_back({'k', true, 5, -1});
  EXPECT_EQ(playNotationSpeaker(false, ShortText("C \"x!\"<y>DEF")), 'k');
  EXPECT_EQ(tones(), (std::vector<std::pair<std::int64_t, std::int64_t>>{{261, 512}, {293, 512}}));
}

}  // namespace
