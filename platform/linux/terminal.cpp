// The console on a POSIX terminal. Keys come from standard input when it is
// a terminal in the foreground, in a mode without line editing and echo
// (signals from Ctrl+C and Ctrl+Z stay with the system). The screen is the
// controlling terminal opened by name, so the clock reaches it even when
// standard output goes to a file. Waits block in poll() and wake for a key,
// their time, or a terminating signal.
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <string>

#include "text/codepage.h"
#include "platform/linux/key_decoding.h"
#include "platform/linux/signals.h"
#include "platform/platform.h"

namespace platform {
namespace {

// How long the rest of a key's byte sequence may take after its first byte:
// an Escape with nothing behind it in this time is the Escape key itself.
constexpr int restOfKeyMs = 30;

int inputFd = -1;
bool inputLive = false;  // keys can still arrive
termios savedMode{};
termios programMode{};
volatile sig_atomic_t modeInForce = 0;

// Bytes read but not yet turned into key events.
char pending[64];
std::size_t pendingLength = 0;

int screenFd = -1;

void inputGone() {
  inputLive = false;
  pendingLength = 0;
}

// Blocks until input is readable (true) or the time is over or input has
// ended (false); a negative time waits without end. A terminating signal
// ends the process from here.
bool waitReadable(int timeoutMs) {
  const std::int64_t deadline = posix::monotonicNs() / 1'000'000 + timeoutMs;
  for (;;) {
    if (posix::signalPending()) posix::endBySignal();
    int wait = -1;
    if (timeoutMs >= 0) {
      const std::int64_t left = deadline - posix::monotonicNs() / 1'000'000;
      wait = left > 0 ? static_cast<int>(left) : 0;
    }
    pollfd watched[2] = {{inputFd, POLLIN, 0}, {posix::signalWakeDescriptor(), POLLIN, 0}};
    const int ready = poll(watched, watched[1].fd >= 0 ? 2 : 1, wait);
    if (ready < 0) {
      if (errno == EINTR) continue;  // the time left is worked out again
      inputGone();
      return false;
    }
    if (ready == 0) return false;
    if (watched[0].revents & POLLIN) return true;
    if (watched[0].revents & (POLLHUP | POLLERR | POLLNVAL)) {
      inputGone();
      return false;
    }
    // Only the signal pipe: the loop's first line ends the process.
  }
}

// Moves whatever input is there into `pending`, without waiting.
std::size_t takeAvailable() {
  const std::size_t room = sizeof pending - pendingLength;
  if (room == 0) return 0;
  pollfd watched{inputFd, POLLIN, 0};
  if (poll(&watched, 1, 0) <= 0) return 0;
  if (!(watched.revents & POLLIN)) {
    if (watched.revents & (POLLHUP | POLLERR | POLLNVAL)) inputGone();
    return 0;
  }
  const ssize_t count = read(inputFd, pending + pendingLength, room);
  if (count > 0) {
    pendingLength += static_cast<std::size_t>(count);
    return static_cast<std::size_t>(count);
  }
  // Readable yet nothing to read: the terminal has hung up.
  if (count == 0 || (errno != EINTR && errno != EAGAIN)) inputGone();
  return 0;
}

void writeScreen(std::string_view bytes) {
  while (screenFd >= 0 && !bytes.empty()) {
    const ssize_t written = write(screenFd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return;
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
}

}  // namespace

namespace posix {

void restoreTerminalMode() {
  if (modeInForce) tcsetattr(inputFd, TCSANOW, &savedMode);
}

void applyTerminalMode() {
  // From the background this would stop the process; the shell sends
  // another SIGCONT when it brings the program to the foreground.
  if (modeInForce && tcgetpgrp(inputFd) == getpgrp()) tcsetattr(inputFd, TCSANOW, &programMode);
}

}  // namespace posix

bool consoleStartInput() {
  // In the background no key can be read without the process being
  // stopped, so such a run behaves as one without a terminal.
  if (!isatty(STDIN_FILENO) || tcgetpgrp(STDIN_FILENO) != getpgrp()) return false;
  if (tcgetattr(STDIN_FILENO, &savedMode) != 0) return false;
  programMode = savedMode;
  programMode.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | IEXTEN);
  programMode.c_lflag |= ISIG;
  programMode.c_cc[VMIN] = 0;
  programMode.c_cc[VTIME] = 0;
  inputFd = STDIN_FILENO;
  modeInForce = 1;
  tcsetattr(inputFd, TCSANOW, &programMode);
  tcflush(inputFd, TCIFLUSH);
  inputLive = true;
  return true;
}

void consoleStopInput() {
  if (!modeInForce) return;
  tcflush(inputFd, TCIFLUSH);
  modeInForce = 0;
  tcsetattr(inputFd, TCSANOW, &savedMode);
  inputLive = false;
  pendingLength = 0;
}

bool consoleInputIsTerminal() { return inputLive; }

bool consoleReadEvent(InputEvent& event) {
  // Every key test is also where a terminating signal is noticed between
  // notes, whatever the tone in progress did with it.
  if (posix::signalPending()) posix::endBySignal();
  if (!inputLive) return false;
  takeAvailable();
  if (pendingLength == 0) return false;
  posix::DecodedKey key = posix::decodeKey({pending, pendingLength}, false);
  while (key.needMore) {
    const bool more = waitReadable(restOfKeyMs) && takeAvailable() > 0;
    key = posix::decodeKey({pending, pendingLength}, !more);
  }
  std::memmove(pending, pending + key.length, pendingLength - key.length);
  pendingLength -= key.length;
  event.keyDown = true;
  event.character = key.answer;
  return true;
}

bool consoleWaitInput(int timeoutMs) {
  if (posix::signalPending()) posix::endBySignal();
  if (!inputLive) return false;
  if (pendingLength > 0) return true;
  waitReadable(timeoutMs);
  return inputLive;
}

bool sleepUntilMsOrInput(std::int64_t timeMs) {
  for (;;) {
    const std::int64_t left = timeMs - posix::monotonicNs() / 1'000'000;
    if (left <= 0) return false;
    if (!inputLive) {
      sleepUntilMs(timeMs);
      return false;
    }
    if (pendingLength > 0 || waitReadable(static_cast<int>(left))) return true;
  }
}

void consoleOpenScreen() { screenFd = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC); }

void consoleCloseScreen() {
  if (screenFd >= 0) close(screenFd);
  screenFd = -1;
}

bool consoleReadScreenInfo(ScreenInfo& info) {
  winsize size{};
  if (screenFd < 0 || ioctl(screenFd, TIOCGWINSZ, &size) != 0 || size.ws_col == 0 ||
      size.ws_row == 0) {
    return false;
  }
  // The cursor is never asked for: the answer would arrive as typed keys.
  info.windowRight = size.ws_col - 1;
  info.windowBottom = size.ws_row - 1;
  return true;
}

void consoleGotoXY(int column, int row) {
  writeScreen("\x1b[" + std::to_string(row + 1) + ";" + std::to_string(column + 1) + "H");
}

// On the cursor's row, whatever `row` says: without a cursor query the row
// number of the cursor is not known, and the only caller means that row.
void consoleWriteAt(std::string_view text, int column, int) {
  const int target = column < 0 ? 1 : column + 1;
  // ESC 7 saves the cursor, CSI n G moves it on its row, ESC 8 puts it back.
  writeScreen("\0337\033[" + std::to_string(target) + "G" + cp1252::cp1252ToUtf8(text) + "\0338");
}

}  // namespace platform
