// Texts written readably as UTF-8 in the source (songs, the help text) and
// turned into the program's Windows-1252 while the program is compiled.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

#include "text/codepage.h"

namespace cp1252 {

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
    const unsigned char c = cp1252::cp1252FromCodePoint(cp);
    if (c == 0) text.valid = false;
    *out++ = static_cast<char>(c);
    in += length;
  }
  text.size = static_cast<std::size_t>(out - text.bytes.data());
  return text;
}

}  // namespace cp1252
