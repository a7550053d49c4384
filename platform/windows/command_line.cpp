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

std::u16string joinCommandLine(const std::vector<std::u16string>& arguments) {
  std::u16string line;
  for (const std::u16string& argument : arguments) {
    if (!line.empty()) line.push_back(u' ');
    if (!argument.empty() && argument.find_first_of(u" \t\"") == std::u16string::npos) {
      line += argument;
      continue;
    }
    line.push_back(quote);
    std::size_t backslashes = 0;
    for (char16_t c : argument) {
      if (c == u'\\') {
        ++backslashes;
        continue;
      }
      // Backslashes before a quote are doubled, and the quote escaped.
      const std::size_t written = c == quote ? 2 * backslashes + 1 : backslashes;
      line.append(written, u'\\');
      line.push_back(c);
      backslashes = 0;
    }
    // And so before the closing quote.
    line.append(2 * backslashes, u'\\');
    line.push_back(quote);
  }
  return line;
}

}  // namespace platform::windows
