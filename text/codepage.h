// Windows-1252, the program's own character set, to and from UTF-8.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace cp1252 {

// The code points of 0x80..0x9F; 0 marks the five codes left unassigned.
inline constexpr char32_t cp1252HighControls[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// The Windows-1252 character for a Unicode code point, or 0 when it has none.
constexpr unsigned char cp1252FromCodePoint(char32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<unsigned char>(cp);
  for (unsigned i = 0; i < 32; ++i) {
    if (cp1252HighControls[i] == cp && cp != 0) return static_cast<unsigned char>(0x80 + i);
  }
  return 0;
}

constexpr char32_t codePointFromCp1252(unsigned char c) {
  return c >= 0x80 && c < 0xA0 ? cp1252HighControls[c - 0x80] : c;
}

// Whole texts. A character without an equivalent, and any byte that is not
// part of a valid UTF-8 sequence, becomes '?'.
std::string utf8ToCp1252(std::string_view utf8);
std::string cp1252ToUtf8(std::string_view text);

// One UTF-8 sequence read from the start of some bytes.
struct Utf8Sequence {
  enum Status { valid, invalid, incomplete } status = invalid;
  // valid: the sequence's length. invalid: the bytes before the one that
  // breaks it (at least 1), or the whole sequence when it names a code point
  // UTF-8 may not carry. incomplete: the bytes there are, all of which fit.
  std::size_t length = 0;
  char32_t codePoint = 0;
};
Utf8Sequence readUtf8(std::string_view bytes);

}  // namespace cp1252
