// The process entry.
#include "console/console.h"
#include "driver/identity.h"
#include "driver/program.h"
#include "platform/platform.h"

int main(int argc, char** argv) {
  platform::startProcess(argc, argv);
  buildIdentityText();
  startConsole();
  return platform::finishStdout(programMain());
}
