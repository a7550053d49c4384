// The process entry. The console starts once the command line has been read
// (programMain): a run that only helps, or runs a command first, leaves the
// terminal alone.
#include "driver/identity.h"
#include "driver/program.h"
#include "platform/platform.h"

int main(int argc, char** argv) {
  platform::startProcess(argc, argv);
  buildIdentityText();
  return platform::finishStdout(programMain());
}
