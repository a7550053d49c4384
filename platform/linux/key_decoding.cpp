#include "platform/linux/key_decoding.h"

#include "text/codepage.h"

namespace platform::posix {
namespace {

constexpr unsigned char escape = 0x1B;
// Longer "sequences" are garbage; they are dropped rather than waited on.
constexpr std::size_t longestSequence = 32;

DecodedKey unfinished(std::size_t have, bool final) {
  if (final) return {0, have, false};
  return {0, 0, true};
}

// ESC [ ...: parameter and intermediate bytes, then one final byte.
DecodedKey controlSequence(std::string_view bytes, bool final) {
  std::size_t i = 2;
  if (bytes.size() > 2 && bytes[2] == '[') {  // the Linux console's F1..F5: ESC [ [ A
    if (bytes.size() > 3) return {0, 4, false};
    return unfinished(bytes.size(), final);
  }
  for (; i < bytes.size(); ++i) {
    const auto c = static_cast<unsigned char>(bytes[i]);
    if (c >= 0x40 && c <= 0x7E) return {0, i + 1, false};
    // Anything but a parameter byte breaks the sequence off; it is a key of its own.
    if (c < 0x20 || c > 0x3F) return {0, i, false};
  }
  return unfinished(bytes.size(), final || bytes.size() >= longestSequence);
}

DecodedKey escapeKey(std::string_view bytes, bool final) {
  if (bytes.size() == 1) return final ? DecodedKey{27, 1, false} : DecodedKey{0, 0, true};
  if (bytes[1] == '[') return controlSequence(bytes, final);
  if (bytes[1] == 'O') {  // ESC O and one letter: keypad and F1..F4 of many terminals
    if (bytes.size() > 2) {
      const auto c = static_cast<unsigned char>(bytes[2]);
      return {0, (c >= 0x20 && c <= 0x7E) ? std::size_t{3} : std::size_t{2}, false};
    }
    return unfinished(2, final);
  }
  // Escape itself; what follows is the next key.
  return {27, 1, false};
}

DecodedKey utf8Key(std::string_view bytes, bool final) {
  const cp1252::Utf8Sequence sequence = cp1252::readUtf8(bytes);
  switch (sequence.status) {
    case cp1252::Utf8Sequence::incomplete:
      return unfinished(sequence.length, final);
    case cp1252::Utf8Sequence::invalid:
      return {0, sequence.length, false};
    case cp1252::Utf8Sequence::valid:
      break;
  }
  return {cp1252::cp1252FromCodePoint(sequence.codePoint), sequence.length, false};
}

}  // namespace

DecodedKey decodeKey(std::string_view bytes, bool final) {
  if (bytes.empty()) return {0, 0, !final};
  const auto first = static_cast<unsigned char>(bytes[0]);
  if (first == escape) return escapeKey(bytes, final);
  // Enter answers 13 whether the terminal sends CR or (translated) LF.
  if (first == '\r' || first == '\n') return {13, 1, false};
  if (first < 0x80) return {first, 1, false};
  return utf8Key(bytes, final);
}

}  // namespace platform::posix
