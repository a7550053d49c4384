#include "platform/codepage.h"

#include <array>

namespace platform {
namespace {

// 0x80..0x9F; 0 marks the five codes that Windows-1252 leaves unassigned.
constexpr std::array<char32_t, 32> highControls = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

void appendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

}  // namespace

unsigned char cp1252FromCodePoint(char32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<unsigned char>(cp);
  for (std::size_t i = 0; i < highControls.size(); ++i) {
    if (highControls[i] != 0 && highControls[i] == cp) return static_cast<unsigned char>(0x80 + i);
  }
  return 0;
}

char32_t codePointFromCp1252(unsigned char c) {
  if (c >= 0x80 && c < 0xA0) return highControls[c - 0x80];
  return c;
}

std::size_t utf8SequenceLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

std::string utf8ToCp1252(std::string_view in) {
  std::string out;
  std::size_t i = 0;
  while (i < in.size()) {
    const auto lead = static_cast<unsigned char>(in[i]);
    const std::size_t length = utf8SequenceLength(lead);
    char32_t cp = lead;
    bool valid = length != 0 && i + length <= in.size();
    if (valid && length > 1) {
      cp = lead & (0x7F >> length);
      for (std::size_t k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(in[i + k]);
        if ((next & 0xC0) != 0x80) {
          valid = false;
          break;
        }
        cp = (cp << 6) | (next & 0x3F);
      }
      // Overlong forms, surrogates and code points past Unicode are invalid.
      const char32_t smallest = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
      if (valid && (cp < smallest || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF)) {
        valid = false;
      }
    }
    if (!valid) {
      out += '?';
      ++i;  // resynchronise on the next byte
      continue;
    }
    const unsigned char c = cp1252FromCodePoint(cp);
    out += (c == 0 && cp != 0) ? '?' : static_cast<char>(c);
    i += length;
  }
  return out;
}

std::string cp1252ToUtf8(std::string_view in) {
  std::string out;
  out.reserve(in.size());
  for (char ch : in) {
    const char32_t cp = codePointFromCp1252(static_cast<unsigned char>(ch));
    if (cp == 0 && ch != 0) {
      out += '?';
    } else {
      appendUtf8(out, cp);
    }
  }
  return out;
}

}  // namespace platform
