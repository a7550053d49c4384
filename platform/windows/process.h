// Shared inside the Windows back end: the end of the process, the system's
// words for an error.
#pragma once

#include <string>

namespace platform::windows {

// The system's text for an error code, in Windows-1252, on one line.
std::string systemText(unsigned long error);

// Set when Ctrl+C, Ctrl+Break or closing the console asks the process to end;
// the blocking waits of the back end wait on it too.
void* stopRequestEvent();
// Runs the exit hook chain and the shut-down, then ends with exit code 0.
[[noreturn]] void endOnRequest();
// Waits the given time unless an end is asked for first; then ends.
void waitOrEnd(unsigned lengthMs);

}  // namespace platform::windows
