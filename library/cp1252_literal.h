// Texts written readably as UTF-8 in the source (songs, the help text) and
// turned into the program's Windows-1252 while the program is compiled.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace cp1252 {

// The code points of 0x80..0x9F; 0 marks the five codes left unassigned.
inline constexpr char32_t highControls[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// The Windows-1252 character of a code point; 0 when it has none.
constexpr unsigned char fromCodePoint(char32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<unsigned char>(cp);
  for (unsigned i = 0; i < 32; ++i) {
    if (highControls[i] == cp && cp != 0) return static_cast<unsigned char>(0x80 + i);
  }
  return 0;
}

// A converted text; valid is false when some character had no Windows-1252
// form or the UTF-8 was broken (the caller asserts it at compile time).
template <std::size_t Capacity>
struct Text {
  std::array<char, Capacity> bytes{};
  std::size_t size = 0;
  bool valid = true;
  constexpr std::string_view view() const { return {bytes.data(), size}; }
};

// Capacity is the UTF-8 length: a text never grows in Windows-1252.
template <std::size_t Capacity>
constexpr Text<Capacity> fromUtf8(std::string_view utf8) {
  Text<Capacity> text;
  // Plain pointers keep each character cheap for the compiler, whose budget
  // for one constant is limited (a library of songs is some 50 000 bytes).
  const char* in = utf8.data();
  const char* const end = in + utf8.size();
  char* out = text.bytes.data();
  while (in != end) {
    const auto lead = static_cast<unsigned char>(*in);
    if (lead < 0x80) {
      *out++ = *in++;
      continue;
    }
    std::size_t length = 0;
    char32_t cp = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
      cp = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      cp = lead & 0x0F;
    }
    if (length == 0 || static_cast<std::size_t>(end - in) < length) {
      text.valid = false;
      break;
    }
    for (std::size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(in[k]);
      if ((next & 0xC0) != 0x80) text.valid = false;
      cp = (cp << 6) | (next & 0x3F);
    }
    const unsigned char c = fromCodePoint(cp);
    if (c == 0) text.valid = false;
    *out++ = static_cast<char>(c);
    in += length;
  }
  text.size = static_cast<std::size_t>(out - text.bytes.data());
  return text;
}

}  // namespace cp1252
