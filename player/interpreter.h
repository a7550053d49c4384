// The note language and its interpreter, in a speaker and a MIDI variant.
#pragma once

#include <string_view>

#include "console/short_text.h"

unsigned char playNotationSpeaker(bool echo, ShortText argument);
unsigned char playNotationMidi(bool echo, ShortText argument);

// Reads a tempo or instrument operand as a signed integer: leading blanks, an
// optional sign, then decimal digits or a hexadecimal number introduced by
// "$", "X", "x", "0X" or "0x", and nothing after. False when it does not
// convert.
bool convertNumber(std::string_view operand, long& value);
