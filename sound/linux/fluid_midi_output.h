// The synthesizer as the program's MIDI output.
#pragma once

#include "sound/back_ends.h"

namespace sound::fluid {

// The MIDI output through the named audio driver ("pulseaudio", "alsa").
OpenedMidi openMidiOutput(const char* audioDriver);

}  // namespace sound::fluid
