// The Windows multimedia back ends: the MIDI mapper and the MCI sequencer.
#pragma once

#include <memory>

#include "sound/back_ends.h"

namespace sound::winmm {

// At least one MIDI output device exists (the mapper is not counted).
bool hasMidiDevice();
OpenedMidi openMapper();
std::unique_ptr<MidiFilePlayer> openSequencer();

}  // namespace sound::winmm
