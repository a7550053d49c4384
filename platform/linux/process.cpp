// The command line and the end of the process on Linux.
#include <cerrno>
#include <csignal>
#include <cstdlib>

#include "platform/codepage.h"
#include "platform/linux/signals.h"
#include "platform/platform.h"

namespace platform {
namespace {

int argumentCount = 0;
char** argumentValues = nullptr;
ExitProc exitSlot = nullptr;
ExitProc shutdownProc = nullptr;

void runProcessEnd() {
  while (ExitProc procedure = exitSlot) {
    exitSlot = nullptr;
    procedure();
  }
  if (ExitProc shutdown = shutdownProc) {
    shutdownProc = nullptr;
    shutdown();
  }
  flushStdout();
}

}  // namespace

void startProcess(int argc, char** argv) {
  argumentCount = argc;
  argumentValues = argv;
  std::atexit(runProcessEnd);
  posix::installSignalHandlers();
}

std::vector<std::string> commandLineArguments() {
  std::vector<std::string> arguments;
  for (int i = 1; i < argumentCount; ++i) arguments.push_back(utf8ToCp1252(argumentValues[i]));
  return arguments;
}

ExitProc exitHook() { return exitSlot; }
void setExitHook(ExitProc procedure) { exitSlot = procedure; }
void setShutdownProc(ExitProc procedure) { shutdownProc = procedure; }

namespace posix {

// Placeholder: signals keep their default action for now.
void installSignalHandlers() {}
bool signalPending() { return false; }

void endBySignal() {
  runProcessEnd();
  std::_Exit(1);
}

void sleepUntil(const timespec& deadline) {
  while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline, nullptr) == EINTR) {
    if (signalPending()) endBySignal();
  }
}

}  // namespace posix
}  // namespace platform
