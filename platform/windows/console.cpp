// Console input (single key events) and the console screen on Windows.
#include <windows.h>

#include "platform/platform.h"
#include "platform/windows/process.h"

namespace platform {
namespace {

HANDLE inputHandle = nullptr;
HANDLE outputHandle = INVALID_HANDLE_VALUE;
DWORD savedInputMode = 0;
bool inputIsConsole = false;

COORD asCoord(int column, int row) { return {static_cast<SHORT>(column), static_cast<SHORT>(row)}; }

}  // namespace

bool consoleStartInput() {
  inputHandle = GetStdHandle(STD_INPUT_HANDLE);
  inputIsConsole = GetConsoleMode(inputHandle, &savedInputMode) != 0;
  SetConsoleMode(inputHandle, ENABLE_PROCESSED_INPUT);
  FlushConsoleInputBuffer(inputHandle);
  return inputIsConsole;
}

void consoleStopInput() {
  FlushConsoleInputBuffer(inputHandle);
  if (inputIsConsole) SetConsoleMode(inputHandle, savedInputMode);
}

bool consoleInputIsTerminal() { return inputIsConsole; }

bool consoleReadEvent(InputEvent& event) {
  INPUT_RECORD record{};
  DWORD count = 0;
  if (!PeekConsoleInputA(inputHandle, &record, 1, &count) || count == 0) return false;
  if (!ReadConsoleInputA(inputHandle, &record, 1, &count) || count == 0) return false;
  const bool keyDown = record.EventType == KEY_EVENT && record.Event.KeyEvent.bKeyDown;
  event.keyDown = keyDown;
  event.character = keyDown ? static_cast<unsigned char>(record.Event.KeyEvent.uChar.AsciiChar) : 0;
  return true;
}

bool consoleWaitInput(int timeoutMs) {
  if (!inputIsConsole) return false;
  const HANDLE waitFor[] = {inputHandle, windows::stopRequestEvent()};
  const DWORD count = waitFor[1] != nullptr ? 2 : 1;
  const DWORD rc = WaitForMultipleObjects(count, waitFor, FALSE,
                                          timeoutMs < 0 ? INFINITE : static_cast<DWORD>(timeoutMs));
  if (rc == WAIT_OBJECT_0 + 1) windows::endOnRequest();
  return rc == WAIT_OBJECT_0;
}

void consoleOpenScreen() {
  // FILE_ATTRIBUTE_SYSTEM | FILE_FLAG_NO_BUFFERING; the screen is reached
  // even when standard output is redirected.
  outputHandle =
      CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  nullptr, OPEN_EXISTING, 0x20000004, nullptr);
}

void consoleCloseScreen() {
  if (outputHandle != INVALID_HANDLE_VALUE) CloseHandle(outputHandle);
  outputHandle = INVALID_HANDLE_VALUE;
}

bool consoleReadScreenInfo(ScreenInfo& info) {
  CONSOLE_SCREEN_BUFFER_INFO screen{};
  if (!GetConsoleScreenBufferInfo(outputHandle, &screen)) return false;
  info.windowRight = screen.srWindow.Right;
  info.windowBottom = screen.srWindow.Bottom;
  info.cursorColumn = screen.dwCursorPosition.X;
  info.cursorRow = screen.dwCursorPosition.Y;
  return true;
}

void consoleGotoXY(int column, int row) {
  SetConsoleCursorPosition(outputHandle, asCoord(column, row));
}

void consoleWriteAt(std::string_view text, int column, int row) {
  ScreenInfo before;
  consoleReadScreenInfo(before);
  consoleGotoXY(column, row);
  DWORD written = 0;
  WriteConsoleA(outputHandle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  consoleGotoXY(before.cursorColumn, before.cursorRow);
}

}  // namespace platform
