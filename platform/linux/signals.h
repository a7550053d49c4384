// Ending the process cleanly when a terminating signal arrives: every signal
// whose default action ends the process (SIGINT, SIGTERM, SIGHUP, SIGQUIT,
// SIGUSR1, SIGALRM, SIGXCPU, the real-time signals, ...), found by walking
// all signal numbers up to SIGRTMAX. SIGPIPE is ignored instead: a closed
// output ends the run quietly (endQuietly). The handler only records the signal and
// wakes the blocking waits through a pipe; every blocking wait of the Linux
// back end watches that pipe and calls endBySignal() on the main thread, which
// runs the exit hook chain (closing MIDI output) and the shut-down (restoring
// the terminal), flushes standard output, and then ends the process by the
// same signal so the caller sees it. A second terminating signal before that
// happens restores the terminal in the handler and ends the process at once.
//
// SIGTSTP puts the terminal back before the process stops; SIGCONT applies
// the program's input mode again. A fatal error (SIGSEGV, SIGBUS, SIGFPE,
// SIGILL, SIGABRT, so also std::terminate) restores the terminal first.
#pragma once

#include <csignal>
#include <cstdint>
#include <string>

namespace platform::posix {

// What strerror says of an error, in the language of the program's
// messages (language.cpp).
std::string errorText(int error);
// Installs the handlers; called once from startProcess. A signal that was
// ignored when the program started stays ignored.
void installSignalHandlers();
// True once a terminating signal has arrived, until the process begins to
// end by it (the waits of what is closed then do not end it again).
bool signalPending();
// True once the process has begun to end, by a signal or not.
bool processEnding();
// Runs the process-end steps and ends the process by the pending signal.
[[noreturn]] void endBySignal();
// Runs the process-end steps and ends the process by the given signal.
[[noreturn]] void endBy(int signal);
// The signals the handlers above end the process for, for a wait that
// takes them one by one itself (sigwaitinfo) while they are blocked.
sigset_t terminatingSignals();
// In a child about to run another program: every signal the handlers catch,
// SIGPIPE and the stop signals back to what they were when the program
// started, so that the other program gets the signals a shell would give it.
void resetSignalsForChild();
// Runs the process-end steps and ends the process with the status set for
// this (0 unless set), for an output whose reader has gone away; later
// writes are dropped meanwhile.
[[noreturn]] void endQuietly();
int quietEndStatus();
// Removes the temporary file of a replacement not finished, if there is
// one; async-signal-safe.
void removeTemporaryFile();
// Ends the last line standard output wrote on, when something stands on it,
// so that the shell's prompt starts a line of its own.
void endLastLine();
// A descriptor that becomes readable when a terminating signal arrives, for
// poll() next to the descriptor a wait is really for.
int signalWakeDescriptor();
// Nanoseconds on CLOCK_MONOTONIC, the clock every wait of the back end uses.
std::int64_t monotonicNs();
// Sleeps until an absolute monotonicNs() time; a terminating signal ends the
// process through endBySignal() instead of returning.
void sleepUntil(std::int64_t deadlineNs);

// Provided by the terminal code, called from signal handlers: only
// async-signal-safe calls inside. Each does nothing while the program's
// input mode is not in force.
void restoreTerminalMode();  // the mode found at start-up
void applyTerminalMode();    // the program's mode again, when in the foreground

}  // namespace platform::posix
