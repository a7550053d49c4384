// The number syntax of the tempo and instrument operands.
#pragma once

#include <string_view>

// Reads a tempo or instrument operand as a signed integer: leading blanks, an
// optional sign, then decimal digits or a hexadecimal number introduced by
// "$", "X", "x", "0X" or "0x", and nothing after. False when it does not
// convert.
bool convertNumber(std::string_view operand, long& value);
