// Runs a program in a pseudo-terminal of its own, as a shell would: a small
// session leader owns the terminal and starts the program as the foreground
// job, reports its stops and its end, and keeps the terminal alive until the
// test has looked at it. The test types into the terminal, reads what the
// program draws on it, signals the program and compares terminal modes.
#pragma once

#include <sys/types.h>
#include <termios.h>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace pty {

struct Options {
  std::vector<std::string> arguments;  // the program's path first
  std::string stdoutFile;              // empty: standard output is the terminal
  bool stdinFromNull = false;          // standard input is /dev/null, not the terminal
  std::string typedAhead;              // typed before the program starts
  std::string drawnBefore;             // written to the terminal before the program starts
  unsigned short columns = 80, rows = 24;
};

inline Options command(std::vector<std::string> arguments) {
  Options options;
  options.arguments = std::move(arguments);
  return options;
}

// What became of the program, as the session leader saw it.
struct Event {
  enum Kind { stopped, continued, exited, killed } kind = exited;
  int code = 0;      // exit code, or the signal that stopped or killed it
  double cpuMs = 0;  // user + system time of the program so far (at its end)
  double atMs = 0;   // since the session started
};

struct Session {
  int master = -1;
  int slave = -1;      // kept open by the test to read the terminal mode
  int events = -1;     // reports from the session leader
  int keepAlive = -1;  // closing it lets the session leader end
  pid_t leader = -1;
  pid_t program = -1;
  bool ended = false;    // its end has been reported
  std::string drawn;     // everything read from the terminal so far
  termios modeBefore{};  // the terminal mode before the program started
  double startedAt = 0;

  explicit Session(const Options& options);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  void type(std::string_view bytes);
  // Reads from the terminal until `text` has been drawn (true) or the time
  // is over (false).
  bool waitDrawn(std::string_view text, int timeoutMs);
  // The next report of the session leader, or false when none came in time.
  bool nextEvent(Event& event, int timeoutMs);
  // Waits for the end of the program, skipping stop and continue reports.
  bool waitEnd(Event& event, int timeoutMs);
  void signal(int number);
  termios mode() const;
  double nowMs() const;
};

// Byte for byte, as tcgetattr fills it in.
bool sameMode(const termios& a, const termios& b);

// The least a terminal must do to follow the program's drawing: printable
// ASCII, CR, LF, ESC 7 / ESC 8 (save and restore the cursor), CSI n G and
// CSI r;c H. Anything else is skipped.
struct Screen {
  int columns = 80, rows = 24;
  int column = 0, row = 0;
  std::vector<std::string> lines;
};
Screen replay(std::string_view bytes, int columns, int rows);

}  // namespace pty
