// Running a command for the user on Linux, as `time` does: fork and exec,
// the command in this process's group with its standard streams, so that the
// terminal's keys and signals reach it. While it runs, the terminating
// signals are blocked and taken one at a time by sigwaitinfo instead of by
// their handlers: SIGINT and SIGQUIT typed at the terminal have reached the
// command already; every other one is passed on to it, and ends this process
// once the command has ended. Whether exec worked comes back through a pipe
// that a successful exec closes.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

#include "text/codepage.h"
#include "platform/linux/arguments.h"
#include "platform/linux/signals.h"
#include "platform/platform.h"

namespace platform {
namespace {

// A key's signal: the terminal sent it to the whole foreground group, and
// so to the command too.
bool typedAtTerminal(const siginfo_t& info) {
  return (info.si_signo == SIGINT || info.si_signo == SIGQUIT) && info.si_code == SI_KERNEL;
}

// What the child writes when exec fails; 0 when exec closed the pipe.
int execError(int fd) {
  int error = 0;
  for (;;) {
    const ssize_t got = read(fd, &error, sizeof error);
    if (got < 0 && errno == EINTR) continue;
    return got == static_cast<ssize_t>(sizeof error) ? error : 0;
  }
}

int waitFor(pid_t child, int options) {
  int status = 0;
  pid_t ended;
  while ((ended = waitpid(child, &status, options)) < 0 && errno == EINTR) {
  }
  return ended == child ? status : -1;
}

// The process ends as the interrupted command did, by the same signal, so
// that a calling shell stops its script as after Ctrl+C on the command
// itself; without a core file of this program's (the command's is the one
// asked for).
[[noreturn]] void endAsInterrupted(int signal) {
  const rlimit none{0, 0};
  setrlimit(RLIMIT_CORE, &none);
  posix::endBy(signal);
}

CommandEnd notStarted(int error) {
  CommandEnd end;
  end.problem = cp1252::utf8ToCp1252(posix::errorText(error));
  end.status = error == ENOENT ? 127 : 126;
  return end;
}

}  // namespace

CommandEnd runCommand(std::size_t first) {
  if (posix::signalPending()) posix::endBySignal();
  if (static_cast<std::size_t>(posix::programArgumentCount()) <= first + 1) return notStarted(ENOENT);
  char* const* command = posix::programArguments() + first + 1;

  sigset_t watched = posix::terminatingSignals();
  sigaddset(&watched, SIGCHLD);
  sigset_t before;
  sigprocmask(SIG_BLOCK, &watched, &before);
  flushStdout();
  int report[2];
  if (pipe2(report, O_CLOEXEC) != 0) {
    const int error = errno;
    sigprocmask(SIG_SETMASK, &before, nullptr);
    return notStarted(error);
  }
  const std::int64_t startNs = posix::monotonicNs();
  const pid_t child = fork();
  if (child == 0) {
    posix::resetSignalsForChild();
    sigprocmask(SIG_SETMASK, &before, nullptr);
    execvp(command[0], command);
    const int error = errno;
    [[maybe_unused]] const ssize_t written = write(report[1], &error, sizeof error);
    _exit(127);
  }
  const int forkError = errno;
  close(report[1]);
  const int error = child < 0 ? forkError : execError(report[0]);
  close(report[0]);
  if (error != 0) {
    if (child > 0) waitFor(child, 0);
    sigprocmask(SIG_SETMASK, &before, nullptr);
    return notStarted(error);
  }

  int status = 0;
  int askedToEnd = 0;  // the first signal that asked this process to end
  for (;;) {
    siginfo_t info{};
    const int signal = sigwaitinfo(&watched, &info);
    if (signal < 0) continue;  // a stop and its continuation ran their handlers
    if (signal == SIGCHLD) {
      status = waitFor(child, WNOHANG);
      if (status != -1 && (WIFEXITED(status) || WIFSIGNALED(status))) break;
      continue;
    }
    if (typedAtTerminal(info)) continue;
    kill(child, signal);
    if (askedToEnd == 0) askedToEnd = signal;
  }
  CommandEnd end;
  end.started = true;
  end.elapsedMs = (posix::monotonicNs() - startNs) / 1'000'000;
  sigprocmask(SIG_SETMASK, &before, nullptr);
  if (askedToEnd != 0) posix::endBy(askedToEnd);
  if (WIFSIGNALED(status)) {
    const int signal = WTERMSIG(status);
    end.status = 128 + signal;
    if (signal == SIGINT || signal == SIGQUIT) endAsInterrupted(signal);
  } else {
    end.status = WEXITSTATUS(status);
  }
  return end;
}

}  // namespace platform
