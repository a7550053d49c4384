#include "platform/windows/command_line.h"

namespace platform::windows {
namespace {

constexpr char16_t quote = u'"';

// The blank and the control characters below it.
bool separates(char16_t c) { return c <= u' '; }

std::size_t skipSeparators(std::u16string_view line, std::size_t i) {
  while (i < line.size() && separates(line[i])) ++i;
  return i;
}

// Reads one argument from i up to the first separator outside quotes.
std::u16string readArgument(std::u16string_view line, std::size_t& i) {
  std::u16string argument;
  bool quoted = false;
  for (; i < line.size() && (quoted || !separates(line[i])); ++i) {
    if (line[i] == quote) {
      quoted = !quoted;
    } else {
      argument.push_back(line[i]);
    }
  }
  return argument;
}

}  // namespace

std::u16string_view skipProgramName(std::u16string_view line) {
  std::size_t i = skipSeparators(line, 0);
  readArgument(line, i);
  return line.substr(i);
}

std::vector<std::u16string> splitCommandLine(std::u16string_view line) {
  std::vector<std::u16string> arguments;
  std::size_t i = skipSeparators(line, 0);
  while (i < line.size()) {
    if (line.substr(i, 2) == u"\"\"") {
      // An empty pair of quotes where an argument would begin is skipped.
      i = skipSeparators(line, i + 2);
      continue;
    }
    arguments.push_back(readArgument(line, i));
    i = skipSeparators(line, i);
  }
  return arguments;
}

}  // namespace platform::windows
