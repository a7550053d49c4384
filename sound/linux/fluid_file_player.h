// MIDI files played by the run's synthesizer.
#pragma once

#include <memory>

#include "sound/midi_file_player.h"

namespace sound::fluid {

std::unique_ptr<MidiFilePlayer> openFilePlayer();

}  // namespace sound::fluid
