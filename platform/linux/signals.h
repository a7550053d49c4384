// Ending the process cleanly when a terminating signal arrives. The signal
// handler itself only restores nothing and sets a flag; every blocking wait of
// the Linux back end wakes on the signal and calls endBySignal() on the main
// thread, which runs the exit hook chain (closing MIDI output) and the
// shut-down (restoring the terminal), flushes standard output, and then ends
// the process by the same signal so the caller sees it.
#pragma once

#include <time.h>

namespace platform::posix {

// Installs the handlers; called once from startProcess.
void installSignalHandlers();
// True once a terminating signal has arrived.
bool signalPending();
// Runs the process-end steps and ends the process by the pending signal.
[[noreturn]] void endBySignal();
// Sleeps until an absolute CLOCK_MONOTONIC time; a terminating signal ends
// the process through endBySignal() instead of returning.
void sleepUntil(const timespec& deadline);

}  // namespace platform::posix
