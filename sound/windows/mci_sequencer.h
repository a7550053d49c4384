// Standard MIDI Files through the MCI sequencer (winmm).
#pragma once

#include <memory>

#include "sound/midi_file_player.h"

namespace sound::winmm {

std::unique_ptr<MidiFilePlayer> openSequencer();

}  // namespace sound::winmm
