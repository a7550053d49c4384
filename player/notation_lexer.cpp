#include "player/notation_lexer.h"

#include "text/text_utils.h"

namespace {

constexpr std::size_t octaveOperandWidth = 1;
constexpr std::size_t tempoOperandWidth = 2;
constexpr std::size_t instrumentOperandWidth = 3;

bool isDigit(unsigned char c) { return c >= '0' && c <= '9'; }

// An operand of fixed width after the token character; the position moves
// over the whole width even at the end of the line.
void takeOperand(const ShortText& line, std::size_t width, NotationToken& token) {
  token.operand = line.slice(token.start + 1, token.start + width);
  token.end = token.start + width;
}

// A duration digit is read only when it lies within the line.
void takeDurationDigit(const ShortText& line, NotationToken& token) {
  if (token.start < line.size() && isDigit(line.at(token.start + 1))) {
    takeOperand(line, 1, token);
  }
}

// A title or lyric runs to the next closing character; without one it takes
// the rest of the line.
void takeSpan(const ShortText& line, char closing, NotationToken& token) {
  const std::size_t n = line.size();
  for (std::size_t q = token.start + 1; q <= n; ++q) {
    if (line.at(q) == static_cast<unsigned char>(closing)) {
      token.operand = line.slice(token.start + 1, q - 1);
      token.end = q;
      return;
    }
  }
  token.operand = line.slice(token.start + 1, n);
  token.end = n;
  token.closed = false;
}

TokenKind kindOf(unsigned char letter) {
  if (letter >= 'A' && letter <= 'H') return TokenKind::note;
  switch (letter) {
    case '_':
      return TokenKind::rest;
    case '#':
      return TokenKind::sharp;
    case '.':
      return TokenKind::dot;
    case 'X':
      return TokenKind::octave;
    case 'Z':
      return TokenKind::tempo;
    case 'I':
      return TokenKind::instrument;
    case '"':
      return TokenKind::title;
    case '<':
      return TokenKind::lyric;
    case '!':
      return TokenKind::end;
    default:
      return TokenKind::skipped;
  }
}

}  // namespace

NotationToken readToken(const ShortText& line, std::size_t position) {
  NotationToken token;
  token.letter = upcaseChar(line.at(position));
  token.kind = kindOf(token.letter);
  token.start = position;
  token.end = position;
  switch (token.kind) {
    case TokenKind::note:
    case TokenKind::rest:
      takeDurationDigit(line, token);
      break;
    case TokenKind::octave:
      takeOperand(line, octaveOperandWidth, token);
      break;
    case TokenKind::tempo:
      takeOperand(line, tempoOperandWidth, token);
      break;
    case TokenKind::instrument:
      takeOperand(line, instrumentOperandWidth, token);
      break;
    case TokenKind::title:
      takeSpan(line, '"', token);
      break;
    case TokenKind::lyric:
      takeSpan(line, '>', token);
      break;
    default:
      break;
  }
  return token;
}

int durationDigit(const NotationToken& token) {
  if (token.operand.empty()) return -1;
  return token.operand.front() - '0';
}
