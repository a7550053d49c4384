// Standard output on Linux: UTF-8 with "\n" line ends. Every piece is
// written out at once, to a terminal as to a pipe or file, so that a reader
// (a log, tee) sees titles and lyrics while the tune plays. When the reader
// has gone away (EPIPE; SIGPIPE is ignored) the run ends quietly, with exit
// code 0 unless a check has found a fault: there is nobody left to tell.
// Any other failure (a full disk, an I/O error) is said once on standard
// error, and the run then ends with 1.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "text/codepage.h"
#include "platform/linux/signals.h"
#include "platform/platform.h"

namespace platform {
namespace {

bool readerGone = false;
bool writeFailed = false;
int readerGoneStatus = 0;
// Something stands on the last line written: the run ends it.
bool lineOpen = false;
// Writes gather in the buffer until the hold ends.
bool held = false;

// A write or a flush of standard output failed with errno's value.
void writeFailedWith(int errorSeen) {
  const int error = errorSeen != 0 ? errorSeen : EIO;
  std::clearerr(stdout);
  if (error == EPIPE) {
    // What the shut-down still writes is dropped, not a second ending.
    readerGone = true;
    posix::endQuietly();
  }
  if (!writeFailed) {
    writeFailed = true;
    writeStderr(std::string("lirkel: cannot write to standard output: ") + posix::errorText(error) +
                "\n");
  }
}

}  // namespace

void writeStdout(std::string_view text) {
  if (readerGone || text.empty()) return;
  const std::string utf8 = cp1252::cp1252ToUtf8(text);
  errno = 0;
  bool failed = std::fwrite(utf8.data(), 1, utf8.size(), stdout) != utf8.size();
  if (!held) failed = std::fflush(stdout) != 0 || failed;
  if (!failed) {
    lineOpen = utf8.back() != '\n';
    return;
  }
  writeFailedWith(errno);
}

void holdStdout(bool hold) {
  held = hold;
  if (held || readerGone) return;
  errno = 0;
  if (std::fflush(stdout) != 0) writeFailedWith(errno);
}

void flushStdout() { std::fflush(stdout); }

void setReaderGoneStatus(int status) { readerGoneStatus = status; }

int finishStdout(int status) {
  posix::endLastLine();
  flushStdout();
  return writeFailed && status == 0 ? 1 : status;
}

namespace posix {

void endLastLine() {
  if (lineOpen) writeStdout("\n");
}

int quietEndStatus() { return readerGoneStatus; }

}  // namespace posix

bool stdoutIsTerminal() {
  static const bool terminal = isatty(STDOUT_FILENO) == 1;
  return terminal;
}

std::string_view lineBreak() { return "\n"; }

void writeStderr(std::string_view text) {
  std::fflush(stdout);  // what came before shows first
  const std::string utf8 = cp1252::cp1252ToUtf8(text);
  std::fwrite(utf8.data(), 1, utf8.size(), stderr);
}

void writeProblem(std::string_view file, std::string_view text) {
  std::string line = "lirkel: ";
  if (!file.empty()) line.append(file).append(": ");
  line.append(text).append("\n");
  writeStderr(line);
}

}  // namespace platform
