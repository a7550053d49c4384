// MIDI output through the system's MIDI mapper (winmm).
#pragma once

#include "sound/back_ends.h"

namespace sound::winmm {

// At least one MIDI output device exists (the mapper is not counted).
bool hasMidiDevice();
OpenedMidi openMapper();

}  // namespace sound::winmm
