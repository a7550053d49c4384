// Playing what one argument names: the joined command line, a tune for
// --run's outcome or --sound-check's tune.
#pragma once

#include <string>
#include <vector>

#include "text/short_text.h"

// Every argument followed by one blank, cut to 255 characters.
ShortText joinArguments(const std::vector<std::string>& arguments);
// When the joined arguments are longer than that, says on standard error
// where they were cut.
void reportCutArguments(const std::vector<std::string>& arguments);

unsigned char playArgument(bool echo, ShortText argument);
// What a build with sound switched off does instead of playing: one signal
// tone, then the clock until a key.
unsigned char signalAndClock();
