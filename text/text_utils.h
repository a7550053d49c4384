// Pure text helpers over Windows-1252 texts: upper-casing with the program's
// own accent folding, trimming, runs of a character, zero-padded numbers,
// control characters made harmless.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "text/short_text.h"

unsigned char upcaseChar(unsigned char c);
ShortText upcaseText(ShortText text);
ShortText trimTrailingSpaces(ShortText text);
ShortText repeatChar(char c, std::int32_t count);
ShortText fillSigned(char fill, std::int32_t count, double value);
FixedText<32> zeroPadNumber(std::int32_t value, std::int32_t width);
// The text with every control character (below 0x20, and 0x7F) shown as '?',
// for names from outside that reach the screen.
std::string withoutControls(std::string_view text);
