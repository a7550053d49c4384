// Pure text helpers over Windows-1252 texts: upper-casing with the program's
// own accent folding, trimming, runs of a character, zero-padded numbers.
#pragma once

#include <cstdint>

#include "text/short_text.h"

unsigned char upcaseChar(unsigned char c);
ShortText upcaseText(ShortText text);
ShortText trimTrailingSpaces(ShortText text);
ShortText repeatChar(char c, std::int32_t count);
ShortText fillSigned(char fill, std::int32_t count, double value);
FixedText<32> zeroPadNumber(std::int32_t value, std::int32_t width);
