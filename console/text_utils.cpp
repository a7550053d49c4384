#include "console/text_utils.h"

#include <cstdlib>
#include <string>

unsigned char upcaseChar(unsigned char c) {
  if (c >= 'a' && c <= 'z') return static_cast<unsigned char>(c - 32);
  switch (c) {
    case 0xE0: case 0xE1: case 0xE2: return 'A';                       // à á â
    case 0xE4: case 0xE5: case 0xE6: case 0xE7: case 0xE9: case 0xF1:  // ä å æ ç é ñ
    case 0xF6: case 0xFC:                                              // ö ü
      return static_cast<unsigned char>(c - 32);
    case 0xE8: case 0xEA: case 0xEB: return 'E';                       // è ê ë
    case 0xEC: case 0xED: case 0xEE: case 0xEF: return 'I';            // ì í î ï
    case 0xF2: case 0xF3: case 0xF4: return 'O';                       // ò ó ô
    case 0xF9: case 0xFA: case 0xFB: return 'U';                       // ù ú û
    case 0xFF: return 'Y';                                             // ÿ
    default: return c;
  }
}

ShortText upcaseText(ShortText text) {
  for (std::size_t i = 0; i < text.length; ++i) {
    text.chars[i] = static_cast<char>(upcaseChar(static_cast<unsigned char>(text.chars[i])));
  }
  return text;
}

ShortText trimTrailingSpaces(ShortText text) {
  while (text.length > 1 && text.chars[text.length - 1] == ' ') --text.length;
  return text;
}

ShortText repeatChar(char c, std::int32_t count) {
  ShortText text;
  // Counts above the capacity give a full text.
  for (std::int32_t i = 0; i < count && text.length < ShortText::capacity; ++i) text.append(c);
  return text;
}

ShortText fillSigned(char fill, std::int32_t count, double value) {
  ShortText text = repeatChar(fill, count);
  if (value < 0) {
    if (text.empty()) {
      text = "-";
    } else {
      text.chars[0] = '-';
    }
  }
  return text;
}

FixedText<32> zeroPadNumber(std::int32_t value, std::int32_t width) {
  // The magnitude as 64 bits, so that the smallest 32-bit value has one too.
  const std::string digits = std::to_string(std::llabs(static_cast<long long>(value)));
  const ShortText prefix =
      fillSigned('0', width - static_cast<std::int32_t>(digits.size()), value);
  return FixedText<32>(prefix.view()) + digits;
}
