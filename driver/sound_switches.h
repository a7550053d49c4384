// What a run plays through, chosen by the user: --sound, --soundfont,
// --device and --volume, else the variables LIRKEL_SOUND, LIRKEL_SOUNDFONT,
// LIRKEL_DEVICE and LIRKEL_VOLUME (one that is empty is not set); and
// "lirkel --sound-check [TUNE...]", which says what that choice plays through
// on this machine, and why.
#pragma once

#include <string>
#include <vector>

#include "driver/command_line.h"

// Makes the choice (sound/choice.h) for the run; answers a usage error
// (a value that is no sound, no volume from 0 to 100), or empty.
std::string chooseSound(const CommandLine& line);

// Writes the check one line a step, then plays the tune when one is given.
// Answers the exit status: 0 when something audible plays, else 1.
int checkSound(const std::vector<std::string>& tune);
