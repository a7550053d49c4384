#include "text/text_utils.h"

#include <cstdlib>
#include <string>

namespace {

struct Fold {
  unsigned char from;
  unsigned char to;
};

// Accented small letters: some keep their accent as capitals, others lose it.
constexpr Fold accentFolds[] = {
    {0xE0, 'A'}, {0xE1, 'A'},  {0xE2, 'A'},  {0xE4, 0xC4}, {0xE5, 0xC5}, {0xE6, 0xC6}, {0xE7, 0xC7},
    {0xE8, 'E'}, {0xE9, 0xC9}, {0xEA, 'E'},  {0xEB, 'E'},  {0xEC, 'I'},  {0xED, 'I'},  {0xEE, 'I'},
    {0xEF, 'I'}, {0xF1, 0xD1}, {0xF2, 'O'},  {0xF3, 'O'},  {0xF4, 'O'},  {0xF6, 0xD6}, {0xF9, 'U'},
    {0xFA, 'U'}, {0xFB, 'U'},  {0xFC, 0xDC}, {0xFF, 'Y'},
};

}  // namespace

unsigned char upcaseChar(unsigned char c) {
  if (c >= 'a' && c <= 'z') return static_cast<unsigned char>(c - 32);
  for (const Fold& fold : accentFolds) {
    if (fold.from == c) return fold.to;
  }
  return c;
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
  const ShortText prefix = fillSigned('0', width - static_cast<std::int32_t>(digits.size()), value);
  return FixedText<32>(prefix.view()) + digits;
}

std::string withoutControls(std::string_view text) {
  std::string shown(text);
  for (char& c : shown) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
  }
  return shown;
}
