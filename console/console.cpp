#include "console/console.h"

#include "text/text_utils.h"
#include "platform/platform.h"

ConsoleState consoleState;

void startConsole() {
  consoleState.lastClockMinute = 61;
  platform::consoleStartInput();
  openConsoleOutput();
  platform::setShutdownProc(stopConsole);
  while (pollKey() != 0) {
  }
}

void stopConsole() {
  platform::consoleCloseScreen();
  platform::consoleStopInput();
}

void openConsoleOutput() { platform::consoleOpenScreen(); }

void readScreenInfo() {
  platform::ScreenInfo info;
  info.windowRight = consoleState.windowRight;
  info.windowBottom = consoleState.windowBottom;
  info.cursorColumn = consoleState.cursorColumn;
  info.cursorRow = consoleState.cursorRow;
  // Without a screen the last values stay.
  if (!platform::consoleReadScreenInfo(info)) return;
  consoleState.windowRight = static_cast<std::uint16_t>(info.windowRight);
  consoleState.windowBottom = static_cast<std::uint16_t>(info.windowBottom);
  consoleState.cursorColumn = static_cast<std::int16_t>(info.cursorColumn);
  consoleState.cursorRow = static_cast<std::int16_t>(info.cursorRow);
}

std::uint16_t windowRight() {
  readScreenInfo();
  return consoleState.windowRight;
}

std::uint16_t windowBottom() {
  readScreenInfo();
  return consoleState.windowBottom;
}

int cursorRow() {
  readScreenInfo();
  return consoleState.cursorRow;
}

void cursorPosition(std::int32_t& column, std::int32_t& row) {
  readScreenInfo();
  column = consoleState.cursorColumn;
  row = consoleState.cursorRow;
}

void gotoXY(std::int16_t column, std::int16_t row) { platform::consoleGotoXY(column, row); }

void writeAt(const ShortText& text, std::int16_t column, std::int16_t row) {
  platform::consoleWriteAt(text.view(), column, row);
}

unsigned char pollKey() {
  platform::InputEvent event;
  if (!platform::consoleReadEvent(event)) return 0;
  return event.keyDown ? event.character : 0;
}

unsigned char checkKey() { return pollKey(); }

bool keysCanArrive() { return platform::consoleInputIsTerminal(); }

bool pagingPossible() { return keysCanArrive() && platform::stdoutIsTerminal(); }

unsigned char waitForKey() {
  for (;;) {
    const unsigned char key = pollKey();
    if (key != 0) return key;
    if (!platform::consoleWaitInput(-1)) return 0;
  }
}

void showClock() {
  const platform::LocalTime now = platform::localTime();
  if (now.minute == consoleState.lastClockMinute) return;
  consoleState.lastClockMinute = static_cast<std::uint16_t>(now.minute);
  const FixedText<32> text = zeroPadNumber(now.year, 4) + "-" + zeroPadNumber(now.month, 2).view() +
                             "-" + zeroPadNumber(now.day, 2).view() + " " +
                             zeroPadNumber(now.hour, 2).view() + ":" +
                             zeroPadNumber(now.minute, 2).view();
  writeAt(ShortText(text), static_cast<std::int16_t>(windowRight() - 16),
          static_cast<std::int16_t>(cursorRow()));
}

unsigned char waitKeyShowingClock() {
  for (;;) {
    const unsigned char key = pollKey();
    if (key != 0) return key;
    showClock();
    // Sleep in the input wait until a key comes or the clock's minute ends;
    // between those nothing would change what the clock shows.
    const int second = platform::localTime().second;
    const int untilNextMinuteMs = (second < 60 ? 60 - second : 1) * 1000;
    if (!platform::consoleWaitInput(untilNextMinuteMs)) {
      // No key can ever come: the clock has been shown once; end as if
      // Enter had been pressed rather than wait for ever.
      return 13;
    }
  }
}

void writeText(const ShortText& text) { platform::writeStdout(text.view()); }

void writeTextLine(const ShortText& text) {
  writeText(text);
  platform::writeStdout(platform::lineBreak());
}

std::string message(std::string_view english, std::initializer_list<std::string_view> values) {
  return messageWith(english, std::vector<std::string>(values.begin(), values.end()));
}

std::string messageWith(std::string_view english, const std::vector<std::string>& values) {
  const std::string format = platform::translated(english);
  std::string text;
  auto value = values.begin();
  for (std::size_t i = 0; i < format.size(); ++i) {
    if (format.compare(i, 2, "%s") == 0 && value != values.end()) {
      text.append(*value++);
      ++i;
    } else {
      text.push_back(format[i]);
    }
  }
  return text;
}

void reportProblem(std::string_view text, std::string_view file) {
  if (!text.empty()) platform::writeProblem(file, platform::translated(text));
}

void writeError(std::string_view text) {
  platform::writeStderr(std::string("lirkel: ").append(text));
  platform::writeStderr(platform::lineBreak());
}
