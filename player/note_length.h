// How long a note or rest lasts: the whole note shifted right by the duration
// exponent, and for a dot half as long again; both shifts drop the remainder.
#pragma once

#include <cstdint>

struct NoteLength {
  unsigned plain = 0;
  unsigned dotPart = 0;  // 0 unless dotted

  constexpr unsigned total() const { return plain + dotPart; }
};

constexpr NoteLength noteLength(std::uint16_t wholeNoteMs, std::uint16_t exponent, bool dotted) {
  const unsigned whole = wholeNoteMs;
  return {whole >> exponent, dotted ? whole >> (exponent + 1u) : 0u};
}
