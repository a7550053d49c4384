// MIDI output through the system's MIDI mapper (winmm).
#pragma once

#include "sound/back_ends.h"

namespace sound::winmm {

// The MIDI output devices there are (the mapper is not counted).
unsigned midiDeviceCount();
// Null when there is one; else why the mapper is not tried.
const char* noMidiDevice();
OpenedMidi openMapper();

}  // namespace sound::winmm
