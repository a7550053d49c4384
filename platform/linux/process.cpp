// The command line and the end of the process on Linux: the exit hook chain
// and the shut-down run at a normal end, and signals end the process through
// the same steps (see signals.h).
#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>

#include "text/codepage.h"
#include "platform/linux/arguments.h"
#include "platform/linux/signals.h"
#include "platform/platform.h"
#include "platform/process_end.h"

namespace platform {
namespace {

int argumentCount = 0;
char** argumentValues = nullptr;

volatile sig_atomic_t pendingSignal = 0;
// Set once the process has begun to end: its waits then only wait, and do
// not end it again.
volatile sig_atomic_t ending = 0;
int wakePipe[2] = {-1, -1};

// Signals whose default action does not end the process (it ignores them or
// stops it), and SIGPIPE, which is ignored so that a write to a closed pipe
// fails with EPIPE instead (see output.cpp). Every other signal number the
// system has ends the process by default and gets a handler; the numbers it
// keeps for itself or that cannot be caught refuse one.
constexpr int notEndingSignals[] = {SIGCHLD, SIGCONT, SIGURG,  SIGWINCH,
                                    SIGTSTP, SIGTTIN, SIGTTOU, SIGPIPE};
constexpr int fatalSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
constexpr int fatalCount = sizeof fatalSignals / sizeof fatalSignals[0];
// What was installed before ours (a sanitizer's report, for instance); it
// still runs after the terminal is restored.
struct sigaction earlierFatalAction[fatalCount];
// Whether SIGPIPE was ignored when the program started: a command run for
// the user gets it back as it was.
bool pipeIgnoredAtStart = false;

[[noreturn]] void dieBy(int signal) {
  posix::removeTemporaryFile();
  struct sigaction action {};
  action.sa_handler = SIG_DFL;
  sigemptyset(&action.sa_mask);
  sigaction(signal, &action, nullptr);
  sigset_t only;
  sigemptyset(&only);
  sigaddset(&only, signal);
  raise(signal);
  sigprocmask(SIG_UNBLOCK, &only, nullptr);
  _exit(128 + signal);
}

// The end of the process begins: the signal pipe is emptied, so the waits
// of what still closes (the sound's fade) sleep instead of waking at once.
void beginEnding() {
  ending = 1;
  char bytes[64];
  while (wakePipe[0] >= 0 && read(wakePipe[0], bytes, sizeof bytes) > 0) {
  }
}

void atProcessEnd() {
  beginEnding();
  runProcessEnd();
  posix::endLastLine();
  flushStdout();
  // A signal that came too late for any wait still decides how the run ends.
  if (pendingSignal != 0) dieBy(pendingSignal);
}

void onTerminatingSignal(int signal) {
  const int savedErrno = errno;
  if (pendingSignal != 0) {
    // Asked again before the main thread got to the first one: end now.
    posix::restoreTerminalMode();
    dieBy(signal);
  }
  pendingSignal = signal;
  const char byte = 1;
  [[maybe_unused]] const ssize_t written = write(wakePipe[1], &byte, 1);
  errno = savedErrno;
}

void onStop(int) {
  const int savedErrno = errno;
  posix::restoreTerminalMode();
  struct sigaction ours {};
  sigaction(SIGTSTP, nullptr, &ours);
  signal(SIGTSTP, SIG_DFL);
  raise(SIGTSTP);
  sigset_t only;
  sigemptyset(&only);
  sigaddset(&only, SIGTSTP);
  sigprocmask(SIG_UNBLOCK, &only, nullptr);  // the process stops here
  sigprocmask(SIG_BLOCK, &only, nullptr);
  sigaction(SIGTSTP, &ours, nullptr);
  posix::applyTerminalMode();
  errno = savedErrno;
}

void onContinue(int) {
  const int savedErrno = errno;
  posix::applyTerminalMode();
  errno = savedErrno;
}

void onFatalSignal(int signal, siginfo_t* info, void* context) {
  posix::restoreTerminalMode();
  for (int i = 0; i < fatalCount; ++i) {
    if (fatalSignals[i] != signal) continue;
    const struct sigaction& earlier = earlierFatalAction[i];
    if (earlier.sa_flags & SA_SIGINFO) {
      earlier.sa_sigaction(signal, info, context);
    } else if (earlier.sa_handler != SIG_DFL && earlier.sa_handler != SIG_IGN) {
      earlier.sa_handler(signal);
    }
  }
  dieBy(signal);
}

bool ignoredAtStart(int signal) {
  struct sigaction current {};
  sigaction(signal, nullptr, &current);
  return !(current.sa_flags & SA_SIGINFO) && current.sa_handler == SIG_IGN;
}

template <std::size_t size>
bool listed(const int (&signals)[size], int signal) {
  for (int each : signals) {
    if (each == signal) return true;
  }
  return false;
}

// One call a signal where most are not ignored: the handler goes in and the
// earlier action comes back, and an ignored one is put back at once. The
// caller blocks the signals meanwhile, so none arrives in between.
void install(int signal, void (*handler)(int)) {
  struct sigaction action {};
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  // No SA_RESTART: blocking waits must wake up and look at the flag.
  struct sigaction earlier {};
  if (sigaction(signal, &action, &earlier) != 0) return;
  if (!(earlier.sa_flags & SA_SIGINFO) && earlier.sa_handler == SIG_IGN) {
    sigaction(signal, &earlier, nullptr);
  }
}

}  // namespace

void startProcess(int argc, char** argv) {
  argumentCount = argc;
  argumentValues = argv;
  std::atexit(atProcessEnd);
  posix::installSignalHandlers();
}

std::vector<std::string> commandLineArguments() {
  std::vector<std::string> arguments;
  for (int i = 1; i < argumentCount; ++i) arguments.push_back(cp1252::utf8ToCp1252(argumentValues[i]));
  return arguments;
}

namespace posix {

char* const* programArguments() { return argumentValues; }
int programArgumentCount() { return argumentCount; }

void installSignalHandlers() {
  if (wakePipe[0] < 0 && pipe2(wakePipe, O_CLOEXEC | O_NONBLOCK) != 0) {
    wakePipe[0] = wakePipe[1] = -1;
  }
  sigset_t all;
  sigset_t before;
  sigfillset(&all);
  sigprocmask(SIG_BLOCK, &all, &before);
  for (int signal = 1; signal <= SIGRTMAX; ++signal) {
    if (signal == SIGKILL || signal == SIGSTOP) continue;
    if (listed(notEndingSignals, signal) || listed(fatalSignals, signal)) continue;
    install(signal, onTerminatingSignal);
  }
  pipeIgnoredAtStart = ignoredAtStart(SIGPIPE);
  std::signal(SIGPIPE, SIG_IGN);
  install(SIGTSTP, onStop);
  install(SIGCONT, onContinue);
  sigprocmask(SIG_SETMASK, &before, nullptr);
  for (int i = 0; i < fatalCount; ++i) {
    struct sigaction action {};
    action.sa_sigaction = onFatalSignal;
    action.sa_flags = SA_SIGINFO | SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    sigaction(fatalSignals[i], &action, &earlierFatalAction[i]);
  }
}

bool signalPending() { return pendingSignal != 0 && ending == 0; }

bool processEnding() { return ending != 0; }

void endBySignal() { endBy(pendingSignal); }

void endBy(int signal) {
  beginEnding();
  runProcessEnd();
  endLastLine();
  flushStdout();
  dieBy(signal);
}

sigset_t terminatingSignals() {
  sigset_t set;
  sigemptyset(&set);
  for (int signal = 1; signal <= SIGRTMAX; ++signal) {
    struct sigaction current {};
    if (sigaction(signal, nullptr, &current) != 0 || (current.sa_flags & SA_SIGINFO)) continue;
    if (current.sa_handler == onTerminatingSignal) sigaddset(&set, signal);
  }
  return set;
}

void resetSignalsForChild() {
  const sigset_t caught = terminatingSignals();
  for (int signal = 1; signal <= SIGRTMAX; ++signal) {
    if (sigismember(&caught, signal) == 1) std::signal(signal, SIG_DFL);
  }
  if (!pipeIgnoredAtStart) std::signal(SIGPIPE, SIG_DFL);
  for (int stop : {SIGTSTP, SIGCONT}) {
    struct sigaction current {};
    sigaction(stop, nullptr, &current);
    if (current.sa_handler == onStop || current.sa_handler == onContinue) std::signal(stop, SIG_DFL);
  }
}

void endQuietly() {
  beginEnding();
  runProcessEnd();
  removeTemporaryFile();
  // A signal that asked to end the run still decides how it ends.
  if (pendingSignal != 0) dieBy(pendingSignal);
  _exit(quietEndStatus());
}

int signalWakeDescriptor() { return wakePipe[0]; }

std::int64_t monotonicNs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return std::int64_t{now.tv_sec} * 1'000'000'000 + now.tv_nsec;
}

void sleepUntil(std::int64_t deadlineNs) {
  const timespec deadline{static_cast<time_t>(deadlineNs / 1'000'000'000),
                          static_cast<long>(deadlineNs % 1'000'000'000)};
  if (signalPending()) endBySignal();
  while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline, nullptr) == EINTR) {
    if (signalPending()) endBySignal();
  }
}

}  // namespace posix
}  // namespace platform
