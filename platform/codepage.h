// Windows-1252, the program's own character set, to and from UTF-8.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

// The Windows-1252 character for a Unicode code point, or 0 when it has none.
unsigned char cp1252FromCodePoint(char32_t codePoint);
char32_t codePointFromCp1252(unsigned char c);

// Whole texts. A character without an equivalent, and any byte that is not
// part of a valid UTF-8 sequence, becomes '?'.
std::string utf8ToCp1252(std::string_view utf8);
std::string cp1252ToUtf8(std::string_view text);

// The length of the UTF-8 sequence that begins with this byte (1 to 4), or 0
// for a byte that cannot begin one.
std::size_t utf8SequenceLength(unsigned char lead);

}  // namespace platform
