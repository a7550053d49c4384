// The command line and the end of the process on Linux.
#include <cstdlib>

#include "platform/codepage.h"
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
}

std::vector<std::string> commandLineArguments() {
  std::vector<std::string> arguments;
  for (int i = 1; i < argumentCount; ++i) arguments.push_back(utf8ToCp1252(argumentValues[i]));
  return arguments;
}

ExitProc exitHook() { return exitSlot; }
void setExitHook(ExitProc procedure) { exitSlot = procedure; }
void setShutdownProc(ExitProc procedure) { shutdownProc = procedure; }

}  // namespace platform
