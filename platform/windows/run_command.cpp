// Running a command for the user on Windows: CreateProcess with this
// program's console and standard handles, then its exit code. Ctrl+C on the
// console reaches the command as it reaches this program, whose handler only
// notes it; a command that ended by it counts as interrupted, and so does
// one that ended after an end was asked for.
#include <windows.h>

#include "platform/platform.h"
#include "platform/windows/command_line.h"
#include "platform/windows/process.h"

namespace platform {
namespace {

// What a process killed by Ctrl+C or Ctrl+Break answers.
constexpr DWORD endedByControlC = 0xC000013A;

CommandEnd notStarted(DWORD error) {
  CommandEnd end;
  end.problem = windows::systemText(error);
  end.status = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? 127 : 126;
  return end;
}

}  // namespace

CommandEnd runCommand(std::size_t first) {
  static_assert(sizeof(wchar_t) == sizeof(char16_t));
  const std::u16string whole(reinterpret_cast<const char16_t*>(GetCommandLineW()));
  std::vector<std::u16string> arguments =
      windows::splitCommandLine(windows::skipProgramName(whole));
  if (arguments.size() <= first) return notStarted(ERROR_FILE_NOT_FOUND);
  arguments.erase(arguments.begin(), arguments.begin() + static_cast<std::ptrdiff_t>(first));
  std::u16string line = windows::joinCommandLine(arguments);

  flushStdout();
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  const std::int64_t start = clockMs();
  if (!CreateProcessW(nullptr, reinterpret_cast<wchar_t*>(line.data()), nullptr, nullptr, TRUE, 0,
                      nullptr, nullptr, &startup, &process)) {
    return notStarted(GetLastError());
  }
  CloseHandle(process.hThread);
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hProcess);

  CommandEnd end;
  end.started = true;
  end.elapsedMs = clockMs() - start;
  end.status = static_cast<int>(code);
  end.interrupted = code == endedByControlC ||
                    WaitForSingleObject(windows::stopRequestEvent(), 0) == WAIT_OBJECT_0;
  return end;
}

}  // namespace platform
