// The console on Linux. For now there is no terminal: no keys, no screen.
#include "platform/platform.h"

namespace platform {

bool consoleStartInput() { return false; }
void consoleStopInput() {}
bool consoleInputIsTerminal() { return false; }
bool consoleReadEvent(InputEvent&) { return false; }
bool consoleWaitInput(int) { return false; }
void consoleOpenScreen() {}
void consoleCloseScreen() {}
bool consoleReadScreenInfo(ScreenInfo&) { return false; }
void consoleGotoXY(int, int) {}
void consoleWriteAt(std::string_view, int, int) {}

}  // namespace platform
