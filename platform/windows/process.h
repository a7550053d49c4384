// Shared inside the Windows back end: the end of the process.
#pragma once

namespace platform::windows {

// Set when Ctrl+C, Ctrl+Break or closing the console asks the process to end;
// the blocking waits of the back end wait on it too.
void* stopRequestEvent();
// Runs the exit hook chain and the shut-down, then ends with exit code 0.
[[noreturn]] void endOnRequest();
// Waits the given time unless an end is asked for first; then ends.
void waitOrEnd(unsigned lengthMs);

}  // namespace platform::windows
