// The console layer: single key presses without echo, a key test that never
// waits, the window's edges, writing at a screen position, the clock, and the
// two writers through which all text reaches standard output.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "text/short_text.h"

struct ConsoleState {
  // A cache of the last screen query; 80 x 25 until a screen answers.
  std::uint16_t windowRight = 79;
  std::uint16_t windowBottom = 24;
  std::int16_t cursorColumn = 0;
  std::int16_t cursorRow = 0;
  // The minute the clock showed last; 61 until the first clock draws.
  std::uint16_t lastClockMinute = 0;
};

extern ConsoleState consoleState;

void startConsole();
void stopConsole();
void openConsoleOutput();
void readScreenInfo();

std::uint16_t windowRight();
std::uint16_t windowBottom();
int cursorRow();
void cursorPosition(std::int32_t& column, std::int32_t& row);
void gotoXY(std::int16_t column, std::int16_t row);
void writeAt(const ShortText& text, std::int16_t column, std::int16_t row);

unsigned char pollKey();
unsigned char checkKey();

// Whether a key press can ever arrive (input is a terminal).
bool keysCanArrive();
// Whether a person at a terminal both reads the output and can answer a
// prompt: only then does a listing stop page by page.
bool pagingPossible();
// Blocks until a key with a character is pressed and answers it; answers 0
// at once when no key can ever arrive.
unsigned char waitForKey();

void showClock();
unsigned char waitKeyShowingClock();

void writeText(const ShortText& text);
void writeTextLine(const ShortText& text);

// One of the program's own messages, given in English, in the user's
// language, each "%s" in it filled with the next value.
std::string message(std::string_view english, std::initializer_list<std::string_view> values = {});
std::string messageWith(std::string_view english, const std::vector<std::string>& values);
// A problem the run carries on after (a sound device, a file that cannot
// play), in the user's language: on Linux on standard error, naming the file
// it is about. An empty text says nothing.
void reportProblem(std::string_view text, std::string_view file = {});
// An error that ends the run: "lirkel: " and the text on standard error.
void writeError(std::string_view text);
