#include "platform/process_end.h"

#include "platform/platform.h"

namespace platform {
namespace {

ExitProc exitSlot = nullptr;
ExitProc shutdownProc = nullptr;

}  // namespace

ExitProc exitHook() { return exitSlot; }
void setExitHook(ExitProc procedure) { exitSlot = procedure; }
void setShutdownProc(ExitProc procedure) { shutdownProc = procedure; }

void runProcessEnd() {
  while (ExitProc procedure = exitSlot) {
    exitSlot = nullptr;
    procedure();
  }
  if (ExitProc shutdown = shutdownProc) {
    shutdownProc = nullptr;
    shutdown();
  }
}

}  // namespace platform
