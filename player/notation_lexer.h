// The shapes of the note language's tokens, known here and nowhere else: the
// players, the library check and the song sheet all read a line through
// readToken. Positions count from 1, as ShortText::at does.
#pragma once

#include <cstddef>
#include <string_view>

#include "text/short_text.h"

enum class TokenKind {
  note,        // A to H (B stands for H), an optional duration digit after it
  rest,        // _, an optional duration digit after it
  sharp,       // #
  dot,         // .
  octave,      // X and one letter
  tempo,       // Z and two characters
  instrument,  // I and three characters
  title,       // "..."
  lyric,       // <...>
  end,         // !
  skipped,     // any other character
};

struct NotationToken {
  TokenKind kind = TokenKind::skipped;
  unsigned char letter = 0;  // the first character, upper-cased
  std::size_t start = 0;
  // The position of the token's last character. An operand of X, Z or I
  // keeps its width even where the line ends sooner, so `end` may lie past
  // the line; an unclosed title or lyric ends at the line's end.
  std::size_t end = 0;
  // The duration digit of a note or rest (empty when none follows), the
  // letter after X, the characters after Z or I as far as the line goes, or
  // the text of a title or lyric without its quotes or brackets.
  std::string_view operand;
  bool closed = true;  // false for a title or lyric without its closing character
};

// The token that begins at `position` of `line`. The line must outlive the
// operand, which points into it.
NotationToken readToken(const ShortText& line, std::size_t position);

// The value of a note's or rest's duration digit, or -1 when it has none.
int durationDigit(const NotationToken& token);
