// The command line and the end of the process on Windows.
#include "platform/windows/process.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <exception>

#include "platform/platform.h"
#include "platform/process_end.h"
#include "platform/windows/command_line.h"

namespace platform {
namespace {

HANDLE stopEvent = nullptr;
HANDLE endedEvent = nullptr;

// Redirected output is held in a buffer of our own, which nothing else
// writes out at exit.
void atProcessEnd() {
  runProcessEnd();
  flushStdout();
}

[[noreturn]] void endAfterFatalError(const char* message) {
  flushStdout();
  std::fputs(message, stderr);
  std::fflush(stderr);
  runProcessEnd();
  flushStdout();
  ExitProcess(0);
}

LONG WINAPI onUnhandledException(EXCEPTION_POINTERS* info) {
  char message[64];
  std::snprintf(message, sizeof message, "Fatal error: exception 0x%08lX.\n",
                static_cast<unsigned long>(info->ExceptionRecord->ExceptionCode));
  endAfterFatalError(message);
}

void onTerminate() { endAfterFatalError("Fatal error: unhandled exception.\n"); }

// Runs on a thread of its own: it only asks the main thread to end, which
// happens in the main thread's next wait (tones, rests, key waits).
BOOL WINAPI onConsoleControl(DWORD event) {
  SetEvent(stopEvent);
  if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) return TRUE;
  // Closing the console ends the process when this returns: give the main
  // thread a moment to put everything back first.
  WaitForSingleObject(endedEvent, 4000);
  return TRUE;
}

std::string toCp1252(const std::u16string& text) {
  if (text.empty()) return {};
  const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
  const int wideLength = static_cast<int>(text.size());
  const int length =
      WideCharToMultiByte(1252, WC_NO_BEST_FIT_CHARS, wide, wideLength, nullptr, 0, "?", nullptr);
  std::string bytes(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(1252, WC_NO_BEST_FIT_CHARS, wide, wideLength, bytes.data(), length, "?",
                      nullptr);
  return bytes;
}

}  // namespace

void startProcess(int, char**) {
  stopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  endedEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  std::atexit(atProcessEnd);
  SetUnhandledExceptionFilter(onUnhandledException);
  std::set_terminate(onTerminate);
  SetConsoleCtrlHandler(onConsoleControl, TRUE);
}

std::vector<std::string> commandLineArguments() {
  static_assert(sizeof(wchar_t) == sizeof(char16_t));
  const wchar_t* line = GetCommandLineW();
  const std::u16string whole(reinterpret_cast<const char16_t*>(line));
  std::vector<std::string> arguments;
  for (const std::u16string& argument :
       windows::splitCommandLine(windows::skipProgramName(whole))) {
    arguments.push_back(toCp1252(argument));
  }
  return arguments;
}

namespace windows {

void* stopRequestEvent() { return stopEvent; }

void endOnRequest() {
  runProcessEnd();
  flushStdout();
  SetEvent(endedEvent);
  ExitProcess(0);
}

void waitOrEnd(unsigned lengthMs) {
  if (stopEvent == nullptr) {
    ::Sleep(lengthMs);
    return;
  }
  if (WaitForSingleObject(stopEvent, lengthMs) == WAIT_OBJECT_0) endOnRequest();
}

}  // namespace windows
}  // namespace platform
