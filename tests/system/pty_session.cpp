#include "pty_session.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <stdexcept>

namespace pty {
namespace {

struct Report {
  int kind = 0;  // 0: the program's pid; otherwise Event::Kind + 1
  int value = 0;
  long cpuUs = 0;
};

double monotonicMs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1e6;
}

void writeAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return;
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
}

void closeOnExec(int fd) { fcntl(fd, F_SETFD, FD_CLOEXEC); }

// The program, in the child of the session leader: its own process group in
// the foreground of the terminal, then exec.
[[noreturn]] void runProgram(const Options& options, int slave, char* const* argv) {
  setpgid(0, 0);
  sigset_t none;
  sigemptyset(&none);
  sigset_t quietTtou = none;
  sigaddset(&quietTtou, SIGTTOU);
  sigprocmask(SIG_SETMASK, &quietTtou, nullptr);
  tcsetpgrp(slave, getpid());
  sigprocmask(SIG_SETMASK, &none, nullptr);
  const rlimit noCore{0, 0};
  setrlimit(RLIMIT_CORE, &noCore);
  if (!options.drawnBefore.empty()) writeAll(slave, options.drawnBefore);
  const int in = options.stdinFromNull ? open("/dev/null", O_RDONLY) : slave;
  const int out = options.stdoutFile.empty()
                      ? slave
                      : open(options.stdoutFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  dup2(in, 0);
  dup2(out, 1);
  dup2(slave, 2);
  execv(argv[0], argv);
  _exit(127);
}

// The session leader: owns the terminal, starts the program, reports on it.
[[noreturn]] void leadSession(const Options& options, int slave, int events, int keepAlive,
                              char* const* argv) {
  setsid();
  ioctl(slave, TIOCSCTTY, 0);
  const pid_t program = fork();
  if (program == 0) runProgram(options, slave, argv);
  setpgid(program, program);
  Report report{0, program, 0};
  writeAll(events, {reinterpret_cast<const char*>(&report), sizeof report});
  for (;;) {
    int status = 0;
    rusage usage{};
    if (wait4(program, &status, WUNTRACED | WCONTINUED, &usage) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    report = {};
    report.cpuUs = (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1'000'000L +
                   usage.ru_utime.tv_usec + usage.ru_stime.tv_usec;
    if (WIFSTOPPED(status)) {
      report.kind = Event::stopped + 1;
      report.value = WSTOPSIG(status);
    } else if (WIFCONTINUED(status)) {
      report.kind = Event::continued + 1;
    } else if (WIFEXITED(status)) {
      report.kind = Event::exited + 1;
      report.value = WEXITSTATUS(status);
    } else {
      report.kind = Event::killed + 1;
      report.value = WTERMSIG(status);
    }
    writeAll(events, {reinterpret_cast<const char*>(&report), sizeof report});
    if (report.kind > Event::continued + 1) break;
  }
  // Keep the terminal (and its mode) until the test is done with it.
  char byte;
  while (read(keepAlive, &byte, 1) != 0 && errno == EINTR) {
  }
  _exit(0);
}

}  // namespace

Session::Session(const Options& options) {
  winsize size{};
  size.ws_col = options.columns;
  size.ws_row = options.rows;
  if (openpty(&master, &slave, nullptr, nullptr, &size) != 0) throw std::runtime_error("openpty");
  closeOnExec(master);
  closeOnExec(slave);
  modeBefore = mode();
  if (!options.typedAhead.empty()) writeAll(master, options.typedAhead);

  int eventPipe[2];
  int keepPipe[2];
  if (pipe2(eventPipe, O_CLOEXEC) != 0 || pipe2(keepPipe, O_CLOEXEC) != 0) {
    throw std::runtime_error("pipe");
  }
  std::vector<char*> argv;
  for (const std::string& argument : options.arguments) {
    argv.push_back(const_cast<char*>(argument.c_str()));
  }
  argv.push_back(nullptr);

  startedAt = monotonicMs();
  leader = fork();
  if (leader < 0) throw std::runtime_error("fork");
  if (leader == 0) {
    close(eventPipe[0]);
    close(keepPipe[1]);
    leadSession(options, slave, eventPipe[1], keepPipe[0], argv.data());
  }
  close(eventPipe[1]);
  close(keepPipe[0]);
  events = eventPipe[0];
  keepAlive = keepPipe[1];
  Report first;
  if (read(events, &first, sizeof first) != sizeof first || first.kind != 0) {
    throw std::runtime_error("no program started");
  }
  program = first.value;
}

Session::~Session() {
  if (!ended && program > 0) {
    kill(program, SIGKILL);
    Event event;
    while (nextEvent(event, 5000) && event.kind != Event::exited && event.kind != Event::killed) {
    }
  }
  if (keepAlive >= 0) close(keepAlive);
  if (leader > 0) waitpid(leader, nullptr, 0);
  for (int fd : {master, slave, events}) {
    if (fd >= 0) close(fd);
  }
}

double Session::nowMs() const { return monotonicMs() - startedAt; }

void Session::type(std::string_view bytes) { writeAll(master, bytes); }

bool Session::waitDrawn(std::string_view text, int timeoutMs) {
  const double deadline = nowMs() + timeoutMs;
  while (drawn.find(text) == std::string::npos) {
    const double left = deadline - nowMs();
    if (left <= 0) return false;
    pollfd watched{master, POLLIN, 0};
    if (poll(&watched, 1, static_cast<int>(left) + 1) <= 0) continue;
    char buffer[4096];
    const ssize_t count = read(master, buffer, sizeof buffer);
    if (count <= 0) return drawn.find(text) != std::string::npos;
    drawn.append(buffer, static_cast<std::size_t>(count));
  }
  return true;
}

bool Session::nextEvent(Event& event, int timeoutMs) {
  pollfd watched{events, POLLIN, 0};
  if (poll(&watched, 1, timeoutMs) <= 0) return false;
  Report report;
  if (read(events, &report, sizeof report) != sizeof report || report.kind == 0) return false;
  event.kind = static_cast<Event::Kind>(report.kind - 1);
  event.code = report.value;
  event.cpuMs = static_cast<double>(report.cpuUs) / 1000.0;
  event.atMs = nowMs();
  if (event.kind == Event::exited || event.kind == Event::killed) ended = true;
  return true;
}

bool Session::waitEnd(Event& event, int timeoutMs) {
  const double deadline = nowMs() + timeoutMs;
  for (;;) {
    const double left = deadline - nowMs();
    if (left <= 0 || !nextEvent(event, static_cast<int>(left) + 1)) return false;
    if (event.kind == Event::exited || event.kind == Event::killed) return true;
  }
}

void Session::signal(int number) { kill(program, number); }

termios Session::mode() const {
  termios current;
  std::memset(&current, 0, sizeof current);
  tcgetattr(slave, &current);
  return current;
}

bool sameMode(const termios& a, const termios& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

Screen replay(std::string_view bytes, int columns, int rows) {
  Screen screen;
  screen.columns = columns;
  screen.rows = rows;
  screen.lines.assign(static_cast<std::size_t>(rows),
                      std::string(static_cast<std::size_t>(columns), ' '));
  int savedColumn = 0, savedRow = 0;
  auto clampCursor = [&] {
    screen.column = std::max(0, std::min(screen.column, columns - 1));
    screen.row = std::max(0, std::min(screen.row, rows - 1));
  };
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto c = static_cast<unsigned char>(bytes[i]);
    if (c == 0x1B && i + 1 < bytes.size()) {
      const char kind = bytes[++i];
      if (kind == '7') {
        savedColumn = screen.column;
        savedRow = screen.row;
      } else if (kind == '8') {
        screen.column = savedColumn;
        screen.row = savedRow;
      } else if (kind == '[') {
        std::vector<int> numbers{0};
        while (++i < bytes.size() && ((bytes[i] >= '0' && bytes[i] <= '9') || bytes[i] == ';')) {
          if (bytes[i] == ';') {
            numbers.push_back(0);
          } else {
            numbers.back() = numbers.back() * 10 + (bytes[i] - '0');
          }
        }
        if (i >= bytes.size()) break;
        if (bytes[i] == 'G') screen.column = std::max(numbers[0], 1) - 1;
        if (bytes[i] == 'H') {
          screen.row = std::max(numbers[0], 1) - 1;
          screen.column = numbers.size() > 1 ? std::max(numbers[1], 1) - 1 : 0;
        }
        clampCursor();
      }
    } else if (c == '\r') {
      screen.column = 0;
    } else if (c == '\n') {
      screen.row = std::min(screen.row + 1, rows - 1);
    } else if (c >= 0x20 && c < 0x7F) {
      screen.lines[static_cast<std::size_t>(screen.row)][static_cast<std::size_t>(screen.column)] =
          static_cast<char>(c);
      screen.column = std::min(screen.column + 1, columns - 1);
    }
  }
  return screen;
}

}  // namespace pty
