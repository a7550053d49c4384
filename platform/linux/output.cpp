// Standard output on Linux: UTF-8 with "\n" line ends. On a terminal every
// piece is shown at once; to a file or pipe it is buffered and flushed when
// the process ends, normally or by a signal.
#include <unistd.h>

#include <cstdio>

#include "text/codepage.h"
#include "platform/platform.h"

namespace platform {
namespace {

bool stdoutIsTerminal() {
  static const bool terminal = isatty(STDOUT_FILENO) == 1;
  return terminal;
}

}  // namespace

void writeStdout(std::string_view text) {
  const std::string utf8 = cp1252::cp1252ToUtf8(text);
  std::fwrite(utf8.data(), 1, utf8.size(), stdout);
  if (stdoutIsTerminal()) std::fflush(stdout);
}

void flushStdout() { std::fflush(stdout); }

std::string_view lineBreak() { return "\n"; }

void writeStderr(std::string_view text) {
  std::fflush(stdout);  // what came before shows first
  const std::string utf8 = cp1252::cp1252ToUtf8(text);
  std::fwrite(utf8.data(), 1, utf8.size(), stderr);
}

}  // namespace platform
