// Standard output on Windows: Windows-1252 text with CR LF line ends. On a
// console it is converted to the console's output code page and shown at
// once; redirected, the bytes go out unchanged through a buffer.
#include <windows.h>

#include <string>

#include "platform/platform.h"

namespace platform {
namespace {

struct StandardOutput {
  HANDLE handle = GetStdHandle(STD_OUTPUT_HANDLE);
  bool isConsole = false;
  bool failed = false;  // a write failed and was said on standard error
  std::string pending;

  StandardOutput() {
    DWORD mode = 0;
    isConsole = GetConsoleMode(handle, &mode) != 0;
  }
};

StandardOutput& standardOutput() {
  // Never destroyed: the last flush runs in an atexit handler.
  static StandardOutput& output = *new StandardOutput;
  return output;
}

std::string toConsoleCodePage(std::string_view text) {
  const UINT codePage = GetConsoleOutputCP();
  if (codePage == 1252 || text.empty()) return std::string(text);
  const int length = static_cast<int>(text.size());
  std::wstring wide(text.size(), L'\0');
  const int wideLength = MultiByteToWideChar(1252, 0, text.data(), length, wide.data(), length);
  const int bytes =
      WideCharToMultiByte(codePage, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
  std::string converted(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(codePage, 0, wide.data(), wideLength, converted.data(), bytes, nullptr,
                      nullptr);
  return converted;
}

// Answers false when the bytes could not all be written for another reason
// than a reader that went away.
bool writeAll(HANDLE handle, std::string_view bytes) {
  while (!bytes.empty()) {
    DWORD written = 0;
    if (!WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written == 0) {
      const DWORD error = GetLastError();
      return error == ERROR_BROKEN_PIPE || error == ERROR_NO_DATA;
    }
    bytes.remove_prefix(written);
  }
  return true;
}

void noteFailure(StandardOutput& output) {
  if (output.failed) return;
  output.failed = true;
  const std::string_view line = "lirkel: cannot write to standard output\r\n";
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_ERROR_HANDLE), line.data(), static_cast<DWORD>(line.size()), &written,
            nullptr);
}

}  // namespace

void writeStdout(std::string_view text) {
  StandardOutput& output = standardOutput();
  if (output.isConsole) {
    const std::string converted = toConsoleCodePage(text);
    DWORD written = 0;
    WriteConsoleA(output.handle, converted.data(), static_cast<DWORD>(converted.size()), &written,
                  nullptr);
    return;
  }
  output.pending.append(text);
  if (output.pending.size() >= 4096) flushStdout();
}

void flushStdout() {
  StandardOutput& output = standardOutput();
  if (!writeAll(output.handle, output.pending)) noteFailure(output);
  output.pending.clear();
}

void holdStdout(bool) {}  // gathered already, up to 4096 bytes

void setReaderGoneStatus(int) {}  // a closed pipe does not end the run here

int finishStdout(int status) {
  flushStdout();
  return standardOutput().failed && status == 0 ? 1 : status;
}

bool stdoutIsTerminal() { return standardOutput().isConsole; }

std::string_view lineBreak() { return "\r\n"; }

// The console program keeps its rules: a problem is the system's text on a
// line of its own, on standard output.
void writeProblem(std::string_view, std::string_view text) {
  writeStdout(text);
  writeStdout(lineBreak());
}

// The Windows program speaks English (and the help of "?" its own Swedish).
std::string translated(std::string_view english) { return std::string(english); }

void writeStderr(std::string_view text) {
  flushStdout();  // what came before shows first
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_ERROR_HANDLE), text.data(), static_cast<DWORD>(text.size()), &written,
            nullptr);
}

}  // namespace platform
