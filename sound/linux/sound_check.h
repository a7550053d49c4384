// What --sound-check says of a Linux machine before it tries the outputs:
// the synthesizer's library and its version, each place a SoundFont was
// looked for and the one chosen with its size, the sound server, the ALSA
// device.
#pragma once

#include <vector>

#include "sound/back_ends.h"

namespace sound {

void describeMachine(std::vector<CheckLine>& lines);

}  // namespace sound
