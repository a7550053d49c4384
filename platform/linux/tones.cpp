// Tones and waits on Linux. For now a tone keeps its time in silence.
#include <time.h>

#include "platform/platform.h"

namespace platform {
namespace {

void sleepMs(unsigned lengthMs) {
  timespec length{static_cast<time_t>(lengthMs / 1000), static_cast<long>(lengthMs % 1000) * 1000000L};
  while (nanosleep(&length, &length) != 0) {
  }
}

}  // namespace

void Beep(unsigned, unsigned lengthMs) { sleepMs(lengthMs); }
void Sleep(unsigned lengthMs) { sleepMs(lengthMs); }

}  // namespace platform
