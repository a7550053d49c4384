// Standard output on Linux: UTF-8 with "\n" line ends, terminal or not.
#include <cstdio>

#include "platform/codepage.h"
#include "platform/platform.h"

namespace platform {

void writeStdout(std::string_view text) {
  const std::string utf8 = cp1252ToUtf8(text);
  std::fwrite(utf8.data(), 1, utf8.size(), stdout);
}

void flushStdout() { std::fflush(stdout); }

std::string_view lineBreak() { return "\n"; }

}  // namespace platform
