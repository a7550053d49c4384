#include "text/codepage.h"

namespace cp1252 {
namespace {

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

// The length of the UTF-8 sequence that begins with this byte (1 to 4), or 0
// for a byte that cannot begin one.
std::size_t utf8SequenceLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

}  // namespace

Utf8Sequence readUtf8(std::string_view bytes) {
  if (bytes.empty()) return {Utf8Sequence::incomplete, 0, 0};
  const auto lead = static_cast<unsigned char>(bytes[0]);
  const std::size_t length = utf8SequenceLength(lead);
  if (length == 0) return {Utf8Sequence::invalid, 1, 0};
  char32_t cp = length == 1 ? lead : lead & (0x7F >> length);
  for (std::size_t k = 1; k < length; ++k) {
    if (k >= bytes.size()) return {Utf8Sequence::incomplete, k, 0};
    const auto next = static_cast<unsigned char>(bytes[k]);
    if ((next & 0xC0) != 0x80) return {Utf8Sequence::invalid, k, 0};
    cp = (cp << 6) | (next & 0x3F);
  }
  // Overlong forms, surrogates and code points past Unicode are invalid.
  const char32_t smallest = length == 1 ? 0 : length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
  if (cp < smallest || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) {
    return {Utf8Sequence::invalid, length, 0};
  }
  return {Utf8Sequence::valid, length, cp};
}

std::string utf8ToCp1252(std::string_view in) {
  std::string out;
  std::size_t i = 0;
  while (i < in.size()) {
    const Utf8Sequence sequence = readUtf8(in.substr(i));
    if (sequence.status != Utf8Sequence::valid) {
      out += '?';
      ++i;  // resynchronise on the next byte
      continue;
    }
    const unsigned char c = cp1252FromCodePoint(sequence.codePoint);
    out += (c == 0 && sequence.codePoint != 0) ? '?' : static_cast<char>(c);
    i += sequence.length;
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

}  // namespace cp1252
