// The synthesizer as the program's MIDI output and MIDI-file player.
#pragma once

#include <memory>

#include "sound/back_ends.h"

namespace sound::fluid {

// The MIDI output through the named audio driver ("pulseaudio", "alsa").
OpenedMidi openMidiOutput(const char* audioDriver);
std::unique_ptr<MidiFilePlayer> openFilePlayer();

}  // namespace sound::fluid
