// The main block and the dispatcher: join the command line, complete the
// identity texts, play what the argument names.
#pragma once

#include <string>
#include <vector>

#include "text/short_text.h"

extern ShortText joinedArgument;

// Every argument followed by one blank, cut to 255 characters.
ShortText joinArguments(const std::vector<std::string>& arguments);
// When the joined arguments are longer than that, says on standard error
// where they were cut.
void reportCutArguments(const std::vector<std::string>& arguments);

unsigned char playArgument(bool echo, ShortText argument);
// What a build with sound switched off does instead of playing: one signal
// tone, then the clock until a key.
unsigned char signalAndClock();

// Every changing record of the program back at its starting value, with
// nothing open: for tests and tools that run the program more than once.
void resetProgramState();
int programMain();
