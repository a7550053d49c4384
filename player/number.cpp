#include <cctype>

#include "player/number.h"

bool convertNumber(std::string_view operand, long& value) {
  std::size_t i = 0;
  while (i < operand.size() && operand[i] == ' ') ++i;
  bool negative = false;
  if (i < operand.size() && (operand[i] == '+' || operand[i] == '-')) {
    negative = operand[i] == '-';
    ++i;
  }
  int base = 10;
  if (i < operand.size() && (operand[i] == '$' || operand[i] == 'X' || operand[i] == 'x')) {
    base = 16;
    ++i;
  } else if (i + 1 < operand.size() && operand[i] == '0' &&
             (operand[i + 1] == 'X' || operand[i + 1] == 'x')) {
    base = 16;
    i += 2;
  }
  if (i == operand.size()) return false;  // no digits
  long result = 0;
  for (; i < operand.size(); ++i) {
    const auto c = static_cast<unsigned char>(operand[i]);
    int digit;
    if (std::isdigit(c)) {
      digit = c - '0';
    } else if (base == 16 && std::isxdigit(c)) {
      digit = std::toupper(c) - 'A' + 10;
    } else {
      return false;
    }
    result = result * base + digit;
    if (result > 0xFFFFFFF) return false;  // far beyond any operand of the language
  }
  value = negative ? -result : result;
  return true;
}
